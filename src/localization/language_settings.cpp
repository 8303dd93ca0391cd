#include "localization/language_settings.h"

#include "localization/char_sets.h"
#include "localization/language_source.h"
#include "localization/localization_error.h"
#include "localization/value_encoding.h"

namespace {

// Sets the source's current section for one read or write and restores it afterwards,
// also when the read or write fails.
class TSectionGuard {
 public:
  TSectionGuard(TQCustomLanguageSource& source, const QString& section)
      : Source_(source), Saved_(source.CurrentSection()) {
    Source_.SetCurrentSection(section);
  }
  ~TSectionGuard() { Source_.SetCurrentSection(Saved_); }

 private:
  TQCustomLanguageSource& Source_;
  QString Saved_;
};

}  // namespace

TQLanguageSettings::TQLanguageSettings(TQCustomLanguageSource* source) : Source_(source) {
  if (!source) throw EQLocalError(kQLocalSourceNotSpecified);
}

QString TQLanguageSettings::Read(const char* ident, const QString& defaultValue) const {
  TSectionGuard guard(*Source_, QString::fromLatin1(kGeneralSettingsSection));
  return Source_->ReadString(QString::fromLatin1(ident), defaultValue);
}

bool TQLanguageSettings::WritesToFile() const { return Source_->ActiveLanguage() != -1 && !Source_->ReadOnly(); }

void TQLanguageSettings::Write(const char* ident, const QString& value) {
  TSectionGuard guard(*Source_, QString::fromLatin1(kGeneralSettingsSection));
  Source_->WriteString(QString::fromLatin1(ident), value);
}

QString TQLanguageSettings::LanguageName() const {
  if (Source_->ActiveLanguage() == -1) return QStringLiteral("Default");
  return Read("LanguageName", QString());
}

void TQLanguageSettings::SetLanguageName(const QString& value) {
  if (Source_->Loading()) return;
  if (WritesToFile())
    Write("LanguageName", value);
  else
    LanguageName_ = value;
}

TBiDiMode TQLanguageSettings::BiDiMode() const {
  if (Source_->ActiveLanguage() == -1) return BiDiMode_;
  auto v = DecimalInteger(Read("BiDiMode", QStringLiteral("0")));
  return v && *v >= 0 && *v <= 3 ? static_cast<TBiDiMode>(*v) : bdLeftToRight;
}

void TQLanguageSettings::SetBiDiMode(TBiDiMode value) {
  if (Source_->Loading()) return;
  if (WritesToFile())
    Write("BiDiMode", QString::number(static_cast<int>(value)));
  else
    BiDiMode_ = value;
}

uint8_t TQLanguageSettings::FontCharSet() const {
  if (Source_->ActiveLanguage() == -1) return FontCharSet_;
  return CharSetFromName(Read("FontCharSet", QStringLiteral("DEFAULT_CHARSET")));
}

void TQLanguageSettings::SetFontCharSet(uint8_t value) {
  if (Source_->Loading()) return;
  if (WritesToFile())
    Write("FontCharSet", CharSetName(value));
  else
    FontCharSet_ = value;
}

void TQLanguageSettings::Assign(const TQLanguageSettings& other) {
  BiDiMode_ = other.BiDiMode();
  FontCharSet_ = other.FontCharSet();
}
