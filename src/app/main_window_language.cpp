// Localization of the main window: the language source and its languages, the localizers of the
// main window and the chip dialog, messages in the active language, the remembered language at
// start-up and the Language menu.
#include <map>

#include "app/chip_dialog.h"
#include "app/gui_user_interface.h"
#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/notice_bar.h"
#include "app/qt_translations.h"
#include "common/error.h"
#include "common/format_arguments.h"
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
  Localizer_ = new TQFormLocalizer(this);
  Localizer_->setObjectName("QFormLocalizer1");
  auto* dialogLocalizer = new TQFormLocalizer(ChipDialog_);
  dialogLocalizer->setObjectName("QFormLocalizer1");

  // Configured as from the window's description: the pending original language is applied at
  // the end of loading, so the source is activated and reports every later switch.
  LanguageSource_ = new TQLanguageSource(this);
  LanguageSource_->setObjectName("QLanguageSource");
  LanguageSource_->BeginLoading();
  LanguageSource_->SetLanguages({QStringLiteral("Български=bulgarian.lng"), QStringLiteral("English=english.lng"),
                                 QStringLiteral("Русский=russian.lng")});
  LanguageSource_->OriginalName = QStringLiteral("Original");
  LanguageSource_->DefaultFileExt = QStringLiteral("lng");
  LanguageSource_->SortSections = false;
  LanguageSource_->EndLoading();

  // Both windows follow the main window's source; the dialog exists by now.
  Localizer_->SetSource(LanguageSource_);
  dialogLocalizer->SetSource(LanguageSource_);

  if (OwnUi_) OwnUi_->MessageLookup = [this](const std::string& key) { return MessageText(key); };
}

std::string TMainWindow::MessageText(const std::string& key) {
  return ::MessageText(*LanguageSource_, QString::fromStdString(key)).toStdString();
}

void TMainWindow::SelectStartupLanguage(int32_t langId) {
  // A remembered index outside the list is reported and the original language kept, so the
  // rest of the start-up still runs and the user can pick a language again.
  try {
    LanguageSource_->SetActiveLanguage(langId);
  } catch (const EQLocalError& e) {
    Ui().ShowError(e.what());
  }
}

int TMainWindow::LanguageInUse() const {
  const int active = LanguageSource_->ActiveLanguage();
  if (active >= 0) return active;
  // Before a language is chosen the windows show their own texts, which are English.
  for (int i = 0; i < LanguageSource_->LanguageCount(); ++i)
    if (LanguageSource_->GetLanguageFileName(i).compare(QStringLiteral("english.lng"), Qt::CaseInsensitive) == 0)
      return i;
  return -1;
}

void TMainWindow::BuildLanguageMenu() {
  for (int i = 0; i < LanguageSource_->LanguageCount(); ++i) {
    auto* item = new QAction(LanguageSource_->GetLanguageTitle(i), MenuBar_);
    item->setData(i);
    item->setCheckable(true);
    item->setChecked(i == LanguageInUse());
    connect(item, &QAction::triggered, this, [this, item] {
      if (!RunWhenIdle([this, item] { SelectLanguage(item); })) {
        // Qt toggled the item on the click; show the language that is really active.
        for (QAction* a : Menu(TMenuId::Language)->actions()) a->setChecked(a->data().toInt() == LanguageInUse());
      }
      Grid_->setFocus(Qt::OtherFocusReason);
    });
    Menu(TMenuId::Language)->addAction(item);
  }
}

void TMainWindow::SelectLanguage(QAction* item) {
  // The messages as they read before the switch, to read the notices back into their messages.
  std::map<std::string, std::string> before;
  if (!NoticeBar_->Lines().isEmpty())
    for (const std::string& key : BuiltInMessageKeys()) before[key] = MessageText(key);
  LanguageSource_->SetActiveLanguage(item->data().toInt());
  for (QAction* a : Menu(TMenuId::Language)->actions()) a->setChecked(false);
  item->setChecked(true);
  ApplyLanguage();
  if (!before.empty()) {
    const TMessageLookup from = [&before](const std::string& key) { return before[key]; };
    const TMessageLookup to = [this](const std::string& key) { return MessageText(key); };
    NoticeBar_->Retranslate([&](const QString& line) -> std::optional<QString> {
      if (const auto made = Retranslated(line.toStdString(), from, to)) return QString::fromStdString(*made);
      return std::nullopt;
    });
  }
  TIniFile(Options_.SettingsFile).WriteInteger(kMainSection, "LangID", LanguageSource_->ActiveLanguage());
}

void TMainWindow::ApplyLanguage() {
  const int active = LanguageSource_->ActiveLanguage();
  QtTranslations_->Apply(active < 0 ? QString() : QtLocaleOfLanguageFile(LanguageSource_->GetLanguageFileName(active)));
  // The way to the chip selection, in the menu's own words.
  Grid_->EmptyHint = QString::fromStdString(FormatText(
      MessageText("SelectChipHint"), {(WithoutMnemonic(Menu(TMenuId::Options)->title()) + QStringLiteral(" \u2192 ") +
                                       WithoutMnemonic(Action(TCommandId::SelectChip)->text()))
                                          .toStdString()}));
  Grid_->viewport()->update();
  SetFileDialogTexts();
  ShowDifferenceTexts();
  ShowHeldProgrammer();
  NoticeBar_->SetCloseHint(QString::fromStdString(MessageText("NoticeCloseHint")));
  UpdateView();
}
