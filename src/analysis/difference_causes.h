// Why a chip did not hold what was written or expected: the differences classified and the
// likely cause named.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "buffer/differences.h"
#include "catalogue/chip.h"
#include "common/user_interface.h"

// What the chip held before a write, where it is known: all of it (a backup) or sample blocks.
struct TChipBefore {
  std::span<const uint8_t> Bytes;    // indexed by chip address
  std::vector<TAddressRange> Known;  // the addresses whose bytes Bytes holds; empty: none
};

enum class TDifferenceCauseKind {
  SwappedPairs,  // the chip holds the expected bytes with each pair swapped
  OneBit,        // every differing byte differs in bit Bit only
  Repeats,       // the chip's data repeat every Period bytes
  KeptOld,       // where the chip differs, it still holds what it held before the write
  NotTaken,      // every differing chip byte is FF
  PartPage,      // the differences sit at the same offsets of every page
};

struct TDifferenceCause {
  TDifferenceCauseKind Kind;
  int Bit = 0;        // OneBit
  size_t Period = 0;  // Repeats

  bool operator==(const TDifferenceCause&) const = default;
};

// The likely cause of the differences between chipBytes (what was read) and expected, over the
// chip's Size bytes, each cause tried in order of the strength of its evidence; nothing when none
// fits or fewer than two bytes differ. before, when given, is what the chip held before the write
// that should have made it expected (without it, as for a verify, the write's causes are not
// named). Causes told by values alone need at least 8 differences.
std::optional<TDifferenceCause> LikelyCause(const TChip& chip, std::span<const uint8_t> chipBytes,
                                            std::span<const uint8_t> expected, const TChipBefore* before = nullptr);

// The cause in words, in the active language.
std::string DifferenceCauseText(const TDifferenceCause& cause, const TChip& chip, TUserInterface& ui);
