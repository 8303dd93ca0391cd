#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>

QString QtLocaleOfLanguageFile(const QString& fileName) {
  static const struct {
    const char* Base;
    const char* Locale;
  } kLocales[] = {{"russian", "ru"}, {"bulgarian", "bg"}};
  const QString base = QFileInfo(fileName).completeBaseName().toLower();
  for (const auto& l : kLocales)
    if (base == QLatin1String(l.Base)) return QString::fromLatin1(l.Locale);
  return {};
}

QStringList QtTranslationFolders() {
  QStringList folders;
  const QString beside = QCoreApplication::applicationDirPath();
  if (!beside.isEmpty()) folders << beside + QStringLiteral("/translations");
  folders << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  return folders;
}

TQtTranslations::~TQtTranslations() { Remove(); }

void TQtTranslations::Remove() {
  for (auto& t : Installed_) QCoreApplication::removeTranslator(t.get());
  Installed_.clear();
  Locale_.clear();
}

bool TQtTranslations::Apply(const QString& locale, const QStringList& folders) {
  if (locale == Locale_ && !Installed_.empty()) return true;
  Remove();
  if (locale.isEmpty()) return true;
  // qtbase holds the texts of the widgets the program uses: buttons, dialogs, menus.
  for (const QString& folder : folders) {
    auto t = std::make_unique<QTranslator>();
    if (!t->load(QStringLiteral("qtbase_") + locale, folder)) continue;
    QCoreApplication::installTranslator(t.get());
    Installed_.push_back(std::move(t));
    Locale_ = locale;
    return true;
  }
  return false;
}
