#include "programmer/size_detection.h"

#include <algorithm>

#include "analysis/wrap_search.h"
#include "common/error.h"
#include "common/integer.h"
#include "programmer/checked_read.h"

namespace {

constexpr uint32_t kSmallest = 128;        // the smallest serial EEPROM of the families read
constexpr uint32_t kTypeOneLimit = 65536;  // 16-bit addresses
constexpr uint32_t kReadLimit = 0x100000;  // the memory buffer

// Reads the blocks at addresses that blocks does not hold yet: two reads of each, blocks on which
// they disagree read again until every byte is decided (Unreliable when one is not).
TChipRun ReadMissing(TProgrammer& p, const TChip& chip, const std::vector<uint32_t>& addresses, TWrapBlocks& blocks,
                     TUserInterface& ui) {
  std::vector<uint32_t> missing;
  for (const uint32_t a : addresses)
    if (!blocks.count(a) && std::find(missing.begin(), missing.end(), a) == missing.end()) missing.push_back(a);
  std::vector<uint8_t> read(missing.size() * kWrapBlock);
  const TChipRun run = ReadBlocksDecided(p, chip, missing, kWrapBlock, read, ui);
  if (run != TChipRun::Done) return run;
  for (size_t i = 0; i < missing.size(); ++i)
    std::copy_n(read.begin() + static_cast<std::ptrdiff_t>(i * kWrapBlock), kWrapBlock, blocks[missing[i]].begin());
  return TChipRun::Done;
}

}  // namespace

TSizeDetection DetectChipSize(TProgrammer& p, const TChip& chip, TUserInterface& ui) {
  TSizeDetection d;
  if (RefuseUnusableChip(chip, ui)) return {TSizeDetection::Ended, 0, TChipRun::Refused};
  if (chip.ChipType == 3) return {TSizeDetection::NotByReading};
  // A chip of 16-bit addresses can't be asked past 64 KiB: its largest repeat shows at 32 KiB.
  const uint32_t largest = chip.ChipType == 2 ? kReadLimit : kTypeOneLimit / 2;
  TWrapBlocks blocks;
  // The two rounds of reads as the progress: a stop acts from the first exchange on.
  ui.SetProgress(0);
  d.Run = ReadMissing(p, chip, WrapProbeAddresses(largest), blocks, ui);
  if (d.Run == TChipRun::Unreliable) return {TSizeDetection::Unreliable, 0, d.Run};
  if (d.Run != TChipRun::Done) return d;
  // No data only where every probe is uniform; data that repeat within themselves can't tell sizes.
  const bool uniform = std::all_of(blocks.begin(), blocks.end(), [](const auto& b) {
    return std::all_of(b.second.begin(), b.second.end(), [&](uint8_t v) { return v == b.second[0]; });
  });
  const TSizeDetection::TResult cantTell = uniform ? TSizeDetection::NoData : TSizeDetection::Regular;
  const std::vector<uint32_t> refs = WrapReferences(blocks, kSmallest);
  if (refs.empty()) return {cantTell};
  ui.SetProgress(50);
  d.Run = ReadMissing(p, chip, WrapComparisonAddresses(refs, kSmallest, largest), blocks, ui);
  if (d.Run == TChipRun::Unreliable) return {TSizeDetection::Unreliable, 0, d.Run};
  ui.SetProgress(0);
  if (d.Run != TChipRun::Done) return d;
  const TWrapSearch found = DecideWrap(blocks, refs, kSmallest, largest);
  switch (found.Result) {
    case TWrapSearch::Found: return {TSizeDetection::Found, found.Size};
    case TWrapSearch::NoData: return {cantTell};
    case TWrapSearch::NoRepeat:
      if (chip.ChipType == 2) return {TSizeDetection::TooLarge, kReadLimit};
      return {TSizeDetection::TypeLimit, kTypeOneLimit};
    case TWrapSearch::Stopped: break;
  }
  return d;
}

std::string SizeDetectionText(const TSizeDetection& d, const TChip& chip, TUserInterface& ui) {
  const std::string size = std::to_string(d.Size);
  switch (d.Result) {
    case TSizeDetection::Found: return FormatText(ui.MessageText("DetectSize"), {size, IntToHex(d.Size, 4)});
    case TSizeDetection::TypeLimit: return FormatText(ui.MessageText("DetectTypeLimit"), {size});
    case TSizeDetection::TooLarge: return FormatText(ui.MessageText("DetectTooLarge"), {size});
    case TSizeDetection::NoData: return ui.MessageText("DetectCantTell");
    case TSizeDetection::Regular: return ui.MessageText("DetectRegular");
    case TSizeDetection::Unreliable: return ui.MessageText("DetectUnreliable");
    case TSizeDetection::NotByReading: return FormatText(ui.MessageText("DetectType3"), {chip.Name});
    case TSizeDetection::Ended: break;
  }
  return {};
}

std::vector<TChip> ChipsOfTypeAndSize(const TCatalogue& catalogue, int32_t type, uint32_t size) {
  std::vector<TChip> out;
  for (const std::string& family : catalogue.Families()) {
    if (catalogue.Type(family) != type) continue;
    for (const std::string& key : catalogue.Keys(family)) {
      if ((key.size() == 4 && (key[0] | 0x20) == 't' && (key[1] | 0x20) == 'y' && (key[2] | 0x20) == 'p' &&
           (key[3] | 0x20) == 'e'))
        continue;
      TChip c;
      try {
        if (!LoadChip(catalogue, key, c)) continue;
      } catch (const std::exception&) {
        continue;  // an entry the program refuses is not offered
      }
      // A name that stands in an earlier family is that family's chip.
      if (c.Family != family || c.ChipType != type || c.Status != 1 || c.Size != static_cast<int32_t>(size)) continue;
      out.push_back(c);
    }
  }
  return out;
}

std::string DetectedChipsText(const std::vector<TChip>& chips, TUserInterface& ui) {
  if (chips.empty()) return ui.MessageText("DetectNoChips");
  std::string names;
  for (const TChip& c : chips) names += (names.empty() ? "" : ", ") + c.Name;
  return FormatText(ui.MessageText("DetectChips"), {names});
}
