// Message boxes, questions and file dialogs of the GUI, with Qt's standard dialogs.
#pragma once

#include <QStringList>
#include <functional>

#include "common/user_interface.h"

class QWidget;

class TGuiUserInterface : public TUserInterface {
 public:
  explicit TGuiUserInterface(QWidget* parent) : Parent_(parent) {}

  void ShowMessage(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowError(const std::string& text) override;
  // Nothing: the window's notice bar shows notices (TMainWindow::ShowNotice), no box.
  void ShowNotice(const std::string&) override {}
  TAnswer AskWarning(const std::string& text) override;
  TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) override;
  TAnswer AskSaveChanges(const std::string& text) override;
  bool ExecuteOpenDialog(TFileDialog& dialog) override;
  bool ExecuteSaveDialog(TFileDialog& dialog) override;
  std::string MessageText(const std::string& key) override;
  void SetProgress(int position) override;

  // Where message texts and progress go; set by the main window.
  std::function<std::string(const std::string&)> MessageLookup;
  std::function<void(int)> ProgressSink;

 private:
  QWidget* Parent_;
};

// "A|*.a|B|*.b" as Qt filters "A (*.a)", "B (*.b)": a label that ends in its patterns shows them
// once, and "*.*" becomes "*" so that the all-files filter also matches names without a dot.
QStringList QtFilters(const std::string& filter);

// The name a save dialog's choice is written under: a trailing "*" or ".*" is dropped, and a name
// without an extension gets the first extension of the chosen Qt filter (none for "*").
std::string SavedFileName(const std::string& chosen, const QString& qtFilter);
