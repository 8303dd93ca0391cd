// Inputs the fuzz targets of fuzz/ found faults with, kept as regular tests.
#include <gtest/gtest.h>

#include <cstring>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "imagefile/image_file.h"

TEST(FuzzFindings, IntelHexAddressesNearFourGibibytesDoNotWrapRound) {
  struct TCase {
    const char* Name;
    const char* Text;
  };
  // An extended linear base of 0xFFFF0000 plus the record's address and length wrapped round
  // 32 bits to a small number, and the record was stored far outside the buffer.
  const TCase cases[] = {
      {"the record's end wraps", ":02000004FFFFFC\n:02FFFF00AABB4D\n"},
      {"the record starts past 4 GiB - 1", ":02000004FFFFFC\n:01FFFF00AA57\n:0100000055AA\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::memset(MemoryBuffer, 0, sizeof MemoryBuffer);
    TChip chip;
    chip.Size = 256;
    try {
      LoadHexText(c.Text, chip);
      ADD_FAILURE() << "no error";
    } catch (const TError& e) {
      EXPECT_NE(std::string(e.what()).find("lies outside the memory buffer"), std::string::npos) << e.what();
    }
    // A load that fails stores nothing at all.
    EXPECT_EQ(MemoryBuffer[0], 0x00);
    EXPECT_EQ(MemoryBuffer[1], 0x00);
  }
}
