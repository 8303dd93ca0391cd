// A read of the chip that is checked before it is trusted: made several times and compared where
// the options ask for it, then looked over for the signs of a wrong read.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "programmer/chip_operations.h"

// Reads chip options.Reads times into target (as ReadChipTo) and compares the reads. Where they
// disagree it says so ("ReadsDiffer") and, as options.OnDisagreement says, keeps the majority
// value of each byte (the text as a notice) or discards the read (Unreliable; target unchanged).
// Then each sign of a wrong read that the chip's bytes show is a notice (ShowReadSigns). A read
// that ends early carries note after its reason.
TChipRun ReadChipChecked(TProgrammer& programmer, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                         const TCheckOptions& options = {}, std::span<const uint8_t> expected = {},
                         const std::string& note = {});

// A notice for each sign of a wrong read in the chip's bytes of data; with expected, only the
// signs that expected does not show itself.
void ShowReadSigns(const TChip& chip, std::span<const uint8_t> data, std::span<const uint8_t> expected,
                   TUserInterface& ui);
