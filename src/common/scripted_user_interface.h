// A user interface for tests and scripts: records what was shown and answers from queues.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/user_interface.h"

class TScriptedUserInterface : public TUserInterface {
 public:
  enum class TKind { Message, Information, Error, Warning, Question, SaveChanges, Notice };
  struct TShown {
    TKind Kind;
    std::string Text;
    TAnswer Default = TAnswer::Ok;  // the button Enter presses, for Yes/No questions
  };

  std::vector<TShown> Shown;           // every box, in order
  std::deque<TAnswer> Answers;         // answers to warnings and questions; Cancel (warnings,
                                       // unsaved changes) or No (Yes/No questions) when empty
  std::deque<std::string> FileNames;   // files picked by dialogs; cancelled when empty
  std::deque<int> FilterIndexes;       // filter chosen with each picked file; kept when empty
  std::vector<TFileDialog> Dialogs;    // the dialogs as they were asked
  std::vector<int> Progress;           // every progress position set
  std::vector<TProgressPhase> Phases;  // every phase started
  int StopAfterProgress = -1;          // StopRequested() once this many positions were set

  void ShowMessage(const std::string& text) override { Shown.push_back({TKind::Message, text}); }
  void ShowInformation(const std::string& text) override { Shown.push_back({TKind::Information, text}); }
  void ShowError(const std::string& text) override { Shown.push_back({TKind::Error, text}); }
  void ShowNotice(const std::string& text) override { Shown.push_back({TKind::Notice, text}); }
  TAnswer AskWarning(const std::string& text) override;
  TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) override;
  TAnswer AskSaveChanges(const std::string& text) override;
  bool ExecuteOpenDialog(TFileDialog& dialog) override { return Pick(dialog); }
  bool ExecuteSaveDialog(TFileDialog& dialog) override { return Pick(dialog); }
  std::string MessageText(const std::string& key) override;
  void SetProgress(int position) override { Progress.push_back(position); }
  void SetPhase(TProgressPhase phase) override { Phases.push_back(phase); }
  bool StopRequested() override {
    return StopAfterProgress >= 0 && Progress.size() >= static_cast<size_t>(StopAfterProgress);
  }

  // The texts shown, without their kinds.
  std::vector<std::string> Texts() const;
  // The texts shown as kind.
  std::vector<std::string> Texts(TKind kind) const;

 private:
  TAnswer Next(TKind kind, const std::string& text, TAnswer whenEmpty);
  bool Pick(TFileDialog& dialog);
};
