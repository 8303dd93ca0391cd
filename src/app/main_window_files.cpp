// The main window's image-file commands: Open, Save As, Compare with file, and the loads behind them.
#include <QScreen>
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
#include "imagefile/image_error.h"
#include "imagefile/image_file.h"

namespace {

constexpr const char* kSRecPatterns = "*.s19;*.s28;*.s37;*.srec;*.mot;*.s";

// The format each filter of OpenDialog1 (and OpenDialog3) stands for.
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

void TMainWindow::InitFileDialogs() {
  // The filters are not translated. The file's extension picks the format; the filter index
  // only for a name without a known extension.
  const std::string srec = std::string("S-record file (") + kSRecPatterns + ")|" + kSRecPatterns;
  OpenDialog1.Filter = "Hex file (*.hex)|*.hex|Binary File (*.bin)|*.bin|All files (binary)|*.*|" + srec;
  OpenDialog1.FilterIndex = 1;
  OpenDialog1.DefaultExt = "hex";
  OpenDialog1.OverwritePrompt = false;
  SaveDialog1.Filter = std::string("Hex files (*.hex)|*.hex|Binary files (*.*)|*.*|S-record files (") + kSRecPatterns +
                       ")|" + kSRecPatterns;
  SaveDialog1.FilterIndex = 1;
  SaveDialog1.DefaultExt = "hex";
  SaveDialog1.OverwritePrompt = false;
  OpenDialog3 = OpenDialog1;
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

void TMainWindow::ToolButton1Click() {
  if (!ConfirmDiscardChanges()) return;
  if (!Ui().ExecuteOpenDialog(OpenDialog1)) return;
  const TImageFormat format = ChosenFormat(OpenDialog1.FileName, OpenFilterFormat(OpenDialog1.FilterIndex));
  ReplaceBuffer([this, format] {
    LoadImage(OpenDialog1.FileName, format);
    return true;
  });
  DocumentOpenedOrSaved(OpenDialog1.FileName, format);
}

void TMainWindow::ToolButton2Click() {
  if (!Ui().ExecuteSaveDialog(SaveDialog1)) return;
  const std::string& file = SaveDialog1.FileName;
  std::error_code ec;
  if (std::filesystem::exists(file, ec) && Ui().AskWarning(Ui().MessageText("ConfirmSave")) != TAnswer::Yes) return;
  const TImageFormat format = ChosenFormat(file, SaveFilterFormat(SaveDialog1.FilterIndex));
  SaveImageFile(file, format, CurrentChip);
  DocumentOpenedOrSaved(file, format);
}

void TMainWindow::Compare1Click() {
  if (!Ui().ExecuteOpenDialog(OpenDialog3)) return;
  const std::string& file = OpenDialog3.FileName;
  const TImageFormat format = ChosenFormat(file, OpenFilterFormat(OpenDialog3.FilterIndex));
  const uint32_t offset = AskLoadOffset(file, format);
  // The file as a load would leave the buffer, compared over the chip's bytes.
  std::vector<uint8_t> image(MemoryBuffer, MemoryBuffer + kMemoryBufferSize);
  ReadImageLocalized(file, format, offset, image);
  const size_t n = ChipBytes(CurrentChip);
  TDifferences d = FindDifferences({MemoryBuffer, n}, std::span(image).first(n));
  if (d.Same()) {
    DrawGrid1->SetMarks({});
    if (DifferencesWindow) DifferencesWindow->hide();
    Ui().ShowInformation(Ui().MessageText("CompareSame"));
    return;
  }
  if (!DifferencesWindow) {
    DifferencesWindow = new TDifferencesWindow(this);
    connect(DifferencesWindow, &TDifferencesWindow::GoToAddress, this,
            [this](uint32_t address) { GoToAddress(address); });
    // Beside the window, so that the marks in the grid stay in sight; on the screen in any case.
    QPoint at = frameGeometry().topRight() + QPoint(8, 0);
    if (QScreen* screen = this->screen()) {
      const QRect room = screen->availableGeometry();
      at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - DifferencesWindow->width())));
      at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - DifferencesWindow->height())));
    }
    DifferencesWindow->move(at);
  }
  auto text = [this](const char* key) { return QString::fromStdString(Ui().MessageText(key)); };
  const QString summary = QString::fromStdString(DifferenceText(d, "FileDifference", Ui()));
  DrawGrid1->SetMarks(std::move(d.Ranges));
  DifferencesWindow->SetDifferences(std::move(d.Listed),
                                    text("CompareTitle") + QStringLiteral(" - ") + QString::fromStdString(file),
                                    summary, {text("CompareAddress"), text("CompareBuffer"), text("CompareFile")});
  DifferencesWindow->show();
  DifferencesWindow->raise();
}

void TMainWindow::GoToAddress(uint32_t address) {
  const int row = static_cast<int>(address / 16) + 1;
  const int column = static_cast<int>(address % 16) + 1;
  if (row >= DrawGrid1->RowCount()) return;
  DrawGrid1->SelectCell(column, row);
  DrawGrid1->scrollTo(DrawGrid1->model()->index(row, column));
}
