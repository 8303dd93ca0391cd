// Finding a chip's size by reading alone: a chip answers every address, the addresses above its
// size wrapping round to its start, so its contents repeat from the power of two that is its
// size. Blocks are read in two rounds: probes that find reference blocks with data, then the
// blocks one candidate size above each reference.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

inline constexpr uint32_t kWrapBlock = 32;  // bytes per block read
using TWrapBlock = std::array<uint8_t, kWrapBlock>;
using TWrapBlocks = std::map<uint32_t, TWrapBlock>;  // blocks read, by address

struct TWrapSearch {
  enum TResult {
    Found,     // the contents repeat from Size on
    NoRepeat,  // they do not repeat within the largest size tried
    NoData,    // uniform contents, or data whose blocks are all alike: sizes can't be told apart
    Stopped,   // a read failed or was stopped
  };
  TResult Result = NoData;
  uint32_t Size = 0;  // Found: the chip's size
};

// First round: where to look for blocks with data below largest: the first blocks, each power
// of two and the half between, and the top blocks below each power of two.
std::vector<uint32_t> WrapProbeAddresses(uint32_t largest);

// Up to four different non-uniform probe blocks to compare; empty when the probes hold no data
// to compare (all uniform, or one pattern repeated in every block with data at distances that are
// not multiples of smallest: a block of data seen again where the chip wraps is still compared).
std::vector<uint32_t> WrapReferences(const TWrapBlocks& probes, uint32_t smallest);

// Second round: each reference plus each power of two from smallest to largest.
std::vector<uint32_t> WrapComparisonAddresses(const std::vector<uint32_t>& references, uint32_t smallest,
                                              uint32_t largest);

// The smallest power of two from smallest to largest at which every reference repeats.
TWrapSearch DecideWrap(const TWrapBlocks& blocks, const std::vector<uint32_t>& references, uint32_t smallest,
                       uint32_t largest);

// Both rounds through read (false: the read failed); smallest and largest are powers of two.
using TWrapBlockReader = std::function<bool(uint32_t address, TWrapBlock& block)>;
TWrapSearch SearchWrap(uint32_t smallest, uint32_t largest, const TWrapBlockReader& read);
