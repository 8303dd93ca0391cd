#include "programmer/chip_operations.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "analysis/difference_causes.h"
#include "buffer/differences.h"
#include "catalogue/access_scheme.h"
#include "common/error.h"
#include "common/integer.h"
#include "common/progress.h"
#include "programmer/checked_read.h"
#include "programmer/chip_backups.h"

namespace {

constexpr int32_t kBlockSize = static_cast<int32_t>(DataAreaSize);  // bytes per read block of a chip read by block
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

// The address bytes of a read or write: byte 9 holds Org, the address's third byte, or 0.
void PutAddress(TReport& r, const TChip& chip, uint32_t address) {
  const TAccessSchemeInfo& s = AccessSchemeOf(chip);
  PutAddress(r, address,
             s.OrgInCommands       ? static_cast<uint8_t>(chip.Org)
             : s.AddressBytes == 3 ? static_cast<uint8_t>(address >> 16)
                                   : 0);
}

// The opening chip-access command; a scheme that carries Org has it in byte 9.
bool OpenChip(TProgrammer& p, const TChip& chip) {
  p.BuildHeader(chip, CmdChipAccess, SubOpen);
  if (AccessSchemeOf(chip).OrgInCommands) p.Report[ByteThird] = static_cast<uint8_t>(chip.Org);
  return p.ExchangeReport();
}

bool CloseChip(TProgrammer& p, const TChip& chip) {
  p.BuildHeader(chip, CmdChipAccess, SubClose);
  return p.ExchangeReport();
}

// Line ends of the texts the routines build.
const char* const kLineEnd = "\n\r";

// What a stopped routine has opened on the programmer and must close.
enum class TOpened { Nothing, Chip, ChipAndWriteAccess };

TChipRun Stop(TProgrammer& p, const TChip& chip, TUserInterface& ui, TOpened opened, const std::string& note = {});

// Ends a routine whose exchange failed: gives write access back where it was opened, closes the
// chip (unless the close itself failed), returns the progress to 0 and says why it failed, with
// what became of the chip (note) after the reason in an error box.
TChipRun GiveUp(TProgrammer& p, const TChip& chip, TUserInterface& ui, bool closeChip, bool closeWrite = false,
                const std::string& note = {}) {
  const TExchangeStatus why = p.LastStatus;
  // A wait for the answer that a stop request cut short ends the routine as stopped.
  if (why == TExchangeStatus::TimedOut && p.HeldDevice && p.HeldDevice->ReadStopped())
    return Stop(p, chip, ui,
                closeWrite  ? TOpened::ChipAndWriteAccess
                : closeChip ? TOpened::Chip
                            : TOpened::Nothing,
                note);
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

// Ends a routine that the user stopped between two exchanges: closes write access (writes by unit)
// and the chip, returns the progress to 0 and says so; with a note (what became of the chip)
// after it in an error box. A closing command that fails ends it as a routine whose exchange
// failed.
TChipRun Stop(TProgrammer& p, const TChip& chip, TUserInterface& ui, TOpened opened, const std::string& note) {
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

// Units of a chip read and written by unit: words when Org is above 0, else bytes.
int32_t UnitCount(const TChip& chip) { return std::max<int32_t>(0, chip.Org > 0 ? chip.Size / 2 : chip.Size); }

// Blocks of a read by block.
int32_t BlockCount(const TChip& chip) { return chip.Size < kBlockSize ? 1 : chip.Size / kBlockSize; }

void RequireFits(const TChip& chip, size_t bytes, size_t room) {
  if (bytes > room)
    throw TError(TMessageKey{"ChipPastBuffer"}, {chip.Name, std::to_string(bytes), std::to_string(room)});
}

// A chip written by page needs a page size, and source must hold the chip's bytes.
void RequireWritable(const TChip& chip, std::span<const uint8_t> source) {
  if (AccessSchemeOf(chip).PageSizeMatters && chip.PageSize < 1)
    throw TError(TMessageKey{"ChipNoPageSize"}, {chip.Name, std::to_string(chip.PageSize)});
  RequireFits(chip, static_cast<size_t>(std::max<int32_t>(0, chip.Size)), source.size());
}

// Compares the chip's bytes read with the expected ones; a difference extends the failure message
// with where it is and, when the differences show one, their likely cause. The caller gets the
// first differences when it asks for them.
// Reads the blocks that hold the first differences again: where the second read differs from the
// first, "CauseUnreliableGood" when it matches expected at every byte where the first differed,
// else "CauseUnreliable"; nothing when it agrees with the first read (or can't be made).
std::string ReReadCause(TProgrammer& p, const TChip& chip, std::span<const uint8_t> read,
                        std::span<const uint8_t> expected, const TDifferences& d,
                        std::span<const TAddressRange> ignored, TUserInterface& ui, TChipRun& run) {
  constexpr size_t kBlocks = 32;  // a few exchanges
  const size_t length = chip.ChipType == 3 ? (chip.Org > 0 ? 2 : 1) : static_cast<size_t>(kBlockSize);
  const size_t n = static_cast<size_t>(std::max<int32_t>(0, chip.Size));
  std::vector<uint32_t> at;
  for (const TAddressRange& r : d.Ranges)
    for (uint32_t a = r.Start / length * length; a < r.End && at.size() < kBlocks; a += length)
      if ((at.empty() || at.back() != a) && a + length <= n) at.push_back(a);
  if (at.empty()) return {};
  std::vector<uint8_t> again(at.size() * length);
  run = ReadChipBlocks(p, chip, at, length, again, ui);
  if (run != TChipRun::Done) return {};
  bool differs = false, matches = true;
  for (size_t k = 0; k < at.size(); ++k)
    for (size_t j = 0; j < length; ++j) {
      const size_t a = at[k] + j;
      // The ignored bytes of the first read were made equal to expected.
      if (std::any_of(ignored.begin(), ignored.end(),
                      [&](const TAddressRange& r) { return r.Start <= a && a < r.End; }))
        continue;
      const uint8_t second = again[k * length + j];
      differs = differs || second != read[a];
      if (read[a] != expected[a]) matches = matches && second == expected[a];
    }
  if (!differs) return {};
  return ui.MessageText(matches ? "CauseUnreliableGood" : "CauseUnreliable");
}

// A re-read that ends early (failed or stopped: its box was shown) ends the check with run.
bool SameBytes(TProgrammer& p, const TChip& chip, std::vector<uint8_t>& read, std::span<const uint8_t> expected,
               std::span<const TAddressRange> ignored, TUserInterface& ui, const char* failureKey, TDifferences* out,
               TChipRun& run, const TChipBefore* before = nullptr) {
  const size_t n = static_cast<size_t>(std::max<int32_t>(0, chip.Size));
  KeepIgnoredEqual(std::span(read).first(n), expected.first(n), ignored);
  TDifferences d = FindDifferences(std::span(read).first(n), expected.first(n), kListedDifferences);
  const bool same = d.Same();
  if (!same) {
    std::string text = ui.MessageText(failureKey) + "\n\r" + DifferenceText(d, "ChipDifference", ui);
    // A read that does not repeat itself is the cause the other evidence can't be trusted over.
    const std::string unreliable = ReReadCause(p, chip, read, expected, d, ignored, ui, run);
    if (run != TChipRun::Done) return false;
    if (!unreliable.empty())
      text += "\n\r" + unreliable;
    else if (const auto cause = LikelyCause(chip, read, expected, before))
      text += "\n\r" + DifferenceCauseText(*cause, chip, ui);
    ui.ShowError(text);
  }
  if (out) *out = std::move(d);
  return same;
}

// Reads the chip (checked against expected) into a temporary buffer of 0xFF that holds the read
// and the compared bytes. A read that ends early adds note to its message.
TChipRun ReadBack(TProgrammer& p, const TChip& chip, std::span<const uint8_t> expected, TUserInterface& ui,
                  std::vector<uint8_t>& back, const TCheckOptions& options, const std::string& note = {}) {
  if (RefuseUnusableChip(chip, ui)) return TChipRun::Refused;
  if (NoProgrammer(p, ui)) return TChipRun::NoProgrammer;
  const size_t compared = static_cast<size_t>(std::max<int32_t>(0, chip.Size));
  RequireFits(chip, compared, expected.size());
  back.assign(std::max(compared, ChipReadExtent(chip)), kBlank);
  return ReadChipChecked(p, chip, back, ui, options, expected.first(compared), note);
}

// The outcome of a check whose write or read did not get to the comparison.
TChipCheck CheckOf(TChipRun run) {
  switch (run) {
    case TChipRun::Refused: return TChipCheck::Refused;
    case TChipRun::NoProgrammer: return TChipCheck::NoProgrammer;
    case TChipRun::Stopped: return TChipCheck::Stopped;
    case TChipRun::Unreliable: return TChipCheck::Unreliable;
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
  if (AccessSchemeOf(chip).ReadUnit == TTransferUnit::Unit)
    return static_cast<size_t>(UnitCount(chip)) * (chip.Org > 0 ? 2 : 1);
  return static_cast<size_t>(BlockCount(chip)) * kBlockSize;
}

namespace {

// One read of `bytes` bytes in `steps` exchanges (or units) within one chip-access session, into a
// scratch buffer so that a failed read leaves target as it was: the refusals, the programmer
// taken, step(i, scratch) for each step (false: its exchange failed), the stop between two steps,
// the progress when asked for. A read that ends early carries note after its reason.
template <typename TStep>
TChipRun ReadSession(TProgrammer& p, const TChip& chip, std::span<uint8_t> target, size_t bytes, int32_t steps,
                     bool progress, TUserInterface& ui, const std::string& note, TStep step) {
  if (RefuseUnusableChip(chip, ui)) return TChipRun::Refused;
  if (NoProgrammer(p, ui)) return TChipRun::NoProgrammer;
  RequireFits(chip, bytes, target.size());
  std::vector<uint8_t> scratch(bytes);
  THoldChanges hold(p);
  TProgrammerUse use(p);
  if (Refused(use, p, ui)) return TChipRun::NoAnswer;

  if (ui.StopRequested()) return Stop(p, chip, ui, TOpened::Nothing, note);
  if (!OpenChip(p, chip)) return GiveUp(p, chip, ui, true, false, note);
  for (int32_t i = 0; i < steps; ++i) {
    if (progress) ui.SetProgress(ProgressPosition(i, steps));
    if (ui.StopRequested()) return Stop(p, chip, ui, TOpened::Chip, note);
    if (!step(i, scratch)) return GiveUp(p, chip, ui, true, false, note);
  }
  if (!CloseChip(p, chip)) return GiveUp(p, chip, ui, false, false, note);
  if (progress) ui.SetProgress(0);
  std::copy(scratch.begin(), scratch.end(), target.begin());
  return TChipRun::Done;
}

// Reads the unit (a byte, or a word when Org is above 0) of a chip read by unit into out; a word comes back
// with its odd-addressed byte first.
bool ReadUnit(TProgrammer& p, const TChip& chip, uint32_t unit, uint8_t* out, bool both = true) {
  TReport& r = p.Report;
  p.BuildHeader(chip, CmdRead, 1);
  PutAddress(r, chip, unit);
  if (!p.ExchangeReport()) return false;
  if (chip.Org <= 0) {
    out[0] = r[DataArea];
  } else {
    out[0] = r[DataArea + 1];
    if (both) out[1] = r[DataArea];
  }
  return true;
}

// Asks for length bytes (at most 32) from address of a chip read by block and copies the first `copied`
// bytes of the reply's data area into out.
bool ReadBlock(TProgrammer& p, const TChip& chip, uint32_t address, uint8_t length, uint8_t* out, size_t copied) {
  TReport& r = p.Report;
  p.BuildHeader(chip, CmdRead, 1);
  r[BytePageSize] = length;
  PutAddress(r, chip, address);
  if (!p.ExchangeReport()) return false;
  std::memcpy(out, r.data() + DataArea, copied);
  return true;
}

}  // namespace

TChipRun ReadChipTo(TProgrammer& p, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                    const std::string& note) {
  if (AccessSchemeOf(chip).ReadUnit == TTransferUnit::Unit) {
    const size_t unit = chip.Org > 0 ? 2 : 1;
    return ReadSession(p, chip, target, ChipReadExtent(chip), UnitCount(chip), true, ui, note,
                       [&](int32_t i, std::vector<uint8_t>& scratch) {
                         return ReadUnit(p, chip, static_cast<uint32_t>(i),
                                         scratch.data() + unit * static_cast<size_t>(i));
                       });
  }
  // A Size under 32 asks for Size bytes; all 32 of the reply are taken.
  const uint8_t length = chip.Size < kBlockSize ? static_cast<uint8_t>(chip.Size) : kBlockSize;
  return ReadSession(p, chip, target, ChipReadExtent(chip), BlockCount(chip), true, ui, note,
                     [&](int32_t i, std::vector<uint8_t>& scratch) {
                       const uint32_t a = static_cast<uint32_t>(i) * kBlockSize;
                       return ReadBlock(p, chip, a, length, scratch.data() + a, DataAreaSize);
                     });
}

TChipRun ReadChipBlocks(TProgrammer& p, const TChip& chip, std::span<const uint32_t> addresses, size_t length,
                        std::span<uint8_t> target, TUserInterface& ui) {
  if (length < 1 || length > DataAreaSize) throw TError("A block read takes 1 to 32 bytes.");
  const bool words = chip.Org > 0;
  return ReadSession(p, chip, target, addresses.size() * length, static_cast<int32_t>(addresses.size()), false, ui, {},
                     [&](int32_t i, std::vector<uint8_t>& scratch) {
                       const uint32_t a = addresses[static_cast<size_t>(i)];
                       uint8_t* out = scratch.data() + static_cast<size_t>(i) * length;
                       if (AccessSchemeOf(chip).ReadUnit != TTransferUnit::Unit)
                         return ReadBlock(p, chip, a, static_cast<uint8_t>(length), out, length);
                       for (size_t k = 0; k < length; k += words ? 2 : 1) {
                         const uint32_t at = a + static_cast<uint32_t>(k);
                         if (!ReadUnit(p, chip, words ? at / 2 : at, out + k, k + 1 < length)) return false;
                       }
                       return true;
                     });
}

TChipRun WriteChipFrom(TProgrammer& p, const TChip& chip, std::span<const uint8_t> source, TUserInterface& ui,
                       TWrittenRange* written) {
  if (RefuseUnusableChip(chip, ui)) return TChipRun::Refused;
  if (NoProgrammer(p, ui)) return TChipRun::NoProgrammer;
  const TAccessSchemeInfo& scheme = AccessSchemeOf(chip);
  RequireWritable(chip, source);
  THoldChanges hold(p);
  TProgrammerUse use(p);
  if (Refused(use, p, ui)) return TChipRun::NoAnswer;
  TReport& r = p.Report;
  TWriteTrail trail(chip, ui, written);

  if (ui.StopRequested()) return Stop(p, chip, ui, TOpened::Nothing);
  if (!OpenChip(p, chip)) return GiveUp(p, chip, ui, true);
  if (scheme.WriteUnit == TTransferUnit::Page) {
    if (scheme.WriteAccess == TWriteAccess::Open) {
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
      PutAddress(r, chip, a);
      trail.Sending(a, static_cast<uint64_t>(page));
      if (!p.ExchangeReport()) return GiveUp(p, chip, ui, true, false, trail.Note());
    }
    trail.AllSent();
  } else if (scheme.WriteUnit == TTransferUnit::Unit) {
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
      PutAddress(r, chip, static_cast<uint32_t>(i));
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
                             const TCheckOptions& options) {
  THoldChanges hold(p);  // the chip written is the chip read back
  if (RefuseUnusableChip(chip, ui)) return TChipCheck::Refused;
  if (NoProgrammer(p, ui)) return TChipCheck::NoProgrammer;
  TProgrammerUse use(p);  // no other program between the write and the read-back
  if (Refused(use, p, ui)) return TChipCheck::NoAnswer;
  RequireWritable(chip, source);
  TChipContents before;
  if (!options.BackupFolder.empty()) ui.SetPhase(TProgressPhase::BackingUp);
  const TChipRun kept =
      options.BackupFolder.empty() ? SampleChip(p, chip, ui, before) : KeepChip(p, chip, ui, options, before);
  if (kept != TChipRun::Done) return CheckOf(kept);
  TWrittenRange range;
  const bool erase = std::string_view(options.Outcome.Same) == kEraseTexts.Same;
  ui.SetPhase(erase ? TProgressPhase::Erasing : TProgressPhase::Writing);
  const TChipRun write = WriteChipFrom(p, chip, source, ui, &range);
  if (written) *written = range;
  if (write != TChipRun::Done) return CheckOf(write);
  // The chip is written: a read-back that ends early says that only the check is missing.
  const std::string unchecked = range.Empty ? std::string() : ui.MessageText("ChipWrittenUnchecked");
  std::vector<uint8_t> back;
  ui.SetPhase(TProgressPhase::Checking);
  if (const TChipRun read = ReadBack(p, chip, source, ui, back, options, unchecked); read != TChipRun::Done)
    return CheckOf(read);
  const TChipBefore known = before.Known();
  TChipRun reRead = TChipRun::Done;
  if (!SameBytes(p, chip, back, source, ignored, ui, options.Outcome.Different, differences, reRead, &known))
    return reRead == TChipRun::Done ? TChipCheck::Different : CheckOf(reRead);
  ui.ShowInformation(ui.MessageText(options.Outcome.Same));
  return TChipCheck::Same;
}

TChipCheck VerifyChip(TProgrammer& p, const TChip& chip, std::span<const uint8_t> expected, TUserInterface& ui,
                      TDifferences* differences, std::span<const TAddressRange> ignored, const TCheckOptions& options) {
  std::vector<uint8_t> back;
  ui.SetPhase(TProgressPhase::Verifying);
  if (const TChipRun read = ReadBack(p, chip, expected, ui, back, options); read != TChipRun::Done)
    return CheckOf(read);
  TChipRun reRead = TChipRun::Done;
  if (!SameBytes(p, chip, back, expected, ignored, ui, "VerifNotOK", differences, reRead))
    return reRead == TChipRun::Done ? TChipCheck::Different : CheckOf(reRead);
  ui.ShowInformation(ui.MessageText("VerifOK"));
  return TChipCheck::Same;
}
