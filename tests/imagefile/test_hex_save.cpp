// The Intel HEX writer: the exact record text, record counts, and extended-address round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>

#include "hex_test_support.h"
#include "imagefile/image_file.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
    if (end == std::string::npos) break;
    out.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

void FillRandom(uint32_t seed) {
  std::mt19937 random(seed);
  for (auto& b : Image()) b = static_cast<uint8_t>(random());
}

std::string HexTextOf(const TChip& chip) { return ChipText(TImageFormat::Hex, chip); }

TEST(HexSave, SixteenBlankBytesGiveTheKnownLines) {
  std::memset(Image().data(), 0xFF, 32);
  const std::string f32(32, 'F');
  EXPECT_EQ(HexTextOf(ChipOfSize(16)), ":10000000" + f32 + "00\r\n:00000001FF\r\n");
  EXPECT_EQ(Lines(HexTextOf(ChipOfSize(32)))[1], ":10001000" + f32 + "F0");
}

TEST(HexSave, RecordCountsFollowTheSize) {
  struct {
    int32_t Size;
    size_t DataRecords;
    size_t AddressRecords;
  } cases[] = {{100, 7, 0},        {256, 16, 0},       {1, 1, 0},          {0, 4096, 0},
               {0x10000, 4096, 0}, {0x10010, 4097, 2}, {0x20000, 8192, 2}, {0x100000, 65536, 16}};
  FillRandom(1);
  for (auto c : cases) {
    std::vector<std::string> lines = Lines(HexTextOf(ChipOfSize(c.Size)));
    size_t data = 0, address = 0;
    for (const auto& l : lines) {
      const std::string type = l.substr(7, 2);
      if (type == "00") {
        ++data;
        EXPECT_EQ(l.size(), 43u);
      }
      if (type == "04") ++address;
    }
    EXPECT_EQ(data, c.DataRecords) << c.Size;
    EXPECT_EQ(address, c.AddressRecords) << c.Size;
    EXPECT_EQ(lines.back(), ":00000001FF") << c.Size;
  }
}

TEST(HexSave, LastRecordCarriesBytesPastSize) {
  FillRandom(2);
  Image()[0x6F] = 0x5C;
  std::vector<std::string> lines = Lines(HexTextOf(ChipOfSize(100)));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6].substr(0, 9), ":10006000");
  EXPECT_EQ(lines[6].substr(9 + 30, 2), "5C");
}

TEST(HexSave, ChipsAbove64KiBStartEachSegmentWithALinearAddress) {
  std::memset(Image().data(), 0xFF, 0x20000);
  std::vector<std::string> lines = Lines(HexTextOf(ChipOfSize(0x10010)));
  ASSERT_EQ(lines.size(), 4100u);
  EXPECT_EQ(lines[0], ":020000040000FA");
  EXPECT_EQ(lines[4097], ":020000040001F9");
  EXPECT_EQ(lines[4098], ":10000000" + std::string(32, 'F') + "00");
}

// What is saved loads back to the same bytes, across the 64 KiB segments too.
TEST(HexSave, RoundTripOfLargeImages) {
  TTempDir dir;
  for (int32_t size : {0x10000, 0x20000, 0x100000}) {
    FillRandom(static_cast<uint32_t>(size));
    std::vector<uint8_t> saved(Image().begin(), Image().begin() + size);
    const std::string file = dir.File("image.hex");
    WriteImage(file, TImageFormat::Hex, Image(), ChipSpan(TImageFormat::Hex, ChipOfSize(size)));
    std::fill(Image().begin(), Image().end(), 0x00);
    EXPECT_NO_THROW(ReadImage(file, TImageFormat::Hex, 0, Image()));
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), Image().begin())) << size;
    EXPECT_EQ(TTempDir::ReadFile(file), HexTextOf(ChipOfSize(size)));
  }
}

}  // namespace
