// The size of a chip found by reading alone: with a chip of the family selected (its type gives
// the addressing), blocks are read at power-of-two addresses until the contents wrap round.
// Nothing is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "programmer/chip_operations.h"

struct TSizeDetection {
  enum TResult {
    Found,         // the contents repeat from Size on: the chip holds Size bytes
    TypeLimit,     // no repeat below Size, the most the type's addressing reaches
    TooLarge,      // no repeat within Size bytes, the most the program reads
    NoData,        // every block probed is uniform: the chip holds no data to tell sizes apart
    Regular,       // the data repeat within themselves (one block pattern): sizes can't be told apart
    Unreliable,    // re-reads left bytes of a block compared undecided: the connection is unreliable
    NotByReading,  // type 3: the size can't be found by reading
    Ended,         // the read did not end well (Run says how; its message was shown)
  };
  TResult Result = Ended;
  uint32_t Size = 0;
  TChipRun Run = TChipRun::Done;
};

// Reads the chip the way chip's type addresses it and finds where its contents wrap. Every block
// compared is read twice and, where the reads differ, again until its bytes are decided.
TSizeDetection DetectChipSize(TProgrammer& programmer, const TChip& chip, TUserInterface& ui);

// What the detection found, in the active language ("The chip holds 16384 bytes (its contents
// repeat from 0x4000)."); empty for Ended.
std::string SizeDetectionText(const TSizeDetection& detection, const TChip& chip, TUserInterface& ui);

// The supported chips of the catalogue with this type and size, in catalogue order.
std::vector<TChip> ChipsOfTypeAndSize(const TCatalogue& catalogue, int32_t type, uint32_t size);

// "Chips of this type and size in the catalogue: 24C128, 24AA128" or "DetectNoChips".
std::string DetectedChipsText(const std::vector<TChip>& chips, TUserInterface& ui);
