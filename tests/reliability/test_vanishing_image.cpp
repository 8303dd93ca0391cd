// An image file that is deleted after the Open dialog picked it and before the load opens it:
// the command shows the file error and the program goes on.
#include <QtTest>

#include <cstring>
#include <filesystem>

#include "app/main_window.h"
#include "app/status_bar.h"
#include "buffer/memory_buffer.h"
#include "common/scripted_user_interface.h"
#include "support/document_bytes.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"

namespace {

// Answers the Open dialog with the file, then deletes it.
class TVanishingFileUi : public TScriptedUserInterface {
 public:
  bool ExecuteOpenDialog(TFileDialog& dialog) override {
    bool picked = TScriptedUserInterface::ExecuteOpenDialog(dialog);
    if (picked) std::filesystem::remove(dialog.FileName);
    return picked;
  }
};

}  // namespace

class TestVanishingImage : public QObject {
  Q_OBJECT

 private slots:
  void openShowsTheFileError_data() {
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("firstByteAfter");
    // A load that fails leaves the document and the view as they were, whatever the filter; the
    // error names the file.
    QTest::newRow("Intel HEX filter") << 1 << QStringLiteral("File not found: %1") << 0x12;
    QTest::newRow("binary filter") << 2 << QStringLiteral("File not found: %1") << 0x12;
  }
  void openShowsTheFileError() {
    QFETCH(int, filterIndex);
    QFETCH(QString, error);
    QFETCH(int, firstByteAfter);
    TTempDir dir;
    TStartOptions o;
    o.ExeFolder = dir.Folder();
    o.SettingsFile = dir.File("tesmaro.ini");
    TVanishingFileUi ui;
    TMainWindow f(o, &ui);
    f.CurrentChip.Size = 256;
    FillBytes(f.Document(), 0, 256, 0x12);
    const std::string file = dir.Write("image.img", ":0100000011EE\r\n:00000001FF\r\n");
    ui.FileNames.push_back(file);
    ui.FilterIndexes.push_back(filterIndex);
    const QString shownChecksum = StatusBar(f)->PanelText(TStatusPanel::Checksum);

    QVERIFY(!f.Run([&] { f.Open(); }));
    QCOMPARE(ui.Texts(),
             std::vector<std::string>{error.replace(QStringLiteral("%1"), QString::fromStdString(file)).toStdString()});
    QCOMPARE(int(f.Document()[0]), firstByteAfter);
    QCOMPARE(int(f.Document()[255]), firstByteAfter);
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Checksum), shownChecksum);
  }
};

QTEST_MAIN(TestVanishingImage)
#include "test_vanishing_image.moc"
