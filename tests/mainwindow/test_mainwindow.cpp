// The main window's start-up, status bar, settings file and closing, offscreen.
#include <QtTest>

#include <cstring>
#include <filesystem>

#include "app/main_window.h"
#include "app/status_bar.h"
#include "buffer/memory_buffer.h"
#include "common/ini_file.h"
#include "common/scripted_user_interface.h"
#include "support/document_bytes.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

class TestMainWindow : public QObject {
  Q_OBJECT

  static constexpr const char* kCatalogue = "[24Cxx]\ntype=1\n24C01=1,128,8,0,5\n24C02=1,256,8,0,5\n";

 private slots:
  void firstStartWithoutSettings() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    TScriptedUserInterface ui;
    {
      TMainWindow f(WindowOptionsIn(dir), &ui);
      f.Activate();
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Checksum), QString("Chk: 0000"));
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipName), QString());
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipSize), QString());
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::PageSize), QString());
      // Without a programmer its panel says so, and the tool tip what to do.
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Programmer), QString("No programmer"));
      QVERIFY(StatusBar(f)->PanelHint(TStatusPanel::Programmer).contains("Check connection"));
      // Every panel says in its tool tip what it shows.
      for (const TStatusPanel panel : {TStatusPanel::Clock, TStatusPanel::Address, TStatusPanel::Checksum,
                                       TStatusPanel::ChipName, TStatusPanel::ChipSize, TStatusPanel::PageSize})
        QVERIFY2(!StatusBar(f)->PanelHint(panel).isEmpty(), qPrintable(QString::number(int(panel))));
      // The clock is measured while the window runs; its panel is written when that ends.
      QTRY_VERIFY(StatusBar(f)->PanelText(TStatusPanel::Clock).endsWith(" MHz"));
      QVERIFY(
          QRegularExpression("^\\d+[.,]\\d\\d MHz$").match(StatusBar(f)->PanelText(TStatusPanel::Clock)).hasMatch());
      // The document starts blank throughout, untitled and unmodified.
      QCOMPARE(f.Document()[65536], uint8_t(0xFF));
      QCOMPARE(f.Document()[kMemoryBufferSize - 1], uint8_t(0xFF));
      QVERIFY(!f.BufferModified());
      QCOMPARE(f.windowTitle(), QString("Tesmaro"));
      QVERIFY(f.close());
    }
    QVERIFY(ui.Shown.empty());
    // Written at closing: the chip (empty) and the address; never the language.
    TIniFile s(dir.File("tesmaro.ini"));
    QCOMPARE(s.ReadSection("Main"), (std::vector<std::string>{"Chip", "CurrentMemoryAddress"}));
    QCOMPARE(s.ReadString("Main", "Chip", "?"), std::string());
    QCOMPARE(s.ReadString("Main", "CurrentMemoryAddress", "?"), std::string("0"));
  }

  void startWithRememberedChipAndHexAddress() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=24c01\nCurrentMemoryAddress=0x10\nLangID=abc\n");
    TScriptedUserInterface ui;
    {
      TMainWindow f(WindowOptionsIn(dir), &ui);
      f.Activate();
      QCOMPARE(f.CurrentChip.Size, 128);
      QCOMPARE(f.CurrentMemoryAddress, 16);
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Checksum), QString("Chk: 7F80"));
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipName), QString("24c01"));
      // Sizes in bytes, their hex in the tool tips.
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipSize), QString("128 bytes"));
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::PageSize), QString("8 bytes"));
      QCOMPARE(StatusBar(f)->PanelHint(TStatusPanel::ChipSize), QString("Chip size: 128 bytes (0x80)"));
      QCOMPARE(StatusBar(f)->PanelHint(TStatusPanel::PageSize), QString("Page size: 8 bytes (0x8), written at once"));
      QCOMPARE(f.Document()[127], uint8_t(0xFF));

      // The start-up work runs once: a later activation reads nothing again.
      dir.Write("tesmaro.ini", "[Main]\nChip=24C02\n");
      f.Activate();
      QCOMPARE(f.CurrentChip.Size, 128);
      QVERIFY(f.close());
    }
    TIniFile s(dir.File("tesmaro.ini"));
    QCOMPARE(s.ReadString("Main", "Chip", "?"), std::string("24c01"));
    QCOMPARE(s.ReadString("Main", "CurrentMemoryAddress", "?"), std::string("16"));
  }

  void rememberedChipMissingFromCatalogueIsForgotten() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=gone\n");
    TScriptedUserInterface ui;
    {
      TMainWindow f(WindowOptionsIn(dir), &ui);
      f.Activate();
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipName), QString());
      QVERIFY(f.close());
    }
    QCOMPARE(TIniFile(dir.File("tesmaro.ini")).ReadString("Main", "Chip", "?"), std::string());
  }

  void unwritableSettingsKeepTheWindowOpen() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    std::filesystem::create_directory(dir.File("tesmaro.ini"));
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    f.show();
    QVERIFY(!f.close());  // "Close without saving the settings?" answered No
    QVERIFY(f.isVisible());
    QCOMPARE(ui.Texts(), (std::vector<std::string>{"Unable to write to " + dir.File("tesmaro.ini"),
                                                   "Close without saving the settings?"}));
    std::filesystem::remove(dir.File("tesmaro.ini"));
    QVERIFY(f.close());
  }

  void clearCommandBlanksTheWholeBuffer() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=24C02\n");
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    SetByte(f.Document(), 0x80000, 0);
    SetByte(f.Document(), 0, 0);
    Action(f, "Clearmemory1")->trigger();
    QCOMPARE(f.Document()[0x80000], uint8_t(0xFF));
    QCOMPARE(f.Document()[0], uint8_t(0xFF));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Checksum), QString("Chk: FF00"));
  }

  void windowHasItsNamedComponents() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    QCOMPARE(f.objectName(), QString("f"));
    QCOMPARE(f.windowTitle(), QString("Tesmaro"));
    for (const char* name : {"sPanel2",
                             "sSpeedButton1",
                             "sSpeedButton8",
                             "sProgressBar1",
                             "DrawGrid1",
                             "sPanel1",
                             "pb1",
                             "sb1",
                             "MainMenu1",
                             "File1",
                             "Open1",
                             "Save1",
                             "SaveAs1",
                             "N1",
                             "Exit1",
                             "Program1",
                             "Program2",
                             "ReadChip1",
                             "VerifyAl1",
                             "N2",
                             "Getversioninfo1",
                             "Options1",
                             "ChipSelect1",
                             "N3",
                             "Clearmemory1",
                             "N4",
                             "Firmwareupdate1",
                             "Language1",
                             "Help1",
                             "SupportedChips1",
                             "RecentFiles1",
                             "BlankCheck1",
                             "Erase1",
                             "AskBeforeWriting1"})
      QVERIFY2(f.findChild<QObject*>(name) != nullptr, name);
    QCOMPARE(Button(f, "sSpeedButton3")->toolTip(), QString("Read chip"));
    QCOMPARE(Button(f, "sSpeedButton8")->geometry(), QRect(348, 8, 60, 60));
    QVERIFY(Action(f, "Save1")->isVisible());
    QCOMPARE(f.size(), QSize(664, 614));
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
