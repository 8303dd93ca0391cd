#include "production/chip_job.h"

#include <algorithm>
#include <vector>

#include "analysis/difference_causes.h"
#include "programmer/checked_read.h"
#include "programmer/chip_backups.h"

namespace {

constexpr uint8_t kBlank = 0xFF;  // what compared bytes hold where a read does not reach

// A station whose programmer has gone (none held) counts as unplugged.
TJobOutcome Ended(TChipRun run, const TProgrammer& p) {
  switch (run) {
    case TChipRun::NoProgrammer: return TJobOutcome{TJobResult::Unplugged};
    case TChipRun::Stopped: return TJobOutcome{TJobResult::Stopped};
    case TChipRun::Unreliable: return TJobOutcome{TJobResult::Unreliable};
    default: return TJobOutcome{FailureOf(p)};
  }
}

// Reads the chip (checked against expected) and compares it with expected; a difference's likely
// cause is a notice.
TJobOutcome ReadAndCompare(TProgrammer& p, const TChip& chip, std::span<const uint8_t> expected, TUserInterface& ui,
                           std::span<const TAddressRange> ignored, const TCheckOptions& checks,
                           const TChipBefore* before = nullptr) {
  const size_t compared = static_cast<size_t>(std::max<int32_t>(0, chip.Size));
  std::vector<uint8_t> back(std::max(compared, ChipReadExtent(chip)), kBlank);
  const TChipRun run = ReadChipChecked(p, chip, back, ui, checks, expected.first(std::min(compared, expected.size())));
  if (run != TChipRun::Done) return Ended(run, p);
  TJobOutcome o;
  o.FirstDifference = FirstDifference(chip, back, expected, ignored);
  o.Result = o.FirstDifference ? TJobResult::Different : TJobResult::Ok;
  if (o.FirstDifference) {
    // The ignored bytes differ by intent: they tell nothing of the cause.
    KeepIgnoredEqual(std::span(back).first(std::min(compared, expected.size())),
                     expected.first(std::min(compared, expected.size())), ignored);
    if (const auto cause = LikelyCause(chip, back, expected, before))
      ui.ShowNotice(DifferenceCauseText(*cause, chip, ui));
  }
  return o;
}

}  // namespace

const char* JobResultName(TJobResult result) {
  switch (result) {
    case TJobResult::Ok: return "ok";
    case TJobResult::Different: return "different";
    case TJobResult::NoAnswer: return "no-answer";
    case TJobResult::Unplugged: return "unplugged";
    case TJobResult::Stopped: return "stopped";
    case TJobResult::NoAccess: return "no-access";
    case TJobResult::Busy: return "busy";
    case TJobResult::Unreliable: return "unreliable";
    case TJobResult::BadReply: return "bad-reply";
  }
  return "";
}

TJobResult FailureOf(const TProgrammer& p) {
  switch (p.LastStatus) {
    case TExchangeStatus::TimedOut:
    case TExchangeStatus::ReportTooLong:
    case TExchangeStatus::Ok: return TJobResult::NoAnswer;
    case TExchangeStatus::NoAccess: return TJobResult::NoAccess;
    case TExchangeStatus::Busy: return TJobResult::Busy;
    case TExchangeStatus::BadReply: return TJobResult::BadReply;
    case TExchangeStatus::NoDevice:
    case TExchangeStatus::WriteFailed:
    case TExchangeStatus::ReadFailed: break;
  }
  // A transfer that fails outright, rather than waiting in vain, means the device has gone.
  return TJobResult::Unplugged;
}

std::optional<uint64_t> FirstDifference(const TChip& chip, std::span<const uint8_t> read,
                                        std::span<const uint8_t> expected, std::span<const TAddressRange> ignored) {
  const size_t n = std::min({static_cast<size_t>(std::max<int32_t>(0, chip.Size)), read.size(), expected.size()});
  std::vector<uint8_t> compared;
  if (!ignored.empty()) {
    compared.assign(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(n));
    KeepIgnoredEqual(compared, expected.first(n), ignored);
    read = compared;
  }
  auto m = std::mismatch(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(n), expected.begin());
  if (m.first == read.begin() + static_cast<std::ptrdiff_t>(n)) return std::nullopt;
  return static_cast<uint64_t>(m.first - read.begin());
}

TJobOutcome WriteJob(TProgrammer& p, const TChip& chip, std::span<const uint8_t> image, TUserInterface& ui,
                     std::span<const TAddressRange> ignored, const TCheckOptions& checks,
                     const TBeforeWrite& beforeWrite) {
  // The chip written is the chip read back: no device change and no other program in between.
  std::optional<THidDeviceController::TDeferral> hold;
  if (p.Controller()) hold.emplace(*p.Controller());
  TProgrammerUse use(p);
  TChipContents before;
  const TChipRun kept =
      checks.BackupFolder.empty() ? SampleChip(p, chip, ui, before) : KeepChip(p, chip, ui, checks, before);
  if (kept != TChipRun::Done) return Ended(kept, p);
  if (beforeWrite) beforeWrite();
  TWrittenRange written;
  const TChipRun run = WriteChipFrom(p, chip, image, ui, &written);
  const TChipBefore known = before.Known();
  TJobOutcome o = run == TChipRun::Done ? ReadAndCompare(p, chip, image, ui, ignored, checks, &known) : Ended(run, p);
  o.Written = written;
  if (o.Result != TJobResult::Ok && o.Result != TJobResult::Different) o.Note = WrittenNote(chip, written, ui);
  return o;
}

TJobOutcome VerifyJob(TProgrammer& p, const TChip& chip, std::span<const uint8_t> image, TUserInterface& ui,
                      std::span<const TAddressRange> ignored, const TCheckOptions& checks, const TBeforeWrite&) {
  return ReadAndCompare(p, chip, image, ui, ignored, checks);
}

namespace {
std::vector<uint8_t> BlankImage(const TChip& chip) {
  return std::vector<uint8_t>(static_cast<size_t>(std::max<int32_t>(0, chip.Size)), 0xFF);
}
}  // namespace

TJobOutcome EraseJob(TProgrammer& p, const TChip& chip, std::span<const uint8_t>, TUserInterface& ui,
                     std::span<const TAddressRange> ignored, const TCheckOptions& checks,
                     const TBeforeWrite& beforeWrite) {
  return WriteJob(p, chip, BlankImage(chip), ui, ignored, checks, beforeWrite);
}

TJobOutcome BlankCheckJob(TProgrammer& p, const TChip& chip, std::span<const uint8_t>, TUserInterface& ui,
                          std::span<const TAddressRange> ignored, const TCheckOptions& checks, const TBeforeWrite&) {
  return VerifyJob(p, chip, BlankImage(chip), ui, ignored, checks);
}
