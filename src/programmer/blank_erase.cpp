#include "programmer/blank_erase.h"

#include <algorithm>
#include <string>
#include <vector>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "common/integer.h"

namespace {
constexpr uint8_t kBlank = 0xFF;

size_t ChipBytes(const TChip& chip) { return static_cast<size_t>(std::max<int32_t>(0, chip.Size)); }

// A temporary buffer of 0xFF for the chip, never above the memory buffer's size: the chip
// routines refuse a chip that does not fit in it.
std::vector<uint8_t> BlankBytes(const TChip& chip) {
  return std::vector<uint8_t>(std::min<size_t>(std::max(ChipBytes(chip), ChipReadExtent(chip)), kMemoryBufferSize),
                              kBlank);
}
}  // namespace

TBlankCheck BlankCheckChip(TProgrammer& p, const TChip& chip, TUserInterface& ui) {
  TBlankCheck result;
  const size_t size = ChipBytes(chip);
  std::vector<uint8_t> back = BlankBytes(chip);
  result.Run = ReadChipTo(p, chip, back, ui);
  if (result.Run != TChipRun::Done) return result;
  for (size_t i = 0; i < size && i < back.size(); ++i) {
    if (back[i] == kBlank) continue;
    if (result.NonBlank++ == 0) result.FirstNonBlank = i;
  }
  if (result.NonBlank == 0)
    ui.ShowInformation(FormatText(ui.MessageText("BlankOK"), {chip.Name}));
  else
    ui.ShowError(FormatText(
        ui.MessageText("BlankNotOK"),
        {chip.Name, IntToHex(static_cast<int64_t>(result.FirstNonBlank), 6), std::to_string(result.NonBlank)}));
  return result;
}

std::optional<TChipCheck> EraseChip(TProgrammer& p, const TChip& chip, TUserInterface& ui,
                                    const TCheckOptions& options) {
  // Asked only when there is a chip to erase and a programmer to erase it with.
  if (RefuseUnusableChip(chip, ui)) return TChipCheck::Refused;
  const std::vector<uint8_t> blank = BlankBytes(chip);
  if (p.HeldDevice &&
      ui.AskYesNo(FormatText(ui.MessageText("ConfirmErase"), {std::to_string(ChipBytes(chip)), chip.Name}),
                  TAnswer::No) != TAnswer::Yes)
    return std::nullopt;
  TCheckOptions erase = options;
  erase.Outcome = kEraseTexts;
  return WriteAndCheckChip(p, chip, blank, ui, nullptr, {}, nullptr, erase);
}
