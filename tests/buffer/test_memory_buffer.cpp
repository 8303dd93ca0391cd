#include <gtest/gtest.h>

#include <cstring>

#include "buffer/memory_buffer.h"

TEST(MemoryBuffer, HoldsZeroAtProcessStart) {
  for (int i = 0; i < kMemoryBufferSize; ++i) ASSERT_EQ(MemoryBuffer[i], 0) << i;
}

TEST(CalcChecksum, SumsTheSixteenBitCountOfBytes) {
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
  for (const auto& c : cases) {
    std::memset(MemoryBuffer, 0, sizeof MemoryBuffer);
    std::memset(MemoryBuffer, 0xFF, c.fillCount);
    EXPECT_EQ(CalcChecksum(c.size), c.expected) << c.size;
    EXPECT_EQ(Checksum, c.expected);
  }
  std::memset(MemoryBuffer, 0, sizeof MemoryBuffer);
  MemoryBuffer[0] = 1, MemoryBuffer[1] = 2, MemoryBuffer[2] = 3, MemoryBuffer[3] = 100;
  EXPECT_EQ(CalcChecksum(3), 6);
}

TEST(Blanking, StartUpBlanksTheSixteenBitCountAndClearBlanksEverything) {
  std::memset(MemoryBuffer, 0, sizeof MemoryBuffer);
  BlankSixteenBitCount(256);
  EXPECT_EQ(MemoryBuffer[255], 0xFF);
  EXPECT_EQ(MemoryBuffer[256], 0x00);
  BlankSixteenBitCount(0);
  EXPECT_EQ(MemoryBuffer[65535], 0xFF);
  EXPECT_EQ(MemoryBuffer[65536], 0x00);
  ClearMemoryBuffer();
  EXPECT_EQ(MemoryBuffer[0x80000], 0xFF);
  EXPECT_EQ(MemoryBuffer[kMemoryBufferSize - 1], 0xFF);
}
