#include "session/session.h"

#include <algorithm>

#include "buffer/memory_buffer.h"
#include "catalogue/catalogue.h"
#include "common/error.h"
#include "imagefile/file_errors.h"
#include "programmer/blank_erase.h"
#include "programmer/checked_read.h"

namespace {

// Passes everything on to the front end's interface and keeps the notices the command gave.
class TNoticeRecorder : public TUserInterface {
 public:
  explicit TNoticeRecorder(TUserInterface& ui) : Ui_(ui) {}
  std::vector<std::string> Notices;

  void ShowMessage(const std::string& text) override { Ui_.ShowMessage(text); }
  void ShowInformation(const std::string& text) override { Ui_.ShowInformation(text); }
  void ShowError(const std::string& text) override { Ui_.ShowError(text); }
  TAnswer AskWarning(const std::string& text) override { return Ui_.AskWarning(text); }
  void ShowNotice(const std::string& text) override {
    Notices.push_back(text);
    Ui_.ShowNotice(text);
  }
  TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) override {
    return Ui_.AskYesNo(text, defaultAnswer);
  }
  TAnswer AskSaveChanges(const std::string& text) override { return Ui_.AskSaveChanges(text); }
  bool ExecuteOpenDialog(TFileDialog& dialog) override { return Ui_.ExecuteOpenDialog(dialog); }
  bool ExecuteSaveDialog(TFileDialog& dialog) override { return Ui_.ExecuteSaveDialog(dialog); }
  std::string MessageText(const std::string& key) override { return Ui_.MessageText(key); }
  void SetProgress(int position) override { Ui_.SetProgress(position); }
  bool StopRequested() override { return Ui_.StopRequested(); }

 private:
  TUserInterface& Ui_;
};

TOutcome OutcomeOf(TChipRun run) {
  switch (run) {
    case TChipRun::Done: return TOutcome::Done;
    case TChipRun::Refused: return TOutcome::Refused;
    case TChipRun::NoProgrammer: return TOutcome::NoProgrammer;
    case TChipRun::Stopped: return TOutcome::Stopped;
    case TChipRun::Unreliable: return TOutcome::Unreliable;
    case TChipRun::NoAnswer: break;
  }
  return TOutcome::NoAnswer;
}

TOutcome OutcomeOf(TChipCheck check) {
  switch (check) {
    case TChipCheck::Same: return TOutcome::Done;
    case TChipCheck::Different: return TOutcome::Different;
    case TChipCheck::Refused: return TOutcome::Refused;
    case TChipCheck::NoProgrammer: return TOutcome::NoProgrammer;
    case TChipCheck::Stopped: return TOutcome::Stopped;
    case TChipCheck::Unreliable: return TOutcome::Unreliable;
    case TChipCheck::NoAnswer: break;
  }
  return TOutcome::NoAnswer;
}

// What a write left on the chip: the image when it checked good, else what went out.
TChipHolds HoldsAfterWrite(TChipCheck check, const TWrittenRange& written) {
  if (check == TChipCheck::Same) return TChipHolds::Document;
  if (written.Empty)
    return check == TChipCheck::Refused || check == TChipCheck::NoProgrammer ? TChipHolds::Unchanged
                                                                             : TChipHolds::Unknown;
  return written.Whole ? TChipHolds::Unknown : TChipHolds::PartlyWritten;
}

TSessionResult Failure(TOutcome what, int code, std::string error) {
  TSessionResult r;
  r.What = what;
  r.ExitCode = code;
  r.Error = std::move(error);
  return r;
}

}  // namespace

TSession::TSession(size_t historyCapacity) : Document_(kMemoryBufferSize, historyCapacity) {}

TSessionResult TSession::OpenProgrammer(const TLinkOptions& options, TUserInterface& ui) {
  Link_.reset();
  try {
    Link_ = std::make_unique<TProgrammerLink>(options, ui);
  } catch (const TCommandError& e) {
    return Failure(TOutcome::NoProgrammer, e.Code, e.Text);
  }
  if (!Link_->Programmer.HeldDevice)
    return Failure(TOutcome::NoProgrammer, kExitProgrammer, ui.MessageText("ProgNotFound"));
  return {};
}

TSessionResult TSession::SelectChip(const std::vector<std::string>& catalogueFiles, const std::string& name) {
  TChip chip;
  if (!LoadChip(TCatalogue(catalogueFiles), name, chip))
    return Failure(TOutcome::Refused, kExitUsage, "chip '" + name + "' is not in the catalogue");
  SelectChip(chip);
  return {};
}

void TSession::SelectChip(const TChip& chip) {
  Chip_ = chip;
  Document_.SetChipSize(std::clamp(chip.Size, 0, kMemoryBufferSize));
}

std::optional<TSessionResult> TSession::Unready(TUserInterface& ui) {
  if (RefuseUnusableChip(Chip_, ui)) return FromRun(TChipRun::Refused);
  if (!Link_ || !Link_->Programmer.HeldDevice) {
    ui.ShowError(ui.MessageText("ProgNotFound"));
    return Failure(TOutcome::NoProgrammer, kExitProgrammer, {});
  }
  return std::nullopt;
}

TSessionResult TSession::FromRun(TChipRun run) const {
  TSessionResult r;
  r.What = OutcomeOf(run);
  r.ExitCode = Link_ ? ExitCodeOf(run, Link_->Programmer, StoppedExitCode)
                     : (run == TChipRun::Refused ? kExitUsage : kExitProgrammer);
  if (run == TChipRun::Stopped) r.ExitCode = StoppedExitCode;
  r.Holds = TChipHolds::Unchanged;
  return r;
}

TSessionResult TSession::FromCheck(TChipCheck check) const {
  TSessionResult r;
  r.What = OutcomeOf(check);
  r.ExitCode = ExitCodeOf(check, Link_->Programmer, StoppedExitCode);
  return r;
}

TSessionResult TSession::Read(TUserInterface& front) {
  TNoticeRecorder ui(front);
  if (auto refused = Unready(ui)) return *refused;
  const std::span<uint8_t> scratch = Document_.Scratch();
  std::fill(scratch.begin(), scratch.end(), kBlankValue);  // bytes the read does not reach are blank
  const TChipRun run = ReadChipChecked(Link_->Programmer, Chip_, scratch, ui, Checks);
  if (run == TChipRun::Done) Document_.Adopt(TDocumentOrigin::ReadFromChip(Chip_.Name));
  TSessionResult r = FromRun(run);
  r.Warnings = std::move(ui.Notices);
  return r;
}

TSessionResult TSession::Write(TUserInterface& front, std::span<const TAddressRange> ignored) {
  TNoticeRecorder ui(front);
  if (auto refused = Unready(ui)) return *refused;
  TSessionResult r;
  const TChipCheck check =
      WriteAndCheckChip(Link_->Programmer, Chip_, Document_.Bytes(), ui, &r.Differences, ignored, &r.Written, Checks);
  TSessionResult c = FromCheck(check);
  r.What = c.What;
  r.ExitCode = c.ExitCode;
  r.Holds = HoldsAfterWrite(check, r.Written);
  if (check == TChipCheck::Same) Document_.SetBaseline();
  r.Warnings = std::move(ui.Notices);
  return r;
}

TSessionResult TSession::Verify(TUserInterface& front, std::span<const TAddressRange> ignored) {
  TNoticeRecorder ui(front);
  if (auto refused = Unready(ui)) return *refused;
  TDifferences differences;
  const TChipCheck check = VerifyChip(Link_->Programmer, Chip_, Document_.Bytes(), ui, &differences, ignored, Checks);
  TSessionResult r = FromCheck(check);
  r.Differences = std::move(differences);
  r.Holds = TChipHolds::Unchanged;
  r.Warnings = std::move(ui.Notices);
  return r;
}

TSessionResult TSession::BlankCheck(TUserInterface& front) {
  TNoticeRecorder ui(front);
  if (auto refused = Unready(ui)) return *refused;
  const TBlankCheck check = BlankCheckChip(Link_->Programmer, Chip_, ui);
  TSessionResult r = FromRun(check.Run);
  if (check.Run == TChipRun::Done && !check.Blank()) {
    r.What = TOutcome::Different;
    r.ExitCode = kExitDifferent;
  }
  r.Warnings = std::move(ui.Notices);
  return r;
}

TSessionResult TSession::Erase(TUserInterface& front) {
  TNoticeRecorder ui(front);
  if (auto refused = Unready(ui)) return *refused;
  const std::optional<TChipCheck> check = EraseChip(Link_->Programmer, Chip_, ui, Checks);
  if (!check) {
    TSessionResult r;
    r.What = TOutcome::Declined;
    r.ExitCode = kExitUsage;
    r.Holds = TChipHolds::Unchanged;
    return r;
  }
  TSessionResult r = FromCheck(*check);
  r.Holds = *check == TChipCheck::Same ? TChipHolds::Blank : TChipHolds::Unknown;
  r.Warnings = std::move(ui.Notices);
  return r;
}

TSessionResult TSession::Detect(TUserInterface& front) {
  TNoticeRecorder ui(front);
  if (auto refused = Unready(ui)) return *refused;
  const TSizeDetection found = DetectChipSize(Link_->Programmer, Chip_, ui);
  TSessionResult r;
  switch (found.Result) {
    case TSizeDetection::Found:
    case TSizeDetection::TypeLimit: break;
    case TSizeDetection::TooLarge:
    case TSizeDetection::NoData:
    case TSizeDetection::Regular:
      r.What = TOutcome::Different;
      r.ExitCode = kExitDifferent;
      break;
    case TSizeDetection::Unreliable:
      r.What = TOutcome::Unreliable;
      r.ExitCode = kExitWarning;
      break;
    case TSizeDetection::NotByReading:
      r.What = TOutcome::Refused;
      r.ExitCode = kExitUsage;
      break;
    case TSizeDetection::Ended: r = FromRun(found.Run); break;
  }
  r.Holds = TChipHolds::Unchanged;
  r.Detected = found;
  r.Warnings = std::move(ui.Notices);
  return r;
}

TSessionResult TSession::Load(TImageLoadRequest request, TUserInterface& ui) {
  request.Chip = Chip_;
  const std::span<uint8_t> scratch = Document_.Scratch();
  const TImageLoad load = LoadImageInto(request, scratch, ui);
  if (!load.Loaded) return Failure(TOutcome::Failed, load.ExitCode, load.Error);
  TDocumentOrigin origin;
  origin.Kind = TOriginKind::File;
  origin.Name = request.Text ? request.File : FullFileName(request.File);
  origin.Format = ImageFormatInfo(load.Format).Id;
  origin.Offset = load.Offset;
  origin.DataStart = static_cast<uint32_t>(std::min<uint64_t>(load.Extent.First, load.Extent.End));
  origin.DataEnd = static_cast<uint32_t>(load.Extent.End);
  Document_.Adopt(std::move(origin));
  TSessionResult r;
  r.Warnings = load.Warnings;
  return r;
}

TSessionResult TSession::Save(const std::string& file, std::optional<TImageFormat> format, TUserInterface& ui) {
  const TImageFormat f = format.value_or(ImageFormatOf(file));
  const TImageSpan span = DocumentSpan(f, Chip_, Document_.Origin());
  const TImageSave save = SaveImageFile(file, f, Document_.Bytes(), span, ui);
  if (!save.Saved) return Failure(TOutcome::Failed, save.ExitCode, save.Error);
  Document_.Saved(SavedOrigin(Document_.Origin(), file, f, span, Chip_));
  return {};
}
