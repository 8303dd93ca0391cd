// The CLI's user interface: messages on the terminal, questions answered by --yes or the user,
// progress as a bar on standard error when it is a terminal, stop requests from SIGINT and SIGTERM.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/user_interface.h"

class TProgressBoard;

class TConsoleUserInterface : public TUserInterface {
 public:
  TConsoleUserInterface();
  ~TConsoleUserInterface() override;

  // For the whole process, set from --quiet, --verbose and --json: Quiet shows errors only (no
  // messages, no progress); Json keeps standard output for the JSON document (messages go to
  // standard error).
  static inline bool Quiet = false;
  static inline bool Verbose = false;
  static inline bool Json = false;

  bool AssumeYes = false;                // --yes: every warning is answered Yes
  uint64_t ProgressBytes = 0;            // what 100 % of the progress stands for: the chip's size
  int Notices = 0;                       // notices shown: with --strict a command that succeeded exits 7
  std::vector<std::string> NoticeTexts;  // their texts, for a --json document's "warnings"

  void ShowMessage(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowError(const std::string& text) override;
  // "tesmaro-cli: warning: TEXT" on standard error; counted in Notices.
  void ShowNotice(const std::string& text) override;
  // Asks on the terminal; without a terminal (and without AssumeYes) the answer is No.
  TAnswer AskWarning(const std::string& text) override;
  TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) override;
  TAnswer AskSaveChanges(const std::string& text) override;
  bool ExecuteOpenDialog(TFileDialog&) override { return false; }
  bool ExecuteSaveDialog(TFileDialog&) override { return false; }
  std::string MessageText(const std::string& key) override;
  void SetProgress(int position) override;
  void SetPhase(TProgressPhase phase) override;
  // While TStopOnSignals is in force: SIGINT or SIGTERM came.
  bool StopRequested() override;

  // Texts the program builds with LF CR line breaks, printed with plain newlines.
  static std::string PlainLines(const std::string& text);

 private:
  bool ReadAnswer(std::string& line);

  std::unique_ptr<TProgressBoard> Progress_;
};

// One line of standard input without its line end; false at the end of the input (with nothing
// read) or once SIGINT or SIGTERM asked the command to stop (see TStopOnSignals).
bool ReadLineUnlessStopped(std::string& line);

// A line on standard error with --verbose, nothing otherwise.
void VerboseLine(const std::string& text);
