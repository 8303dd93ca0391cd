#include "localization/localizer.h"

#include "localization/language_source.h"

TQCustomLocalizer::TQCustomLocalizer(QObject* owner) : QObject(owner) {}

TQCustomLocalizer::~TQCustomLocalizer() {
  if (Source_) Source_->UnregisterLocalizer(this);
}

void TQCustomLocalizer::EndLoading() {
  Loading_ = false;
  TQCustomLanguageSource* remembered = LoadedSource_;
  LoadedSource_ = nullptr;
  SetSource(remembered);
}

void TQCustomLocalizer::SetSource(TQCustomLanguageSource* value) {
  if (Loading_) {
    LoadedSource_ = value;
    return;
  }
  if (value == Source_) return;
  if (Source_) Source_->UnregisterLocalizer(this);
  const int newIndex = value ? value->ActiveLanguage() : -1;
  const int oldIndex = Source_ ? Source_->ActiveLanguage() : -1;
  bool allow = true;
  if (newIndex != oldIndex) LanguageChanging(newIndex, allow);
  Source_ = value;
  if (newIndex != oldIndex) LanguageChanged();
  if (Source_) Source_->RegisterLocalizer(this, allow);
}

void TQCustomLocalizer::LanguageChanging(int index, bool& allow) {
  if (OnLanguageChanging) OnLanguageChanging(this, index, allow);
}

void TQCustomLocalizer::LanguageChanged() {
  if (OnLanguageChanged) OnLanguageChanged(this);
}

void TQCustomLocalizer::SourceRemoved() {
  Source_ = nullptr;
  Localize();
}
