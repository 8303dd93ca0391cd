// Error texts in the active language: keyed errors are formatted from the language's text of
// their key, with the built-in English as what() and as the fallback.
#include <gtest/gtest.h>

#include <map>

#include "common/command_runner.h"
#include "common/error.h"
#include "common/scripted_user_interface.h"

namespace {

std::function<std::string(const std::string&)> Language(std::map<std::string, std::string> texts) {
  return [texts](const std::string& key) {
    auto it = texts.find(key);
    return it == texts.end() ? std::string(kMessageNotFound) : it->second;
  };
}

}  // namespace

TEST(ErrorText, KeyedErrorsFollowTheLanguageAndFallBackToEnglish) {
  const auto russian = Language({{"UnableToWrite", "Не удаётся записать в %s"}, {"Empty", ""}});
  struct TCase {
    TError Error;
    std::string English;
    std::string Shown;
  } cases[] = {
      {TError(TMessageKey{"UnableToWrite"}, {"/a/b.ini"}), "Unable to write to /a/b.ini",
       "Не удаётся записать в /a/b.ini"},
      // A language file that lacks the key (an older file) shows the English text.
      {TError(TMessageKey{"DiskFull"}, {"a.bin"}), "Disk full: a.bin", "Disk full: a.bin"},
      {TError(TMessageKey{"Empty"}), "Empty", "Empty"},
      // Plain texts have no key and are shown as they are.
      {TError("as it is"), "as it is", "as it is"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string(c.Error.what()), c.English);
    EXPECT_EQ(ErrorText(c.Error, russian), c.Shown) << c.English;
  }
  // The arguments are not taken for patterns.
  EXPECT_EQ(ErrorText(TError(TMessageKey{"IOError"}, {"%s"}), Language({{"IOError", "E%d"}})), "E%s");
}

TEST(ErrorText, CommandsShowKeyedErrorsInTheInterfacesLanguage) {
  struct TRussianUi : TScriptedUserInterface {
    std::string MessageText(const std::string& key) override {
      return key == "CannotOpenFile" ? "Не удаётся открыть файл \"%s\". %s" : TScriptedUserInterface::MessageText(key);
    }
  } ui;
  EXPECT_FALSE(RunCommand(ui, [] { throw TError(TMessageKey{"CannotOpenFile"}, {"x.bin", "No such file"}); }));
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Не удаётся открыть файл \"x.bin\". No such file"});
}
