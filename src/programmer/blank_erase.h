// Blank check and erase of the selected chip, on the chip read and the write with its read-back
// check, so that the refusals and messages of those routines apply here too.
#pragma once

#include <cstddef>
#include <optional>

#include "programmer/chip_operations.h"

// The bytes of a chip that are not 0xFF.
struct TBlankCheck {
  TChipRun Run = TChipRun::NoProgrammer;  // Done when the chip was read
  size_t NonBlank = 0;                    // how many of the first Size bytes are not 0xFF
  size_t FirstNonBlank = 0;               // the address of the first of them
  bool Blank() const { return Run == TChipRun::Done && NonBlank == 0; }
};

// Reads the chip into a temporary buffer and counts the bytes below Size that are not 0xFF
// (bytes the read does not reach count as blank). Shows "BlankOK" in an information box, or
// "BlankNotOK" with the first address (hexadecimal) and the count in an error box.
TBlankCheck BlankCheckChip(TProgrammer& programmer, const TChip& chip, TUserInterface& ui);

// Asks "ConfirmErase" (Yes / No, naming the chip and its size), then writes 0xFF to the whole
// chip with the read-back check (options as WriteAndCheckChip): "EraseOK" or "EraseNotOK".
// Nothing when the answer is No; without a usable chip or a programmer it says so without asking.
std::optional<TChipCheck> EraseChip(TProgrammer& programmer, const TChip& chip, TUserInterface& ui,
                                    const TCheckOptions& options = {});
