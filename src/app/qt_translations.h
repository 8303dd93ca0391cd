// Qt's own texts (standard buttons, file dialogs, context menus) in the program's active language:
// Qt's translation files for the language are installed on a switch and dropped on the next one.
#pragma once

#include <QString>
#include <QStringList>
#include <QTranslator>
#include <memory>
#include <vector>

// The locale of a language file by its name ("russian.lng" gives "ru"); empty for English and
// for files of an unknown language, which keep Qt's texts as built.
QString QtLocaleOfLanguageFile(const QString& fileName);

// Where Qt's translation files are looked for: the "translations" folder beside the executable
// (a portable copy), then Qt's own translations folder.
QStringList QtTranslationFolders();

class TQtTranslations {
 public:
  ~TQtTranslations();
  // Installs Qt's translations of locale (removing those installed before); an empty locale
  // installs none. False when the locale has no translation files in any folder.
  bool Apply(const QString& locale, const QStringList& folders = QtTranslationFolders());
  const QString& Locale() const { return Locale_; }

 private:
  void Remove();

  QString Locale_;
  std::vector<std::unique_ptr<QTranslator>> Installed_;
};
