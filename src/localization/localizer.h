// The base of window localizers: the link to a language source and the language-change
// notifications that the source sends to every registered localizer.
#pragma once

#include <QObject>
#include <functional>

class TQCustomLanguageSource;

// Raised before a language change; setting allowChange to false refuses it.
using TQLangChangingEvent = std::function<void(QObject* sender, int languageIndex, bool& allowChange)>;
using TQNotifyEvent = std::function<void(QObject* sender)>;

class TQCustomLocalizer : public QObject {
  Q_OBJECT
 public:
  explicit TQCustomLocalizer(QObject* owner);
  // Unregisters from the source; the window's texts stay as they are.
  ~TQCustomLocalizer() override;

  TQCustomLanguageSource* Source() const { return Source_; }
  // Attaches to a source (or detaches with null): unregisters from the old one, tells itself of
  // the language change the new source brings, and registers (localizing at once when the new
  // source has a language active and the change was allowed). While loading, only remembered.
  void SetSource(TQCustomLanguageSource* value);

  // Loading as from a window's description: the source is applied at the end.
  void BeginLoading() { Loading_ = true; }
  void EndLoading();
  bool Loading() const { return Loading_; }

  bool ClearBeforeSave = false;
  TQLangChangingEvent OnLanguageChanging;
  TQNotifyEvent OnLanguageChanged;

  virtual void Localize() = 0;
  virtual void Save() {}
  // Raises OnLanguageChanging.
  virtual void LanguageChanging(int index, bool& allow);
  // Raises OnLanguageChanged.
  virtual void LanguageChanged();

 private:
  friend class TQCustomLanguageSource;
  // The source is being destroyed: forget it and localize without it.
  void SourceRemoved();

  TQCustomLanguageSource* Source_ = nullptr;
  TQCustomLanguageSource* LoadedSource_ = nullptr;
  bool Loading_ = false;
};
