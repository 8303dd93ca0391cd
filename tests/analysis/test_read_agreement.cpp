// Reads compared byte by byte: the count and first place of their disagreement, and the value
// most reads gave, written into a buffer that may be one of the reads.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/read_agreement.h"

namespace {

using TBytes = std::vector<uint8_t>;

TReadAgreement Majority(const std::vector<TBytes>& reads, TBytes& out) {
  std::vector<std::span<const uint8_t>> views(reads.begin(), reads.end());
  out.assign(reads[0].size(), 0xEE);
  return MajorityOf(views, out);
}

TEST(ReadAgreement, CountsDisagreementsAndKeepsTheMajority) {
  TBytes base(1000);
  for (size_t i = 0; i < base.size(); ++i) base[i] = static_cast<uint8_t>(i * 7);
  TBytes flip300 = base, flip301 = base, flip999 = base;
  flip300[300] ^= 0x10;
  flip301[301] ^= 0x01;
  flip999[999] ^= 0x80;
  TBytes flip300Again = base;
  flip300Again[300] ^= 0x04;
  struct TCase {
    const char* Name;
    std::vector<TBytes> Reads;
    size_t Differing;
    size_t First;
    TBytes FirstValues;
    TBytes Majority;
  } cases[] = {
      {"one read", {base}, 0, 0, {}, base},
      {"agreeing reads", {base, base, base}, 0, 0, {}, base},
      {"one flip in three", {base, flip300, base}, 1, 300, {base[300], flip300[300], base[300]}, base},
      {"flips in different reads", {flip301, flip300, base}, 2, 300, {base[300], flip300[300], base[300]}, base},
      {"the last byte", {base, base, flip999}, 1, 999, {base[999], base[999], flip999[999]}, base},
      // Three different values: no majority, the first read's value stays.
      {"no majority", {flip300, flip300Again, base}, 1, 300, {flip300[300], flip300Again[300], base[300]}, flip300},
      {"two reads that differ", {base, flip300}, 1, 300, {base[300], flip300[300]}, base},
  };
  for (const auto& c : cases) {
    TBytes out;
    const TReadAgreement a = Majority(c.Reads, out);
    EXPECT_EQ(a.Differing, c.Differing) << c.Name;
    if (c.Differing) {
      EXPECT_EQ(a.First, c.First) << c.Name;
    }
    EXPECT_EQ(a.FirstValues, c.FirstValues) << c.Name;
    EXPECT_EQ(out, c.Majority) << c.Name;
  }
}

TEST(ReadAgreement, MajorityMayOverwriteTheFirstRead) {
  TBytes a(600, 0x11), b = a, c = a;
  a[5] = 0x99;
  b[512] = 0x98;
  std::vector<std::span<const uint8_t>> views{a, b, c};
  const TReadAgreement agreement = MajorityOf(views, a);
  EXPECT_EQ(agreement.Differing, 2u);
  EXPECT_EQ(a, TBytes(600, 0x11));
}

}  // namespace
