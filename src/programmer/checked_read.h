// A read of the chip that is checked before it is trusted: made several times and compared where
// the options ask for it, then looked over for the signs of a wrong read.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "programmer/chip_operations.h"

// Reads chip options.Reads times into target (as ReadChipTo) and compares the reads. Where they
// disagree, as options.OnDisagreement says: Discard shows "ReadsDiffer" as an error and discards
// the read (Unreliable; target unchanged); KeepMajority re-reads the blocks that hold bytes the
// reads do not decide (DecideByte), up to kMaxReads reads of a block, then keeps the decided
// values with "ReadsDecided" as a notice, or, where bytes stay undecided, shows "ReadsUndecided"
// as an error and discards the read. A discarded read's error ends with the text of discardedKey.
// options.Report receives where the reads disagreed. A read that ends early carries note after
// its reason.
TChipRun ReadChipDecided(TProgrammer& programmer, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                         const TCheckOptions& options, const std::string& note = {},
                         const char* discardedKey = "ReadDiscarded");

// ReadChipDecided, then each sign of a wrong read that the chip's bytes show is a notice
// (ShowReadSigns).
TChipRun ReadChipChecked(TProgrammer& programmer, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                         const TCheckOptions& options = {}, std::span<const uint8_t> expected = {},
                         const std::string& note = {});

// ReadChipBlocks made twice and decided byte by byte as ReadChipDecided does, blocks whose bytes
// the reads do not decide read again up to kMaxReads times: Unreliable, with no message and
// target unchanged, when bytes stay undecided.
TChipRun ReadBlocksDecided(TProgrammer& programmer, const TChip& chip, std::span<const uint32_t> addresses,
                           size_t length, std::span<uint8_t> target, TUserInterface& ui);

// A notice for each sign of a wrong read in the chip's bytes of data; with expected, only the
// signs that expected does not show itself.
void ShowReadSigns(const TChip& chip, std::span<const uint8_t> data, std::span<const uint8_t> expected,
                   TUserInterface& ui);
