#include "localization/messages.h"

#include "common/user_interface.h"
#include "localization/language_source.h"

QString MessageText(TQCustomLanguageSource& source, const QString& key) {
  source.SetCurrentSection(QString::fromLatin1(kAdditionalMessagesSection));
  if (source.ActiveLanguage() == -1) {
    const std::string builtIn = BuiltInMessageText(key.toStdString());
    if (!builtIn.empty()) return QString::fromStdString(builtIn);
  }
  return source.ReadString(key, QString::fromLatin1(kMessageNotFound));
}
