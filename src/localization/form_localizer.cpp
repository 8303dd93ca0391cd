#include "localization/form_localizer.h"

#include <QVariant>

#include "localization/char_sets.h"
#include "localization/component_keys.h"
#include "localization/language_source.h"
#include "localization/localization_error.h"
#include "localization/name_value.h"
#include "localization/value_encoding.h"

namespace {

qsizetype IndexOfName(const QStringList& list, const QString& name) {
  for (qsizetype i = 0; i < list.size(); ++i)
    if (NameOf(list[i]).compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

QStringList Missing(const QStringList& from, const QStringList& in) {
  QStringList out;
  for (const QString& s : from)
    if (!in.contains(s, Qt::CaseInsensitive)) out << s;
  return out;
}

}  // namespace

TQFormLocalizer::TQFormLocalizer(QObject* owner) : TQCustomLocalizer(owner) {
  if (!owner) throw EQLocalError(kQLocalOwnerNotSpecified);
  for (QObject* c : OwnedComponents(owner, true)) {
    if (c != this && qobject_cast<TQFormLocalizer*>(c))
      throw EQLocalError(FormatText(kQLocalAlreadyContains, {owner->objectName().toStdString(), "TQFormLocalizer"}));
  }
}

TQFormLocalizer::~TQFormLocalizer() { Destroying_ = true; }

// ------------------------------------------------------------------ language changes

void TQFormLocalizer::LanguageChanging(int index, bool& allow) {
  TQCustomLocalizer::LanguageChanging(index, allow);
  // Leaving the window's own texts: remember them first.
  if ((!Source() || Source()->ActiveLanguage() == -1) && index >= 0) {
    Originals_.clear();
    CaptureOriginals(PropNames_);
  }
}

void TQFormLocalizer::LanguageChanged() {
  if (!Source() || Source()->ActiveLanguage() == -1) RestoreOriginals();
  TQCustomLocalizer::LanguageChanged();
}

void TQFormLocalizer::Localize() { LocalizeSection(Window() ? Window()->objectName() : QString()); }

void TQFormLocalizer::LocalizeSection(const QString& name) {
  if (Destroying_) return;
  TQCustomLanguageSource* s = Source();
  if (!s || s->ActiveLanguage() < 0 || s->ActiveLanguage() >= s->LanguageCount()) {
    ApplyCharsetAndBiDi(Window(), kDefaultCharSet, bdLeftToRight);
    RestoreOriginals();
    return;
  }
  const TBiDiMode biDiMode = s->ActiveSettings()->BiDiMode();
  const uint8_t charSet = s->ActiveSettings()->FontCharSet();
  ApplyCharsetAndBiDi(Window(), charSet, biDiMode);

  s->SetCurrentSection(name);
  QStringList section;
  s->ReadSection(&section);

  // Texts the language lacks: the window's own.
  for (const QString& entry : QStringList(Originals_)) {
    if (IndexOfName(section, NameOf(entry)) >= 0) continue;
    if (auto r = ResolveKey(Window(), NameOf(entry), Excluded_, PropNames_))
      ApplyText(r->Object, r->PropertyPath, DecodeValue(ValueOf(entry)));
  }
  for (const QString& entry : section) {
    const QString key = NameOf(entry);
    if (Excluded_.contains(key, Qt::CaseInsensitive)) continue;
    if (auto r = ResolveKey(Window(), key, Excluded_, PropNames_))
      ApplyText(r->Object, r->PropertyPath, ValueOf(entry));
  }
}

void TQFormLocalizer::ApplyText(QObject* object, const QString& propertyPath, const QString& text) {
  if (!PropNames_.contains(propertyPath, Qt::CaseInsensitive)) return;
  QString value = text;
  bool allow = true;
  DoPropertyLocalizing(object, propertyPath, value, allow);
  if (!allow) return;
  SetPropertyText(object, propertyPath, value, ReplaceEmpty());
  DoPropertyLocalized(object, propertyPath, value);
}

void TQFormLocalizer::RestoreOriginals(const QStringList& only) {
  const QStringList& allowed = only.isEmpty() ? PropNames_ : only;
  for (qsizetype i = 0; i < Originals_.size();) {
    const QString entry = Originals_[i];
    if (auto r = ResolveKey(Window(), NameOf(entry), Excluded_, allowed)) {
      ApplyText(r->Object, r->PropertyPath, DecodeValue(ValueOf(entry)));
      Originals_.removeAt(i);
    } else {
      ++i;
    }
  }
}

// The character set needs nothing on a Unicode toolkit (it chose the code page in which the
// file was read); the reading order becomes the layout direction of the window's widgets.
void TQFormLocalizer::ApplyCharsetAndBiDi(QObject* component, uint8_t, int biDiMode) {
  if (!component) return;
  const int direction =
      biDiMode >= bdRightToLeft && biDiMode <= bdRightToLeftReadingOnly ? Qt::RightToLeft : Qt::LeftToRight;
  auto apply = [direction](QObject* c) {
    const QVariant current = c->property("layoutDirection");
    if (current.isValid() && current.toInt() != direction) c->setProperty("layoutDirection", direction);
  };
  apply(component);
  for (QObject* c : OwnedComponents(component, true)) {
    if (IsFrame(c) && (SaveOptions & soIncludeFrames))
      ApplyCharsetAndBiDi(c, 0, biDiMode);
    else
      apply(c);
  }
}

// ------------------------------------------------------------------ capture and save

void TQFormLocalizer::CaptureOriginals(const QStringList& names) {
  if (Window()) Walk(Window(), names, TWalkMode::Capture, QString());
}

void TQFormLocalizer::Walk(QObject* component, const QStringList& names, TWalkMode mode, const QString& section) {
  QObject* window = Window();
  if (!Excluded_.contains(ComponentPath(component, window), Qt::CaseInsensitive))
    Process(component, names, mode, section);
  for (QObject* c : OwnedComponents(component)) {
    if (Excluded_.contains(ComponentPath(c, window), Qt::CaseInsensitive)) continue;
    Process(c, names, mode, section);
    if (IsFrame(c) && (SaveOptions & soIncludeFrames)) Walk(c, names, mode, section);
  }
}

bool TQFormLocalizer::Process(QObject* component, const QStringList& names, TWalkMode mode, const QString& section) {
  QObject* window = Window();
  for (const QString& p : names) {
    const QString own = GetPropertyText(component, window, p);
    QObject* target = component;
    QString path = p;

    // A dependency chain names where the text lives; a chain that comes back on itself is dropped.
    QString followed = p;
    QStringList seen{p};
    for (qsizetype i = IndexOfName(Dependencies_, followed); i >= 0; i = IndexOfName(Dependencies_, followed)) {
      const QString next = ValueOf(Dependencies_[i]);
      if (seen.contains(next, Qt::CaseInsensitive)) {
        followed = p;
        break;
      }
      seen << next;
      followed = next;
    }
    if (followed != p) {
      QStringList parts = followed.split(u'.');
      QObject* reached = component;
      for (qsizetype i = 0; reached && i + 1 < parts.size(); ++i) reached = ObjectProperty(reached, parts[i]);
      if (reached) {
        target = reached;
        path = parts.back();
      }
    }

    QString value = GetPropertyText(target, window, path);
    const bool dependent = target != component || path != p;
    if (value != own || (value.isEmpty() && dependent && (SaveOptions & soIgnoreDependencyIfEmpty))) {
      target = component;
      path = p;
      value = own;
    }
    if (value.trimmed().isEmpty() && !(SaveOptions & soSaveEmpty)) continue;
    const QString key = ComponentKey(target, window, path);
    if (key.isEmpty()) continue;

    if (mode == TWalkMode::Capture) {
      const QString entry = key + u'=' + EncodeValue(value);
      qsizetype i = IndexOfName(Originals_, key);
      if (i >= 0)
        Originals_[i] = entry;
      else
        Originals_ << entry;
      continue;
    }
    TQCustomLanguageSource* s = Source();
    s->SetCurrentSection(section);
    bool allow = true;
    DoPropertySaving(component, path, value, allow);
    if (!allow) return false;
    s->WriteString(key, value);
    DoPropertySaved(component, path, value);
  }
  return true;
}

void TQFormLocalizer::Save() {
  TQCustomLanguageSource* s = Source();
  if (!Window()) return;
  // Clearing empties the window's own section, not whichever section was addressed last.
  if (ClearBeforeSave && s) {
    s->SetCurrentSection(Window()->objectName());
    s->EraseSection();
  }
  SaveSection(Window()->objectName());
}

void TQFormLocalizer::SaveSection(const QString& name) {
  TQCustomLanguageSource* s = Source();
  if (!s || s->ActiveLanguage() < 0 || !Window()) return;
  Walk(Window(), PropNames_, TWalkMode::Save, name);
}

// ------------------------------------------------------------------ lists

void TQFormLocalizer::SetPropNames(const QStringList& value) {
  if (&value == &PropNames_) return;
  TQCustomLanguageSource* s = Source();
  if (s && s->ActiveLanguage() >= 0) {
    const QStringList dropped = Missing(PropNames_, value);
    const QStringList added = Missing(value, PropNames_);
    if (!dropped.isEmpty()) RestoreOriginals(dropped);
    if (!added.isEmpty()) CaptureOriginals(added);
  }
  PropNames_ = value;
}

void TQFormLocalizer::SetOriginals(const QStringList& value) {
  if (&value != &Originals_) Originals_ = value;
}

void TQFormLocalizer::SetDependencies(const QStringList& value) {
  if (&value == &Dependencies_) return;
  Dependencies_ = value;
  Localize();
}

void TQFormLocalizer::SetExcluded(const QStringList& value) {
  if (&value == &Excluded_) return;
  Excluded_ = value;
  Localize();
}

// ------------------------------------------------------------------ events

void TQFormLocalizer::DoPropertyLocalizing(QObject* object, const QString& propName, QString& value, bool& allow) {
  if (OnPropertyLocalizing) OnPropertyLocalizing(this, object, propName, value, allow);
}

void TQFormLocalizer::DoPropertyLocalized(QObject* object, const QString& propName, const QString& value) {
  if (OnPropertyLocalized) OnPropertyLocalized(this, object, propName, value);
}

void TQFormLocalizer::DoPropertySaving(QObject* object, const QString& propName, QString& value, bool& allow) {
  if (OnPropertySaving) OnPropertySaving(this, object, propName, value, allow);
}

void TQFormLocalizer::DoPropertySaved(QObject* object, const QString& propName, const QString& value) {
  if (OnPropertySaved) OnPropertySaved(this, object, propName, value);
}
