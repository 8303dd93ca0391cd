#include "buffer/byte_search.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <vector>

namespace {

// Horspool's search for [pFirst, pLast) in [first, last) over random-access iterators of bytes;
// last when absent. Written out because not every standard library the program is built with
// has std::boyer_moore_horspool_searcher.
template <class It, class PatternIt>
It HorspoolSearch(It first, It last, PatternIt pFirst, PatternIt pLast) {
  const ptrdiff_t n = last - first, m = pLast - pFirst;
  if (m == 0) return first;
  std::array<ptrdiff_t, 256> skip;
  skip.fill(m);
  for (ptrdiff_t i = 0; i + 1 < m; ++i) skip[static_cast<uint8_t>(pFirst[i])] = m - 1 - i;
  for (ptrdiff_t at = 0; at <= n - m; at += skip[static_cast<uint8_t>(first[at + m - 1])]) {
    if (std::equal(pFirst, pLast, first + at)) return first + at;
  }
  return last;
}

// The first match starting in [begin, end) that lies wholly before `limit`.
std::optional<int64_t> First(const uint8_t* data, int64_t begin, int64_t limit, std::span<const uint8_t> p) {
  if (limit - begin < static_cast<int64_t>(p.size())) return std::nullopt;
  const uint8_t* hit = HorspoolSearch(data + begin, data + limit, p.begin(), p.end());
  if (hit == data + limit) return std::nullopt;
  return hit - data;
}

// The last match wholly inside [begin, limit).
std::optional<int64_t> Last(const uint8_t* data, int64_t begin, int64_t limit, std::span<const uint8_t> p) {
  if (limit - begin < static_cast<int64_t>(p.size())) return std::nullopt;
  const std::vector<uint8_t> reversed(p.rbegin(), p.rend());
  using RevIt = std::reverse_iterator<const uint8_t*>;
  const RevIt first(data + limit), last(data + begin);
  const RevIt hit = HorspoolSearch(first, last, reversed.begin(), reversed.end());
  if (hit == last) return std::nullopt;
  // hit points at the match's last byte seen from the end.
  return (data + limit - (hit - first)) - data - static_cast<int64_t>(p.size());
}

}  // namespace

std::optional<TFound> FindBytes(const uint8_t* data, int32_t size, std::span<const uint8_t> pattern, int64_t from,
                                bool forward) {
  const int64_t n = size, len = static_cast<int64_t>(pattern.size());
  if (len == 0 || n < len) return std::nullopt;
  if (forward) {
    const int64_t start = std::clamp<int64_t>(from, 0, n);
    if (auto hit = First(data, start, n, pattern)) return TFound{static_cast<int32_t>(*hit), false};
    if (auto hit = First(data, 0, std::min(n, start + len - 1), pattern))
      return TFound{static_cast<int32_t>(*hit), true};
    return std::nullopt;
  }
  const int64_t last = std::clamp<int64_t>(from, -1, n - 1);
  if (auto hit = Last(data, 0, std::min(n, last + len), pattern)) return TFound{static_cast<int32_t>(*hit), false};
  if (auto hit = Last(data, std::max<int64_t>(0, last + 1), n, pattern))
    return TFound{static_cast<int32_t>(*hit), true};
  return std::nullopt;
}
