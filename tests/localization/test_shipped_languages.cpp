// The shipped language files: present beside the executables and complete in every language.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/user_interface.h"
#include "localization/language_file.h"
#include "localization/language_source.h"

namespace {

const char* const kWindowKeys[] = {"Caption",
                                   "sSpeedButton1.Hint",
                                   "sSpeedButton2.Hint",
                                   "sSpeedButton3.Hint",
                                   "sSpeedButton4.Hint",
                                   "sSpeedButton5.Hint",
                                   "sSpeedButton6.Hint",
                                   "sSpeedButton7.Hint",
                                   "sSpeedButton8.Hint",
                                   "File1.Caption",
                                   "Open1.Caption",
                                   "Save1.Caption",
                                   "SaveAs1.Caption",
                                   "N1.Caption",
                                   "Exit1.Caption",
                                   "Program1.Caption",
                                   "Program2.Caption",
                                   "ReadChip1.Caption",
                                   "VerifyAl1.Caption",
                                   "N2.Caption",
                                   "Getversioninfo1.Caption",
                                   "Options1.Caption",
                                   "ChipSelect1.Caption",
                                   "N3.Caption",
                                   "Clearmemory1.Caption",
                                   "N4.Caption",
                                   "Firmwareupdate1.Caption",
                                   "Language1.Caption",
                                   "Help1.Caption",
                                   "SupportedChips1.Caption"};
const char* const kDialogKeys[] = {"GroupBox1.Caption", "GroupBox2.Caption", "BitBtn1.Caption", "BitBtn2.Caption"};
const char* const kMessageKeys[] = {"ConfirmSave", "SuppChips", "NotSuppChips", "ProgNotFound", "VerifOK",
                                    "VerifNotOK",  "ProgOK",    "ProgNotOK",    "ProgNoAnswer"};

struct TLanguage {
  const char* File;
  const char* Name;
  int CharSet;
  bool Cyrillic;
};
const TLanguage kLanguages[] = {{"english.lng", "English", 1, false},
                                {"russian.lng", "Русский", 204, true},
                                {"bulgarian.lng", "Български", 204, true}};

bool HasCyrillic(const QString& s) {
  for (QChar c : s)
    if (c.unicode() >= 0x0410 && c.unicode() <= 0x044F) return true;
  return false;
}

TEST(ShippedLanguages, EveryFileHoldsEveryKey) {
  for (const auto& lang : kLanguages) {
    const std::string path = std::string(TESMARO_SOURCE_DIR) + "/data/" + lang.File;
    EXPECT_TRUE(std::filesystem::exists(std::string(TESMARO_BINARY_DIR) + "/" + lang.File)) << lang.File;
    TQLanguageFile f(QString::fromStdString(path));
    EXPECT_EQ(f.ReadString("General Settings", "LanguageName", ""), QString::fromUtf8(lang.Name));
    EXPECT_EQ(f.CharSet(), lang.CharSet) << lang.File;
    EXPECT_EQ(f.ReadString("General Settings", "BiDiMode", ""), "0");
    EXPECT_EQ(f.ReadString("f", "Caption", ""), "Tesmaro");
    for (const char* k : kWindowKeys) {
      const QString t = f.ReadString("f", k, "");
      EXPECT_FALSE(t.isEmpty()) << lang.File << " f " << k;
      const QString key = QString::fromLatin1(k);
      if (key.startsWith('N') && key.size() == 10) {
        EXPECT_EQ(t, "-") << k;  // menu separators
      }
      if (lang.Cyrillic && key.startsWith("sSpeedButton")) {
        EXPECT_TRUE(HasCyrillic(t)) << k;
      }
    }
    for (const char* k : kDialogKeys) EXPECT_FALSE(f.ReadString("Form2", k, "").isEmpty()) << lang.File << " " << k;
    // The dialog's second group box is framed by a blank on each side in every language.
    const QString box = f.ReadString("Form2", "GroupBox2.Caption", "");
    EXPECT_TRUE(box.startsWith(' ') && box.endsWith(' ')) << lang.File;
    for (const char* k : kMessageKeys) {
      const QString t = f.ReadString("Additional messages", k, "");
      EXPECT_FALSE(t.isEmpty()) << lang.File << " " << k;
      EXPECT_EQ(HasCyrillic(t), lang.Cyrillic) << lang.File << " " << k;
      if (!lang.Cyrillic) {
        // English repeats the program's own texts; the report puts "* - " before "NotSuppChips" itself.
        std::string builtIn = BuiltInMessageText(k);
        if (builtIn.rfind("* - ", 0) == 0) builtIn.erase(0, 4);
        EXPECT_EQ(t.toStdString(), builtIn) << k;
      }
    }
  }
}

}  // namespace
