// The language source: the list of languages, the active one with its file held in memory,
// lookups by section and key, and the localizers told when the language changes.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "localization/language_file.h"
#include "localization/language_settings.h"
#include "localization/localizer.h"

// Abstract source: no storage; lookups give their defaults and writes are refused.
class TQCustomLanguageSource : public QObject {
  Q_OBJECT
 public:
  explicit TQCustomLanguageSource(QObject* owner = nullptr);
  // Registered localizers learn of the removal and return their windows to their own texts.
  ~TQCustomLanguageSource() override;

  // Loading as from a window's description: ActiveLanguage is held as pending and settings
  // writes are ignored; EndLoading applies a pending index that lies in range.
  void BeginLoading() { Loading_ = true; }
  void EndLoading();
  bool Loading() const { return Loading_; }

  // -1 is the original language: no file, windows show their own texts.
  int ActiveLanguage() const { return ActiveLanguage_; }
  // The language switch. Throws EQLocalError "Index out of bounds (%d)" outside -1..Count-1.
  void SetActiveLanguage(int value);
  int PendingLanguage() const { return PendingLanguage_; }
  bool Activated() const { return Activated_; }

  // Entries "title=file name".
  const QStringList& Languages() const { return Languages_; }
  // Copies the list, then returns to the original language.
  void SetLanguages(const QStringList& value);
  int LanguageCount() const { return static_cast<int>(Languages_.size()); }
  // -1 gives OriginalName; otherwise the entry's title.
  QString GetLanguageTitle(int index) const;
  // -1 gives ""; otherwise the file of the first entry with this entry's title (any case).
  QString GetLanguageFileName(int index) const;

  QString OriginalName = QStringLiteral("Original");

  TQLanguageSettings* ActiveSettings() const { return ActiveSettings_.get(); }
  // Copies the reading order and character set of the given settings.
  void SetActiveSettings(const TQLanguageSettings& value);

  void RegisterLocalizer(TQCustomLocalizer* localizer, bool localizeNow);
  void UnregisterLocalizer(TQCustomLocalizer* localizer);
  void LocalizeAll();
  const QList<TQCustomLocalizer*>& Localizers() const { return Localizers_; }

  TQNotifyEvent OnLanguageChanged;
  TQLangChangingEvent OnLanguageChanging;

  // --- virtual operations ---
  // Tells every localizer, then raises OnLanguageChanging; only the event can refuse.
  virtual void LanguageChanging(int index, bool& allow);
  virtual void LanguageChanged();
  virtual void OpenLanguage() {}
  virtual void CloseLanguage() {}
  virtual QString CurrentSection() const { return CurrentSection_; }
  virtual bool ReadOnly() const { return true; }
  virtual void SetCurrentSection(const QString& value);
  virtual QString ReadString(const QString& ident, const QString& defaultValue);
  // The writes below throw EQLocalError "Cannot write to source file (ReadOnly = True)!" here.
  virtual void WriteString(const QString& ident, const QString& value);
  virtual void ReadSection(QStringList* list);
  virtual void WriteSection(const QStringList* list);
  virtual void EraseSection();
  virtual void Clear();

 protected:
  void RefuseWhenReadOnly() const;

 private:
  int ActiveLanguage_ = -1;
  int PendingLanguage_ = -1;
  QList<TQCustomLocalizer*> Localizers_;
  QStringList Languages_;
  bool Activated_ = false;
  bool Loading_ = false;
  QString CurrentSection_;
  std::unique_ptr<TQLanguageSettings> ActiveSettings_;
};

// A source whose languages are files.
class TQFileLanguageSource : public TQCustomLanguageSource {
  Q_OBJECT
 public:
  using TQCustomLanguageSource::TQCustomLanguageSource;
  // Extension of language files; a setting only, not added to the names in Languages.
  QString DefaultFileExt = QStringLiteral("lng");
};

// The file-backed source of the program: the active language's file is read once per switch
// and every lookup is served from memory.
class TQLanguageSource : public TQFileLanguageSource {
  Q_OBJECT
 public:
  using TQFileLanguageSource::TQFileLanguageSource;
  ~TQLanguageSource() override;

  bool SortSections = false;
  // The open file of the active language; null for the original language.
  TQLanguageFile* LanguageFile() const { return File_.get(); }

  void OpenLanguage() override;
  void CloseLanguage() override;
  bool ReadOnly() const override { return false; }
  QString ReadString(const QString& ident, const QString& defaultValue) override;
  void WriteString(const QString& ident, const QString& value) override;
  void ReadSection(QStringList* list) override;
  void WriteSection(const QStringList* list) override;
  void EraseSection() override;
  void Clear() override;

 private:
  std::unique_ptr<TQLanguageFile> File_;
};
