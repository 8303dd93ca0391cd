#include "localization/language_source.h"

#include "localization/localization_error.h"
#include "localization/name_value.h"

// ---------------------------------------------------------------- TQCustomLanguageSource

TQCustomLanguageSource::TQCustomLanguageSource(QObject* owner)
    : QObject(owner), ActiveSettings_(std::make_unique<TQLanguageSettings>(this)) {}

TQCustomLanguageSource::~TQCustomLanguageSource() {
  const auto localizers = Localizers_;
  Localizers_.clear();
  for (TQCustomLocalizer* l : localizers) l->SourceRemoved();
}

void TQCustomLanguageSource::EndLoading() {
  Loading_ = false;
  if (PendingLanguage_ >= -1 && PendingLanguage_ < LanguageCount()) SetActiveLanguage(PendingLanguage_);
}

void TQCustomLanguageSource::SetActiveLanguage(int value) {
  if (Loading_) {
    PendingLanguage_ = value;
    Activated_ = false;
    return;
  }
  if (value < -1 || value > LanguageCount() - 1)
    throw EQLocalError(FormatText(kQLocalIndexOutOfBounds, {std::to_string(value)}));
  if (value != ActiveLanguage_) {
    if (Activated_) {
      bool allow = true;
      LanguageChanging(value, allow);
      if (!allow) return;
    }
    if (ActiveLanguage_ >= 0) CloseLanguage();
    ActiveLanguage_ = value;
    if (value >= 0) OpenLanguage();
    LocalizeAll();
    if (Activated_) LanguageChanged();
  }
  Activated_ = true;
}

void TQCustomLanguageSource::SetLanguages(const QStringList& value) {
  if (&value == &Languages_) return;
  Languages_ = value;
  SetActiveLanguage(-1);
}

QString TQCustomLanguageSource::GetLanguageTitle(int index) const {
  if (index < -1 || index > LanguageCount() - 1)
    throw EQLocalError(FormatText(kQLocalIndexOutOfBounds, {std::to_string(index)}));
  return index == -1 ? OriginalName : NameOf(Languages_[index]);
}

QString TQCustomLanguageSource::GetLanguageFileName(int index) const {
  if (index < -1 || index > LanguageCount() - 1)
    throw EQLocalError(FormatText(kQLocalIndexOutOfBounds, {std::to_string(index)}));
  if (index == -1) return QString();
  const QString title = NameOf(Languages_[index]);
  for (const QString& entry : Languages_)
    if (NameOf(entry).compare(title, Qt::CaseInsensitive) == 0) return ValueOf(entry);
  return ValueOf(Languages_[index]);
}

void TQCustomLanguageSource::SetActiveSettings(const TQLanguageSettings& value) {
  if (&value == ActiveSettings_.get()) return;
  ActiveSettings_->Assign(value);
}

void TQCustomLanguageSource::RegisterLocalizer(TQCustomLocalizer* localizer, bool localizeNow) {
  if (!localizer || Localizers_.contains(localizer)) return;
  Localizers_.append(localizer);
  if (ActiveLanguage_ >= 0 && localizeNow) localizer->Localize();
}

void TQCustomLanguageSource::UnregisterLocalizer(TQCustomLocalizer* localizer) { Localizers_.removeOne(localizer); }

void TQCustomLanguageSource::LocalizeAll() {
  const auto localizers = Localizers_;
  for (TQCustomLocalizer* l : localizers) l->Localize();
}

void TQCustomLanguageSource::LanguageChanging(int index, bool& allow) {
  const auto localizers = Localizers_;
  for (TQCustomLocalizer* l : localizers) {
    bool ignored = true;  // only the source's own event may refuse the change
    l->LanguageChanging(index, ignored);
  }
  if (OnLanguageChanging) OnLanguageChanging(this, index, allow);
}

void TQCustomLanguageSource::LanguageChanged() {
  const auto localizers = Localizers_;
  for (TQCustomLocalizer* l : localizers) l->LanguageChanged();
  if (OnLanguageChanged) OnLanguageChanged(this);
}

void TQCustomLanguageSource::SetCurrentSection(const QString& value) {
  if (value == CurrentSection_) return;
  CurrentSection_ = value;
}

QString TQCustomLanguageSource::ReadString(const QString&, const QString& defaultValue) { return defaultValue; }

void TQCustomLanguageSource::RefuseWhenReadOnly() const {
  if (ReadOnly()) throw EQLocalError(kQLocalSourceReadOnly);
}

void TQCustomLanguageSource::WriteString(const QString&, const QString&) { RefuseWhenReadOnly(); }
void TQCustomLanguageSource::ReadSection(QStringList*) {}
void TQCustomLanguageSource::WriteSection(const QStringList*) { RefuseWhenReadOnly(); }
void TQCustomLanguageSource::EraseSection() { RefuseWhenReadOnly(); }
void TQCustomLanguageSource::Clear() { RefuseWhenReadOnly(); }

// ---------------------------------------------------------------- TQLanguageSource

TQLanguageSource::~TQLanguageSource() { CloseLanguage(); }

void TQLanguageSource::OpenLanguage() {
  TQFileLanguageSource::OpenLanguage();
  CloseLanguage();
  if (ActiveLanguage() >= 0) File_ = std::make_unique<TQLanguageFile>(GetLanguageFileName(ActiveLanguage()));
}

void TQLanguageSource::CloseLanguage() {
  TQFileLanguageSource::CloseLanguage();
  File_.reset();
}

QString TQLanguageSource::ReadString(const QString& ident, const QString& defaultValue) {
  QString result = TQFileLanguageSource::ReadString(ident, defaultValue);
  if (File_ && !ident.isEmpty()) result = File_->ReadString(CurrentSection(), ident, defaultValue);
  return result;
}

void TQLanguageSource::WriteString(const QString& ident, const QString& value) {
  TQFileLanguageSource::WriteString(ident, value);
  if (File_ && !ident.isEmpty()) File_->WriteString(CurrentSection(), ident, value);
}

void TQLanguageSource::ReadSection(QStringList* list) {
  TQFileLanguageSource::ReadSection(list);
  if (!list) return;
  if (File_) File_->ReadSectionValues(CurrentSection(), *list);
  if (SortSections) list->sort(Qt::CaseInsensitive);
}

void TQLanguageSource::WriteSection(const QStringList* list) {
  TQFileLanguageSource::WriteSection(list);
  if (!list || !File_) return;
  QStringList entries = *list;
  if (SortSections) entries.sort(Qt::CaseInsensitive);
  for (const QString& entry : entries) {
    if (entry.contains(u'=')) WriteString(NameOf(entry), ValueOf(entry));
  }
}

void TQLanguageSource::EraseSection() {
  TQFileLanguageSource::EraseSection();
  if (File_ && !CurrentSection().isEmpty()) File_->EraseSection(CurrentSection());
}

void TQLanguageSource::Clear() {
  TQFileLanguageSource::Clear();
  if (File_) File_->Clear();
}
