// The difference finder: listed, counted and merged differences, at block and word edges, and the
// texts built from them.
#include <gtest/gtest.h>

#include <vector>

#include "buffer/differences.h"
#include "common/scripted_user_interface.h"

namespace {

struct TCase {
  const char* Name;
  size_t Size;
  std::vector<uint32_t> Changed;  // addresses whose byte differs
  size_t Limit;
  size_t Listed;
  std::vector<TAddressRange> Ranges;
};

void PrintTo(const TCase& c, std::ostream* os) { *os << c.Name; }

class Differences : public testing::TestWithParam<TCase> {};

TEST_P(Differences, AreListedCountedAndMerged) {
  const TCase& c = GetParam();
  std::vector<uint8_t> left(c.Size), right(c.Size);
  for (size_t i = 0; i < c.Size; ++i) left[i] = right[i] = static_cast<uint8_t>(i * 7);
  for (uint32_t a : c.Changed) right[a] ^= 0x5A;
  const TDifferences d = FindDifferences(left, right, c.Limit);
  EXPECT_EQ(d.Count, c.Changed.size());
  EXPECT_EQ(d.Same(), c.Changed.empty());
  ASSERT_EQ(d.Listed.size(), c.Listed);
  for (size_t i = 0; i < d.Listed.size(); ++i) {
    EXPECT_EQ(d.Listed[i].Address, c.Changed[i]);
    EXPECT_EQ(d.Listed[i].Left, left[c.Changed[i]]);
    EXPECT_EQ(d.Listed[i].Right, right[c.Changed[i]]);
  }
  ASSERT_EQ(d.Ranges.size(), c.Ranges.size());
  for (size_t i = 0; i < d.Ranges.size(); ++i) {
    EXPECT_EQ(d.Ranges[i].Start, c.Ranges[i].Start) << i;
    EXPECT_EQ(d.Ranges[i].End, c.Ranges[i].End) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Differences,
    testing::Values(TCase{"Equal", 0x100000, {}, 16, 0, {}}, TCase{"Empty", 0, {}, 16, 0, {}},
                    TCase{"FirstAndLastByte", 0x100000, {0, 0xFFFFF}, 16, 2, {{0, 1}, {0xFFFFF, 0x100000}}},
                    TCase{"AcrossAWordAndABlock", 0x3000, {7, 8, 4095, 4096}, 16, 4, {{7, 9}, {4095, 4097}}},
                    TCase{"TailShorterThanAWord", 13, {12}, 16, 1, {{12, 13}}},
                    TCase{"OnlyTheFirstAreListed", 100, {1, 2, 3, 10, 11, 50}, 4, 4, {{1, 4}, {10, 12}, {50, 51}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Differences, OnlyTheShorterLengthIsCompared) {
  const std::vector<uint8_t> a = {1, 2, 3}, b = {1, 2, 3, 4, 5};
  EXPECT_TRUE(FindDifferences(a, b).Same());
}

TEST(DifferenceTexts, NameTheFirstDifferenceAndTheCount) {
  TScriptedUserInterface ui;
  TDifferences d;
  d.Count = 12;
  d.Listed = {{0x1F, 0x3A, 0x5C}};
  EXPECT_EQ(DifferenceText(d, "ChipDifference", ui),
            "First difference at 0x001F: chip 3A, expected 5C; 12 bytes differ.");
  d.Count = 1;
  d.Listed = {{0x12345, 0x00, 0xFF}};
  EXPECT_EQ(DifferenceText(d, "FileDifference", ui),
            "First difference at 0x12345: buffer 00, file FF; 1 byte differs.");
  EXPECT_EQ(DifferenceLine(d.Listed[0]), "0x12345: 00 FF");
}

}  // namespace
