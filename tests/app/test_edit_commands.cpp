// The main window's editing of the buffer, offscreen, with the simulated programmer: commands and
// open cell entries, the unsaved-changes question, undo and redo of edits, loads and reads, the
// Edit menu's commands with their shortcuts, the checksum and selection panels, the code page.
#include <QtTest>

#include <QClipboard>
#include <filesystem>
#include <numeric>

#include "app/hex_grid.h"
#include "app/hex_grid_model.h"
#include "app/main_window.h"
#include "app/status_bar.h"
#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "common/scripted_user_interface.h"
#include "support/document_bytes.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {

using TKind = TScriptedUserInterface::TKind;

const char* const kCatalogue = "[Small]\ntype=1\nC128=1,128,16,0,5\n[Large]\ntype=2\nC1M=1,1048576,32,0,5\n";

uint8_t ChipByte(size_t i) { return static_cast<uint8_t>(i * 29 + (i >> 9) + 3); }

// What the checksum panel must show: the sum of the bytes the checksum covers.
QString TrueChk(const TDocument& d, int32_t size) {
  const int32_t n = SixteenBitCount(size);
  return QStringLiteral("Chk: ") +
         QString::fromStdString(IntToHex(std::accumulate(d.Data(), d.Data() + n, 0u) & 0xFFFF, 4));
}

}  // namespace

class TestEditCommands : public QObject {
  Q_OBJECT

  std::unique_ptr<TTempDir> Dir;
  std::unique_ptr<TScriptedUserInterface> Ui;
  std::unique_ptr<TMainWindow> F;

  // The main window with the given chip, over a simulated chip of 1 MiB of varied bytes.
  bool Start(const char* chip, bool languages = false) {
    Dir = std::make_unique<TTempDir>();
    Dir->Write("see.ini", kCatalogue);
    Dir->Write("tesmaro.ini", std::string("[Main]\nChip=") + chip + "\n");
    std::string image(0x100000, '\0');
    for (size_t i = 0; i < image.size(); ++i) image[i] = char(ChipByte(i));
    Dir->Write("chip.bin", image);
    if (languages)
      for (const char* f : {"bulgarian.lng", "english.lng", "russian.lng"})
        std::filesystem::copy_file(std::string(TESMARO_SOURCE_DIR) + "/data/" + f, Dir->File(f));
    TStartOptions o = WindowOptionsIn(*Dir);
    o.Simulate = true;
    o.SimulateImage = Dir->File("chip.bin");
    Ui = std::make_unique<TScriptedUserInterface>();
    F = std::make_unique<TMainWindow>(o, Ui.get());
    F->show();
    F->activateWindow();
    if (!QTest::qWaitForWindowActive(F.get())) return false;
    if (!QTest::qWaitFor([&] { return !F->FirstActivation && F->Programmer.HeldDevice; })) return false;
    F->HidDeviceController->ReadTimeoutMs = 10;
    Grid(*F)->setFocus();
    Ui->Shown.clear();
    return true;
  }

  TBufferEditor& Editor() { return Grid(*F)->Editor(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(Grid(*F), key, mods); }
  void Type(const char* keys) {
    for (const char* k = keys; *k; ++k) QTest::keyClick(Grid(*F), *k);
  }
  QString Chk() const { return StatusBar(*F)->PanelText(TStatusPanel::Checksum); }
  QString TrueChk(int32_t size) const { return ::TrueChk(F->Document(), size); }
  QByteArray Bytes(int32_t at, int n) const {
    return QByteArray(reinterpret_cast<const char*>(F->Document().Data()) + at, n);
  }
  TDocument& Doc() { return F->Document(); }
  std::vector<TKind> Kinds() const {
    std::vector<TKind> k;
    for (const auto& s : Ui->Shown) k.push_back(s.Kind);
    return k;
  }
  // Runs one of the commands that replace the buffer; Open loads a file of 0x11 bytes.
  void RunReplacing(const QString& command) {
    if (command == "Clear") {
      Action(*F, "Clearmemory1")->trigger();
    } else if (command == "Open") {
      Dir->Write("ones.bin", std::string(128, '\x11'));
      Ui->FileNames.push_back(Dir->File("ones.bin"));
      Ui->FilterIndexes.push_back(2);
      Action(*F, "Open1")->trigger();
    } else if (command == "Read") {
      Action(*F, "ReadChip1")->trigger();
    } else {
      F->close();
    }
  }
  static uint8_t FirstByteAfter(const QString& command) {
    return command == "Clear" ? 0xFF : command == "Open" ? 0x11 : ChipByte(0);
  }

 private slots:
  void cleanup() {
    // Closing asks nothing once the document counts as saved.
    if (F) F->Document().Saved(F->Document().Origin());
    F.reset();
  }

  void commandsKeepTheEntryAndNoStaleTextIsWrittenBack_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("Clear") << "Clear";
    QTest::newRow("Open") << "Open";
    QTest::newRow("Read") << "Read";
  }
  void commandsKeepTheEntryAndNoStaleTextIsWrittenBack() {
    QFETCH(QString, command);
    QVERIFY(Start("C128"));
    SetByte(Doc(), 0, 0x5A);
    QVERIFY(Grid(*F)->SelectCell(1, 1));
    Type("3");
    QVERIFY(Grid(*F)->Editing());
    Ui->Answers.push_back(TAnswer::No);  // discard the typed change
    RunReplacing(command);
    QVERIFY(!Grid(*F)->Editing());
    QCOMPARE(Doc()[0], FirstByteAfter(command));
    // Enter and Escape afterwards leave the new contents alone.
    Key(Qt::Key_Return);
    Key(Qt::Key_Escape);
    QCOMPARE(Doc()[0], FirstByteAfter(command));
    QCOMPARE(Chk(), TrueChk(128));
    QVERIFY(!F->BufferModified());
    // The entry was kept as typed before the command ran: undo takes back the command, then it.
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Doc()[0], uint8_t(0x3A));
    QCOMPARE(Chk(), TrueChk(128));
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Doc()[0], uint8_t(0x5A));
    QCOMPARE(Chk(), TrueChk(128));
    // Back where the document started, as its origin holds it: nothing to save.
    QVERIFY(!F->BufferModified());
    Key(Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(F->BufferModified());
  }

  void unsavedChangesAreAskedAbout_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<int>("answer");  // TAnswer
    QTest::addColumn<bool>("goesOn");
    for (const char* c : {"Clear", "Open", "Read", "Close"}) {
      QTest::addRow("%s, unchanged", c) << c << false << int(TAnswer::Cancel) << true;
      QTest::addRow("%s, cancel", c) << c << true << int(TAnswer::Cancel) << false;
      QTest::addRow("%s, discard", c) << c << true << int(TAnswer::No) << true;
    }
    QTest::addRow("Clear, save") << "Clear" << true << int(TAnswer::Yes) << true;
  }
  void unsavedChangesAreAskedAbout() {
    QFETCH(QString, command);
    QFETCH(bool, edited);
    QFETCH(int, answer);
    QFETCH(bool, goesOn);
    QVERIFY(Start("C128"));
    if (edited) Type("42");
    QCOMPARE(F->BufferModified(), edited);
    Ui->Answers.push_back(TAnswer(answer));
    if (answer == int(TAnswer::Yes)) Ui->FileNames.push_back(Dir->File("saved.hex"));
    RunReplacing(command);
    if (edited) {
      QVERIFY(!Ui->Shown.empty());
      QCOMPARE(Ui->Shown[0].Kind, TKind::SaveChanges);
      QCOMPARE(Ui->Shown[0].Text, std::string("Save the changes to the new buffer?"));
    } else {
      QVERIFY(Ui->Shown.empty());
    }
    if (command == "Close") {
      QCOMPARE(F->isVisible(), !goesOn);
    } else {
      QCOMPARE(Doc()[0], goesOn ? FirstByteAfter(command) : uint8_t(0x42));
      QCOMPARE(F->BufferModified(), !goesOn);
    }
    if (answer == int(TAnswer::Yes)) QVERIFY(std::filesystem::exists(Dir->File("saved.hex")));
  }

  void modifiedStateAndChangedBytesFollowLoadsReadsWritesAndSaves() {
    QVERIFY(Start("C128"));
    QVERIFY(!F->BufferModified());
    Type("AB");
    QVERIFY(F->BufferModified());
    QVERIFY(Doc().Changed(0));
    QVERIFY(!Doc().Changed(1));
    // The changed byte's digits are drawn in red.
    Grid(*F)->Editor().MoveTo(5, false);
    Grid(*F)->RepaintNow();
    const QImage image = Grid(*F)->viewport()->grab().toImage();
    const QRect cell = Grid(*F)->CellRect(1, 1);
    bool red = false;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x) {
        const QColor c = image.pixelColor(x, y);
        red |= c.red() > 150 && c.green() < 100 && c.blue() < 100;
      }
    QVERIFY(red);

    Ui->Answers.push_back(TAnswer::Yes);  // "Write 128 bytes to C128?"
    Action(*F, "Program2")->trigger();    // write and check
    QVERIFY(!F->BufferModified());
    QVERIFY(!Doc().Changed(0));
    Type("CD");
    QVERIFY(F->BufferModified());
    Ui->FileNames.push_back(Dir->File("saved.bin"));
    Ui->FilterIndexes.push_back(2);
    Action(*F, "SaveAs1")->trigger();
    QVERIFY(!F->BufferModified());
    // Saving does not make the chip's contents: the byte still differs from what was written.
    QVERIFY(Doc().Changed(5));
    Key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(F->BufferModified());
    Ui->Answers.push_back(TAnswer::No);
    Action(*F, "ReadChip1")->trigger();
    QVERIFY(!F->BufferModified());
    QVERIFY(!Doc().Changed(5));
  }

  void typingThenUndoAndRedoByShortcut() {
    QVERIFY(Start("C128"));
    const QByteArray before = Bytes(0, 5);
    Type("DEADBEEF");
    QCOMPARE(Bytes(0, 4), QByteArray("\xDE\xAD\xBE\xEF"));
    QCOMPARE(Chk(), TrueChk(128));
    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Bytes(0, 4), QByteArray("\xDE\xAD") + before.mid(2, 2));
    QCOMPARE(Grid(*F)->Col(), 3);
    QCOMPARE(Chk(), TrueChk(128));
    Key(Qt::Key_Y, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Bytes(0, 4), QByteArray("\xDE\xAD\xBE\xEF"));
    QCOMPARE(Chk(), TrueChk(128));
    // Each byte is one step; the history keeps the changed bytes, not copies of the buffer.
    QCOMPARE(Doc().History().StepCount(), size_t(4));
    QVERIFY(Doc().History().MemoryUsed() <= 8);
  }

  void selectionShowsStartLengthAndChecksum_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::newRow("shift right") << "shift right" << 0x12 << 3;
    QTest::newRow("shift down") << "shift down" << 0x12 << 17;
    QTest::newRow("shift page down") << "shift page down" << 0x12 << 0x80 - 0x12;
    QTest::newRow("ctrl A") << "ctrl A" << 0 << 0x80;
    QTest::newRow("drag") << "drag" << 0x12 << 0x24 - 0x12 + 1;
    // Below the rows the selection reaches the last row, in the pointer's column.
    QTest::newRow("drag below the rows") << "drag below" << 0x12 << 0x74 - 0x12 + 1;
    // A drag that starts outside the bytes selects nothing.
    QTest::newRow("drag from the header") << "drag from header" << 0x12 << 1;
  }
  void selectionShowsStartLengthAndChecksum() {
    QFETCH(QString, how);
    QFETCH(int, start);
    QFETCH(int, length);
    QVERIFY(Start("C128"));
    for (int i = 0; i < 128; ++i) SetByte(Doc(), i, uint8_t(i * 7));
    QVERIFY(Grid(*F)->SelectCell(3, 2));
    QCOMPARE(StatusBar(*F)->PanelText(TStatusPanel::Selection), QString());
    if (how == "shift right") {
      Key(Qt::Key_Right, Qt::ShiftModifier);
      Key(Qt::Key_Right, Qt::ShiftModifier);
    } else if (how == "shift down") {
      Key(Qt::Key_Down, Qt::ShiftModifier);
    } else if (how == "shift page down") {
      Key(Qt::Key_PageDown, Qt::ShiftModifier);
      Key(Qt::Key_End, Qt::ShiftModifier);
    } else if (how == "ctrl A") {
      Key(Qt::Key_A, Qt::ControlModifier);
    } else {
      QWidget* view = Grid(*F)->viewport();
      const QPoint from = Grid(*F)->CellRect(3, how == "drag from header" ? 0 : 2).center();
      QPoint to = Grid(*F)->CellRect(5, 3).center();
      if (how == "drag below") to.setY(view->height() + 5);
      QTest::mousePress(view, Qt::LeftButton, {}, from);
      QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(view, &move);
      QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    }
    QCOMPARE(Editor().Selection().Start, start);
    QCOMPARE(Editor().Selection().Length, length);
    if (length == 1) return;
    const uint32_t sum = std::accumulate(Doc().Data() + start, Doc().Data() + start + length, 0u) & 0xFFFF;
    QCOMPARE(StatusBar(*F)->PanelText(TStatusPanel::Selection),
             QString("0x%1 + %2 bytes, Chk: %3")
                 .arg(QString::fromStdString(IntToHex(start, 2)), QString::number(length),
                      QString::fromStdString(IntToHex(int32_t(sum), 4))));
  }

  void goToAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("address");  // -1: refused
    QTest::addColumn<QString>("error");
    QTest::newRow("hexadecimal") << "1F" << 0x1F << "";
    QTest::newRow("0x") << "0x2a" << 0x2A << "";
    QTest::newRow("dollar") << "$7F" << 0x7F << "";
    QTest::newRow("decimal") << "#100" << 100 << "";
    QTest::newRow("past the end") << "80" << -1 << "The address 80 lies outside the chip (0x00 to 0x7F).";
    QTest::newRow("decimal past the end") << "#128" << -1 << "The address #128 lies outside the chip (0x00 to 0x7F).";
    QTest::newRow("not a number") << "zz" << -1 << "zz is not an address.";
  }
  void goToAddress() {
    QFETCH(QString, text);
    QFETCH(int, address);
    QFETCH(QString, error);
    QVERIFY(Start("C128"));
    QVERIFY(Grid(*F)->SelectCell(5, 2));
    F->EditPromptHook = [&](TMainWindow::TEditPrompt kind, QString& t, bool&) {
      if (kind != TMainWindow::TEditPrompt::GoTo) return false;
      t = text;
      return true;
    };
    Key(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(Editor().Cursor(), address < 0 ? 0x14 : address);
    if (address < 0) {
      QCOMPARE(Kinds(), std::vector<TKind>{TKind::Error});
      QCOMPARE(QString::fromStdString(Ui->Shown[0].Text), error);
    } else {
      QVERIFY(Ui->Shown.empty());
    }
  }

  void findBytesAndTextWrappingWithANotice() {
    QVERIFY(Start("C128"));
    FillBytes(Doc(), 0, 128, 0);
    SetBytes(Doc(), 0x10, {0xAB, 0xCD});
    SetBytes(Doc(), 0x60, {0xAB, 0xCD});
    SetText(Doc(), 0x40, "Hi");
    QVERIFY(Grid(*F)->SelectCell(1, 3));  // 0x20
    QString answer = "ab cd";
    bool asText = false;
    F->EditPromptHook = [&](TMainWindow::TEditPrompt kind, QString& t, bool& text) {
      if (kind != TMainWindow::TEditPrompt::Find) return false;
      t = answer;
      text = asText;
      return true;
    };
    Key(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(Editor().Cursor(), 0x60);
    QCOMPARE(Editor().Selection().Length, 2);
    Key(Qt::Key_F3);
    QCOMPARE(Editor().Cursor(), 0x10);
    QCOMPARE(StatusBar(*F)->PanelText(TStatusPanel::Selection), QString("Search wrapped round"));
    Key(Qt::Key_F3);
    QCOMPARE(Editor().Cursor(), 0x60);
    QCOMPARE(StatusBar(*F)->PanelText(TStatusPanel::Selection), QString("0x60 + 2 bytes, Chk: 0178"));
    Key(Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(Editor().Cursor(), 0x10);
    Key(Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(Editor().Cursor(), 0x60);
    QCOMPARE(StatusBar(*F)->PanelText(TStatusPanel::Selection), QString("Search wrapped round"));
    QVERIFY(Ui->Shown.empty());

    answer = "Hi", asText = true;
    Key(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(Editor().Cursor(), 0x40);
    answer = "EE FF", asText = false;
    Key(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(Editor().Cursor(), 0x40);
    answer = "A", asText = false;
    Key(Qt::Key_F, Qt::ControlModifier);
    answer = QString::fromUtf8("日本"), asText = true;
    Key(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(Kinds(), (std::vector<TKind>{TKind::Information, TKind::Error, TKind::Error}));
    QCOMPARE(Ui->Texts(),
             (std::vector<std::string>{"Not found.", "Type hexadecimal bytes, such as DE AD BE EF.",
                                       "The text holds characters that the character column's code page lacks."}));
  }

  void copyAndPaste() {
    QVERIFY(Start("C128"));
    SetBytes(Doc(), 0, {0xDE, 0xAD, 0x41, 0x0A});
    F->UpdateView();
    QVERIFY(Grid(*F)->SelectCell(1, 1));
    for (int i = 0; i < 3; ++i) Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("DE AD 41 0A"));
    Grid(*F)->SetCodePage("CP1252");
    Key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf8("Þ\u00ADA.").replace(QChar(0xAD), QChar('.')));

    QVERIFY(Grid(*F)->SelectCell(1, 2));
    QApplication::clipboard()->setText("01-02, 0x03\n04");
    Key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Bytes(0x10, 4), QByteArray("\x01\x02\x03\x04"));
    QCOMPARE(Chk(), TrueChk(128));
    QVERIFY(F->BufferModified());

    // Bytes that would run past the chip are refused whole.
    QVERIFY(Grid(*F)->SelectCell(15, 8));  // 0x7E
    const QByteArray tail = Bytes(0x7E, 2);
    QApplication::clipboard()->setText("AA BB CC");
    Key(Qt::Key_V, Qt::ControlModifier);
    QApplication::clipboard()->setText("no bytes here");
    Key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Bytes(0x7E, 2), tail);
    QCOMPARE(Ui->Texts(),
             (std::vector<std::string>{
                 "The 3 bytes do not fit between address 0x7E and the end of the chip; nothing was pasted.",
                 "The clipboard holds no hexadecimal bytes."}));
    QCOMPARE(Chk(), TrueChk(128));
  }

  void fillAndSwapWithUndo() {
    QVERIFY(Start("C128"));
    for (int i = 0; i < 128; ++i) SetByte(Doc(), i, uint8_t(i));
    F->UpdateView();
    const QByteArray original = Bytes(0, 128);
    Editor().Select(0x10, 6);
    F->EditPromptHook = [](TMainWindow::TEditPrompt kind, QString& t, bool&) {
      t = "00 FF";
      return kind == TMainWindow::TEditPrompt::Fill;
    };
    Action(*F, "Fill1")->trigger();
    QCOMPARE(Bytes(0x0F, 8), QByteArray("\x0F\x00\xFF\x00\xFF\x00\xFF\x16", 8));
    QCOMPARE(Chk(), TrueChk(128));
    Editor().Select(0, 4);
    Action(*F, "SwapBytes1")->trigger();
    QCOMPARE(Bytes(0, 5), QByteArray("\x01\x00\x03\x02\x04", 5));
    QCOMPARE(Chk(), TrueChk(128));
    // With one byte selected the whole chip's pairs are swapped (16-bit images of other tools).
    Editor().MoveTo(0, false);
    Action(*F, "SwapBytes1")->trigger();
    QCOMPARE(Bytes(0x7E, 2), QByteArray("\x7F\x7E"));
    for (int i = 0; i < 3; ++i) Action(*F, "Undo1")->trigger();
    QCOMPARE(Bytes(0, 128), original);
    QCOMPARE(Chk(), TrueChk(128));
  }

  void undoOfAOneMebibyteReadRestoresTheBytes() {
    QVERIFY(Start("C1M"));
    std::vector<uint8_t> bytes(kMemoryBufferSize);
    for (int i = 0; i < kMemoryBufferSize; ++i) bytes[i] = uint8_t(~i);
    SetBytes(Doc(), 0, bytes);
    F->UpdateView();
    const QByteArray before = Bytes(0, kMemoryBufferSize);
    Action(*F, "ReadChip1")->trigger();
    QCOMPARE(Doc()[0xFFFFF], ChipByte(0xFFFFF));
    QCOMPARE(Chk(), TrueChk(0x100000));
    Key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(Bytes(0, kMemoryBufferSize) == before);
    QCOMPARE(Chk(), TrueChk(0x100000));
    Key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(Doc()[0x12345], ChipByte(0x12345));
    QCOMPARE(Chk(), TrueChk(0x100000));
    QVERIFY(Doc().History().MemoryUsed() <= 2u * kMemoryBufferSize);
  }

  void partialLastRowShowsEveryByte() {
    Dir = nullptr;
    QVERIFY(Start("C128"));
    THexGrid& grid = *Grid(*F);
    grid.SetChipSize(100);
    QCOMPARE(grid.RowCount(), 8);
    QCOMPARE(grid.model()->index(7, 4).data().toString(), QString::fromStdString(IntToHex(Doc()[99], 2)));
    QCOMPARE(grid.model()->index(7, 5).data().toString(), QString());
    QCOMPARE(grid.model()->flags(grid.model()->index(7, 5)), Qt::NoItemFlags);
    QVERIFY(!grid.SelectCell(5, 7));
    QVERIFY(grid.SelectCell(4, 7));
    Type("AB");
    QCOMPARE(Doc()[99], uint8_t(0xAB));
    QCOMPARE(grid.Col(), 4);
    // Past the chip's last byte typing is refused: the byte stays as typed, no entry opens.
    Type("CD");
    QCOMPARE(Doc()[99], uint8_t(0xAB));
    QVERIFY(!grid.Editing());
    QCOMPARE(grid.model()->index(7, 4).data().toString(), QString("AB"));
    Key(Qt::Key_Right);
    Key(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(Editor().Cursor(), 99);
  }

  void editMenuFollowsFileAndTheLanguage() {
    QVERIFY(Start("C128", true));
    QCOMPARE(MenuBar(*F)->actions().at(1)->menu(), Menu(*F, "Edit1"));
    QCOMPARE(Action(*F, "Undo1")->shortcut(), QKeySequence("Ctrl+Z"));
    QCOMPARE(Action(*F, "Redo1")->shortcuts(),
             (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
    QCOMPARE(Action(*F, "GoTo1")->shortcut(), QKeySequence("Ctrl+G"));
    QCOMPARE(Action(*F, "FindPrevious1")->shortcut(), QKeySequence("Shift+F3"));
    Menu(*F, "Language1")->actions()[2]->trigger();  // Russian
    QCOMPARE(Menu(*F, "Edit1")->title(), QString::fromUtf8("П&равка"));
    QCOMPARE(Action(*F, "GoTo1")->text(), QString::fromUtf8("Перейти к &адресу..."));
    QCOMPARE(QString(Grid(*F)->CodePage()), QString("CP1251"));
    QCOMPARE(Grid(*F)->Model().Glyph(0xC0), QChar(0x0410));
    Menu(*F, "Language1")->actions()[1]->trigger();  // English
    QCOMPARE(QString(Grid(*F)->CodePage()), QString("CP1252"));
    QCOMPARE(Grid(*F)->Model().Glyph(0xC0), QChar(0x00C0));
  }
};

QTEST_MAIN(TestEditCommands)
#include "test_edit_commands.moc"
