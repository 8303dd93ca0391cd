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
#include "simulator/simulated_programmer.h"
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
    QCOMPARE(f.CurrentFile, dir.File("a.bin"));
    QCOMPARE(f.OpenDialog.InitialDir, dir.Folder());
    QCOMPARE(f.SaveDialog.InitialDir, dir.Folder());
    QCOMPARE(f.windowTitle(), QString("a.bin - Tesmaro"));

    MemoryBuffer[5] = 0x22;
    f.SetBufferModified(true);
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
    MemoryBuffer[6] = 0x33;
    f.SetBufferModified(true);
    ui.Answers = {TAnswer::Yes};
    QVERIFY(f.ConfirmDiscardChanges());
    QCOMPARE(dir.Read("a.bin")[6], '\x33');
    QCOMPARE(ui.Dialogs.size(), size_t(2));
    QVERIFY(!f.BufferModified());

    // Save keeps the format the file was opened in, which its name does not tell: a file
    // without a known extension opened as Intel HEX is not turned into a binary image.
    dir.Write("image.dat", ":0100000044BB\r\n:00000001FF\r\n");
    ui.FileNames = {dir.File("image.dat")};
    ui.FilterIndexes = {1};
    Action(f, "Open1")->trigger();
    QCOMPARE(MemoryBuffer[0], uint8_t(0x44));
    MemoryBuffer[0] = 0x45;
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
      QCOMPARE(MemoryBuffer[0], uint8_t(5));
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
    MemoryBuffer[0] = 0x77;
    f.SetBufferModified(true);
    Menu(f, "RecentFiles1")->actions()[1]->trigger();  // f8.bin; no answer queued: Cancel
    QCOMPARE(MemoryBuffer[0], uint8_t(0x77));
    ui.Answers = {TAnswer::No};
    Menu(f, "RecentFiles1")->actions()[1]->trigger();
    QCOMPARE(MemoryBuffer[0], uint8_t(8));
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
    MemoryBuffer[0] = 0x99;
    f.SetBufferModified(true);
    QVERIFY(Drop(f, dir.File("d.hex")));  // accepted before anything is asked
    QVERIFY(ui.Shown.empty());
    QTRY_COMPARE(ui.Shown.size(), size_t(1));  // Cancel
    QCOMPARE(MemoryBuffer[0], uint8_t(0x99));
    QCOMPARE(ui.Shown.back().Kind, TKind::SaveChanges);
    ui.Answers = {TAnswer::No};
    auto* other = new QLineEdit(&f);
    other->show();
    other->setFocus();
    Drop(f, dir.File("d.hex"));
    QTRY_COMPARE(MemoryBuffer[0], uint8_t(1));  // read as Intel HEX, as its name says
    QTRY_COMPARE(QApplication::focusWidget(), Grid(f));
    QCOMPARE(MemoryBuffer[3], uint8_t(4));
    QCOMPARE(MemoryBuffer[4], uint8_t(0xFF));
    QCOMPARE(f.windowTitle(), QString("d.hex - Tesmaro"));
    QCOMPARE(f.RecentFiles.front(), dir.File("d.hex"));
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
      std::memset(MemoryBuffer, 0x42, 4096);

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
      std::memset(MemoryBuffer, 0x43, 4096);
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
      QCOMPARE(MemoryBuffer[0], uint8_t(0x43));  // the buffer is not touched
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
