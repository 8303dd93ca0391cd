// Inputs the fuzz targets of fuzz/ found faults with, kept as regular tests.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "imagefile/image_file.h"

TEST(FuzzFindings, IntelHexAddressesNearFourGibibytesDoNotWrapRound) {
  struct TCase {
    const char* Name;
    const char* Text;
    TImageExtent Extent;
  };
  // An extended linear base of 0xFFFF0000 plus the record's address and length wrapped round
  // 32 bits to a small number, and the record was stored far outside the buffer.
  const TCase cases[] = {
      {"the record's end wraps", ":02000004FFFFFC\n:02FFFF00AABB9B\n:00000001FF\n", {0xFFFFFFFF, 0x100000001}},
      {"the record starts past 4 GiB - 1",
       ":02000004FFFFFC\n:01FFFF00AA57\n:0100000055AA\n:00000001FF\n",
       {0xFFFF0000, 0x100000000}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> image(kMemoryBufferSize);
    // The data are counted where they lie, past the image, and nothing is stored in it.
    EXPECT_EQ(ReadImageText(c.Text, TImageFormat::Hex, 0, image), c.Extent);
    EXPECT_EQ(image[0], 0xFF);
    EXPECT_EQ(image[1], 0xFF);
    EXPECT_TRUE(ImageFitProblem("image.hex", c.Extent, TChip{}, kMemoryBufferSize));
  }
}
