// The main window's Open and Save As commands and the command-line load, offscreen.
#include <QtTest>

#include <cstring>

#include "app/status_bar.h"
#include "app/main_window.h"
#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "common/scripted_user_interface.h"
#include "imagefile/image_file.h"
#include "support/temp_dir.h"
#include "support/window_options.h"

Q_DECLARE_METATYPE(TAnswer)

namespace {

const std::string kHex = ":0100000011EE\r\n:00000001FF\r\n";

TStartOptions Options(const TTempDir& dir, const std::string& commandLineFile = "") {
  TStartOptions o = WindowOptionsIn(dir);
  o.CommandLineFile = commandLineFile;
  return o;
}

QString ShownChecksum(const Tf& f) { return f.sb1->PanelText(3); }
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
    Tf f(Options(dir), &ui);
    QCOMPARE(f.OpenDialog1.Filter, std::string("Hex file (*.hex)|*.hex|Binary File (*.bin)|*.bin|All files (binary)|*.*"));
    QCOMPARE(f.SaveDialog1.Filter, std::string("Hex files (*.hex)|*.hex|Binary files (*.*)|*.*"));
    for (const TFileDialog* d : {&f.OpenDialog1, &f.SaveDialog1}) {
      QCOMPARE(d->DefaultExt, std::string("hex"));
      QCOMPARE(d->FilterIndex, 1);
      QVERIFY(!d->OverwritePrompt);
    }
  }

  void openFollowsTheFilterIndex_data() {
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<int>("firstByte");
    QTest::newRow("Intel HEX") << 1 << 0x11;
    QTest::newRow("binary") << 2 << int(':');
    QTest::newRow("all files, binary") << 3 << int(':');
  }
  void openFollowsTheFilterIndex() {
    QFETCH(int, filterIndex);
    QFETCH(int, firstByte);
    TTempDir dir;
    TScriptedUserInterface ui;
    Tf f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    ui.FileNames.push_back(dir.Write("image.hex", kHex));
    ui.FilterIndexes.push_back(filterIndex);
    f.ToolButton1Click();
    QCOMPARE(int(MemoryBuffer[0]), firstByte);
    QCOMPARE(ShownChecksum(f), BufferChecksum(16));
    QVERIFY(ui.Shown.empty());
  }

  void cancelledOpenChangesNothing() {
    TTempDir dir;
    TScriptedUserInterface ui;
    Tf f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    f.ToolButton1Click();
    QCOMPARE(int(MemoryBuffer[0]), 0);
    QCOMPARE(ui.Dialogs.size(), size_t(1));
  }

  // A wrong checksum is a plain message; a conversion error reaches the error box. Either way
  // the status bar shows the checksum of what is now in the buffer.
  void loadProblemsAreShownAndTheViewFollows_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("shown");
    QTest::newRow("wrong checksum") << ":0100000011EF\n:0100010022DC\n" << int(TScriptedUserInterface::TKind::Message)
                                    << "Wrong CheckSum !";
    QTest::newRow("empty line") << ":0100000011EE\n\n" << int(TScriptedUserInterface::TKind::Error)
                                << "'$' is not a valid integer value";
  }
  void loadProblemsAreShownAndTheViewFollows() {
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(QString, shown);
    TTempDir dir;
    TScriptedUserInterface ui;
    Tf f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    ui.FileNames.push_back(dir.Write("bad.hex", text.toStdString()));
    f.Run([&] { f.ToolButton1Click(); });
    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(int(ui.Shown[0].Kind), kind);
    QCOMPARE(QString::fromStdString(ui.Shown[0].Text), shown);
    QCOMPARE(int(MemoryBuffer[0]), 0x11);
    QCOMPARE(int(MemoryBuffer[1]), 0xFF);
    QCOMPARE(ShownChecksum(f), BufferChecksum(16));
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
    Tf f(Options(dir), &ui);
    f.CurrentChip.Size = 16;
    std::memset(MemoryBuffer, 0xFF, 16);
    const std::string file = dir.Write("image.hex", "old");
    ui.FileNames.push_back(file);
    ui.Answers.push_back(answer);
    f.ToolButton2Click();
    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(int(ui.Shown[0].Kind), int(TScriptedUserInterface::TKind::Warning));
    QCOMPARE(ui.Shown[0].Text, ui.MessageText("ConfirmSave"));
    QCOMPARE(TTempDir::ReadFile(file), written ? HexText(f.CurrentChip) : std::string("old"));
  }

  void saveAsFollowsTheFilterIndexWithoutAskingForANewFile() {
    TTempDir dir;
    TScriptedUserInterface ui;
    Tf f(Options(dir), &ui);
    f.CurrentChip.Size = 20;
    for (int i = 0; i < 32; ++i) MemoryBuffer[i] = static_cast<uint8_t>(i);
    ui.FileNames = {dir.File("image.hex"), dir.File("image.dat")};
    ui.FilterIndexes = {1, 2};
    f.ToolButton2Click();
    f.ToolButton2Click();
    QVERIFY(ui.Shown.empty());
    QCOMPARE(dir.Read("image.hex"), HexText(f.CurrentChip));
    QCOMPARE(dir.Read("image.dat"), std::string(reinterpret_cast<const char*>(MemoryBuffer), 20));
  }

  // Named from the folder the program was started in, though the window then moves to its data folder.
  void commandLineFileIsIntelHexWhateverItsExtension() {
    TTempDir startDir, dataDir;
    TScriptedUserInterface ui;
    startDir.Write("image.bin", kHex);
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(startDir.Folder()));
    Tf f(Options(dataDir, "image.bin"), &ui);
    f.CurrentChip.Size = 16;
    f.FormActivate();
    QDir::setCurrent(before);
    QCOMPARE(ui.Texts(), std::vector<std::string>());
    QCOMPARE(int(MemoryBuffer[0]), 0x11);
    QCOMPARE(ShownChecksum(f), BufferChecksum(16));
    QCOMPARE(f.OpenDialog1.InitialDir, startDir.Folder());
    QCOMPARE(f.SaveDialog1.InitialDir, startDir.Folder());
  }

  void failedCommandLineLoadLeavesTheFolders() {
    TTempDir dir;
    TScriptedUserInterface ui;
    Tf f(Options(dir, dir.File("missing.hex")), &ui);
    f.FormActivate();
    QCOMPARE(ui.Texts(), std::vector<std::string>{"File not found"});
    QCOMPARE(f.OpenDialog1.InitialDir, std::string());
    QCOMPARE(f.SaveDialog1.InitialDir, std::string());
  }
};

QTEST_MAIN(TestFileCommands)
#include "test_file_commands.moc"
