#include "common/scripted_user_interface.h"

TAnswer TScriptedUserInterface::Next(TKind kind, const std::string& text, TAnswer whenEmpty) {
  Shown.push_back({kind, text});
  if (Answers.empty()) return whenEmpty;
  TAnswer a = Answers.front();
  Answers.pop_front();
  return a;
}

TAnswer TScriptedUserInterface::AskWarning(const std::string& text) {
  return Next(TKind::Warning, text, TAnswer::Cancel);
}

TAnswer TScriptedUserInterface::AskYesNo(const std::string& text, TAnswer defaultAnswer) {
  const TAnswer a = Next(TKind::Question, text, TAnswer::No);
  Shown.back().Default = defaultAnswer;
  return a;
}

TAnswer TScriptedUserInterface::AskSaveChanges(const std::string& text) {
  return Next(TKind::SaveChanges, text, TAnswer::Cancel);
}

std::string TScriptedUserInterface::MessageText(const std::string& key) {
  std::string t = BuiltInMessageText(key);
  return t.empty() ? std::string(kMessageNotFound) : t;
}

std::vector<std::string> TScriptedUserInterface::Texts() const {
  std::vector<std::string> out;
  for (const auto& s : Shown) out.push_back(s.Text);
  return out;
}

std::vector<std::string> TScriptedUserInterface::Texts(TKind kind) const {
  std::vector<std::string> out;
  for (const auto& s : Shown)
    if (s.Kind == kind) out.push_back(s.Text);
  return out;
}

bool TScriptedUserInterface::Pick(TFileDialog& dialog) {
  Dialogs.push_back(dialog);
  if (FileNames.empty()) return false;
  dialog.FileName = FileNames.front();
  FileNames.pop_front();
  if (!FilterIndexes.empty()) {
    dialog.FilterIndex = FilterIndexes.front();
    FilterIndexes.pop_front();
  }
  return true;
}
