// The one interface through which commands show message boxes, ask questions, pick files,
// look up message texts and report progress, so the same command runs in the GUI, the CLI and tests.
#pragma once

#include <string>
#include <vector>

// A file dialog's settings in and the user's choice out. Filters use the "Name|*.ext|Name|*.ext" form.
struct TFileDialog {
  std::string Title;
  std::string Filter;
  int FilterIndex = 1;     // 1-based; the dialog writes back the filter the user chose
  std::string DefaultExt;  // without the dot
  std::string InitialDir;
  std::string FileName;  // the chosen file, when the dialog was accepted
  bool OverwritePrompt = false;
};

enum class TAnswer { Ok, Yes, No, Cancel };

// What the progress stands for while it runs from 0 to 100 %.
enum class TProgressPhase { BackingUp, Writing, Checking, Reading, Verifying, Erasing };

class TUserInterface {
 public:
  virtual ~TUserInterface() = default;

  virtual void ShowMessage(const std::string& text) = 0;      // plain box, OK
  virtual void ShowInformation(const std::string& text) = 0;  // information box, OK
  virtual void ShowError(const std::string& text) = 0;        // error box, OK
  virtual TAnswer AskWarning(const std::string& text) = 0;    // warning box: Yes, No, Cancel
  // A result that may be wrong says so here without stopping the command: the window's notice
  // bar, a "warning:" line of the CLI, the production log's warnings. A plain box where a user
  // interface has nothing better.
  virtual void ShowNotice(const std::string& text) { ShowMessage(text); }
  // A question with Yes and No; Enter presses defaultAnswer (Yes or No). Yes or No comes back.
  virtual TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) = 0;
  // Unsaved changes: Save (Yes), Discard (No) or Cancel.
  virtual TAnswer AskSaveChanges(const std::string& text) = 0;

  virtual bool ExecuteOpenDialog(TFileDialog& dialog) = 0;
  virtual bool ExecuteSaveDialog(TFileDialog& dialog) = 0;

  // The message of this key in the active language.
  virtual std::string MessageText(const std::string& key) = 0;

  // The progress bar of long operations: a position from 0 to 100.
  virtual void SetProgress(int position) = 0;
  // A routine starts the phase that the progress from now on stands for (writing, then checking).
  virtual void SetPhase(TProgressPhase phase) { (void)phase; }

  // Whether the user asked the running operation to stop. Long routines poll it between two
  // exchanges, finish what the device needs (closing commands) and end with "OpStopped".
  virtual bool StopRequested() { return false; }
};

// The message key of a phase's name as the progress shows it: "PhaseWriting", ...
const char* PhaseMessageKey(TProgressPhase phase);

// The program's own English text of each message key, used while no language file is active.
// Returns an empty string for a key that has no built-in text.
std::string BuiltInMessageText(const std::string& key);
// Every key that has a built-in text, in key order.
std::vector<std::string> BuiltInMessageKeys();

// The text shown for a message key that has no text.
inline const char* const kMessageNotFound = "!! message resource not found !!";
