// The localizer of one window: replaces the texts of the window's components with the texts of
// the window's section in the active language, applies the language's reading order, and puts
// the window's own texts back for the original language. It can also save the texts to the file.
#pragma once

#include <QStringList>
#include <functional>

#include "localization/localizer.h"

enum TQSaveOption { soSaveEmpty = 1, soIgnoreDependencyIfEmpty = 2, soIncludeFrames = 4 };
using TQSaveOptions = int;  // a set of TQSaveOption flags

// Before a text is set or saved: may change the text or refuse.
using TQPropProcessingEvent =
    std::function<void(QObject* sender, QObject* object, const QString& propName, QString& value, bool& allow)>;
// After a text was set or saved.
using TQPropProcessedEvent =
    std::function<void(QObject* sender, QObject* object, const QString& propName, const QString& value)>;

class TQFormLocalizer : public TQCustomLocalizer {
  Q_OBJECT
 public:
  // owner: the window. Throws EQLocalError without an owner or when the owner already holds one.
  explicit TQFormLocalizer(QObject* owner);
  ~TQFormLocalizer() override;

  QObject* Window() const { return parent(); }

  // Property paths that are localized (default "Caption", "Hint").
  const QStringList& PropNames() const { return PropNames_; }
  // With a language active, restores the originals of dropped paths and captures added ones.
  void SetPropNames(const QStringList& value);
  // The window's own texts captured before the first switch away from the original language:
  // "key=encoded text".
  const QStringList& Originals() const { return Originals_; }
  void SetOriginals(const QStringList& value);
  // "path=path": a property whose text equals another object's is stored under that object's key.
  const QStringList& Dependencies() const { return Dependencies_; }
  void SetDependencies(const QStringList& value);
  // Component paths and keys never captured, saved or localized.
  const QStringList& Excluded() const { return Excluded_; }
  void SetExcluded(const QStringList& value);

  TQSaveOptions SaveOptions = 0;
  TQPropProcessingEvent OnPropertyLocalizing;
  TQPropProcessedEvent OnPropertyLocalized;
  TQPropProcessingEvent OnPropertySaving;
  TQPropProcessedEvent OnPropertySaved;

  void Localize() override;
  // Writes the window's current texts into the active language file.
  void Save() override;
  void LanguageChanging(int index, bool& allow) override;
  void LanguageChanged() override;

  virtual void DoPropertyLocalizing(QObject* object, const QString& propName, QString& value, bool& allow);
  virtual void DoPropertyLocalized(QObject* object, const QString& propName, const QString& value);
  virtual void DoPropertySaving(QObject* object, const QString& propName, QString& value, bool& allow);
  virtual void DoPropertySaved(QObject* object, const QString& propName, const QString& value);
  // Applies one section of the active language to the window.
  virtual void LocalizeSection(const QString& name);
  // Writes the window's texts into one section of the active language file.
  virtual void SaveSection(const QString& name);

 private:
  enum class TWalkMode { Capture, Save };
  void CaptureOriginals(const QStringList& names);
  void Walk(QObject* component, const QStringList& names, TWalkMode mode, const QString& section);
  // Returns false when saving was refused for the rest of this component's properties.
  bool Process(QObject* component, const QStringList& names, TWalkMode mode, const QString& section);
  void ApplyText(QObject* object, const QString& propertyPath, const QString& text);
  // Restores the originals whose property paths are in `only` (all when empty) and removes them.
  void RestoreOriginals(const QStringList& only = {});
  void ApplyCharsetAndBiDi(QObject* component, uint8_t charSet, int biDiMode);
  bool ReplaceEmpty() const { return SaveOptions & soSaveEmpty; }

  QStringList PropNames_{QStringLiteral("Caption"), QStringLiteral("Hint")};
  QStringList Originals_;
  QStringList Dependencies_;
  QStringList Excluded_;
  bool Destroying_ = false;
};
