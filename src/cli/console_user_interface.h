// The CLI's user interface: messages on the terminal, questions answered by --yes or the user,
// progress as a bar on standard error when it is a terminal, stop requests from SIGINT and SIGTERM.
#pragma once

#include <string>

#include "common/user_interface.h"

class TConsoleUserInterface : public TUserInterface {
 public:
  bool AssumeYes = false;  // --yes: every warning is answered Yes

  void ShowMessage(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowError(const std::string& text) override;
  // Asks on the terminal; without a terminal (and without AssumeYes) the answer is No.
  TAnswer AskWarning(const std::string& text) override;
  TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) override;
  TAnswer AskSaveChanges(const std::string& text) override;
  bool ExecuteOpenDialog(TFileDialog&) override { return false; }
  bool ExecuteSaveDialog(TFileDialog&) override { return false; }
  std::string MessageText(const std::string& key) override;
  void SetProgress(int position) override;
  // While TStopOnSignals is in force: SIGINT or SIGTERM came.
  bool StopRequested() override;

  // Texts the program builds with LF CR line breaks, printed with plain newlines.
  static std::string PlainLines(const std::string& text);

 private:
  bool ReadAnswer(std::string& line);

  int LastProgress_ = -1;
};

// One line of standard input without its line end; false at the end of the input (with nothing
// read) or once SIGINT or SIGTERM asked the command to stop (see TStopOnSignals).
bool ReadLineUnlessStopped(std::string& line);
