// The likely cause of a failed comparison, told from the bytes alone (and from the chip's
// contents before the write where known): each cause where its pattern shows, none for random
// differences or a single differing byte.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <vector>

#include "analysis/difference_causes.h"

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Random(size_t n, uint32_t seed) {
  std::mt19937 r(seed);
  TBytes v(n);
  for (auto& b : v) b = static_cast<uint8_t>(r());
  return v;
}

TChip Chip24(int32_t size, int32_t page = 32) {
  TChip c;
  c.Name = "24C64";
  c.ChipType = 1;
  c.Size = size;
  c.PageSize = page;
  c.Status = 1;
  return c;
}

// What a chip with physical pages of `physical` bytes holds after expected was written in pages of
// `page` bytes over old: each write rolls over inside its physical page.
TBytes RolledOver(const TBytes& old, const TBytes& expected, size_t page, size_t physical) {
  TBytes chip = old;
  for (size_t base = 0; base < expected.size(); base += page)
    for (size_t j = 0; j < page; ++j)
      chip[base - base % physical + (base % physical + j) % physical] = expected[base + j];
  return chip;
}

TEST(DifferenceCauses, EachCauseWhereItsPatternShows) {
  const size_t n = 8192;
  const TBytes expected = Random(n, 1), old = Random(n, 2);
  TBytes swapped = expected, stuck = expected, mirrored = expected, blankAtOdd = expected, partPage = expected;
  for (size_t i = 0; i + 1 < n; i += 2) std::swap(swapped[i], swapped[i + 1]);
  for (auto& b : stuck) b |= 0x04;
  for (size_t i = 2048; i < n; ++i) mirrored[i] = mirrored[i - 2048];
  for (size_t i = 1; i < n; i += 2) blankAtOdd[i] = 0xFF;
  for (size_t i = 0; i < n; ++i)
    if (i % 32 >= 16) partPage[i] = old[i];
  TBytes partOld = old;  // old contents kept in the upper half only
  for (size_t i = 0; i < n / 2; ++i) partOld[i] = expected[i];
  const TChipBefore all{old, {{0, static_cast<uint32_t>(n)}}};
  const TChipBefore sample{old, {{0, 32}, {4096, 4128}}};
  const TBytes blankBytes(n, 0xFF);
  TBytes twoShareABit = expected;
  twoShareABit[10] = static_cast<uint8_t>(expected[10] ^ 0x11);
  twoShareABit[11] = static_cast<uint8_t>(expected[11] ^ 0x11);
  TBytes oldMirrored = old;
  for (size_t i = 1024; i < n; ++i) oldMirrored[i] = oldMirrored[i - 1024];
  const TChipBefore allMirrored{oldMirrored, {{0, static_cast<uint32_t>(n)}}};
  const TChipBefore blank{blankBytes, {{0, static_cast<uint32_t>(n)}}};
  using K = TDifferenceCauseKind;
  struct TCase {
    const char* Name;
    TBytes Chip;
    const TChipBefore* Before;
    std::optional<TDifferenceCause> Expected;
  } cases[] = {
      {"random differences", Random(n, 3), &all, std::nullopt},
      {"one byte",
       [&] {
         TBytes c = expected;
         c[77] ^= 0x5A;
         return c;
       }(),
       nullptr, std::nullopt},
      {"swapped pairs", swapped, nullptr, TDifferenceCause{K::SwappedPairs}},
      {"bit 2 set everywhere", stuck, nullptr, TDifferenceCause{K::OneBit, 2}},
      {"mirrored at 2048", mirrored, nullptr, TDifferenceCause{K::Repeats, 0, 2048}},
      {"old contents, backup", old, &all, TDifferenceCause{K::KeptOld}},
      {"old contents, sample", old, &sample, TDifferenceCause{K::KeptOld}},
      {"old contents in part", partOld, &sample, TDifferenceCause{K::KeptOld}},
      {"old contents unknown", old, nullptr, std::nullopt},
      {"blank chip kept blank", TBytes(n, 0xFF), &blank, TDifferenceCause{K::KeptOld}},
      // Without a write before (a verify) nothing failed to take: the chip just differs.
      {"reads FF, no write", TBytes(n, 0xFF), nullptr, std::nullopt},
      {"reads FF after a write", TBytes(n, 0xFF), &sample, TDifferenceCause{K::NotTaken}},
      {"FF at odd addresses after a write", blankAtOdd, &sample, TDifferenceCause{K::NotTaken}},
      // Two differences that share a bit by chance ("23" against "32") name no data line.
      {"two bytes sharing a bit", twoShareABit, nullptr, std::nullopt},
      // Old contents that repeat by themselves: still the old contents, not a smaller chip.
      {"old contents that repeat, backup", oldMirrored, &allMirrored, TDifferenceCause{K::KeptOld}},
      {"half of every page", partPage, nullptr, TDifferenceCause{K::PartPage}},
      {"rolled over in 8-byte pages", RolledOver(old, expected, 32, 8), &sample, TDifferenceCause{K::PartPage}},
      {"rolled over in 16-byte pages", RolledOver(old, expected, 32, 16), nullptr, TDifferenceCause{K::PartPage}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LikelyCause(Chip24(static_cast<int32_t>(n)), c.Chip, expected, c.Before), c.Expected) << c.Name;
}

TEST(DifferenceCauses, PagesNeedAPagedChip) {
  const TBytes expected = Random(4096, 1), old = Random(4096, 2);
  TBytes partPage = expected;
  for (size_t i = 0; i < partPage.size(); ++i)
    if (i % 32 >= 16) partPage[i] = old[i];
  TChip microwire = Chip24(4096, 2);
  microwire.ChipType = 3;
  EXPECT_EQ(LikelyCause(microwire, partPage, expected), std::nullopt);
  EXPECT_EQ(LikelyCause(Chip24(4096, 32), partPage, expected), TDifferenceCause{TDifferenceCauseKind::PartPage});
}

}  // namespace
