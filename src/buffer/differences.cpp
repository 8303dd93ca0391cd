#include "buffer/differences.h"

#include <algorithm>
#include <cstring>

#include "common/error.h"
#include "common/integer.h"

namespace {

constexpr size_t kBlock = 4096;

// The first index from i on where the images differ, or n.
size_t NextDifference(const uint8_t* a, const uint8_t* b, size_t i, size_t n) {
  // Whole blocks by memcmp first, then words, then bytes.
  while (i + kBlock <= n && std::memcmp(a + i, b + i, kBlock) == 0) i += kBlock;
  while (i + 8 <= n) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) break;
    i += 8;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

}  // namespace

void KeepIgnoredEqual(std::span<uint8_t> read, std::span<const uint8_t> expected,
                      std::span<const TAddressRange> ignored) {
  const size_t n = std::min(read.size(), expected.size());
  for (const TAddressRange& r : ignored) {
    const size_t start = std::min<size_t>(r.Start, n), end = std::min<size_t>(std::max(r.End, r.Start), n);
    std::copy(expected.begin() + static_cast<std::ptrdiff_t>(start),
              expected.begin() + static_cast<std::ptrdiff_t>(end), read.begin() + static_cast<std::ptrdiff_t>(start));
  }
}

TDifferences FindDifferences(std::span<const uint8_t> left, std::span<const uint8_t> right, size_t listLimit) {
  TDifferences d;
  const size_t n = std::min(left.size(), right.size());
  const uint8_t* a = left.data();
  const uint8_t* b = right.data();
  size_t i = NextDifference(a, b, 0, n);
  while (i < n) {
    const size_t start = i;
    while (i < n && a[i] != b[i]) {
      if (d.Listed.size() < listLimit) d.Listed.push_back({static_cast<uint32_t>(i), a[i], b[i]});
      ++i;
    }
    d.Count += i - start;
    d.Ranges.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(i)});
    i = NextDifference(a, b, i, n);
  }
  return d;
}

std::string DifferenceText(const TDifferences& differences, const std::string& key, TUserInterface& ui) {
  if (differences.Same() || differences.Listed.empty()) return {};
  const TByteDifference& first = differences.Listed.front();
  const std::string count = differences.Count == 1
                                ? ui.MessageText("ByteDiffers")
                                : FormatText(ui.MessageText("BytesDiffer"), {std::to_string(differences.Count)});
  return FormatText(ui.MessageText(key),
                    {IntToHex(first.Address, 4), IntToHex(first.Left, 2), IntToHex(first.Right, 2), count});
}

std::string DifferenceLine(const TByteDifference& difference) {
  return "0x" + IntToHex(difference.Address, 4) + ": " + IntToHex(difference.Left, 2) + " " +
         IntToHex(difference.Right, 2);
}
