// The main window's image-file commands: Open, Save As and the loads behind them.
#include <filesystem>

#include "app/main_window.h"
#include "imagefile/image_file.h"

void Tf::InitFileDialogs() {
  // The filters are not translated; the filter index, not the extension, picks the format.
  OpenDialog1.Filter = "Hex file (*.hex)|*.hex|Binary File (*.bin)|*.bin|All files (binary)|*.*";
  OpenDialog1.FilterIndex = 1;
  OpenDialog1.DefaultExt = "hex";
  OpenDialog1.OverwritePrompt = false;
  SaveDialog1.Filter = "Hex files (*.hex)|*.hex|Binary files (*.*)|*.*";
  SaveDialog1.FilterIndex = 1;
  SaveDialog1.DefaultExt = "hex";
  SaveDialog1.OverwritePrompt = false;
}

void Tf::LoadHexFile(const std::string& fileName) {
  // A load that fails partway has still changed the buffer: the view follows it either way.
  try {
    if (::LoadHexFile(fileName, CurrentChip) == THexLoad::WrongChecksum) Ui().ShowMessage(Ui().MessageText("WrongChecksum"));
  } catch (...) {
    UpdateView();
    throw;
  }
  UpdateView();
}

void Tf::LoadBinFile(const std::string& fileName) {
  try {
    ::LoadBinFile(fileName, CurrentChip);
  } catch (...) {
    UpdateView();
    throw;
  }
  UpdateView();
}

void Tf::ToolButton1Click() {
  if (!Ui().ExecuteOpenDialog(OpenDialog1)) return;
  if (OpenDialog1.FilterIndex == 1)
    LoadHexFile(OpenDialog1.FileName);
  else
    LoadBinFile(OpenDialog1.FileName);
}

void Tf::ToolButton2Click() {
  if (!Ui().ExecuteSaveDialog(SaveDialog1)) return;
  const std::string& file = SaveDialog1.FileName;
  std::error_code ec;
  if (std::filesystem::exists(file, ec) && Ui().AskWarning(Ui().MessageText("ConfirmSave")) != TAnswer::Yes) return;
  if (SaveDialog1.FilterIndex == 1)
    SaveHexFile(file, CurrentChip);
  else
    SaveBinFile(file, CurrentChip);
}
