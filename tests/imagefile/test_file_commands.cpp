// The main window's Open and Save As commands and the command-line load, offscreen.
#include <QtTest>

#include <cstring>
#include <filesystem>

#include <QTableView>

#include "app/differences_window.h"
#include "app/gui_user_interface.h"
#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/status_bar.h"
#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "common/scripted_user_interface.h"
#include "imagefile/image_file.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

Q_DECLARE_METATYPE(TAnswer)

namespace {

const std::string kHex = ":0100000011EE\r\n:00000001FF\r\n";

TStartOptions Options(const TTempDir& dir, const std::string& commandLineFile = "") {
  TStartOptions o = WindowOptionsIn(dir);
  o.CommandLineFile = commandLineFile;
  return o;
}

QString ShownChecksum(const TMainWindow& f) { return StatusBar(f)->PanelText(TStatusPanel::Checksum); }
QString BufferChecksum(int32_t size) {
  return QStringLiteral("Chk: ") + QString::fromStdString(IntToHex(CalcChecksum(size), 4));
}

}  // namespace

class TestFileCommands : public QObject {
  Q_OBJECT

 private slots:
  void init() { std::memset(MemoryBuffer, 0x00, sizeof MemoryBuffer); }

  void dialogsAreSetUp() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    QCOMPARE(f.OpenDialog.Filter,
             std::string("Hex file (*.hex)|*.hex|Binary File (*.bin)|*.bin|All files (binary)|*.*|S-record file "
                         "(*.s19;*.s28;*.s37;*.srec;*.mot;*.s)|*.s19;*.s28;*.s37;*.srec;*.mot;*.s"));
    QCOMPARE(f.SaveDialog.Filter,
             std::string("Hex files (*.hex)|*.hex|Binary files (*.*)|*.*|S-record files "
                         "(*.s19;*.s28;*.s37;*.srec;*.mot;*.s)|*.s19;*.s28;*.s37;*.srec;*.mot;*.s"));
    for (const TFileDialog* d : {&f.OpenDialog, &f.SaveDialog}) {
      QCOMPARE(d->DefaultExt, std::string("hex"));
      QCOMPARE(d->FilterIndex, 1);
      QVERIFY(!d->OverwritePrompt);
    }
  }

  // The file's extension decides; the filter chosen (perhaps remembered from last time) only
  // for a name without a known extension.
  void openFollowsTheExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<int>("firstByte");
    const QString hex = QString::fromStdString(kHex);
    const QString srec = QStringLiteral("S104000033C8\nS9030000FC\n");
    QTest::newRow(".hex, Intel HEX filter") << "image.hex" << hex << 1 << 0x11;
    QTest::newRow(".hex, binary filter") << "image.hex" << hex << 2 << 0x11;
    QTest::newRow(".HEX, all files filter") << "image.HEX" << hex << 3 << 0x11;
    QTest::newRow(".s19, binary filter") << "image.s19" << srec << 2 << 0x33;
    QTest::newRow(".bin, Intel HEX filter") << "image.bin" << hex << 1 << int(':');
    QTest::newRow("unknown extension, Intel HEX filter") << "image.dat" << hex << 1 << 0x11;
    QTest::newRow("unknown extension, all files filter") << "image.dat" << hex << 3 << int(':');
    QTest::newRow("no extension, S-record filter") << "image" << srec << 4 << 0x33;
  }
  void openFollowsTheExtension() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, filterIndex);
    QFETCH(int, firstByte);
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    ui.FileNames.push_back(dir.Write(name.toStdString(), text.toStdString()));
    ui.FilterIndexes.push_back(filterIndex);
    f.Run([&] { f.Open(); });
    QCOMPARE(ui.Texts(), std::vector<std::string>());
    QCOMPARE(int(MemoryBuffer[0]), firstByte);
    QCOMPARE(ShownChecksum(f), BufferChecksum(16));
  }

  void cancelledOpenChangesNothing() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    f.Open();
    QCOMPARE(int(MemoryBuffer[0]), 0);
    QCOMPARE(ui.Dialogs.size(), size_t(1));
  }

  // A file that fails anywhere loads nothing: what a chip read put into the buffer stays, the
  // view is not refreshed, and the error box names the file, the line and what is wrong.
  void failedLoadLeavesTheBufferAndTheView_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("wrong checksum") << "bad.hex"
                                    << ":0100000011EE\n:0100010022DD\n"
                                    << "line 2: the record's checksum is wrong";
    QTest::newRow("garbage line") << "bad.hex"
                                  << ":0100000011EE\ngarbage\n"
                                  << "line 2: '$ar' is not a valid integer value";
    QTest::newRow("binary named .hex") << "bad.hex"
                                       << QString::fromLatin1(
                                              "\x7F"
                                              "ELF\x02\x01")
                                       << "line 1: '$EL' is not a valid integer value";
    QTest::newRow("S-record past the buffer") << "bad.s28"
                                              << "S104000033C8\nS2060FFFFF0102E8\n"
                                              << "line 2: address 0x100000 lies outside the memory buffer";
  }
  void failedLoadLeavesTheBufferAndTheView() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    for (int i = 0; i < 16; ++i) MemoryBuffer[i] = static_cast<uint8_t>(0xA0 + i);
    f.UpdateView();
    const QString before = ShownChecksum(f);
    const std::string file = dir.Write(name.toStdString(), text.toStdString());
    ui.FileNames.push_back(file);
    f.Run([&] { f.Open(); });
    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(int(ui.Shown[0].Kind), int(TScriptedUserInterface::TKind::Error));
    QCOMPARE(QString::fromStdString(ui.Shown[0].Text), "File \"" + QString::fromStdString(file) + "\", " + shown);
    for (int i = 0; i < 16; ++i) QCOMPARE(int(MemoryBuffer[i]), 0xA0 + i);
    QCOMPARE(int(MemoryBuffer[16]), 0);
    QCOMPARE(ShownChecksum(f), before);
  }

  // A file whose data start past the chip: Yes loads them at address 0, No loads them where
  // they are, which for an EEPROM image at 0x810000 is refused.
  void dataPastTheChipAreOfferedAtAddressZero_data() {
    QTest::addColumn<TAnswer>("answer");
    QTest::newRow("Yes") << TAnswer::Yes;
    QTest::newRow("No") << TAnswer::No;
  }
  void dataPastTheChipAreOfferedAtAddressZero() {
    QFETCH(TAnswer, answer);
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 256;
    ui.FileNames.push_back(dir.Write("eeprom.hex", ":02000004008179\n:0400000001020304F2\n:00000001FF\n"));
    ui.Answers.push_back(answer);
    f.Run([&] { f.Open(); });
    QVERIFY(!ui.Shown.empty());
    QCOMPARE(int(ui.Shown[0].Kind), int(TScriptedUserInterface::TKind::Question));
    QCOMPARE(ui.Shown[0].Text, std::string("The file's data start at 0x810000. Load them at address 0?"));
    if (answer == TAnswer::Yes) {
      QCOMPARE(ui.Shown.size(), size_t(1));
      QCOMPARE(int(MemoryBuffer[0]), 1);
      QCOMPARE(int(MemoryBuffer[3]), 4);
      QCOMPARE(int(MemoryBuffer[4]), 0xFF);
    } else {
      QCOMPARE(ui.Shown.size(), size_t(2));
      QVERIFY(ui.Shown[1].Text.find("address 0x810000 lies outside the memory buffer") != std::string::npos);
      QCOMPARE(int(MemoryBuffer[0]), 0);
    }
  }

  // Compare with file: the differences listed and marked; Enter on a row goes to its address.
  void compareListsAndMarksTheDifferences() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 64;
    Grid(f)->SetRowCount(5);
    for (int i = 0; i < 64; ++i) MemoryBuffer[i] = static_cast<uint8_t>(i);
    std::string image(reinterpret_cast<const char*>(MemoryBuffer), 64);
    image[0x1F] = '\x5C';
    image[0x20] = '\x5D';
    image[0x30] = '\x00';
    ui.FileNames = {dir.Write("other.bin", image), dir.Write("same.bin", image.substr(0, 0x1F))};
    f.CompareWithFile();
    QVERIFY(ui.Shown.empty());
    QVERIFY(f.DifferencesWindow());
    QCOMPARE(f.DifferencesWindow()->RowCount(), 3);
    QCOMPARE(f.DifferencesWindow()->Summary(),
             QStringLiteral("First difference at 0x001F: buffer 1F, file 5C; 3 bytes differ."));
    QVERIFY(Grid(f)->Marked(0x1F) && Grid(f)->Marked(0x20) && Grid(f)->Marked(0x30));
    QVERIFY(!Grid(f)->Marked(0x1E) && !Grid(f)->Marked(0x21));
    for (int i = 0; i < 64; ++i) QCOMPARE(int(MemoryBuffer[i]), i);  // the buffer is not touched
    QTableView* list = f.DifferencesWindow()->List();
    QCOMPARE(list->currentIndex().row(), 0);
    list->setCurrentIndex(list->model()->index(2, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(Grid(f)->Row(), 4);
    QCOMPARE(Grid(f)->Col(), 1);

    // The bytes past a short binary file are blank, as a load would leave them.
    for (int i = 0x1F; i < 64; ++i) MemoryBuffer[i] = 0xFF;
    f.CompareWithFile();
    QCOMPARE(ui.Texts(), std::vector<std::string>{"The buffer and the file are the same."});
    QVERIFY(Grid(f)->Marks().empty());

    // New contents of the buffer drop the marks of the last compare.
    ui.FileNames = {dir.File("other.bin")};
    f.CompareWithFile();
    QVERIFY(!Grid(f)->Marks().empty());
    f.UpdateView();
    QVERIFY(Grid(f)->Marks().empty());
  }

  void qtFiltersShowEachPatternOnceAndMatchEveryName() {
    QCOMPARE(QtFilters("Hex file (*.hex)|*.hex|All files (binary)|*.*|Binary files (*.*)|*.*|S (*.s19)|*.s19;*.s|"
                       "T (*.s19;*.s)|*.s19;*.s"),
             QStringList({"Hex file (*.hex)", "All files (binary) (*)", "Binary files (*)", "S (*.s19) (*.s19 *.s)",
                          "T (*.s19 *.s)"}));
    QCOMPARE(SavedFileName("/d/out.bin", "Binary files (*)"), std::string("/d/out.bin"));
    QCOMPARE(SavedFileName("/d/out.*", "Binary files (*)"), std::string("/d/out"));
    QCOMPARE(SavedFileName("/d/out", "Hex files (*.hex)"), std::string("/d/out.hex"));
    QCOMPARE(SavedFileName("/d.x/out", "S (*.s19 *.s)"), std::string("/d.x/out.s19"));
  }

  void saveAsAsksBeforeReplacing_data() {
    QTest::addColumn<TAnswer>("answer");
    QTest::addColumn<bool>("written");
    QTest::newRow("Yes") << TAnswer::Yes << true;
    QTest::newRow("No") << TAnswer::No << false;
    QTest::newRow("Cancel") << TAnswer::Cancel << false;
  }
  void saveAsAsksBeforeReplacing() {
    QFETCH(TAnswer, answer);
    QFETCH(bool, written);
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    std::memset(MemoryBuffer, 0xFF, 16);
    const std::string file = dir.Write("image.hex", "old");
    ui.FileNames.push_back(file);
    ui.Answers.push_back(answer);
    f.SaveAs();
    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(int(ui.Shown[0].Kind), int(TScriptedUserInterface::TKind::Warning));
    QCOMPARE(ui.Shown[0].Text, ui.MessageText("ConfirmSave"));
    QCOMPARE(TTempDir::ReadFile(file), written ? HexText(f.CurrentChip) : std::string("old"));
  }

  // The extension decides the format; the filter only for a name without a known extension.
  void saveAsFollowsTheExtensionWithoutAskingForANewFile() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 20;
    for (int i = 0; i < 32; ++i) MemoryBuffer[i] = static_cast<uint8_t>(i);
    ui.FileNames = {dir.File("image.hex"), dir.File("image.dat"), dir.File("other.dat"), dir.File("image.s19"),
                    dir.File("image.bin")};
    ui.FilterIndexes = {2, 2, 1, 1, 1};
    for (int i = 0; i < 5; ++i) f.SaveAs();
    QVERIFY(ui.Shown.empty());
    const std::string bytes(reinterpret_cast<const char*>(MemoryBuffer), 20);
    QCOMPARE(dir.Read("image.hex"), HexText(f.CurrentChip));
    QCOMPARE(dir.Read("image.dat"), bytes);
    QCOMPARE(dir.Read("other.dat"), HexText(f.CurrentChip));
    QCOMPARE(dir.Read("image.s19"), SRecText(f.CurrentChip));
    QCOMPARE(dir.Read("image.bin"), bytes);
  }

  // A save that fails names the file and why, and the dialog comes again: the user saves elsewhere
  // or cancels, and nothing is lost either way.
  void failedSaveNamesTheFileAndOffersTheDialogAgain_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("thenCancel");
    QTest::newRow("Save As, Intel HEX, saved elsewhere") << "SaveAs1"
                                                         << "image.hex" << false;
    QTest::newRow("Save As, binary, saved elsewhere") << "SaveAs1"
                                                      << "image.bin" << false;
    QTest::newRow("Save As, cancelled") << "SaveAs1"
                                        << "image.hex" << true;
    QTest::newRow("Save, saved elsewhere") << "Save1"
                                           << "image.hex" << false;
  }
  void failedSaveNamesTheFileAndOffersTheDialogAgain() {
    QFETCH(QString, command);
    QFETCH(QString, name);
    QFETCH(bool, thenCancel);
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    f.Activate();
    const std::string unwritable = dir.File("missing/" + name.toStdString());
    const std::string good = dir.File(name.toStdString());
    const bool save = command == "Save1";
    if (save) f.DocumentOpenedOrSaved(unwritable, TImageFormat::Hex);  // its folder is gone since
    std::memset(MemoryBuffer, 0x5A, 16);
    f.SetBufferModified(true);
    if (!save) ui.FileNames = {unwritable};
    if (!thenCancel) ui.FileNames.push_back(good);
    Action(f, command.toLatin1().constData())->trigger();
    QCOMPARE(ui.Dialogs.size(), size_t(save ? 1 : 2));
    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(int(ui.Shown[0].Kind), int(TScriptedUserInterface::TKind::Error));
    QVERIFY2(ui.Shown[0].Text.find(unwritable) != std::string::npos, ui.Shown[0].Text.c_str());
    QCOMPARE(f.BufferModified(), thenCancel);
    QCOMPARE(std::filesystem::exists(good), !thenCancel);
    if (!thenCancel) QCOMPARE(f.CurrentFile, good);
  }

  // Named from the folder the program was started in, though the window then moves to its data folder.
  void commandLineFileIsIntelHexWhateverItsExtension() {
    TTempDir startDir, dataDir;
    TScriptedUserInterface ui;
    startDir.Write("image.bin", kHex);
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(startDir.Folder()));
    TMainWindow f(Options(dataDir, "image.bin"), &ui);
    f.CurrentChip.Size = 16;
    f.Activate();
    QDir::setCurrent(before);
    QCOMPARE(ui.Texts(), std::vector<std::string>());
    QCOMPARE(int(MemoryBuffer[0]), 0x11);
    QCOMPARE(ShownChecksum(f), BufferChecksum(16));
    QCOMPARE(f.OpenDialog.InitialDir, startDir.Folder());
    QCOMPARE(f.SaveDialog.InitialDir, startDir.Folder());
  }

  // The command-line file loads all or nothing too; S-records when its name says so.
  void commandLineFileLoadsWholeOrNotAtAll_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("firstByte");
    QTest::addColumn<QString>("shown");
    QTest::newRow("bad checksum in line 2") << "image.hex"
                                            << ":0100000011EE\n:0100010022DD\n"
                                            << 0xFF << "line 2: the record's checksum is wrong";
    QTest::newRow("S-records by extension") << "image.s19"
                                            << "S104000033C8\nS9030000FC\n"
                                            << 0x33 << "";
  }
  void commandLineFileLoadsWholeOrNotAtAll() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, firstByte);
    QFETCH(QString, shown);
    TTempDir dir;
    TScriptedUserInterface ui;
    const std::string file = dir.Write(name.toStdString(), text.toStdString());
    TMainWindow f(Options(dir, file), &ui);
    f.Activate();
    QCOMPARE(int(MemoryBuffer[0]), firstByte);
    QCOMPARE(int(MemoryBuffer[1]), 0xFF);
    if (shown.isEmpty())
      QCOMPARE(ui.Texts(), std::vector<std::string>());
    else
      QCOMPARE(ui.Texts(), std::vector<std::string>{"File \"" + file + "\", " + shown.toStdString()});
  }

  void failedCommandLineLoadLeavesTheFolders() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir, dir.File("missing.hex")), &ui);
    const std::string start = f.OpenDialog.InitialDir;
    f.Activate();
    QCOMPARE(ui.Texts(), std::vector<std::string>{"File not found"});
    QCOMPARE(f.OpenDialog.InitialDir, start);
    QCOMPARE(f.SaveDialog.InitialDir, start);
    QVERIFY(start != dir.Folder());
  }
};

QTEST_MAIN(TestFileCommands)
#include "test_file_commands.moc"
