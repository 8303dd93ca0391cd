#include "analysis/wrap_search.h"

#include <algorithm>

namespace {

constexpr size_t kReferences = 4;        // reference blocks compared at each candidate size
constexpr uint32_t kLeadingBlocks = 16;  // blocks probed from address 0 on
constexpr uint32_t kTopBlocks = 8;       // blocks probed below each power of two

bool Uniform(const TWrapBlock& b) {
  return std::all_of(b.begin(), b.end(), [&](uint8_t v) { return v == b[0]; });
}

template <typename TAction>
void ForEachSize(uint32_t smallest, uint32_t largest, TAction action) {
  for (uint64_t size = smallest; size <= largest && size != 0; size *= 2) action(static_cast<uint32_t>(size));
}

}  // namespace

std::vector<uint32_t> WrapProbeAddresses(uint32_t largest) {
  std::vector<uint32_t> out;
  for (uint32_t i = 0; i < kLeadingBlocks && i * kWrapBlock < largest; ++i) out.push_back(i * kWrapBlock);
  for (uint64_t p = uint64_t{kLeadingBlocks} * kWrapBlock; p < largest; p *= 2) {
    out.push_back(static_cast<uint32_t>(p));
    if (p + p / 2 < largest) out.push_back(static_cast<uint32_t>(p + p / 2));
  }
  // The top blocks below each power of two: a chip whose data sit only at its top shows them there.
  for (uint64_t p = uint64_t{kLeadingBlocks} * kWrapBlock * 2; p <= largest; p *= 2)
    for (uint32_t k = kTopBlocks; k >= 1; --k) out.push_back(static_cast<uint32_t>(p - uint64_t{k} * kWrapBlock));
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::vector<uint32_t> WrapReferences(const TWrapBlocks& probes, uint32_t smallest) {
  std::vector<uint32_t> refs;
  bool alike = false;
  for (const auto& probe : probes) {
    const TWrapBlock& block = probe.second;
    if (Uniform(block)) continue;
    // A block seen again at a distance that no wrap gives (not a multiple of the smallest size)
    // is the data repeating within themselves.
    const auto same = std::find_if(refs.begin(), refs.end(), [&](uint32_t r) { return probes.at(r) == block; });
    if (same != refs.end()) {
      alike = alike || (probe.first - *same) % smallest != 0;
      continue;
    }
    if (refs.size() < kReferences) refs.push_back(probe.first);
  }
  // One block pattern in every block with data repeats at every size.
  if (refs.size() == 1 && alike) refs.clear();
  return refs;
}

std::vector<uint32_t> WrapComparisonAddresses(const std::vector<uint32_t>& references, uint32_t smallest,
                                              uint32_t largest) {
  std::vector<uint32_t> out;
  ForEachSize(smallest, largest, [&](uint32_t size) {
    for (const uint32_t r : references) out.push_back(r + size);
  });
  return out;
}

TWrapSearch DecideWrap(const TWrapBlocks& blocks, const std::vector<uint32_t>& references, uint32_t smallest,
                       uint32_t largest) {
  if (references.empty()) return {TWrapSearch::NoData};
  TWrapSearch found{TWrapSearch::NoRepeat};
  ForEachSize(smallest, largest, [&](uint32_t size) {
    if (found.Result == TWrapSearch::Found) return;
    const bool repeats = std::all_of(references.begin(), references.end(), [&](uint32_t r) {
      const auto here = blocks.find(r), above = blocks.find(r + size);
      return here != blocks.end() && above != blocks.end() && here->second == above->second;
    });
    if (repeats) found = {TWrapSearch::Found, size};
  });
  return found;
}

TWrapSearch SearchWrap(uint32_t smallest, uint32_t largest, const TWrapBlockReader& read) {
  TWrapBlocks blocks;
  auto readAll = [&](const std::vector<uint32_t>& addresses) {
    for (const uint32_t a : addresses) {
      if (blocks.count(a)) continue;
      if (!read(a, blocks[a])) return false;
    }
    return true;
  };
  if (!readAll(WrapProbeAddresses(largest))) return {TWrapSearch::Stopped};
  const std::vector<uint32_t> refs = WrapReferences(blocks, smallest);
  if (refs.empty()) return {TWrapSearch::NoData};
  if (!readAll(WrapComparisonAddresses(refs, smallest, largest))) return {TWrapSearch::Stopped};
  return DecideWrap(blocks, refs, smallest, largest);
}
