// The main window's Edit menu over the hex grid: undo and redo, copy and paste, select all, fill,
// pair swap, find and go to; the checksum and selection panels; the record of whole-buffer
// changes (load, read, clear) as undo steps; the character column's code page.
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>

#include "app/edit_prompt.h"
#include "app/hex_grid.h"
#include "app/hex_grid_model.h"
#include "app/main_window.h"
#include "app/status_bar.h"
#include "buffer/hex_text.h"
#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "localization/char_sets.h"
#include "localization/language_source.h"

namespace {

QString Hex(int64_t value, int digits) { return QString::fromStdString(IntToHex(static_cast<int32_t>(value), digits)); }

}  // namespace

void TMainWindow::CreateEditMenu() {
  Edit1 = MainMenu1->addMenu(QStringLiteral("&Edit"));
  Edit1->setObjectName("Edit1");
  Undo1 = AddItem(Edit1, "Undo1", "&Undo", &TMainWindow::Undo1Click);
  Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Redo1 = AddItem(Edit1, "Redo1", "&Redo", &TMainWindow::Redo1Click);
  Redo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  EditN1 = AddSeparator(Edit1, "EditN1");
  Copy1 = AddItem(Edit1, "Copy1", "&Copy", &TMainWindow::Copy1Click);
  Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  CopyText1 = AddItem(Edit1, "CopyText1", "Copy as &text", &TMainWindow::CopyText1Click);
  CopyText1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  Paste1 = AddItem(Edit1, "Paste1", "&Paste", &TMainWindow::Paste1Click);
  Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  SelectAll1 = AddItem(Edit1, "SelectAll1", "Select &all", &TMainWindow::SelectAll1Click);
  SelectAll1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  EditN2 = AddSeparator(Edit1, "EditN2");
  Fill1 = AddItem(Edit1, "Fill1", "&Fill selection...", &TMainWindow::Fill1Click);
  SwapBytes1 = AddItem(Edit1, "SwapBytes1", "&Swap bytes in pairs", &TMainWindow::SwapBytes1Click);
  EditN3 = AddSeparator(Edit1, "EditN3");
  Find1 = AddItem(Edit1, "Find1", "F&ind...", &TMainWindow::Find1Click);
  Find1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  FindNext1 = AddItem(Edit1, "FindNext1", "Find &next", &TMainWindow::FindNext1Click);
  FindNext1->setShortcut(QKeySequence(Qt::Key_F3));
  FindPrevious1 = AddItem(Edit1, "FindPrevious1", "Find pre&vious", &TMainWindow::FindPrevious1Click);
  FindPrevious1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
  GoTo1 = AddItem(Edit1, "GoTo1", "&Go to address...", &TMainWindow::GoTo1Click);
  GoTo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
}

void TMainWindow::CreateEditing() {
  connect(DrawGrid1, &THexGrid::BytesEdited, this, [this] {
    SetBufferModified(true);
    ShowChecksum();
  });
  connect(DrawGrid1, &THexGrid::SelectionInfo, this, [this](int start, int length, int checksum) {
    // A selection of more than the current byte shows its start, length and byte sum, in words
    // in the panel's tool tip.
    auto text = [&](const char* key) {
      return length > 1
                 ? QString::fromStdString(Ui().MessageText(key)).arg(Hex(start, 5), Hex(length, 1), Hex(checksum, 4))
                 : QString();
    };
    sb1->SetPanelText(7, text("SelectionInfo"));
    sb1->SetPanelHint(7, text("SelectionHint"));
  });
  QLanguageSource->OnLanguageChanged = [this](QObject*) { ApplyGridCodePage(); };
  ApplyGridCodePage();
}

void TMainWindow::ApplyGridCodePage() {
  const TQLanguageSettings* settings = QLanguageSource->ActiveSettings();
  DrawGrid1->SetCodePage(CodePageOfCharSet(settings ? settings->FontCharSet() : kDefaultCharSet));
}

void TMainWindow::ShowChecksum() {
  sb1->SetPanelText(3, QString::fromStdString(MessageText("ChkLabel") + IntToHex(Checksum, 4)));
}

void TMainWindow::ReplaceBuffer(const std::function<bool()>& replace) {
  TBufferEditor& editor = DrawGrid1->Editor();
  editor.CommitEntry();
  const std::vector<uint8_t> before = editor.Snapshot();
  bool complete = false;
  try {
    complete = replace();
  } catch (...) {
    // What a failing load changed stays, and can be taken back.
    editor.RecordReplacement(before);
    DrawGrid1->BufferChanged();
    throw;
  }
  editor.RecordReplacement(before);
  DrawGrid1->BufferChanged();
  if (complete) {
    editor.SetBaseline();
    SetBufferModified(false);
  }
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
  DrawGrid1->setFocus();
  return accepted;
}

bool TMainWindow::CanEdit() const { return !Busy && DrawGrid1->Editor().Size() > 0; }

void TMainWindow::Undo1Click() {
  if (!Busy) DrawGrid1->Editor().Undo();
}

void TMainWindow::Redo1Click() {
  if (!Busy) DrawGrid1->Editor().Redo();
}

void TMainWindow::Copy1Click() {
  if (!CanEdit()) return;
  const std::vector<uint8_t> bytes = DrawGrid1->Editor().SelectedBytes();
  QApplication::clipboard()->setText(QString::fromStdString(FormatHexBytes(bytes.data(), bytes.size())));
}

void TMainWindow::CopyText1Click() {
  if (!CanEdit()) return;
  // The characters as the character column shows them; a byte without a glyph gives ".".
  QString text;
  for (uint8_t b : DrawGrid1->Editor().SelectedBytes()) {
    const QChar ch = DrawGrid1->Model().Glyph(b);
    text += ch == QChar(THexGridModel::kDot) ? QChar(u'.') : ch;
  }
  QApplication::clipboard()->setText(text);
}

void TMainWindow::Paste1Click() {
  if (CanEdit()) PasteText(QApplication::clipboard()->text());
}

void TMainWindow::PasteText(const QString& text) {
  if (!CanEdit()) return;
  const std::string hex = text.toStdString();
  switch (DrawGrid1->Editor().Paste(hex)) {
    case TPasteResult::NotHex: Ui().ShowError(Ui().MessageText("PasteNotHex")); break;
    case TPasteResult::PastEnd:
      Ui().ShowError(QString::fromStdString(Ui().MessageText("PastePastEnd"))
                         .arg(ParseHexBytes(hex)->size())
                         .arg(Hex(DrawGrid1->Editor().Cursor(), 5))
                         .toStdString());
      break;
    default: break;
  }
}

void TMainWindow::SelectAll1Click() {
  if (CanEdit()) DrawGrid1->Editor().SelectAll();
}

void TMainWindow::Fill1Click() {
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
  DrawGrid1->Editor().Fill(*pattern);
}

void TMainWindow::SwapBytes1Click() {
  if (CanEdit()) DrawGrid1->Editor().SwapPairs();
}

void TMainWindow::Find1Click() {
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
    const QByteArray bytes = FromUnicode(text, DrawGrid1->CodePage());
    if (text.isEmpty() || ToUnicode(bytes, DrawGrid1->CodePage()) != text) {
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
  const auto found = DrawGrid1->Editor().Find(FindPattern_, forward, fromNext);
  if (!found) {
    Ui().ShowInformation(Ui().MessageText("NotFound"));
    return;
  }
  if (found->Wrapped) sb1->SetPanelText(7, QString::fromStdString(Ui().MessageText("FindWrapped")));
}

void TMainWindow::FindNext1Click() {
  if (!CanEdit()) return;
  if (FindPattern_.empty())
    Find1Click();
  else
    FindAgain(true, true);
}

void TMainWindow::FindPrevious1Click() {
  if (!CanEdit()) return;
  if (FindPattern_.empty())
    Find1Click();
  else
    FindAgain(false, true);
}

void TMainWindow::GoTo1Click() {
  if (!CanEdit()) return;
  QString text;
  bool unused = false;
  if (EditPrompt(TEditPrompt::GoTo, text, unused)) GoToTypedAddress(text);
}

void TMainWindow::GoToTypedAddress(const QString& text) {
  if (!CanEdit()) return;
  const int32_t size = DrawGrid1->Editor().Size();
  const TAddressResult r = ParseAddress(text.toStdString(), size);
  switch (r.Status) {
    case TAddressRead::Ok: DrawGrid1->Editor().MoveTo(r.Address, false); break;
    case TAddressRead::Invalid:
      Ui().ShowError(QString::fromStdString(Ui().MessageText("AddressInvalid")).arg(text.trimmed()).toStdString());
      break;
    case TAddressRead::OutOfRange:
      Ui().ShowError(QString::fromStdString(Ui().MessageText("AddressOutOfRange"))
                         .arg(text.trimmed(), Hex(size - 1, 5))
                         .toStdString());
      break;
  }
}
