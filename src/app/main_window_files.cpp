// The main window's image-file commands: Open, Save As, Compare with file, the open of a file as
// the document and the save of the document.
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTableView>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/differences_window.h"
#include "app/hex_grid.h"
#include "app/main_window.h"
#include "buffer/differences.h"
#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "common/integer.h"
#include "common/paths.h"
#include "firmware/firmware_file.h"
#include "imagefile/file_errors.h"
#include "imagefile/image_error.h"
#include "imagefile/image_file.h"
#include "session/image_files.h"

namespace {

size_t ChipBytes(const TChip& chip) { return static_cast<size_t>(std::clamp(chip.Size, 0, kMemoryBufferSize)); }

}  // namespace

std::string UserFilesFolder() {
  // The documents folder where the desktop names one that exists, else the home folder.
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString folder = !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
  return QDir::cleanPath(folder).toStdString() + "/";
}

void TMainWindow::InitFileDialogs() {
  // A file's extension picks its format, its content where the extension names none; Save's
  // filter only names the format of a name without a known extension. Every dialog starts where
  // the user's files are.
  OpenDialog.FilterIndex = 1;
  OpenDialog.DefaultExt = "hex";
  OpenDialog.OverwritePrompt = false;
  OpenDialog.InitialDir = UserFilesFolder();
  SaveDialog = OpenDialog;
  SaveDialog.FilterIndex = SaveFilterIndexOf(TImageFormat::Hex);
  CompareDialog = OpenDialog;
  FirmwareDialog.InitialDir = OpenDialog.InitialDir;
  SetFileDialogTexts();
}

void TMainWindow::SetFileDialogTexts() {
  // Built-in English until the language source exists.
  auto text = [this](const std::string& key) { return LanguageSource_ ? MessageText(key) : BuiltInMessageText(key); };
  OpenDialog.Filter = OpenDialogFilter(text);
  SaveDialog.Filter = SaveDialogFilter(text);
  CompareDialog.Filter = OpenDialog.Filter;
  FirmwareDialog.Filter = text("FilterFirmware") + " (*." + kFirmwareFileExtension + ")|*." + kFirmwareFileExtension;
  OpenDialog.Title = text("OpenFileTitle");
  SaveDialog.Title = text("SaveFileTitle");
  CompareDialog.Title = text("CompareFileTitle");
  FirmwareDialog.Title = text("FirmwareFileTitle");
}

std::string TMainWindow::Localized(const std::exception& e) {
  return ErrorText(e, [this](const std::string& key) { return Ui().MessageText(key); });
}

void TMainWindow::ReplaceDocument(
    const std::function<std::optional<TDocumentOrigin>(std::span<uint8_t> scratch)>& fill) {
  Grid_->CommitEntry();
  const std::span<uint8_t> scratch = Document_.Scratch();
  std::fill(scratch.begin(), scratch.end(), kBlankValue);
  std::optional<TDocumentOrigin> origin = fill(scratch);
  if (!origin) return;
  Document_.Adopt(std::move(*origin));
  UpdateView();
}

void TMainWindow::OpenDocument(const std::string& fileName) {
  if (ConfirmDiscardChanges()) OpenFile(fileName);
}

void TMainWindow::OpenFile(const std::string& fileName) {
  // The session's sequence: the format by name or content, the offset asked where the data start
  // past the chip, data past the chip kept with a notice, said once at the open.
  TImageLoadRequest request;
  request.File = fileName;
  request.AskOffset = true;
  request.Chip = CurrentChip;
  request.PastChip = TPastChip::Keep;
  std::vector<std::string> warnings;
  ReplaceDocument([&](std::span<uint8_t> scratch) -> std::optional<TDocumentOrigin> {
    const TImageLoad load = LoadImageInto(request, scratch, Ui());
    if (!load.Loaded) throw TError(load.Error);
    warnings = load.Warnings;
    TDocumentOrigin origin;
    origin.Kind = TOriginKind::File;
    origin.Name = FullFileName(fileName);
    origin.Format = ImageFormatInfo(load.Format).Id;
    origin.Offset = load.Offset;
    origin.DataStart = static_cast<uint32_t>(load.Extent.First);
    origin.DataEnd = static_cast<uint32_t>(load.Extent.End);
    return origin;
  });
  RememberFile(Document_.Origin().Name);
  for (const std::string& warning : warnings) Ui().ShowInformation(warning);
}

void TMainWindow::Open() {
  if (!ConfirmDiscardChanges()) return;
  if (!Ui().ExecuteOpenDialog(OpenDialog)) return;
  OpenFile(OpenDialog.FileName);
}

bool TMainWindow::SaveDocument(const std::string& fileName, TImageFormat format) {
  Grid_->CommitEntry();
  const TDocumentOrigin& from = Document_.Origin();
  const TImageSpan span = DocumentSpan(format, CurrentChip, from);
  try {
    WriteImage(fileName, format, Document_.Bytes(), span);
  } catch (const std::exception& e) {
    // The file is named whether or not the reason names it.
    const std::string why = Localized(e);
    const std::string full = FullFileName(fileName);
    Ui().ShowError(why.find(full) != std::string::npos ? why : FormatText(Ui().MessageText("SaveFailed"), {full, why}));
    return false;
  }
  Document_.Saved(SavedOrigin(from, fileName, format, span, CurrentChip));
  RememberFile(Document_.Origin().Name);
  return true;
}

void TMainWindow::SaveAs() {
  // The name field starts with the document's file, or the chip's name for what was read from it.
  const TDocumentOrigin& origin = Document_.Origin();
  if (origin.IsFile())
    SaveDialog.FileName = origin.Name;
  else if (origin.Kind == TOriginKind::Chip && !CurrentChip.Name.empty())
    SaveDialog.FileName = CurrentChip.Name;
  // A save that fails names the file and why, and offers the dialog again, until the document is
  // saved or the user cancels.
  while (Ui().ExecuteSaveDialog(SaveDialog)) {
    const std::string file = SaveDialog.FileName;
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && Ui().AskWarning(Ui().MessageText("ConfirmSave")) != TAnswer::Yes) return;
    if (SaveDocument(file, KnownImageFormatOf(file).value_or(FormatOfSaveFilter(SaveDialog.FilterIndex)))) return;
  }
}

void TMainWindow::CompareWithFile() {
  if (!Ui().ExecuteOpenDialog(CompareDialog)) return;
  const std::string file = CompareDialog.FileName;
  SetLastFolder(FolderPart(file));
  // The file as an open would leave the document, compared over the chip's bytes.
  TImageLoadRequest request;
  request.File = file;
  request.AskOffset = true;
  request.Chip = CurrentChip;
  request.PastChip = TPastChip::Keep;
  std::vector<uint8_t> image(kMemoryBufferSize);
  if (const TImageLoad load = LoadImageInto(request, image, Ui()); !load.Loaded) throw TError(load.Error);
  const size_t n = ChipBytes(CurrentChip);
  TDifferences d = FindDifferences(Document_.Bytes().first(n), std::span(image).first(n));
  if (d.Same()) {
    Grid_->SetMarks({});
    if (DifferencesWindow_) {
      DifferencesWindow_->hide();
      DifferencesWindow_->SetDifferences({});
    }
    Action(TCommandId::ShowDifferences)->setEnabled(false);
    Ui().ShowInformation(Ui().MessageText("CompareSame"));
    return;
  }
  if (!DifferencesWindow_) {
    DifferencesWindow_ = new TDifferencesWindow(this);
    connect(DifferencesWindow_, &TDifferencesWindow::GoToAddress, this,
            [this](uint32_t address) { GoToAddress(address); });
    // Beside the window, so that the marks in the grid stay in sight; on the screen in any case.
    QPoint at = frameGeometry().topRight() + QPoint(8, 0);
    if (QScreen* screen = this->screen()) {
      const QRect room = screen->availableGeometry();
      at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - DifferencesWindow_->width())));
      at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - DifferencesWindow_->height())));
    }
    DifferencesWindow_->move(at);
  }
  Grid_->SetMarks(std::move(d.Ranges));
  // What the texts are made from, so that they follow a language switch.
  ComparedFile_ = file;
  ComparedSummary_.Count = d.Count;
  ComparedSummary_.Listed.assign(d.Listed.begin(), d.Listed.begin() + 1);
  DifferencesWindow_->SetDifferences(std::move(d.Listed));
  ShowDifferenceTexts();
  Action(TCommandId::ShowDifferences)->setEnabled(true);
  ShowDifferences();
}

void TMainWindow::ShowDifferenceTexts() {
  if (!DifferencesWindow_) return;
  auto text = [this](const char* key) { return QString::fromStdString(Ui().MessageText(key)); };
  DifferencesWindow_->SetTexts(text("CompareTitle") + QStringLiteral(" - ") + QString::fromStdString(ComparedFile_),
                               QString::fromStdString(DifferenceText(ComparedSummary_, "FileDifference", Ui())),
                               {text("CompareAddress"), text("CompareBuffer"), text("CompareFile")});
}

void TMainWindow::ShowDifferences() {
  if (!DifferencesWindow_ || DifferencesWindow_->RowCount() == 0) return;
  DifferencesWindow_->show();
  DifferencesWindow_->raise();
  DifferencesWindow_->activateWindow();
  DifferencesWindow_->List()->setFocus(Qt::OtherFocusReason);
}

void TMainWindow::GoToAddress(uint32_t address) {
  const int row = static_cast<int>(address / 16) + 1;
  const int column = static_cast<int>(address % 16) + 1;
  if (row >= Grid_->RowCount()) return;
  Grid_->SelectCell(column, row);
  Grid_->scrollTo(Grid_->model()->index(row, column));
}
