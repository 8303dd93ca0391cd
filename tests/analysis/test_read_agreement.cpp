// Reads compared byte by byte: the count and first place of their disagreement, and the value the
// reads decide, written into a buffer that may be one of the reads; a byte no value or bit won is
// left undecided instead of guessed.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "analysis/read_agreement.h"

namespace {

using TBytes = std::vector<uint8_t>;

TReadDecision Decide(const std::vector<TBytes>& reads, TBytes& out) {
  std::vector<std::span<const uint8_t>> views(reads.begin(), reads.end());
  out.assign(reads[0].size(), 0xEE);
  return DecideReads(views, out);
}

TEST(ReadAgreement, ADecidedByteWonByTwoReadsAndHalfOfThem) {
  struct TCase {
    const char* Name;
    TBytes Values;
    std::optional<uint8_t> Decided;
  } cases[] = {
      {"two agreeing reads", {0x5A, 0x5A}, 0x5A},
      {"two that differ", {0x5A, 0x5B}, std::nullopt},
      {"two against one", {0x5A, 0x5B, 0x5A}, std::nullopt},
      {"three against one", {0x5A, 0x5B, 0x5A, 0x5A}, 0x5A},
      {"the first read is not preferred", {0x5B, 0x5A, 0x5A, 0x5A}, 0x5A},
      {"two pairs", {0x5A, 0x5B, 0x5A, 0x5B}, std::nullopt},
      // 0x00 has two reads, the others one each: no value won, but every bit did.
      {"bits decide where the byte does not", {0x00, 0x01, 0x02, 0x00}, 0x00},
      // Bit 0 reads 1 twice and 0 twice: it did not win, so neither does any value.
      {"a bit that did not win", {0x01, 0x00, 0x03, 0x02}, std::nullopt},
      {"a plurality short of half", {0x10, 0x10, 0x10, 0x21, 0x42, 0x84, 0x08}, std::nullopt},
      {"nine reads, five of one value", {7, 7, 7, 7, 7, 6, 6, 6, 5}, 7},
      {"one read", {0x5A}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DecideByte(c.Values), c.Decided) << c.Name;
}

TEST(ReadAgreement, ListsDisagreementsAndDecidesOnlyWhatTheReadsDecide) {
  TBytes base(1000);
  for (size_t i = 0; i < base.size(); ++i) base[i] = static_cast<uint8_t>(i * 7);
  TBytes flip300 = base, flip301 = base, flip999 = base;
  flip300[300] ^= 0x10;
  flip301[301] ^= 0x01;
  flip999[999] ^= 0x80;
  struct TCase {
    const char* Name;
    std::vector<TBytes> Reads;
    std::vector<uint32_t> Differing;
    std::vector<uint32_t> Undecided;
    TBytes FirstValues;
  } cases[] = {
      {"one read", {base}, {}, {}, {}},
      {"agreeing reads", {base, base, base}, {}, {}, {}},
      {"two reads that differ", {base, flip300}, {300}, {300}, {base[300], flip300[300]}},
      {"one flip in three", {base, flip300, base}, {300}, {300}, {base[300], flip300[300], base[300]}},
      {"one flip in four", {base, flip300, base, base}, {300}, {}, {base[300], flip300[300], base[300], base[300]}},
      {"flips in different reads",
       {flip301, flip300, base, base, base},
       {300, 301},
       {},
       {base[300], flip300[300], base[300], base[300], base[300]}},
      {"the last byte", {base, base, flip999}, {999}, {999}, {base[999], base[999], flip999[999]}},
  };
  for (const auto& c : cases) {
    TBytes out;
    const TReadDecision d = Decide(c.Reads, out);
    EXPECT_EQ(d.Differing, c.Differing) << c.Name;
    EXPECT_EQ(d.Undecided, c.Undecided) << c.Name;
    EXPECT_EQ(d.Agreement.Differing, c.Differing.size()) << c.Name;
    if (!c.Differing.empty()) {
      EXPECT_EQ(d.Agreement.First, c.Differing[0]) << c.Name;
    }
    EXPECT_EQ(d.Agreement.FirstValues, c.FirstValues) << c.Name;
    // Every decided byte is the true one; an undecided byte is never counted as decided.
    for (size_t i = 0; i < base.size(); ++i)
      if (!std::binary_search(c.Undecided.begin(), c.Undecided.end(), static_cast<uint32_t>(i))) {
        ASSERT_EQ(out[i], base[i]) << c.Name << " at " << i;
      }
  }
}

TEST(ReadAgreement, DecidingMayOverwriteTheFirstRead) {
  TBytes a(600, 0x11), b = a, c = a, d = a;
  a[5] = 0x99;
  b[512] = 0x98;
  std::vector<std::span<const uint8_t>> views{a, b, c, d};
  const TReadDecision decision = DecideReads(views, a);
  EXPECT_EQ(decision.Differing, (std::vector<uint32_t>{5, 512}));
  EXPECT_TRUE(decision.Decided());
  EXPECT_EQ(a, TBytes(600, 0x11));
}

}  // namespace
