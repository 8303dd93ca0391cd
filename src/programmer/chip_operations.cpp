#include "programmer/chip_operations.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "buffer/differences.h"
#include "common/error.h"
#include "common/integer.h"
#include "common/progress.h"

namespace {

constexpr int32_t kBlockSize = static_cast<int32_t>(DataAreaSize);  // bytes per read block of types 1 and 2
constexpr uint8_t kBlank = 0xFF;  // what the compared bytes hold where a read does not reach

// Holds the controller's device changes back while a routine runs.
class THoldChanges {
 public:
  explicit THoldChanges(TProgrammer& p) {
    if (p.Controller()) Deferral_.emplace(*p.Controller());
  }

 private:
  std::optional<THidDeviceController::TDeferral> Deferral_;
};

bool NoProgrammer(const TProgrammer& p, TUserInterface& ui) {
  if (p.HeldDevice) return false;
  ui.ShowMessage(ui.MessageText("ProgNotFound"));
  return true;
}

// Bytes 7 and 8: the low 16 bits of address; byte 9: third.
void PutAddress(TReport& r, uint32_t address, uint8_t third) {
  r[ByteAddress] = static_cast<uint8_t>(address);
  r[ByteAddress + 1] = static_cast<uint8_t>(address >> 8);
  r[ByteThird] = third;
}

// The opening chip-access command; type 3 carries Org in byte 9.
bool OpenChip(TProgrammer& p, const TChip& chip) {
  p.BuildHeader(chip, CmdChipAccess, SubOpen);
  if (chip.ChipType == 3) p.Report[ByteThird] = static_cast<uint8_t>(chip.Org);
  return p.ExchangeReport();
}

bool CloseChip(TProgrammer& p, const TChip& chip) {
  p.BuildHeader(chip, CmdChipAccess, SubClose);
  return p.ExchangeReport();
}

// Line ends of the texts the routines build.
const char* const kLineEnd = "\n\r";

// Ends a routine whose exchange failed: gives write access back where it was opened, closes the
// chip (unless the close itself failed), returns the progress to 0 and says why it failed, with
// what became of the chip (note) after the reason in an error box.
TChipRun GiveUp(TProgrammer& p, const TChip& chip, TUserInterface& ui, bool closeChip, bool closeWrite = false,
                const std::string& note = {}) {
  const TExchangeStatus why = p.LastStatus;
  if (closeWrite) {
    p.BuildHeader(chip, CmdWriteAccess, SubClose);
    p.ExchangeReport();
  }
  if (closeChip) CloseChip(p, chip);
  p.LastStatus = why;
  ui.SetProgress(0);
  if (note.empty())
    p.ShowLinkFailure(ui);
  else
    ui.ShowError(p.LinkMessage(ui) + kLineEnd + note);
  return TChipRun::NoAnswer;
}

// What a stopped routine has opened on the programmer and must close.
enum class TOpened { Nothing, Chip, ChipAndWriteAccess };

// Ends a routine that the user stopped between two exchanges: closes write access (type 3 writes)
// and the chip, returns the progress to 0 and says so; with a note (what became of the chip)
// after it in an error box. A closing command that fails ends it as a routine whose exchange
// failed.
TChipRun Stop(TProgrammer& p, const TChip& chip, TUserInterface& ui, TOpened opened, const std::string& note = {}) {
  if (opened == TOpened::ChipAndWriteAccess) {
    p.BuildHeader(chip, CmdWriteAccess, SubClose);
    if (!p.ExchangeReport()) return GiveUp(p, chip, ui, true, false, note);
  }
  if (opened != TOpened::Nothing && !CloseChip(p, chip)) return GiveUp(p, chip, ui, false, false, note);
  ui.SetProgress(0);
  if (note.empty())
    ui.ShowMessage(ui.MessageText("OpStopped"));
  else
    ui.ShowError(ui.MessageText("OpStopped") + kLineEnd + note);
  return TChipRun::Stopped;
}

// What a write has handed to the link so far: the chip's bytes from 0 up to the end of the last
// page or unit sent, the one whose exchange failed included (it may have landed). A write that
// ends early says so with that range.
class TWriteTrail {
 public:
  TWriteTrail(const TChip& chip, TUserInterface& ui, TWrittenRange* out) : Chip_(chip), Ui_(ui), Out_(out) {
    Publish();
  }
  // A page or unit of count bytes from address first goes out.
  void Sending(uint64_t first, uint64_t count) {
    Range_.Last = std::max(Range_.Empty ? 0 : Range_.Last, first + count - 1);
    Range_.Empty = false;
    Publish();
  }
  // Every page or unit went out.
  void AllSent() {
    Range_.Whole = !Range_.Empty;
    Publish();
  }
  std::string Note() const { return WrittenNote(Chip_, Range_, Ui_); }

 private:
  void Publish() {
    if (Out_) *Out_ = Range_;
  }

  const TChip& Chip_;
  TUserInterface& Ui_;
  TWrittenRange* Out_;
  TWrittenRange Range_;
};

// Takes the programmer for the routine; says why when that fails (nothing was sent).
bool Refused(const TProgrammerUse& use, const TProgrammer& p, TUserInterface& ui) {
  if (use) return false;
  p.ShowLinkFailure(ui);
  return true;
}

// Units of a type 3 chip: words when Org is above 0, else bytes.
int32_t UnitCount(const TChip& chip) { return std::max<int32_t>(0, chip.Org > 0 ? chip.Size / 2 : chip.Size); }

// Blocks of a read of every type but 3.
int32_t BlockCount(const TChip& chip) { return chip.Size < kBlockSize ? 1 : chip.Size / kBlockSize; }

void RequireFits(const TChip& chip, size_t bytes, size_t room) {
  if (bytes > room)
    throw TError(TMessageKey{"ChipPastBuffer"}, {chip.Name, std::to_string(bytes), std::to_string(room)});
}

// Compares the chip's bytes read with the expected ones; a difference extends the failure message
// with where it is. The caller gets the first differences when it asks for them.
bool SameBytes(const TChip& chip, std::vector<uint8_t>& read, std::span<const uint8_t> expected,
               std::span<const TAddressRange> ignored, TUserInterface& ui, const char* failureKey, TDifferences* out) {
  const size_t n = static_cast<size_t>(std::max<int32_t>(0, chip.Size));
  KeepIgnoredEqual(std::span(read).first(n), expected.first(n), ignored);
  TDifferences d = FindDifferences(std::span(read).first(n), expected.first(n), kListedDifferences);
  const bool same = d.Same();
  if (!same) ui.ShowError(ui.MessageText(failureKey) + "\n\r" + DifferenceText(d, "ChipDifference", ui));
  if (out) *out = std::move(d);
  return same;
}

TChipRun ReadChip(TProgrammer& p, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                  const std::string& note);

// Reads the chip into a temporary buffer of 0xFF that holds the read and the compared bytes. A
// read that ends early adds note to its message.
TChipRun ReadBack(TProgrammer& p, const TChip& chip, std::span<const uint8_t> expected, TUserInterface& ui,
                  std::vector<uint8_t>& back, const std::string& note = {}) {
  if (RefuseUnusableChip(chip, ui)) return TChipRun::Refused;
  if (NoProgrammer(p, ui)) return TChipRun::NoProgrammer;
  const size_t compared = static_cast<size_t>(std::max<int32_t>(0, chip.Size));
  RequireFits(chip, compared, expected.size());
  back.assign(std::max(compared, ChipReadExtent(chip)), kBlank);
  return ReadChip(p, chip, back, ui, note);
}

// The outcome of a check whose write or read did not get to the comparison.
TChipCheck CheckOf(TChipRun run) {
  switch (run) {
    case TChipRun::Refused: return TChipCheck::Refused;
    case TChipRun::NoProgrammer: return TChipCheck::NoProgrammer;
    case TChipRun::Stopped: return TChipCheck::Stopped;
    case TChipRun::NoAnswer:
    case TChipRun::Done: break;
  }
  return TChipCheck::NoAnswer;
}

}  // namespace

TChipUse ChipUseOf(const TChip& chip) {
  if (chip.Size <= 0) return TChipUse::NoChip;
  if (chip.Status != 1) return TChipUse::Unsupported;
  return TChipUse::Usable;
}

bool RefuseUnusableChip(const TChip& chip, TUserInterface& ui) {
  switch (ChipUseOf(chip)) {
    case TChipUse::Usable: return false;
    case TChipUse::NoChip: ui.ShowMessage(ui.MessageText("NoChip")); break;
    case TChipUse::Unsupported: ui.ShowMessage(FormatText(ui.MessageText("ChipUnsupported"), {chip.Name})); break;
  }
  return true;
}

std::string PartlyWrittenText(const TChip& chip, const TWrittenRange& written, TUserInterface& ui) {
  auto hex = [](uint64_t v) { return "0x" + IntToHex(static_cast<int64_t>(v), 4); };
  const uint64_t last = static_cast<uint64_t>(std::max<int32_t>(1, chip.Size)) - 1;
  return FormatText(ui.MessageText("ChipPartlyWritten"), {hex(written.First), hex(written.Last), hex(0), hex(last)});
}

std::string WrittenNote(const TChip& chip, const TWrittenRange& written, TUserInterface& ui) {
  if (written.Empty) return {};
  if (written.Whole) return ui.MessageText("ChipWrittenUnchecked");
  return PartlyWrittenText(chip, written, ui);
}

size_t ChipReadExtent(const TChip& chip) {
  if (chip.ChipType == 3) return static_cast<size_t>(UnitCount(chip)) * (chip.Org > 0 ? 2 : 1);
  return static_cast<size_t>(BlockCount(chip)) * kBlockSize;
}

namespace {

// ReadChipTo, whose messages for a read that ends early carry note after the reason.
TChipRun ReadChip(TProgrammer& p, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                  const std::string& note) {
  if (RefuseUnusableChip(chip, ui)) return TChipRun::Refused;
  if (NoProgrammer(p, ui)) return TChipRun::NoProgrammer;
  const size_t extent = ChipReadExtent(chip);
  RequireFits(chip, extent, target.size());
  // Read into a scratch buffer so that a failed read leaves the target as it was.
  std::vector<uint8_t> scratch(extent);
  THoldChanges hold(p);
  TProgrammerUse use(p);
  if (Refused(use, p, ui)) return TChipRun::NoAnswer;
  TReport& r = p.Report;

  if (ui.StopRequested()) return Stop(p, chip, ui, TOpened::Nothing, note);
  if (!OpenChip(p, chip)) return GiveUp(p, chip, ui, true, false, note);
  if (chip.ChipType == 3) {
    const bool words = chip.Org > 0;
    const int32_t n = UnitCount(chip);
    for (int32_t i = 0; i < n; ++i) {
      ui.SetProgress(ProgressPosition(i, n));
      if (ui.StopRequested()) return Stop(p, chip, ui, TOpened::Chip, note);
      p.BuildHeader(chip, CmdRead, 1);
      PutAddress(r, static_cast<uint32_t>(i), static_cast<uint8_t>(chip.Org));
      if (!p.ExchangeReport()) return GiveUp(p, chip, ui, true, false, note);
      // A word comes back with its odd-addressed byte first.
      if (words) {
        scratch[2 * static_cast<size_t>(i)] = r[DataArea + 1];
        scratch[2 * static_cast<size_t>(i) + 1] = r[DataArea];
      } else {
        scratch[static_cast<size_t>(i)] = r[DataArea];
      }
    }
  } else {
    const int32_t n = BlockCount(chip);
    const uint8_t length = chip.Size < kBlockSize ? static_cast<uint8_t>(chip.Size) : kBlockSize;
    for (int32_t i = 0; i < n; ++i) {
      ui.SetProgress(ProgressPosition(i, n));
      if (ui.StopRequested()) return Stop(p, chip, ui, TOpened::Chip, note);
      const uint32_t a = static_cast<uint32_t>(i) * kBlockSize;
      p.BuildHeader(chip, CmdRead, 1);
      r[BytePageSize] = length;
      PutAddress(r, a, chip.ChipType == 2 ? static_cast<uint8_t>(a >> 16) : 0);
      if (!p.ExchangeReport()) return GiveUp(p, chip, ui, true, false, note);
      std::memcpy(scratch.data() + a, r.data() + DataArea, DataAreaSize);
    }
  }
  if (!CloseChip(p, chip)) return GiveUp(p, chip, ui, false, false, note);
  ui.SetProgress(0);
  std::copy(scratch.begin(), scratch.end(), target.begin());
  return TChipRun::Done;
}

}  // namespace

TChipRun ReadChipTo(TProgrammer& p, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui) {
  return ReadChip(p, chip, target, ui, {});
}

TChipRun WriteChipFrom(TProgrammer& p, const TChip& chip, std::span<const uint8_t> source, TUserInterface& ui,
                       TWrittenRange* written) {
  if (RefuseUnusableChip(chip, ui)) return TChipRun::Refused;
  if (NoProgrammer(p, ui)) return TChipRun::NoProgrammer;
  const int32_t type = chip.ChipType;
  if ((type == 1 || type == 2) && chip.PageSize < 1)
    throw TError(TMessageKey{"ChipNoPageSize"}, {chip.Name, std::to_string(chip.PageSize)});
  RequireFits(chip, static_cast<size_t>(std::max<int32_t>(0, chip.Size)), source.size());
  THoldChanges hold(p);
  TProgrammerUse use(p);
  if (Refused(use, p, ui)) return TChipRun::NoAnswer;
  TReport& r = p.Report;
  TWriteTrail trail(chip, ui, written);

  if (ui.StopRequested()) return Stop(p, chip, ui, TOpened::Nothing);
  if (!OpenChip(p, chip)) return GiveUp(p, chip, ui, true);
  if (type == 1 || type == 2) {
    if (type == 2) {
      p.BuildHeader(chip, CmdWriteAccess, SubOpen);
      if (!p.ExchangeReport()) return GiveUp(p, chip, ui, true);
    }
    const int32_t page = chip.PageSize;
    const int32_t n = std::max<int32_t>(0, chip.Size / page);
    for (int32_t i = 0; i < n; ++i) {
      ui.SetProgress(ProgressPosition(i, n));
      if (ui.StopRequested()) return Stop(p, chip, ui, TOpened::Chip, trail.Note());
      // Pages above the data area are not sent; the chip keeps what it held there.
      if (page > kBlockSize) continue;
      const uint32_t a = static_cast<uint32_t>(i) * static_cast<uint32_t>(page);
      p.BuildHeader(chip, CmdWrite, 1);
      std::memcpy(r.data() + DataArea, source.data() + a, static_cast<size_t>(page));
      PutAddress(r, a, type == 2 ? static_cast<uint8_t>(a >> 16) : 0);
      trail.Sending(a, static_cast<uint64_t>(page));
      if (!p.ExchangeReport()) return GiveUp(p, chip, ui, true, false, trail.Note());
    }
    trail.AllSent();
  } else if (type == 3) {
    // From here on a failure also gives write access back, so the chip is not left writable.
    p.BuildHeader(chip, CmdWriteAccess, SubOpen);
    if (!p.ExchangeReport()) return GiveUp(p, chip, ui, true, true);
    const bool words = chip.Org > 0;
    const int32_t n = UnitCount(chip);
    for (int32_t i = 0; i < n; ++i) {
      ui.SetProgress(ProgressPosition(i, n));
      if (ui.StopRequested()) return Stop(p, chip, ui, TOpened::ChipAndWriteAccess, trail.Note());
      p.BuildHeader(chip, CmdWrite, 1);
      // A word goes out with its even-addressed byte first.
      if (words) {
        r[DataArea] = source[2 * static_cast<size_t>(i)];
        r[DataArea + 1] = source[2 * static_cast<size_t>(i) + 1];
      } else {
        r[DataArea] = source[static_cast<size_t>(i)];
      }
      PutAddress(r, static_cast<uint32_t>(i), static_cast<uint8_t>(chip.Org));
      const uint64_t unit = words ? 2 : 1;
      trail.Sending(unit * static_cast<uint64_t>(i), unit);
      if (!p.ExchangeReport()) return GiveUp(p, chip, ui, true, true, trail.Note());
    }
    trail.AllSent();
    p.BuildHeader(chip, CmdWriteAccess, SubClose);
    if (!p.ExchangeReport()) return GiveUp(p, chip, ui, true, true, trail.Note());
  }
  if (!CloseChip(p, chip)) return GiveUp(p, chip, ui, false, false, trail.Note());
  ui.SetProgress(0);
  return TChipRun::Done;
}

TChipCheck WriteAndCheckChip(TProgrammer& p, const TChip& chip, std::span<const uint8_t> source, TUserInterface& ui,
                             TDifferences* differences, std::span<const TAddressRange> ignored, TWrittenRange* written,
                             const TCheckTexts& texts) {
  THoldChanges hold(p);  // the chip written is the chip read back
  if (RefuseUnusableChip(chip, ui)) return TChipCheck::Refused;
  if (NoProgrammer(p, ui)) return TChipCheck::NoProgrammer;
  TProgrammerUse use(p);  // no other program between the write and the read-back
  if (Refused(use, p, ui)) return TChipCheck::NoAnswer;
  TWrittenRange range;
  const TChipRun write = WriteChipFrom(p, chip, source, ui, &range);
  if (written) *written = range;
  if (write != TChipRun::Done) return CheckOf(write);
  // The chip is written: a read-back that ends early says that only the check is missing.
  const std::string unchecked = range.Empty ? std::string() : ui.MessageText("ChipWrittenUnchecked");
  std::vector<uint8_t> back;
  if (const TChipRun read = ReadBack(p, chip, source, ui, back, unchecked); read != TChipRun::Done)
    return CheckOf(read);
  if (!SameBytes(chip, back, source, ignored, ui, texts.Different, differences)) return TChipCheck::Different;
  ui.ShowInformation(ui.MessageText(texts.Same));
  return TChipCheck::Same;
}

TChipCheck VerifyChip(TProgrammer& p, const TChip& chip, std::span<const uint8_t> expected, TUserInterface& ui,
                      TDifferences* differences, std::span<const TAddressRange> ignored) {
  std::vector<uint8_t> back;
  if (const TChipRun read = ReadBack(p, chip, expected, ui, back); read != TChipRun::Done) return CheckOf(read);
  if (!SameBytes(chip, back, expected, ignored, ui, "VerifNotOK", differences)) return TChipCheck::Different;
  ui.ShowInformation(ui.MessageText("VerifOK"));
  return TChipCheck::Same;
}
