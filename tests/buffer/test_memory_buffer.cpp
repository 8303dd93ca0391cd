#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "buffer/document.h"
#include "buffer/memory_buffer.h"

TEST(Checksum, SumsTheSixteenBitCountOfBytes) {
  struct Case {
    int fillCount;
    int32_t size;
    uint16_t expected;
  } cases[] = {
      {128, 128, 0x7F80},  // 128 x 0xFF
      {65536, 0, 0x0000},  // 65536 x 0xFF wraps to 0 (no chip)
      {65536, 65536, 0x0000},
      {0x20000, 0x20000, 0x0000},  // only the first 65536 bytes count
      {65536 + 16, 65536 + 16, 16 * 0xFF},
      {1, 1, 0xFF},
  };
  std::vector<uint8_t> image(kMemoryBufferSize);
  for (const auto& c : cases) {
    std::fill(image.begin(), image.end(), 0);
    std::fill(image.begin(), image.begin() + c.fillCount, 0xFF);
    EXPECT_EQ(ChecksumOf(image, c.size), c.expected) << c.size;
  }
  std::fill(image.begin(), image.end(), 0);
  image[0] = 1, image[1] = 2, image[2] = 3, image[3] = 100;
  EXPECT_EQ(ChecksumOf(image, 3), 6);
  EXPECT_EQ(ChecksumOf(std::span(image).first(2), 3), 3);  // as far as the image reaches
}

TEST(Blanking, ANewDocumentAndAClearedOneAreBlankThroughout) {
  TDocument document;
  EXPECT_EQ(document[0x80000], 0xFF);
  document.Change(0x80000, std::vector<uint8_t>{0});
  document.SetChipSize(256);
  document.Clear();
  EXPECT_EQ(document[0x80000], 0xFF);
  EXPECT_EQ(document[kMemoryBufferSize - 1], 0xFF);
  EXPECT_EQ(document.Checksum(), 0xFF00);  // 256 x 0xFF
}
