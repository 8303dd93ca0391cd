// The size found by reading alone: a chip of every power-of-two size from 128 bytes to 1 MiB,
// holding random data, an address pattern, a little data in a blank chip, one short block at 0 (a
// MAC address and serial) or data only in its top 256 bytes, is found at its size; uniform
// contents and one block pattern everywhere can't tell; a chip that does not repeat within the
// sizes tried says so.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "analysis/wrap_search.h"

namespace {

enum class TContents { Random, AddressWords, LittleData, ShortBlockAtZero, TopOnly, Blank, OneBlockPattern };

std::vector<uint8_t> Contents(TContents kind, size_t size) {
  std::vector<uint8_t> v(size, 0xFF);
  std::mt19937 r(static_cast<uint32_t>(size));
  for (size_t i = 0; i < size; ++i) {
    switch (kind) {
      case TContents::Random: v[i] = static_cast<uint8_t>(r()); break;
      case TContents::AddressWords: v[i] = static_cast<uint8_t>((i & ~size_t{3}) >> (8 * (i & 3))); break;
      case TContents::LittleData:
        if (i < 40) v[i] = static_cast<uint8_t>(i * 37 + 1);
        break;
      case TContents::ShortBlockAtZero:
        if (i < 16) v[i] = static_cast<uint8_t>(i * 37 + 1);
        break;
      case TContents::TopOnly:
        if (i + 256 >= size) v[i] = static_cast<uint8_t>(r());
        break;
      case TContents::Blank: break;
      case TContents::OneBlockPattern: v[i] = static_cast<uint8_t>(i % 32); break;
    }
  }
  return v;
}

// A chip of chip.size() bytes answering every address, wrapping round; counts the blocks read.
TWrapSearch Search(const std::vector<uint8_t>& chip, uint32_t largest, size_t* reads = nullptr) {
  return SearchWrap(128, largest, [&](uint32_t address, TWrapBlock& block) {
    if (reads) ++*reads;
    for (uint32_t j = 0; j < kWrapBlock; ++j) block[j] = chip[(address + j) % chip.size()];
    return true;
  });
}

TEST(WrapSearch, FindsEverySizeForDataThatTellsSizesApart) {
  for (const TContents kind : {TContents::Random, TContents::AddressWords, TContents::LittleData,
                               TContents::ShortBlockAtZero, TContents::TopOnly}) {
    for (uint32_t size = 128; size <= 0x100000; size *= 2) {
      size_t reads = 0;
      const TWrapSearch found = Search(Contents(kind, size), 0x100000, &reads);
      EXPECT_EQ(found.Result, TWrapSearch::Found) << static_cast<int>(kind) << " " << size;
      EXPECT_EQ(found.Size, size) << static_cast<int>(kind);
      EXPECT_LT(reads, 220u) << size;
    }
  }
}

TEST(WrapSearch, ContentsThatCantTellAndChipsBeyondTheLargestSize) {
  EXPECT_EQ(Search(Contents(TContents::Blank, 4096), 32768).Result, TWrapSearch::NoData);
  EXPECT_EQ(Search(std::vector<uint8_t>(4096, 0x00), 32768).Result, TWrapSearch::NoData);
  EXPECT_EQ(Search(Contents(TContents::OneBlockPattern, 4096), 32768).Result, TWrapSearch::NoData);
  EXPECT_EQ(Search(Contents(TContents::Random, 65536), 32768).Result, TWrapSearch::NoRepeat);
  const TWrapSearch failed = SearchWrap(128, 4096, [](uint32_t, TWrapBlock&) { return false; });
  EXPECT_EQ(failed.Result, TWrapSearch::Stopped);
}

}  // namespace
