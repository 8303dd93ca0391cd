// Message texts: the program's own texts in the original language, the file's otherwise.
#include <gtest/gtest.h>

#include <QDir>

#include "common/user_interface.h"
#include "localization/language_source.h"
#include "localization/messages.h"
#include "support/temp_dir.h"

namespace {

TEST(MessageText, FollowsTheActiveLanguage) {
  TTempDir dir;
  dir.Write("a.lng", "[Additional messages]\nProgOK=\"Line 1\"#13#10\"Line 2\"\n");
  const QString saved = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(dir.Folder()));
  TQLanguageSource s;
  s.SetLanguages({"A=a.lng"});
  s.SetCurrentSection("Other");

  EXPECT_EQ(MessageText(s, "ProgOK").toStdString(), BuiltInMessageText("ProgOK"));
  EXPECT_EQ(s.CurrentSection(), "Additional messages");
  EXPECT_EQ(MessageText(s, "NoSuchKey"), "!! message resource not found !!");

  s.SetActiveLanguage(0);
  EXPECT_EQ(MessageText(s, "ProgOK"), "Line 1\r\nLine 2");
  // A language file without the key does not fall back to the built-in text.
  EXPECT_EQ(MessageText(s, "ProgNotOK"), "!! message resource not found !!");
  QDir::setCurrent(saved);
}

}  // namespace
