#include "programmer/checked_read.h"

#include <algorithm>
#include <vector>

#include "analysis/read_agreement.h"
#include "analysis/read_signs.h"
#include "common/error.h"

namespace {

// The bytes of the chip that a read gives: its Size, or less where the read stops short.
size_t ReadBytes(const TChip& chip, size_t room) {
  return std::min({static_cast<size_t>(std::max<int32_t>(0, chip.Size)), ChipReadExtent(chip), room});
}

}  // namespace

void ShowReadSigns(const TChip& chip, std::span<const uint8_t> data, std::span<const uint8_t> expected,
                   TUserInterface& ui) {
  const std::vector<TReadSign> signs = expected.empty() ? FindReadSigns(data) : NewReadSigns(data, expected);
  for (const TReadSign& s : signs) ui.ShowNotice(ReadSignText(s, chip, ui));
}

TChipRun ReadChipChecked(TProgrammer& p, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                         const TCheckOptions& options, std::span<const uint8_t> expected, const std::string& note) {
  const int reads = options.Reads;
  if (reads < 1 || reads > kMaxReads)
    throw TError(
        FormatText("A chip is read 1 to %s times, not %s.", {std::to_string(kMaxReads), std::to_string(reads)}));
  if (reads == 1) {
    const TChipRun run = ReadChipTo(p, chip, target, ui, note);
    if (run == TChipRun::Done) ShowReadSigns(chip, target.first(ReadBytes(chip, target.size())), expected, ui);
    return run;
  }
  // Each read into its own buffer, so that a discarded read leaves target as it was.
  const size_t extent = std::min(ChipReadExtent(chip), target.size());
  std::vector<std::vector<uint8_t>> all(static_cast<size_t>(reads));
  for (auto& read : all) {
    read.assign(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(extent));
    if (const TChipRun run = ReadChipTo(p, chip, read, ui, note); run != TChipRun::Done) return run;
  }
  std::vector<std::span<const uint8_t>> views(all.begin(), all.end());
  std::vector<uint8_t> majority(extent);
  const TReadAgreement agreement = MajorityOf(views, majority);
  if (!agreement.Agree()) {
    const std::string text = ReadAgreementText(agreement, ui);
    bool keep = options.OnDisagreement == TDisagreement::KeepMajority;
    if (options.OnDisagreement == TDisagreement::Ask)
      keep = ui.AskYesNo(text + "\n\r" + ui.MessageText("ReadsKeepMajority"), TAnswer::No) == TAnswer::Yes;
    if (!keep) {
      if (options.OnDisagreement == TDisagreement::Discard)
        ui.ShowError(text + "\n\r" + ui.MessageText("ReadDiscarded"));
      return TChipRun::Unreliable;
    }
    ui.ShowNotice(text);
  }
  std::copy(majority.begin(), majority.end(), target.begin());
  ShowReadSigns(chip, target.first(ReadBytes(chip, target.size())), expected, ui);
  return TChipRun::Done;
}
