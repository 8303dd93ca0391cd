// The main window's image-file commands: Open, Save As, Compare with file, and the loads behind them.
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

namespace {

constexpr const char* kSRecPatterns = "*.s19;*.s28;*.s37;*.srec;*.mot;*.s";

// The format each filter of OpenDialog (and CompareDialog) stands for.
TImageFormat OpenFilterFormat(int index) {
  if (index == 1) return TImageFormat::Hex;
  if (index == 4) return TImageFormat::SRec;
  return TImageFormat::Bin;
}

TImageFormat SaveFilterFormat(int index) {
  if (index == 1) return TImageFormat::Hex;
  if (index == 3) return TImageFormat::SRec;
  return TImageFormat::Bin;
}

// The file's extension decides; the filter only for a name without a known one.
TImageFormat ChosenFormat(const std::string& fileName, TImageFormat filterFormat) {
  return KnownImageFormatOf(fileName).value_or(filterFormat);
}

size_t ChipBytes(const TChip& chip) { return static_cast<size_t>(std::clamp(chip.Size, 0, kMemoryBufferSize)); }

}  // namespace

std::string UserFilesFolder() {
  // The documents folder where the desktop names one that exists, else the home folder.
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString folder = !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
  return QDir::cleanPath(folder).toStdString() + "/";
}

void TMainWindow::InitFileDialogs() {
  // The file's extension picks the format; the filter index only for a name without a known
  // extension. Every dialog starts where the user's files are.
  OpenDialog.FilterIndex = 1;
  OpenDialog.DefaultExt = "hex";
  OpenDialog.OverwritePrompt = false;
  OpenDialog.InitialDir = UserFilesFolder();
  SaveDialog = OpenDialog;
  CompareDialog = OpenDialog;
  FirmwareDialog.InitialDir = OpenDialog.InitialDir;
  SetFileDialogTexts();
}

void TMainWindow::SetFileDialogTexts() {
  // Built-in English until the language source exists.
  auto text = [this](const char* key) { return LanguageSource_ ? MessageText(key) : BuiltInMessageText(key); };
  const std::string srec = std::string(" (") + kSRecPatterns + ")|" + kSRecPatterns;
  OpenDialog.Filter = text("FilterHexFile") + "|*.hex|" + text("FilterBinFile") + "|*.bin|" + text("FilterAllBinary") +
                      "|*.*|" + text("FilterSRecFile") + srec;
  SaveDialog.Filter =
      text("FilterHexFiles") + "|*.hex|" + text("FilterBinFiles") + "|*.*|" + text("FilterSRecFiles") + srec;
  CompareDialog.Filter = OpenDialog.Filter;
  FirmwareDialog.Filter = text("FilterFirmware") + " (*." + kFirmwareFileExtension + ")|*." + kFirmwareFileExtension;
  OpenDialog.Title = text("OpenFileTitle");
  SaveDialog.Title = text("SaveFileTitle");
  CompareDialog.Title = text("CompareFileTitle");
  FirmwareDialog.Title = text("FirmwareFileTitle");
}

uint32_t TMainWindow::AskLoadOffset(const std::string& fileName, TImageFormat format) {
  if (format == TImageFormat::Bin) return 0;
  const std::optional<uint64_t> lowest = LowestImageAddress(fileName, format);
  if (!lowest || *lowest == 0 || *lowest > UINT32_MAX || *lowest < static_cast<uint64_t>(std::max(CurrentChip.Size, 0)))
    return 0;
  const std::string question =
      FormatText(Ui().MessageText("ImgAskOffset"), {IntToHex(static_cast<int64_t>(*lowest), 4)});
  return Ui().AskYesNo(question, TAnswer::Yes) == TAnswer::Yes ? static_cast<uint32_t>(*lowest) : 0;
}

void TMainWindow::ReadImageLocalized(const std::string& fileName, TImageFormat format, uint32_t offset,
                                     std::span<uint8_t> image) {
  try {
    ReadImageFile(fileName, format, CurrentChip, offset, image);
  } catch (const TImageError& e) {
    throw TError(e.Text([this](const std::string& key) { return Ui().MessageText(key); }));
  }
}

void TMainWindow::LoadImage(const std::string& fileName, TImageFormat format) {
  const uint32_t offset = AskLoadOffset(fileName, format);
  // The whole file or nothing: a file that fails leaves the buffer and the view as they were.
  ReadImageLocalized(fileName, format, offset, {MemoryBuffer, static_cast<size_t>(kMemoryBufferSize)});
  UpdateView();
}

void TMainWindow::LoadHexFile(const std::string& fileName) { LoadImage(fileName, TImageFormat::Hex); }

void TMainWindow::LoadBinFile(const std::string& fileName) { LoadImage(fileName, TImageFormat::Bin); }

void TMainWindow::LoadCommandLineFile(const std::string& fileName) {
  // Intel HEX whatever the extension, unless the name says S-records.
  LoadImage(fileName, KnownImageFormatOf(fileName) == TImageFormat::SRec ? TImageFormat::SRec : TImageFormat::Hex);
}

void TMainWindow::Open() {
  if (!ConfirmDiscardChanges()) return;
  if (!Ui().ExecuteOpenDialog(OpenDialog)) return;
  const TImageFormat format = ChosenFormat(OpenDialog.FileName, OpenFilterFormat(OpenDialog.FilterIndex));
  ReplaceBuffer([this, format] {
    LoadImage(OpenDialog.FileName, format);
    return true;
  });
  DocumentOpenedOrSaved(OpenDialog.FileName, format);
}

void TMainWindow::SaveAs() {
  // A save that fails names the file and why, and offers the dialog again, until the buffer is
  // saved or the user cancels.
  while (Ui().ExecuteSaveDialog(SaveDialog)) {
    const std::string file = SaveDialog.FileName;
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && Ui().AskWarning(Ui().MessageText("ConfirmSave")) != TAnswer::Yes) return;
    const TImageFormat format = ChosenFormat(file, SaveFilterFormat(SaveDialog.FilterIndex));
    if (SaveImageOrSay(file, format)) {
      DocumentOpenedOrSaved(file, format);
      return;
    }
  }
}

bool TMainWindow::SaveImageOrSay(const std::string& fileName, TImageFormat format) {
  try {
    SaveImageFile(fileName, format, CurrentChip);
    return true;
  } catch (const std::exception& e) {
    const std::string why = ErrorText(e, [this](const std::string& key) { return Ui().MessageText(key); });
    const std::string full = FullFileName(fileName);
    Ui().ShowError(why.find(full) != std::string::npos ? why : FormatText(Ui().MessageText("SaveFailed"), {full, why}));
    return false;
  }
}

void TMainWindow::CompareWithFile() {
  if (!Ui().ExecuteOpenDialog(CompareDialog)) return;
  const std::string file = CompareDialog.FileName;
  SetLastFolder(FolderPart(file));
  const TImageFormat format = ChosenFormat(file, OpenFilterFormat(CompareDialog.FilterIndex));
  const uint32_t offset = AskLoadOffset(file, format);
  // The file as a load would leave the buffer, compared over the chip's bytes.
  std::vector<uint8_t> image(MemoryBuffer, MemoryBuffer + kMemoryBufferSize);
  ReadImageLocalized(file, format, offset, image);
  const size_t n = ChipBytes(CurrentChip);
  TDifferences d = FindDifferences({MemoryBuffer, n}, std::span(image).first(n));
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
