// Localization of the main window: the language source and its languages, the localizers of the
// main window and the chip dialog, messages in the active language, the remembered language at
// start-up and the Language menu.
#include "app/chip_dialog.h"
#include "app/gui_user_interface.h"
#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/qt_translations.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "localization/form_localizer.h"
#include "localization/language_source.h"
#include "localization/localization_error.h"
#include "localization/messages.h"

namespace {
const char* const kMainSection = "Main";
// A caption as the user reads it: "&&" is "&", a single "&" marks the mnemonic and is dropped.
QString WithoutMnemonic(const QString& caption) {
  QString out;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}
}  // namespace

void TMainWindow::CreateLocalization() {
  // The localizers are created before the source, so they are released (and unregistered)
  // before it when the windows are destroyed.
  QFormLocalizer1 = new TQFormLocalizer(this);
  QFormLocalizer1->setObjectName("QFormLocalizer1");
  auto* dialogLocalizer = new TQFormLocalizer(Form2);
  dialogLocalizer->setObjectName("QFormLocalizer1");

  // Configured as from the window's description: the pending original language is applied at
  // the end of loading, so the source is activated and reports every later switch.
  QLanguageSource = new TQLanguageSource(this);
  QLanguageSource->setObjectName("QLanguageSource");
  QLanguageSource->BeginLoading();
  QLanguageSource->SetLanguages({QStringLiteral("Български=bulgarian.lng"), QStringLiteral("English=english.lng"),
                                 QStringLiteral("Русский=russian.lng")});
  QLanguageSource->OriginalName = QStringLiteral("Original");
  QLanguageSource->DefaultFileExt = QStringLiteral("lng");
  QLanguageSource->SortSections = false;
  QLanguageSource->EndLoading();

  // Both windows follow the main window's source; the dialog exists by now.
  QFormLocalizer1->SetSource(QLanguageSource);
  dialogLocalizer->SetSource(QLanguageSource);

  if (OwnUi_) OwnUi_->MessageLookup = [this](const std::string& key) { return MessageText(key); };
}

std::string TMainWindow::MessageText(const std::string& key) {
  return ::MessageText(*QLanguageSource, QString::fromStdString(key)).toStdString();
}

void TMainWindow::SelectStartupLanguage(int32_t langId) {
  // A remembered index outside the list is reported and the original language kept, so the
  // rest of the start-up still runs and the user can pick a language again.
  try {
    QLanguageSource->SetActiveLanguage(langId);
  } catch (const EQLocalError& e) {
    Ui().ShowError(e.what());
  }
}

void TMainWindow::BuildLanguageMenu() {
  for (int i = 0; i < QLanguageSource->LanguageCount(); ++i) {
    auto* item = new QAction(QLanguageSource->GetLanguageTitle(i), MainMenu1);
    item->setData(i);
    item->setCheckable(true);
    item->setChecked(i == QLanguageSource->ActiveLanguage());
    connect(item, &QAction::triggered, this, [this, item] {
      if (!Run([this, item] { Language1Click(item); })) {
        // Qt toggled the item on the click; show the language that is really active.
        for (QAction* a : Language1->actions()) a->setChecked(a->data().toInt() == QLanguageSource->ActiveLanguage());
      }
      DrawGrid1->setFocus(Qt::OtherFocusReason);
    });
    Language1->addAction(item);
  }
}

void TMainWindow::Language1Click(QAction* item) {
  QLanguageSource->SetActiveLanguage(item->data().toInt());
  for (QAction* a : Language1->actions()) a->setChecked(false);
  item->setChecked(true);
  ApplyLanguage();
  TIniFile(Options_.SettingsFile).WriteInteger(kMainSection, "LangID", QLanguageSource->ActiveLanguage());
}

void TMainWindow::ApplyLanguage() {
  const int active = QLanguageSource->ActiveLanguage();
  QtTranslations_->Apply(active < 0 ? QString() : QtLocaleOfLanguageFile(QLanguageSource->GetLanguageFileName(active)));
  // The way to the chip selection, in the menu's own words.
  DrawGrid1->EmptyHint = QString::fromStdString(FormatText(
      MessageText("SelectChipHint"),
      {(WithoutMnemonic(Options1->title()) + QStringLiteral(" \u2192 ") + WithoutMnemonic(ChipSelect1->text()))
           .toStdString()}));
  DrawGrid1->viewport()->update();
  UpdateView();
}
