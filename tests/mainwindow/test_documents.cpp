// The main window as a document window, offscreen: Save without a dialog, the title with the
// file's name and the unsaved-changes mark, recent files, dropped files, the question before a
// chip is written, and the Blank check and Erase commands on the simulated programmer.
#include <QtTest>

#include <QLineEdit>

#include <cstring>
#include <filesystem>

#include "app/chip_dialog.h"
#include "app/main_window.h"
#include "buffer/memory_buffer.h"
#include "common/ini_file.h"
#include "common/scripted_user_interface.h"
#include "imagefile/image_file.h"
#include "simulator/simulated_programmer.h"
#include "support/document_bytes.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {
using TKind = TScriptedUserInterface::TKind;

std::vector<std::string> RecentMenu(const TMainWindow& f) {
  std::vector<std::string> out;
  for (QAction* a : Menu(f, "RecentFiles1")->actions()) out.push_back(a->text().toStdString());
  return out;
}

// Drags file onto the window and drops it; true when both the drag and the drop were accepted.
bool Drop(TMainWindow& f, const std::string& file) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&f, &enter);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  drop.setAccepted(false);
  QCoreApplication::sendEvent(&f, &drop);
  return enter.isAccepted() && drop.isAccepted();
}
}  // namespace

class TestDocuments : public QObject {
  Q_OBJECT

  static constexpr const char* kCatalogue = "[24Cxx]\ntype=1\n24C32=1,4096,32,0,5\n";

 private slots:
  void saveWritesTheCurrentFileAgainAndTheTitleFollowsIt() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=24C32\n");
    dir.Write("a.bin", std::string(4096, '\x11'));
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    QVERIFY(Action(f, "Save1")->isVisible());
    QCOMPARE(Action(f, "Save1")->shortcut(), QKeySequence(QKeySequence::Save));
    QCOMPARE(f.windowTitle(), QString("Tesmaro"));

    // Save without a current file is Save As.
    ui.FileNames = {dir.File("first.hex")};
    Action(f, "Save1")->trigger();
    QCOMPARE(ui.Dialogs.size(), size_t(1));
    QVERIFY(std::filesystem::exists(dir.File("first.hex")));
    QCOMPARE(f.windowTitle(), QString("first.hex - Tesmaro"));

    ui.FileNames = {dir.File("a.bin")};
    ui.FilterIndexes = {2};
    Action(f, "Open1")->trigger();
    QCOMPARE(f.CurrentFile(), dir.File("a.bin"));
    QCOMPARE(f.OpenDialog.InitialDir, dir.Folder());
    QCOMPARE(f.SaveDialog.InitialDir, dir.Folder());
    QCOMPARE(f.windowTitle(), QString("a.bin - Tesmaro"));

    Edit(f.Document(), 5, 0x22);
    QCOMPARE(f.windowTitle(), QString("a.bin* - Tesmaro"));
    Action(f, "Save1")->trigger();
    QCOMPARE(ui.Dialogs.size(), size_t(2));  // no dialog this time
    QVERIFY(ui.Shown.empty());
    const std::string saved = dir.Read("a.bin");
    QCOMPARE(saved.size(), size_t(4096));  // binary, as its name says
    QCOMPARE(saved[5], '\x22');
    QVERIFY(!f.BufferModified());
    QCOMPARE(f.windowTitle(), QString("a.bin - Tesmaro"));
    // A caption set from outside (a language's) keeps the file's name before it.
    f.setWindowTitle("Programmierer");
    QCOMPARE(f.windowTitle(), QString("a.bin - Programmierer"));

    // The unsaved-changes question's Save writes the current file, again without a dialog.
    Edit(f.Document(), 6, 0x33);
    ui.Answers = {TAnswer::Yes};
    QVERIFY(f.ConfirmDiscardChanges());
    QCOMPARE(dir.Read("a.bin")[6], '\x33');
    QCOMPARE(ui.Dialogs.size(), size_t(2));
    QVERIFY(!f.BufferModified());

    // Save keeps the format the file was opened in, which its name does not tell: a file
    // without a known extension read as Intel HEX (by its lines) is not turned into a binary image.
    dir.Write("image.dat", ":0100000044BB\r\n:00000001FF\r\n");
    ui.FileNames = {dir.File("image.dat")};
    ui.FilterIndexes = {1};
    Action(f, "Open1")->trigger();
    QCOMPARE(f.Document()[0], uint8_t(0x44));
    Edit(f.Document(), 0, 0x45);
    Action(f, "Save1")->trigger();
    QVERIFY(dir.Read("image.dat").rfind(":1000000045FFFF", 0) == 0);
  }

  void recentFilesAreKeptAndAMissingOneIsRemovedWithANotice() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=24C32\n");
    for (int i = 0; i < 10; ++i) dir.Write("f" + std::to_string(i) + ".bin", std::string(16, char(i)));
    TScriptedUserInterface ui;
    {
      TMainWindow f(WindowOptionsIn(dir), &ui);
      f.Activate();
      QVERIFY(!Menu(f, "RecentFiles1")->menuAction()->isEnabled());
      for (int i = 0; i < 10; ++i) f.OpenDocument(dir.File("f" + std::to_string(i) + ".bin"));
      f.OpenDocument(dir.File("f5.bin"));  // moves to the top, not listed twice
      QCOMPARE(f.RecentFiles.size(), size_t(8));
      QCOMPARE(f.RecentFiles.front(), dir.File("f5.bin"));
      QCOMPARE(f.RecentFiles.back(), dir.File("f2.bin"));
      QCOMPARE(RecentMenu(f).front(), "&1 " + dir.File("f5.bin"));
      QCOMPARE(f.Document()[0], uint8_t(5));
      QVERIFY(f.close());
    }
    // The list comes back from the settings file; the last folder with it.
    std::filesystem::remove(dir.File("f9.bin"));
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    QCOMPARE(f.RecentFiles.size(), size_t(8));
    QCOMPARE(f.OpenDialog.InitialDir, dir.Folder());
    QCOMPARE(RecentMenu(f)[1], "&2 " + dir.File("f9.bin"));
    Menu(f, "RecentFiles1")->actions()[1]->trigger();
    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(ui.Shown[0].Kind, TKind::Error);
    QCOMPARE(ui.Shown[0].Text,
             "The file " + dir.File("f9.bin") + " no longer exists. It was removed from the recent files.");
    QCOMPARE(f.RecentFiles.size(), size_t(7));
    QCOMPARE(RecentMenu(f).size(), size_t(7));
    QCOMPARE(TIniFile(dir.File("tesmaro.ini")).ReadString("RecentFiles", "File2", ""), dir.File("f8.bin"));
    QCOMPARE(TIniFile(dir.File("tesmaro.ini")).ReadString("RecentFiles", "File8", "?"), std::string());

    // An entry that exists opens, after the unsaved-changes question: Cancel keeps the buffer.
    Edit(f.Document(), 0, 0x77);
    Menu(f, "RecentFiles1")->actions()[1]->trigger();  // f8.bin; no answer queued: Cancel
    QCOMPARE(f.Document()[0], uint8_t(0x77));
    ui.Answers = {TAnswer::No};
    Menu(f, "RecentFiles1")->actions()[1]->trigger();
    QCOMPARE(f.Document()[0], uint8_t(8));
    QCOMPARE(f.windowTitle(), QString("f8.bin - Tesmaro"));
  }

  // The question comes after the drop has been accepted, so the program the file was dragged from
  // is not held while the user answers; then the grid has the keyboard.
  void droppedFileOpensAfterTheQuestion() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=24C32\n");
    dir.Write("d.hex", ":0400000001020304F2\r\n:00000001FF\r\n");
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    f.show();
    QVERIFY(f.acceptDrops());
    Edit(f.Document(), 0, 0x99);
    QVERIFY(Drop(f, dir.File("d.hex")));  // accepted before anything is asked
    QVERIFY(ui.Shown.empty());
    QTRY_COMPARE(ui.Shown.size(), size_t(1));  // Cancel
    QCOMPARE(f.Document()[0], uint8_t(0x99));
    QCOMPARE(ui.Shown.back().Kind, TKind::SaveChanges);
    ui.Answers = {TAnswer::No};
    auto* other = new QLineEdit(&f);
    other->show();
    other->setFocus();
    Drop(f, dir.File("d.hex"));
    QTRY_COMPARE(f.Document()[0], uint8_t(1));  // read as Intel HEX, as its name says
    QTRY_COMPARE(QApplication::focusWidget(), Grid(f));
    QCOMPARE(f.Document()[3], uint8_t(4));
    QCOMPARE(f.Document()[4], uint8_t(0xFF));
    QCOMPARE(f.windowTitle(), QString("d.hex - Tesmaro"));
    QCOMPARE(f.RecentFiles.front(), dir.File("d.hex"));
  }

  // A file opened, edited and saved keeps every byte it held, whatever the chip: larger than the
  // chip (a notice says so once), far above address 0 (saved back at its offset), or with no chip.
  void saveKeepsEveryByteTheFileHeld_data() {
    QTest::addColumn<QString>("chip");  // "" for none
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("loadAtZero");  // the answer to "load them at address 0?"
    QTest::addColumn<uint32_t>("offset");
    QTest::addColumn<uint32_t>("dataEnd");  // in the document
    QTest::addColumn<QString>("notice");
    // 8 KiB of Intel HEX, the 4 KiB 24C32 selected.
    QString big = ":020000040000FA\n";
    for (int a = 0; a < 0x2000; a += 16) {
      QString line = QString(":10%1").arg(a, 4, 16, QChar('0')).toUpper() + "00";
      uint32_t sum = 16 + (a >> 8) + (a & 0xFF);
      for (int i = 0; i < 16; ++i) {
        const int b = (a + i) * 7 & 0xFF;
        line += QString("%1").arg(b, 2, 16, QChar('0')).toUpper();
        sum += b;
      }
      big += line + QString("%1").arg((0x100 - (sum & 0xFF)) & 0xFF, 2, 16, QChar('0')).toUpper() + "\n";
    }
    big += ":00000001FF\n";
    QTest::newRow("8 KiB file, 4 KiB chip") << "24C32"
                                            << "big.hex" << big << false << 0u << 0x2000u
                                            << "big.hex holds data up to 0x1FFF; the 24C32 ends at 0x0FFF. Write "
                                               "programs only the chip's first 4096 bytes; Save keeps all of the "
                                               "file's data.";
    QTest::newRow("file at 0x810000") << "24C32"
                                      << "ee.hex"
                                      << ":02000004008179\n:0400000001020304F2\n:020010000506E3\n:00000001FF\n"
                                      << true << 0x810000u << 0x12u << "";
    QTest::newRow(".s19, no chip") << ""
                                   << "image.s19"
                                   << "S1050040AABB55\nS1045000CCDF\nS9030000FC\n"
                                   << false << 0u << 0x5001u << "";
  }
  void saveKeepsEveryByteTheFileHeld() {
    QFETCH(QString, chip);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, loadAtZero);
    QFETCH(uint32_t, offset);
    QFETCH(uint32_t, dataEnd);
    QFETCH(QString, notice);
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=" + chip.toStdString() + "\n");
    const std::string file = dir.Write(name.toStdString(), text.toStdString());
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    ui.Answers = {loadAtZero ? TAnswer::Yes : TAnswer::No};
    QVERIFY2(f.Run([&] { f.OpenDocument(file); }), ui.Texts().empty() ? "" : ui.Texts().back().c_str());
    QCOMPARE(f.Document().Origin().Offset, offset);
    QCOMPARE(f.Document().Origin().DataEnd, dataEnd);
    std::vector<std::string> notices;
    for (const auto& shown : ui.Shown)
      if (shown.Kind == TKind::Information) notices.push_back(shown.Text);
    QCOMPARE(notices, notice.isEmpty() ? std::vector<std::string>()
                                       : std::vector<std::string>{dir.Folder() + notice.toStdString()});
    const std::vector<uint8_t> opened(f.Document().Data(), f.Document().Data() + dataEnd);

    // A byte typed among the file's data, then Ctrl+S.
    const int32_t typed = static_cast<int32_t>(f.Document().Origin().DataStart) + 2;
    Edit(f.Document(), typed, 0x5C);
    QCOMPARE(f.windowTitle(), QString("%1* - Tesmaro").arg(name));
    Action(f, "Save1")->trigger();
    QCOMPARE(ui.Dialogs.size(), size_t(0));
    QVERIFY(!f.BufferModified());
    QCOMPARE(f.windowTitle(), QString("%1 - Tesmaro").arg(name));

    // Read back as a new open would: the same data at the same addresses, the typed byte in them.
    std::vector<uint8_t> again(kMemoryBufferSize);
    const TImageFormat format = ImageFormatToRead(file);
    const TImageExtent data = ReadImage(file, format, offset, again);
    QVERIFY(data.End >= dataEnd);
    QCOMPARE(again[typed], uint8_t(0x5C));
    for (uint32_t a = 0; a < dataEnd; ++a)
      if (a != uint32_t(typed) && opened[a] != 0xFF) QCOMPARE(again[a], opened[a]);
  }

  // Ctrl+S writes the document's own file only: after Undo of the open, Clear or a Read it asks
  // for a name instead of overwriting the file opened before.
  void saveAfterUndoClearOrReadAsksForAName_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title");  // after the command
    QTest::newRow("Undo of the open") << "Undo"
                                      << "Tesmaro";
    QTest::newRow("Clear") << "Clear"
                           << "Tesmaro";
    QTest::newRow("Read") << "Read"
                          << "24C32 - Tesmaro";
  }
  void saveAfterUndoClearOrReadAsksForAName() {
    QFETCH(QString, command);
    QFETCH(QString, title);
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=24C32\nAskBeforeWriting=0\n");
    dir.Write("chip.bin", std::string(4096, '\x5A'));
    const std::string opened = dir.Write("a.bin", std::string(4096, '\x11'));
    TStartOptions o = WindowOptionsIn(dir);
    o.Simulate = true;
    o.SimulateImage = dir.File("chip.bin");
    TScriptedUserInterface ui;
    TMainWindow f(o, &ui);
    f.show();
    f.Activate();
    QTRY_VERIFY(f.Programmer.HeldDevice != nullptr);
    f.OpenDocument(opened);
    QCOMPARE(f.windowTitle(), QString("a.bin - Tesmaro"));
    if (command == "Undo")
      Action(f, "Undo1")->trigger();
    else if (command == "Clear")
      Action(f, "Clearmemory1")->trigger();
    else
      Action(f, "ReadChip1")->trigger();
    QCOMPARE(f.windowTitle(), title);
    QVERIFY(!f.BufferModified());
    QCOMPARE(f.CurrentFile(), std::string());
    ui.Shown.clear();
    Action(f, "Save1")->trigger();  // the dialog is cancelled
    QCOMPARE(ui.Dialogs.size(), size_t(1));
    QCOMPARE(dir.Read("a.bin"), std::string(4096, '\x11'));
    // Undo of an open restores the previous origin and bytes; Redo brings the file back.
    if (command == "Undo") {
      Action(f, "Redo1")->trigger();
      QCOMPARE(f.windowTitle(), QString("a.bin - Tesmaro"));
      QCOMPARE(f.Document()[0], uint8_t(0x11));
    }
  }

  // Recent files and drops read a file whose extension names no format by its content.
  void recentFilesAndDropsReadTheContent() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=24C32\n");
    const std::string eep = dir.Write("d.eep", ":0400000001020304F2\r\n:00000001FF\r\n");
    const std::string a90 = dir.Write("r.a90", "S104000033C8\nS9030000FC\n");
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    Drop(f, eep);  // opened once the drop has been accepted
    QTRY_COMPARE(f.Document()[0], uint8_t(1));
    QCOMPARE(f.Document()[3], uint8_t(4));
    QCOMPARE(f.Document().Origin().Format, std::string("hex"));
    f.OpenDocument(a90);
    Drop(f, eep);
    QTRY_COMPARE(f.RecentFiles[0], eep);
    QCOMPARE(f.RecentFiles[1], a90);
    Menu(f, "RecentFiles1")->actions()[1]->trigger();
    QCOMPARE(f.Document()[0], uint8_t(0x33));
    QCOMPARE(f.Document().Origin().Format, std::string("srec"));
    QVERIFY(ui.Shown.empty());
  }

  // The user's own catalogue joins the shipped one in the chip dialog, the lookup and the report.
  void userCatalogueIsMerged() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("user.ini", "[24cxx]\nMINE=1,2048,16,0,3\n[Own]\ntype=1\nOWN1=1,256,8,0,5\n");
    dir.Write("tesmaro.ini", "[Main]\nChip=MINE\n");
    TStartOptions o = WindowOptionsIn(dir);
    o.UserCatalogue = dir.File("user.ini");
    TScriptedUserInterface ui;
    TMainWindow f(o, &ui);
    f.Activate();
    QCOMPARE(f.CurrentChip.Size, 2048);
    QCOMPARE(f.CurrentChip.Family, std::string("24Cxx"));
    f.ChipDialog().LoadFamilies();
    QCOMPARE(f.ChipDialog().FamilyList()->count(), 2);
    QCOMPARE(f.ChipDialog().FamilyList()->itemText(1), QString("Own"));
    QCOMPARE(f.ChipDialog().ChipList()->count(), 2);
    QCOMPARE(f.ChipDialog().ChipList()->item(1)->text(), QString("MINE"));
    Action(f, "SupportedChips1")->trigger();
    QVERIFY(ui.Texts().back().find("24C32, MINE") != std::string::npos);
    QVERIFY(ui.Texts().back().find("Own\n\rOWN1") != std::string::npos);
  }

  void askBeforeWritingAndTheChipCommands() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=24C32\n");
    dir.Write("chip.bin", std::string(4096, '\x5A'));
    TStartOptions o = WindowOptionsIn(dir);
    o.Simulate = true;
    o.SimulateImage = dir.File("chip.bin");
    TScriptedUserInterface ui;
    {
      TMainWindow f(o, &ui);
      f.show();
      f.Activate();
      QTRY_VERIFY(f.Programmer.HeldDevice != nullptr);
      ui.Shown.clear();
      auto& chip = f.SimulatedProgrammer->Chip;
      FillBytes(f.Document(), 0, 4096, 0x42);

      QVERIFY(Action(f, "AskBeforeWriting1")->isCheckable());
      QVERIFY(Action(f, "AskBeforeWriting1")->isChecked());
      Action(f, "Program2")->trigger();  // no answer queued: No
      QCOMPARE(ui.Texts(), (std::vector<std::string>{"Write 4096 bytes to 24C32?"}));
      QCOMPARE(chip[0], uint8_t(0x5A));
      ui.Answers = {TAnswer::Yes};
      Button(f, "sSpeedButton4")->click();
      QCOMPARE(ui.Texts().back(), std::string("Programming OK"));
      QCOMPARE(chip[4095], uint8_t(0x42));

      Action(f, "AskBeforeWriting1")->trigger();  // off: writes without a question
      QVERIFY(!Action(f, "AskBeforeWriting1")->isChecked());
      ui.Shown.clear();
      FillBytes(f.Document(), 0, 4096, 0x43);
      Action(f, "Program2")->trigger();
      QCOMPARE(ui.Texts(), (std::vector<std::string>{"Programming OK"}));
      QCOMPARE(chip[0], uint8_t(0x43));

      ui.Shown.clear();
      Action(f, "BlankCheck1")->trigger();
      QCOMPARE(ui.Shown.size(), size_t(1));
      QCOMPARE(ui.Shown[0].Kind, TKind::Error);
      Action(f, "Erase1")->trigger();  // No
      QCOMPARE(chip[0], uint8_t(0x43));
      QCOMPARE(ui.Shown.back().Text, std::string("Erase all 4096 bytes of 24C32?"));
      ui.Answers = {TAnswer::Yes};
      Action(f, "Erase1")->trigger();
      QCOMPARE(chip[0], uint8_t(0xFF));
      QCOMPARE(chip[4095], uint8_t(0xFF));
      QCOMPARE(f.Document()[0], uint8_t(0x43));  // the document is not touched
      ui.Shown.clear();
      Action(f, "BlankCheck1")->trigger();
      QCOMPARE(ui.Texts(), (std::vector<std::string>{"The chip 24C32 is blank."}));
      QVERIFY(f.close());
    }
    QCOMPARE(TIniFile(dir.File("tesmaro.ini")).ReadInteger("Main", "AskBeforeWriting", -1), 0);
    TMainWindow f(o, &ui);
    f.Activate();
    QVERIFY(!Action(f, "AskBeforeWriting1")->isChecked());
  }
};

QTEST_MAIN(TestDocuments)
#include "test_documents.moc"
