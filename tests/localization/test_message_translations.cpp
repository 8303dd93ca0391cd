// Every message the program has a text for is in every shipped language: English with the
// program's own text, Russian and Bulgarian translated.
#include <gtest/gtest.h>

#include <QString>

#include "common/user_interface.h"
#include "localization/language_file.h"
#include "localization/messages.h"

namespace {

QString Shipped(const char* file, const std::string& key) {
  TQLanguageFile f(QString(TESMARO_SOURCE_DIR) + "/data/" + file);
  return f.ReadString(kAdditionalMessagesSection, QString::fromStdString(key), QString());
}

bool HasCyrillic(const QString& s) {
  for (QChar c : s)
    if (c.unicode() >= 0x0410 && c.unicode() <= 0x044F) return true;
  return false;
}

// The "%s" / "%d" places of a text, in order.
QString Placeholders(const QString& s) {
  QString out;
  for (qsizetype i = 0; i + 1 < s.size(); ++i)
    if (s[i] == u'%' && (s[i + 1] == u's' || s[i + 1] == u'd' || s[i + 1] == u'%')) out += s[++i];
  return out;
}

}  // namespace

TEST(MessageTranslations, EveryBuiltInMessageIsInEveryLanguage) {
  for (const std::string& key : BuiltInMessageKeys()) {
    const QString english = QString::fromStdString(BuiltInMessageText(key));
    // "NotSuppChips" is shown after "* - ", which the report adds itself.
    if (key != "NotSuppChips") {
      EXPECT_EQ(Shipped("english.lng", key), english) << key;
    }
    for (const char* file : {"russian.lng", "bulgarian.lng"}) {
      const QString t = Shipped(file, key);
      EXPECT_TRUE(HasCyrillic(t)) << file << " " << key << ": " << t.toStdString();
      EXPECT_EQ(Placeholders(t), Placeholders(english)) << file << " " << key;
      // Labels that text follows keep their closing blank.
      EXPECT_EQ(t.endsWith(u' '), english.endsWith(u' ')) << file << " " << key;
    }
  }
}
