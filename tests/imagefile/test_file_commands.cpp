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
#include "support/document_bytes.h"
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
QString BufferChecksum(TMainWindow& f, int32_t size) {
  return QStringLiteral("Chk: ") + QString::fromStdString(IntToHex(ChecksumOf(f.Document().Bytes(), size), 4));
}

// What a save of the chip's bytes writes.
std::string ChipText(TMainWindow& f, TImageFormat format) {
  return ImageText(format, f.Document().Bytes(), ChipSpan(format, f.CurrentChip));
}

}  // namespace

class TestFileCommands : public QObject {
  Q_OBJECT

 private slots:
  void dialogsAreSetUp() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    QCOMPARE(f.OpenDialog.Filter, std::string("Hex files (*.hex *.ihx *.ihex)|*.hex;*.ihx;*.ihex|Binary files (*.bin)|"
                                              "*.bin|S-record files (*.s19 *.s28 *.s37 *.srec *.mot *.s)|*.s19;*.s28;"
                                              "*.s37;*.srec;*.mot;*.s|All files (*.*)|*.*"));
    QCOMPARE(f.SaveDialog.Filter, std::string("Hex files (*.hex *.ihx *.ihex)|*.hex;*.ihx;*.ihex|Binary files (*.bin)|"
                                              "*.bin|S-record files (*.s19 *.s28 *.s37 *.srec *.mot *.s)|*.s19;*.s28;"
                                              "*.s37;*.srec;*.mot;*.s"));
    for (const TFileDialog* d : {&f.OpenDialog, &f.SaveDialog}) {
      QCOMPARE(d->DefaultExt, std::string("hex"));
      QCOMPARE(d->FilterIndex, 1);
      QVERIFY(!d->OverwritePrompt);
    }
  }

  // A known extension decides; any other name is read as what its lines are. The filter chosen
  // (perhaps remembered from last time) never overrides either.
  void openFollowsTheExtensionThenTheContent_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<int>("firstByte");
    const QString hex = QString::fromStdString(kHex);
    const QString srec = QStringLiteral("S104000033C8\nS9030000FC\n");
    QTest::newRow(".hex, Intel HEX filter") << "image.hex" << hex << 1 << 0x11;
    QTest::newRow(".hex, binary filter") << "image.hex" << hex << 2 << 0x11;
    QTest::newRow(".HEX, all files filter") << "image.HEX" << hex << 4 << 0x11;
    QTest::newRow(".s19, binary filter") << "image.s19" << srec << 2 << 0x33;
    QTest::newRow(".bin holding Intel HEX, Intel HEX filter") << "image.bin" << hex << 1 << int(':');
    QTest::newRow(".eep holding Intel HEX, binary filter") << "image.eep" << hex << 2 << 0x11;
    QTest::newRow(".dat holding text, Intel HEX filter") << "image.dat"
                                                         << "hello" << 1 << int('h');
    QTest::newRow("no extension, S-records") << "image" << srec << 1 << 0x33;
  }
  void openFollowsTheExtensionThenTheContent() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, filterIndex);
    QFETCH(int, firstByte);
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 64;
    ui.FileNames.push_back(dir.Write(name.toStdString(), text.toStdString()));
    ui.FilterIndexes.push_back(filterIndex);
    f.Run([&] { f.Open(); });
    QCOMPARE(ui.Texts(), std::vector<std::string>());
    QCOMPARE(int(f.Document()[0]), firstByte);
    QCOMPARE(ShownChecksum(f), BufferChecksum(f, 64));
  }

  void cancelledOpenChangesNothing() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    f.Open();
    QCOMPARE(int(f.Document()[0]), 0xFF);
    QCOMPARE(int(f.Document().Origin().Kind), int(TOriginKind::New));
    QCOMPARE(ui.Dialogs.size(), size_t(1));
  }

  // A file that fails anywhere loads nothing: what a chip read put into the document stays, the
  // view is not refreshed, and the error box names the file and what is wrong.
  void failedLoadLeavesTheDocumentAndTheView_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");  // %1: the file
    QTest::newRow("wrong checksum") << "bad.hex"
                                    << ":0100000011EE\n:0100010022DD\n"
                                    << "File \"%1\", line 2: the record's checksum is wrong";
    QTest::newRow("garbage line") << "bad.hex"
                                  << ":0100000011EE\ngarbage\n"
                                  << "%1 is not an Intel HEX file (line 2)";
    QTest::newRow("binary named .hex") << "bad.hex"
                                       << QString::fromLatin1(
                                              "\x7F"
                                              "ELF\x02\x01")
                                       << "%1 is not an Intel HEX file (line 1)";
    QTest::newRow("cut short") << "cut.hex"
                               << ":0100000011EE\n"
                               << "%1 ends without an end record after line 1: it may be cut short.";
    QTest::newRow("empty") << "empty.hex"
                           << ""
                           << "%1 holds no data.";
    QTest::newRow("two values for one address") << "twice.hex"
                                                << ":0100000011EE\n:0100000012ED\n:00000001FF\n"
                                                << "File \"%1\", line 2: line 1 gave address 0x0000 another value";
    QTest::newRow("S-record past the buffer") << "bad.s28"
                                              << "S104000033C8\nS2060FFFFF0102E9\nS804000000FB\n"
                                              << "%1 holds data up to 0x100000; the memory buffer ends at 0xFFFFF.";
    QTest::newRow("missing") << ""
                             << ""
                             << "File not found: %1";
  }
  void failedLoadLeavesTheDocumentAndTheView() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    for (int i = 0; i < 16; ++i) SetByte(f.Document(), i, static_cast<uint8_t>(0xA0 + i));
    f.UpdateView();
    const QString before = ShownChecksum(f);
    const std::string file =
        name.isEmpty() ? dir.File("missing.hex") : dir.Write(name.toStdString(), text.toStdString());
    ui.FileNames.push_back(file);
    f.Run([&] { f.Open(); });
    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(int(ui.Shown[0].Kind), int(TScriptedUserInterface::TKind::Error));
    QCOMPARE(QString::fromStdString(ui.Shown[0].Text), shown.arg(QString::fromStdString(file)));
    for (int i = 0; i < 16; ++i) QCOMPARE(int(f.Document()[i]), 0xA0 + i);
    QCOMPARE(int(f.Document()[16]), 0xFF);
    QCOMPARE(ShownChecksum(f), before);
    QVERIFY(!f.Document().CanUndo());
  }

  // A file whose data start past the chip: Yes loads them at address 0, No where they are,
  // which for an EEPROM image at 0x810000 is past the document: refused, naming the file.
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
    const std::string file = dir.Write("eeprom.hex", ":02000004008179\n:0400000001020304F2\n:00000001FF\n");
    ui.FileNames.push_back(file);
    ui.Answers.push_back(answer);
    f.Run([&] { f.Open(); });
    QVERIFY(!ui.Shown.empty());
    QCOMPARE(int(ui.Shown[0].Kind), int(TScriptedUserInterface::TKind::Question));
    QCOMPARE(ui.Shown[0].Text, std::string("The file's data start at 0x810000. Load them at address 0?"));
    if (answer == TAnswer::Yes) {
      QCOMPARE(ui.Shown.size(), size_t(1));
      QCOMPARE(int(f.Document()[0]), 1);
      QCOMPARE(int(f.Document()[3]), 4);
      QCOMPARE(int(f.Document()[4]), 0xFF);
      QCOMPARE(f.Document().Origin().Offset, 0x810000u);
    } else {
      QCOMPARE(ui.Shown.size(), size_t(2));
      QCOMPARE(ui.Shown[1].Text, file + " holds data up to 0x810003; the memory buffer ends at 0xFFFFF.");
      QCOMPARE(int(f.Document()[0]), 0xFF);
    }
  }

  // Compare with file: the differences listed and marked; Enter on a row goes to its address.
  void compareListsAndMarksTheDifferences() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 64;
    Grid(f)->SetRowCount(5);
    for (int i = 0; i < 64; ++i) SetByte(f.Document(), i, static_cast<uint8_t>(i));
    std::string image(reinterpret_cast<const char*>(f.Document().Data()), 64);
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
    for (int i = 0; i < 64; ++i) QCOMPARE(int(f.Document()[i]), i);  // the document is not touched
    QTableView* list = f.DifferencesWindow()->List();
    QCOMPARE(list->currentIndex().row(), 0);
    list->setCurrentIndex(list->model()->index(2, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(Grid(f)->Row(), 4);
    QCOMPARE(Grid(f)->Col(), 1);

    // The bytes past a short binary file are blank, as a load would leave them.
    FillBytes(f.Document(), 0x1F, 64 - 0x1F, 0xFF);
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
    const std::string file = dir.Write("image.hex", "old");
    ui.FileNames.push_back(file);
    ui.Answers.push_back(answer);
    f.SaveAs();
    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(int(ui.Shown[0].Kind), int(TScriptedUserInterface::TKind::Warning));
    QCOMPARE(ui.Shown[0].Text, ui.MessageText("ConfirmSave"));
    QCOMPARE(TTempDir::ReadFile(file), written ? ChipText(f, TImageFormat::Hex) : std::string("old"));
  }

  // The extension decides the format; the filter only for a name without a known extension.
  void saveAsFollowsTheExtensionWithoutAskingForANewFile() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(Options(dir), &ui);
    f.CurrentChip.Size = 20;
    for (int i = 0; i < 32; ++i) SetByte(f.Document(), i, static_cast<uint8_t>(i));
    ui.FileNames = {dir.File("image.hex"), dir.File("image.dat"), dir.File("other.dat"), dir.File("image.s19"),
                    dir.File("image.bin")};
    ui.FilterIndexes = {2, 2, 1, 1, 1};
    for (int i = 0; i < 5; ++i) f.SaveAs();
    QVERIFY(ui.Shown.empty());
    const std::string bytes(reinterpret_cast<const char*>(f.Document().Data()), 20);
    QCOMPARE(dir.Read("image.hex"), ChipText(f, TImageFormat::Hex));
    QCOMPARE(dir.Read("image.dat"), bytes);
    QCOMPARE(dir.Read("other.dat"), ChipText(f, TImageFormat::Hex));
    QCOMPARE(dir.Read("image.s19"), ChipText(f, TImageFormat::SRec));
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
    if (save) {
      // The document's file, whose folder is gone since it was opened.
      std::filesystem::create_directory(dir.File("missing"));
      dir.Write("missing/" + name.toStdString(), kHex);
      f.OpenDocument(unwritable);
      std::filesystem::remove_all(dir.File("missing"));
    }
    f.Document().Change(0, std::vector<uint8_t>(16, 0x5A));  // an unsaved edit
    if (!save) ui.FileNames = {unwritable};
    if (!thenCancel) ui.FileNames.push_back(good);
    Action(f, command.toLatin1().constData())->trigger();
    QCOMPARE(ui.Dialogs.size(), size_t(save ? 1 : 2));
    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(int(ui.Shown[0].Kind), int(TScriptedUserInterface::TKind::Error));
    QVERIFY2(ui.Shown[0].Text.find(unwritable) != std::string::npos, ui.Shown[0].Text.c_str());
    QCOMPARE(f.BufferModified(), thenCancel);
    QCOMPARE(std::filesystem::exists(good), !thenCancel);
    if (!thenCancel) QCOMPARE(f.CurrentFile(), good);
  }

  // Named from the folder the program was started in, though the window then moves to its data
  // folder; read by the rule of every open: an unknown extension, Intel HEX by its lines.
  void commandLineFileFollowsTheOneRule() {
    TTempDir startDir, dataDir;
    TScriptedUserInterface ui;
    startDir.Write("image.eep", kHex);
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(startDir.Folder()));
    TMainWindow f(Options(dataDir, "image.eep"), &ui);
    f.CurrentChip.Size = 16;
    f.Activate();
    QDir::setCurrent(before);
    QCOMPARE(ui.Texts(), std::vector<std::string>());
    QCOMPARE(int(f.Document()[0]), 0x11);
    QCOMPARE(ShownChecksum(f), BufferChecksum(f, 16));
    QCOMPARE(f.windowTitle(), QString("image.eep - Tesmaro"));
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
    QCOMPARE(int(f.Document()[0]), firstByte);
    QCOMPARE(int(f.Document()[1]), 0xFF);
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
    QCOMPARE(ui.Texts(), std::vector<std::string>{"File not found: " + dir.File("missing.hex")});
    QCOMPARE(f.OpenDialog.InitialDir, start);
    QCOMPARE(f.SaveDialog.InitialDir, start);
    QVERIFY(start != dir.Folder());
  }
};

QTEST_MAIN(TestFileCommands)
#include "test_file_commands.moc"
