// The main window's Edit menu over the hex grid: undo and redo, copy and paste, select all, fill,
// pair swap, find and go to; the checksum, selection and title following the document; the
// character column's code page.
#include <QApplication>
#include <QClipboard>

#include "app/edit_prompt.h"
#include "app/hex_grid.h"
#include "app/hex_grid_model.h"
#include "app/main_window.h"
#include "app/status_bar.h"
#include "buffer/hex_text.h"
#include "common/address_text.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "common/integer.h"
#include "localization/char_sets.h"
#include "localization/language_source.h"

namespace {

QString Hex(int64_t value, int digits) { return QString::fromStdString(IntToHex(static_cast<int32_t>(value), digits)); }

}  // namespace

void TMainWindow::CreateEditing() {
  // The views follow the document's signals, whatever changed it.
  Document_.BytesChanged.Connect([this](TByteRange) { ShowChecksum(); });
  Document_.ModifiedChanged.Connect([this](bool) { UpdateTitle(); });
  Document_.OriginChanged.Connect([this] { UpdateTitle(); });
  Document_.CanUndoChanged.Connect([this](bool) { UpdateEditCommands(); });
  UpdateEditCommands();
  connect(Grid_, &THexGrid::SelectionInfo, this, [this](int start, int length, int checksum) {
    // A selection of more than the current byte shows its start, length and byte sum, in words
    // in the panel's tool tip.
    auto text = [&](const char* key) {
      return length > 1 ? QString::fromStdString(Ui().MessageText(key))
                              .arg(QString::fromStdString(AddressText(start, CurrentChip.Size)),
                                   QString::number(length), Hex(checksum, 4))
                        : QString();
    };
    StatusBar_->SetPanelText(TStatusPanel::Selection, text("SelectionInfo"));
    StatusBar_->SetPanelHint(TStatusPanel::Selection, text("SelectionHint"));
  });
  LanguageSource_->OnLanguageChanged = [this](QObject*) { ApplyGridCodePage(); };
  ApplyGridCodePage();
}

void TMainWindow::UpdateEditCommands() {
  Action(TCommandId::Undo)->setEnabled(Document_.CanUndo());
  Action(TCommandId::Redo)->setEnabled(Document_.CanRedo());
}

void TMainWindow::ApplyGridCodePage() {
  if (Action(TCommandId::AsciiText)->isChecked()) {
    Grid_->SetCodePage("ASCII");
    return;
  }
  const TQLanguageSettings* settings = LanguageSource_->ActiveSettings();
  Grid_->SetCodePage(CodePageOfCharSet(settings ? settings->FontCharSet() : kDefaultCharSet));
}

void TMainWindow::ShowAsciiText() {
  ApplyGridCodePage();
  Grid_->viewport()->update();
  // Kept at once; a settings file that can't be written is reported when the window closes.
  try {
    TIniFile(Options_.SettingsFile)
        .WriteInteger("Window", "AsciiText", Action(TCommandId::AsciiText)->isChecked() ? 1 : 0);
  } catch (const TError&) {
  }
}

void TMainWindow::ShowChecksum() {
  StatusBar_->SetPanelText(TStatusPanel::Checksum,
                           QString::fromStdString(MessageText("ChkLabel") + IntToHex(Document_.Checksum(), 4)));
}

bool TMainWindow::EditPrompt(TEditPrompt kind, QString& text, bool& asText) {
  if (EditPromptHook) return EditPromptHook(kind, text, asText);
  auto message = [this](const char* key) { return QString::fromStdString(Ui().MessageText(key)); };
  TEditPromptTexts texts;
  switch (kind) {
    case TEditPrompt::GoTo:
      texts.Caption = message("GoToCaption");
      texts.Label = message("GoToPrompt");
      break;
    case TEditPrompt::Find:
      texts.Caption = message("FindCaption");
      texts.Label = message("FindPrompt");
      texts.Option = message("FindAsText");
      break;
    case TEditPrompt::Fill:
      texts.Caption = message("FillCaption");
      texts.Label = message("FillPrompt");
      break;
  }
  texts.Ok = message("PromptOK");
  texts.Cancel = message("PromptCancel");
  const bool accepted = ExecuteEditPrompt(this, texts, text, asText);
  Grid_->setFocus();
  return accepted;
}

bool TMainWindow::CanEdit() const { return !OperationRunning() && Grid_->Editor().Size() > 0; }

void TMainWindow::Undo() {
  if (!OperationRunning()) Grid_->Editor().Undo();
}

void TMainWindow::Redo() {
  if (!OperationRunning()) Grid_->Editor().Redo();
}

void TMainWindow::Copy() {
  if (!CanEdit()) return;
  const std::vector<uint8_t> bytes = Grid_->Editor().SelectedBytes();
  QApplication::clipboard()->setText(QString::fromStdString(FormatHexBytes(bytes.data(), bytes.size())));
}

void TMainWindow::CopyAsText() {
  if (!CanEdit()) return;
  // The characters as the character column shows them; a byte without a glyph gives ".".
  QString text;
  for (uint8_t b : Grid_->Editor().SelectedBytes()) {
    const QChar ch = Grid_->Model().Glyph(b);
    text += ch == QChar(THexGridModel::kDot) ? QChar(u'.') : ch;
  }
  QApplication::clipboard()->setText(text);
}

void TMainWindow::Paste() {
  if (CanEdit()) PasteText(QApplication::clipboard()->text());
}

void TMainWindow::PasteText(const QString& text) {
  if (!CanEdit()) return;
  const std::string hex = text.toStdString();
  switch (Grid_->Editor().Paste(hex)) {
    case TPasteResult::NotHex: Ui().ShowError(Ui().MessageText("PasteNotHex")); break;
    case TPasteResult::PastEnd:
      Ui().ShowError(QString::fromStdString(Ui().MessageText("PastePastEnd"))
                         .arg(ParseHexBytes(hex)->size())
                         .arg(QString::fromStdString(AddressText(Grid_->Editor().Cursor(), CurrentChip.Size)))
                         .toStdString());
      break;
    default: break;
  }
}

void TMainWindow::SelectAll() {
  if (CanEdit()) Grid_->Editor().SelectAll();
}

void TMainWindow::Fill() {
  if (!CanEdit()) return;
  QString text = LastFillText_;
  bool unused = false;
  if (EditPrompt(TEditPrompt::Fill, text, unused)) FillSelection(text);
}

void TMainWindow::FillSelection(const QString& text) {
  if (!CanEdit()) return;
  LastFillText_ = text;
  const auto pattern = ParseHexBytes(text.toStdString());
  if (!pattern) {
    Ui().ShowError(Ui().MessageText("NotHexBytes"));
    return;
  }
  Grid_->Editor().Fill(*pattern);
}

void TMainWindow::SwapBytes() {
  if (CanEdit()) Grid_->Editor().SwapPairs();
}

void TMainWindow::Find() {
  if (!CanEdit()) return;
  QString text = LastFindText_;
  bool asText = LastFindAsText_;
  if (EditPrompt(TEditPrompt::Find, text, asText)) FindFirst(text, asText);
}

void TMainWindow::FindFirst(const QString& text, bool asText) {
  if (!CanEdit()) return;
  LastFindText_ = text;
  LastFindAsText_ = asText;
  std::vector<uint8_t> pattern;
  if (asText) {
    // The text in the character column's code page; a character it lacks can't be found.
    const QByteArray bytes = FromUnicode(text, Grid_->CodePage());
    if (text.isEmpty() || ToUnicode(bytes, Grid_->CodePage()) != text) {
      Ui().ShowError(Ui().MessageText("TextNotInCodePage"));
      return;
    }
    pattern.assign(bytes.begin(), bytes.end());
  } else {
    const auto bytes = ParseHexBytes(text.toStdString());
    if (!bytes) {
      Ui().ShowError(Ui().MessageText("NotHexBytes"));
      return;
    }
    pattern = *bytes;
  }
  FindPattern_ = pattern;
  FindAgain(true, false);
}

void TMainWindow::FindAgain(bool forward, bool fromNext) {
  const auto found = Grid_->Editor().Find(FindPattern_, forward, fromNext);
  if (!found) {
    Ui().ShowInformation(Ui().MessageText("NotFound"));
    return;
  }
  if (found->Wrapped)
    StatusBar_->SetPanelText(TStatusPanel::Selection, QString::fromStdString(Ui().MessageText("FindWrapped")));
}

void TMainWindow::FindNext() {
  if (!CanEdit()) return;
  if (FindPattern_.empty())
    Find();
  else
    FindAgain(true, true);
}

void TMainWindow::FindPrevious() {
  if (!CanEdit()) return;
  if (FindPattern_.empty())
    Find();
  else
    FindAgain(false, true);
}

void TMainWindow::GoTo() {
  if (!CanEdit()) return;
  QString text;
  bool unused = false;
  if (EditPrompt(TEditPrompt::GoTo, text, unused)) GoToTypedAddress(text);
}

void TMainWindow::GoToTypedAddress(const QString& text) {
  if (!CanEdit()) return;
  const int32_t size = Grid_->Editor().Size();
  const TAddressResult r = ParseAddress(text.toStdString(), size);
  switch (r.Status) {
    case TAddressRead::Ok: Grid_->Editor().MoveTo(r.Address, false); break;
    case TAddressRead::Invalid:
      Ui().ShowError(QString::fromStdString(Ui().MessageText("AddressInvalid")).arg(text.trimmed()).toStdString());
      break;
    case TAddressRead::OutOfRange:
      Ui().ShowError(QString::fromStdString(Ui().MessageText("AddressOutOfRange"))
                         .arg(text.trimmed(), QString::fromStdString(AddressText(0, size)),
                              QString::fromStdString(AddressText(size - 1, size)))
                         .toStdString());
      break;
  }
}
