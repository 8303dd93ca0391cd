// Error texts in the active language: keyed errors are formatted from the language's text of
// their key, with the built-in English as what() and as the fallback.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "common/command_runner.h"
#include "common/error.h"
#include "common/format_arguments.h"
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

// A text read back into its pattern's arguments: "%d" takes digits only, "%%" is a percent sign,
// and a text the pattern did not make gives nothing.
TEST(FormatArguments, ReadsBackWhatFormatTextFilledIn) {
  struct TCase {
    const char* Pattern;
    const char* Text;
    std::optional<std::vector<std::string>> Args;
  } cases[] = {
      {"Bit %s stuck at %s.", "Bit 3 stuck at 1.", std::vector<std::string>{"3", "1"}},
      {"%s repeats every %d bytes", "24C64 repeats every 4096 bytes", std::vector<std::string>{"24C64", "4096"}},
      {"%d %% done", "45 % done", std::vector<std::string>{"45"}},
      {"All FF", "All FF", std::vector<std::string>{}},
      {"%d bytes", "many bytes", std::nullopt},
      {"Bit %s stuck", "Bit 3 stuck at 1.", std::nullopt},
      {"Bit %s stuck at %s.", "Byte 3 stuck at 1.", std::nullopt},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(FormatArguments(c.Pattern, c.Text), c.Args) << c.Pattern << " / " << c.Text;
    if (c.Args) {
      EXPECT_EQ(FormatText(c.Pattern, *c.Args), c.Text) << c.Pattern;
    }
  }
}

// A notice made in one language is made again from the same message in another; a text no
// single message made stays unmade.
TEST(FormatArguments, RetranslatesTextsMadeFromOneMessage) {
  const std::string pattern = BuiltInMessageText("ReadStuckBit");
  ASSERT_FALSE(pattern.empty());
  const TMessageLookup english = [](const std::string& key) { return BuiltInMessageText(key); };
  const TMessageLookup shouting = [](const std::string& key) {
    std::string text = BuiltInMessageText(key);
    for (char& c : text)
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return text;
  };
  const std::string made = FormatText(pattern, {"5", "0"});
  std::string expected = FormatText(shouting("ReadStuckBit"), {"5", "0"});
  EXPECT_EQ(Retranslated(made, english, shouting), expected);
  EXPECT_EQ(Retranslated(made + " And more.", english, shouting), std::nullopt);
  EXPECT_EQ(Retranslated(BuiltInMessageText("ReadAllFF"), english, shouting), shouting("ReadAllFF"));
}
