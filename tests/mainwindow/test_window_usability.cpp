// The main window as a user meets it, offscreen: a start-up that goes on past a refused chip,
// the keyboard with the grid, the address panel after a chip change, closing with a settings file
// that can't be written, the clock measured while the window answers input, the commands' keys,
// mnemonics and hints, and every text in the active language, Qt's own included.
#include <QtTest>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/chip_dialog.h"
#include "app/dark_palette.h"
#include "app/differences_window.h"
#include "app/gui_user_interface.h"
#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/notice_bar.h"
#include "app/status_bar.h"
#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "common/scripted_user_interface.h"
#include "localization/language_source.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {

const char* const kCatalogue =
    "[24Cxx]\ntype=1\n24C01=1,128,8,0,5\n24C02=1,256,8,0,5\n"
    "[Huge]\ntype=1\nH16M=1,16777216,8,0,5\n";
constexpr int kBulgarian = 0, kEnglish = 1, kRussian = 2;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// A scripted user that reads messages in the window's active language.
struct TWindowUi : TScriptedUserInterface {
  TMainWindow* Window = nullptr;
  std::string MessageText(const std::string& key) override {
    return Window ? Window->MessageText(key) : TScriptedUserInterface::MessageText(key);
  }
};

// A program folder with the catalogue, the shipped language files and a settings file.
struct TFolder {
  TTempDir Dir;
  explicit TFolder(const std::string& settings) {
    Dir.Write("see.ini", kCatalogue);
    for (const char* f : {"bulgarian.lng", "english.lng", "russian.lng"})
      std::filesystem::copy_file(std::string(TESMARO_SOURCE_DIR) + "/data/" + f, Dir.File(f));
    if (!settings.empty()) Dir.Write("tesmaro.ini", settings);
  }
  TStartOptions Options() const { return WindowOptionsIn(Dir); }
};

// A clock that takes as long as the test wants: it answers once released.
struct TSlowClock {
  std::atomic<bool> Released{false};
  void Release() {
    Released = true;
    Released.notify_all();
  }
  std::function<long double()> Source() {
    return [this] {
      Released.wait(false);
      return 1234.5L;
    };
  }
};

long double FastClock() { return 100.0L; }

// A window on the simulated programmer, started and holding it, its boxes not yet shown; ui reads
// the window's language and must outlive it. Null when the programmer was not found.
std::unique_ptr<TMainWindow> StartSimulated(const TFolder& folder, TWindowUi& ui) {
  TStartOptions o = folder.Options();
  o.Simulate = true;
  auto f = std::make_unique<TMainWindow>(o, &ui);
  ui.Window = f.get();
  f->ClockSource = FastClock;
  f->Activate();
  if (!QTest::qWaitFor([&] { return f->Programmer.HeldDevice != nullptr; })) return nullptr;
  ui.Shown.clear();
  return f;
}

bool Started(TMainWindow& f) {
  f.show();
  f.activateWindow();
  return QTest::qWaitForWindowExposed(&f) && QTest::qWaitFor([&] { return !f.FirstActivation; });
}

void Click(THexGrid& grid, int column, int row) {
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, grid.CellRect(column, row).center());
}

void PickLanguage(TMainWindow& f, int index) {
  for (QAction* a : Menu(f, "Language1")->actions())
    if (a->data().toInt() == index) a->trigger();
}

QString Plain(const QString& caption) { return QString(caption).remove(u'&'); }

// The mnemonic letter of a caption (lower case), or an empty string.
QString Mnemonic(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] == u'&') {
      ++i;
      continue;
    }
    return caption.mid(i + 1, 1).toLower();
  }
  return {};
}

}  // namespace

class TestWindowUsability : public QObject {
  Q_OBJECT

 private slots:
  void refusedRememberedChipLeavesTheRestOfTheStartUp() {
    TFolder folder("[Main]\nChip=H16M\nLangID=2\n");
    // One byte 0x41 at address 0.
    const std::string hex = folder.Dir.Write("one.hex", ":0100000041BE\n:00000001FF\n");
    TStartOptions o = folder.Options();
    o.CommandLineFile = hex;
    TWindowUi ui;
    TMainWindow f(o, &ui);
    ui.Window = &f;
    f.ClockSource = FastClock;
    f.Activate();

    QCOMPARE(ui.Shown.size(), size_t(1));
    QCOMPARE(ui.Shown[0].Kind, TScriptedUserInterface::TKind::Error);
    QVERIFY(ui.Shown[0].Text.find("H16M") != std::string::npos);
    QCOMPARE(f.CurrentChip.Size, 0);
    // The language, its menu, the blanking, the view and the command-line file all happened.
    QCOMPARE(f.LanguageSource().ActiveLanguage(), kRussian);
    QCOMPARE(Menu(f, "Language1")->actions().size(), 3);
    QVERIFY(Menu(f, "Language1")->actions()[kRussian]->isChecked());
    QCOMPARE(f.Document()[0], uint8_t(0x41));
    QCOMPARE(f.Document()[65535], uint8_t(0xFF));
    QVERIFY(StatusBar(f)->PanelText(TStatusPanel::Checksum).startsWith(U("КС: ")));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipSize), QString());
    QCOMPARE(Grid(f)->RowCount(), 1);
    QCOMPARE(f.OpenDialog.InitialDir, folder.Dir.Folder());
    QTRY_COMPARE(StatusBar(f)->PanelText(TStatusPanel::Clock), QString("100.00 MHz"));
  }

  void keyboardStaysWithTheGrid() {
    TFolder folder("[Main]\nChip=24C01\n");
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.ClockSource = FastClock;
    QVERIFY(Started(f));
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QCOMPARE(QApplication::focusWidget(), Grid(f));
    // Space no longer presses a toolbar button: no file dialog opens.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(ui.Dialogs.empty());

    for (QToolButton* b : f.findChildren<QToolButton*>(QRegularExpression("^sSpeedButton")))
      QCOMPARE(b->focusPolicy(), Qt::NoFocus);
    // After a command, from the toolbar or the menu, the grid has the keyboard again.
    auto* other = new QLineEdit(&f);
    other->show();
    for (int i = 0; i < 2; ++i) {
      other->setFocus();
      QTRY_COMPARE(QApplication::focusWidget(), other);
      if (i == 0)
        QTest::mouseClick(Button(f, "sSpeedButton8"), Qt::LeftButton);
      else
        Action(f, "Clearmemory1")->trigger();
      QTRY_COMPARE(QApplication::focusWidget(), Grid(f));
    }
    QVERIFY(ui.Shown.empty());
  }

  void addressPanelFollowsTheCellAChipChangeMoves() {
    TFolder folder("[Main]\nChip=24C02\n");
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.ClockSource = FastClock;
    QVERIFY(Started(f));
    Click(*Grid(f), 16, 16);
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Address), QString("Addr: 0xFF"));

    auto choose = [&f](const QString& chip) {
      f.ChipDialog().ShowModalHook = [chip](TChipDialog& d) {
        d.FamilyList()->setCurrentIndex(0);
        for (QListWidgetItem* item : d.ChipList()->findItems(chip, Qt::MatchExactly)) item->setSelected(true);
        return int(QDialog::Accepted);
      };
      f.SelectChip();
    };
    // 128 bytes: the current cell moves up to the last row.
    choose("24C01");
    QCOMPARE(f.CurrentChip.Size, 128);
    QCOMPARE(Grid(f)->Row(), 8);
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Address), QString("Addr: 0x7F"));
    choose("24C02");
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Address), QString("Addr: 0x7F"));
  }

  void unwritableSettingsAskBeforeClosing_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("switchLanguage");
    QTest::newRow("Yes closes") << int(TAnswer::Yes) << true << false;
    QTest::newRow("No keeps the window") << int(TAnswer::No) << false << false;
    QTest::newRow("Yes after a language switch") << int(TAnswer::Yes) << true << true;
    QTest::newRow("No after a language switch") << int(TAnswer::No) << false << true;
  }
  void unwritableSettingsAskBeforeClosing() {
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(bool, switchLanguage);
    TFolder folder("");
    std::filesystem::create_directory(folder.Dir.File("tesmaro.ini"));
    TWindowUi ui;
    TMainWindow f(folder.Options(), &ui);
    ui.Window = &f;
    f.ClockSource = FastClock;
    f.Activate();
    f.show();
    if (switchLanguage) {
      PickLanguage(f, kEnglish);
      ui.Shown.clear();
    }
    ui.Answers = {TAnswer(answer)};
    QCOMPARE(f.close(), closes);
    QCOMPARE(f.isVisible(), !closes);
    QCOMPARE(ui.Texts(), (std::vector<std::string>{"Unable to write to " + folder.Dir.File("tesmaro.ini"),
                                                   "Close without saving the settings?"}));
    QCOMPARE(ui.Shown[1].Kind, TScriptedUserInterface::TKind::Question);
  }

  void windowAnswersInputWhileTheClockIsMeasured() {
    TFolder folder("[Main]\nChip=24C01\n");
    TScriptedUserInterface ui;
    TSlowClock clock;
    {
      TMainWindow f(folder.Options(), &ui);
      f.ClockSource = clock.Source();
      QVERIFY(Started(f));
      QVERIFY(f.MeasuringClock());
      QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Clock), QString());
      // Input is handled meanwhile: the cursor moves down a row.
      Grid(f)->setFocus();
      const int row = Grid(f)->Row();
      QTest::keyClick(Grid(f), Qt::Key_Down);
      QTRY_COMPARE(Grid(f)->Row(), row + 1);
      QVERIFY(f.MeasuringClock());

      clock.Release();
      QTRY_COMPARE(StatusBar(f)->PanelText(TStatusPanel::Clock), QString("1234.50 MHz"));
      QVERIFY(!f.MeasuringClock());
      QCOMPARE(double(f.CpuMHz), 1234.5);
    }
    // A window closed while the measurement runs waits for it and drops its result.
    // The measurement is released while the window's destructor waits for it.
    TSlowClock late;
    std::thread release;
    {
      TMainWindow f(folder.Options(), &ui);
      f.ClockSource = late.Source();
      f.Activate();
      QVERIFY(f.MeasuringClock());
      release = std::thread([&late] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        late.Release();
      });
    }
    release.join();
  }

  void qtTextsFollowTheLanguage() {
    TFolder folder("[Main]\nLangID=2\n");
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.ClockSource = FastClock;
    f.Activate();
    auto yes = [] {
      QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No);
      return Plain(box.button(QDialogButtonBox::Yes)->text());
    };
    QCOMPARE(yes(), U("Да"));
    PickLanguage(f, kEnglish);
    QCOMPARE(yes(), QString("Yes"));
    PickLanguage(f, kBulgarian);
    QCOMPARE(yes(), U("Да"));
    PickLanguage(f, kEnglish);
    QCOMPARE(yes(), QString("Yes"));
  }

  void questionsPressTheirDefaultAnswerOnEnter_data() {
    QTest::addColumn<int>("defaultAnswer");
    QTest::newRow("No") << int(TAnswer::No);
    QTest::newRow("Yes") << int(TAnswer::Yes);
  }
  void questionsPressTheirDefaultAnswerOnEnter() {
    QFETCH(int, defaultAnswer);
    QWidget parent;
    TGuiUserInterface gui(&parent);
    QTimer::singleShot(0, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w)) QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(int(gui.AskYesNo("UPDATE FIRMWARE?", TAnswer(defaultAnswer))), defaultAnswer);
  }

  void russianShowsEveryTextInRussian() {
    TFolder folder("[Main]\nLangID=2\n");
    const std::string bad = folder.Dir.Write("bad.hex", ":0100000041BF\n");
    const std::string shortUpdate = folder.Dir.Write("short.TesmaroUpdatePart", std::string(8, 'x'));
    const std::string oddUpdate = folder.Dir.Write("odd.TesmaroUpdatePart", std::string(16389, 'x'));
    TStartOptions o = folder.Options();
    o.Simulate = true;
    TWindowUi ui;
    TMainWindow f(o, &ui);
    ui.Window = &f;
    f.ClockSource = FastClock;
    QVERIFY(Started(f));
    QTRY_VERIFY(f.Programmer.HeldDevice != nullptr);
    ui.Shown.clear();

    // No chip: the grid tells where to choose one, in the menu's words.
    QCOMPARE(Grid(f)->EmptyHint, U("Выберите микросхему: Настройки → Выбор микросхемы"));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Checksum), U("КС: 0000"));

    f.Run([&] { f.OpenFile(folder.Dir.File("missing.hex")); });
    f.Run([&] { f.OpenFile(bad); });
    f.ShowFirmwareVersion();
    ui.FileNames = {shortUpdate};
    f.UpdateFirmware();
    ui.FileNames = {oddUpdate};
    f.UpdateFirmware();
    const std::vector<std::string> texts = ui.Texts();
    QCOMPARE(texts.size(), size_t(7));
    QCOMPARE(QString::fromStdString(texts[0]),
             U("Файл не найден: ") + QString::fromStdString(folder.Dir.File("missing.hex")));
    QVERIFY(QString::fromStdString(texts[1]).contains(QString::fromStdString(f.MessageText("ImgBadChecksum"))));
    QVERIFY(QString::fromStdString(f.MessageText("ImgBadChecksum")).contains(U("контрольная сумма")));
    QVERIFY(QString::fromStdString(texts[2]).startsWith(U("Версия: ")));
    QVERIFY(QString::fromStdString(texts[3]).startsWith(U("Текущая прошивка:\n\r\n\rВерсия устройства: ")));
    QVERIFY(QString::fromStdString(texts[3]).contains(U("Прошивка устройства: ")));
    // A refused update file says why.
    QCOMPARE(QString::fromStdString(texts[4]), U("Файл обновления прошивки короче 16384 байт."));
    QCOMPARE(QString::fromStdString(texts[6]),
             U("Это не файл обновления прошивки: его размер 16389 байт не кратен 8."));
    QCOMPARE(ui.Shown[4].Kind, TScriptedUserInterface::TKind::Error);

    // With a chip: the labels of the status bar.
    f.ChipDialog().ShowModalHook = [](TChipDialog& d) {
      d.FamilyList()->setCurrentIndex(0);
      d.ChipList()->item(0)->setSelected(true);
      return int(QDialog::Accepted);
    };
    f.SelectChip();
    Click(*Grid(f), 2, 1);
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Address), U("Адр: 0x01"));
    QVERIFY(StatusBar(f)->PanelText(TStatusPanel::Checksum).startsWith(U("КС: ")));
    // Back to English: the labels follow.
    PickLanguage(f, kEnglish);
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Address), QString("Addr: 0x01"));
    QVERIFY(StatusBar(f)->PanelText(TStatusPanel::Checksum).startsWith("Chk: "));
  }

  void everyCommandHasItsKeys() {
    TFolder folder("");
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.ClockSource = FastClock;
    f.Activate();
    const struct {
      QAction* Action;
      const char* Keys;
    } shortcuts[] = {{Action(f, "Open1"), "Ctrl+O"},         {Action(f, "Save1"), "Ctrl+S"},
                     {Action(f, "SaveAs1"), "Ctrl+Shift+S"}, {Action(f, "Exit1"), "Ctrl+Q"},
                     {Action(f, "ReadChip1"), "Ctrl+R"},     {Action(f, "Program2"), "Ctrl+Shift+W"},
                     {Action(f, "VerifyAl1"), "Ctrl+E"},     {Action(f, "ChipSelect1"), "Ctrl+K"}};
    for (const auto& s : shortcuts) QCOMPARE(s.Action->shortcut(), QKeySequence(s.Keys));
    // No two commands share keys (the Edit menu's included).
    QSet<QString> taken;
    for (QAction* a : f.findChildren<QAction*>()) {
      if (a->shortcut().isEmpty()) continue;
      const QString keys = a->shortcut().toString();
      QVERIFY2(!taken.contains(keys), qPrintable(keys));
      taken.insert(keys);
    }
    // The toolbar's hints name the keys of their commands.
    QCOMPARE(f.ButtonHint(Button(f, "sSpeedButton1")), QString("Load File (Ctrl+O)"));
    QCOMPARE(f.ButtonHint(Button(f, "sSpeedButton4")), QString("Write chip (Ctrl+Shift+W)"));
    QCOMPARE(f.ButtonHint(Button(f, "sSpeedButton6")), QString("Select chip type (Ctrl+K)"));
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), QString("Load File"));

    // Every menu and command has a mnemonic of its own in its menu, in every language; the
    // separators draw no text.
    for (int language : {-1, kBulgarian, kEnglish, kRussian}) {
      if (language >= 0) PickLanguage(f, language);
      QSet<QString> titles;
      for (QAction* m : MenuBar(f)->actions()) {
        const QString letter = Mnemonic(m->text());
        QVERIFY2(!letter.isEmpty() && !titles.contains(letter), qPrintable(m->text()));
        titles.insert(letter);
        if (m->menu() == Menu(f, "Language1")) continue;  // the languages' own names
        QSet<QString> letters;
        for (QAction* a : m->menu()->actions()) {
          if (a->isSeparator()) {
            QVERIFY(a->text().isEmpty());
            continue;
          }
          if (!a->isVisible()) continue;
          const QString l = Mnemonic(a->text());
          QVERIFY2(!l.isEmpty() && !letters.contains(l), qPrintable(QString::number(language) + ": " + a->text()));
          letters.insert(l);
        }
      }
    }
  }

  void aboutShowsTheVersionAndQt() {
    TFolder folder("");
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.ClockSource = FastClock;
    f.Activate();
    Action(f, "About1")->trigger();
    QCOMPARE(ui.Shown.size(), size_t(1));
    const QString text = QString::fromStdString(ui.Shown[0].Text);
    QVERIFY(text.startsWith("Tesmaro 0."));
    QVERIFY(text.contains("Licence"));
    QVERIFY(text.contains(QString("running on Qt ") + qVersion()));
  }

  // The first Open, Save As, Compare and firmware dialog start in the documents folder where there
  // is one, else in the home folder; later ones where the last file was chosen.
  void dialogsStartWhereTheUsersFilesAre_data() {
    QTest::addColumn<bool>("documents");
    QTest::newRow("home folder") << false;
    QTest::newRow("documents folder") << true;
  }
  void dialogsStartWhereTheUsersFilesAre() {
    QFETCH(bool, documents);
    TFolder folder("[Main]\nChip=24C01\n");
    TTempDir home, files;
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QByteArray::fromStdString(home.Folder()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.File(".config")));
    if (documents) std::filesystem::create_directory(home.File("Documents"));
    const std::string start = documents ? home.File("Documents") + "/" : home.Folder();
    const std::string image = files.Write("image.bin", std::string(128, '\x11'));
    TStartOptions o = folder.Options();
    o.Simulate = true;
    TScriptedUserInterface ui;
    {
      TMainWindow f(o, &ui);
      f.ClockSource = FastClock;
      f.Activate();
      QTRY_VERIFY(f.Programmer.HeldDevice != nullptr);
      ui.Shown.clear();
      Action(f, "Firmwareupdate1")->trigger();  // cancelled
      ui.FileNames = {image};
      Action(f, "Open1")->trigger();
      Action(f, "Compare1")->trigger();  // cancelled
      Action(f, "SaveAs1")->trigger();   // cancelled
      QCOMPARE(ui.Dialogs.size(), size_t(4));
      QCOMPARE(ui.Dialogs[0].InitialDir, start);
      QCOMPARE(ui.Dialogs[1].InitialDir, start);
      QCOMPARE(ui.Dialogs[2].InitialDir, files.Folder());
      QCOMPARE(ui.Dialogs[3].InitialDir, files.Folder());
      QCOMPARE(int(f.Document()[0]), 0x11);
      QVERIFY(f.close());
    }
    // The next start remembers the folder.
    TMainWindow again(o, &ui);
    again.ClockSource = FastClock;
    again.Activate();
    QCOMPARE(again.OpenDialog.InitialDir, files.Folder());
    QCOMPARE(again.CompareDialog.InitialDir, files.Folder());
    QCOMPARE(again.FirmwareDialog.InitialDir, start);
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
  }

  // The dialogs' titles and file-type names are in the active language, with no English left in
  // Russian and Bulgarian; Compare's title says what it is for.
  void dialogTextsFollowTheLanguage_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("compareTitle");
    QTest::addColumn<QString>("hexFile");
    QTest::newRow("English") << kEnglish << "Compare with file"
                             << "Hex files";
    QTest::newRow("Russian") << kRussian << U("Сравнить с файлом") << U("Файлы HEX");
    QTest::newRow("Bulgarian") << kBulgarian << U("Сравняване с файл") << U("HEX файлове");
  }
  void dialogTextsFollowTheLanguage() {
    QFETCH(int, language);
    QFETCH(QString, compareTitle);
    QFETCH(QString, hexFile);
    TFolder folder("[Main]\nChip=24C01\n");
    TWindowUi ui;
    const std::unique_ptr<TMainWindow> window = StartSimulated(folder, ui);
    QVERIFY(window);
    TMainWindow& f = *window;
    PickLanguage(f, language);
    ui.Shown.clear();
    for (const char* command : {"Open1", "SaveAs1", "Compare1", "Firmwareupdate1"}) Action(f, command)->trigger();
    QCOMPARE(ui.Dialogs.size(), size_t(4));
    QCOMPARE(QString::fromStdString(ui.Dialogs[2].Title), compareTitle);
    QVERIFY(
        QString::fromStdString(ui.Dialogs[0].Filter).startsWith(hexFile + " (*.hex *.ihx *.ihex)|*.hex;*.ihx;*.ihex|"));
    QCOMPARE(ui.Dialogs[2].Filter, ui.Dialogs[0].Filter);
    if (language == kEnglish) return;
    const QStringList english = {"Open",   "Save",      "Compare",  "Firmware",           "Hex files",
                                 "Binary", "All files", "S-record", "TesmaroUpdatePart ("};
    for (const TFileDialog& d : ui.Dialogs) {
      QVERIFY(!d.Title.empty());
      for (const QString& text : {QString::fromStdString(d.Title), QString::fromStdString(d.Filter)})
        for (const QString& word : english) QVERIFY2(!text.contains(word), qPrintable(text));
    }
  }

  // The Differences window and the programmer's tool tip follow a language switch while shown.
  void differencesAndProgrammerHintFollowTheLanguage() {
    TFolder folder("[Main]\nChip=24C01\n");
    TWindowUi ui;
    const std::unique_ptr<TMainWindow> window = StartSimulated(folder, ui);
    QVERIFY(window);
    TMainWindow& f = *window;
    PickLanguage(f, kEnglish);
    QVERIFY(!Action(f, "Differences1")->isEnabled());
    ui.FileNames = {folder.Dir.Write("other.bin", std::string(128, '\x22'))};
    Action(f, "Compare1")->trigger();
    QVERIFY(f.DifferencesWindow() && f.DifferencesWindow()->isVisible());
    QVERIFY(Action(f, "Differences1")->isEnabled());
    QVERIFY(f.DifferencesWindow()->windowTitle().startsWith("Differences - "));
    QVERIFY(StatusBar(f)->PanelHint(TStatusPanel::Programmer).startsWith("Programmer "));

    PickLanguage(f, kRussian);
    QVERIFY(f.DifferencesWindow()->windowTitle().startsWith(U("Различия - ")));
    QVERIFY(f.DifferencesWindow()->Summary().startsWith(U("Первое различие")));
    QCOMPARE(f.DifferencesWindow()->List()->model()->headerData(0, Qt::Horizontal).toString(), U("Адрес"));
    QVERIFY(StatusBar(f)->PanelHint(TStatusPanel::Programmer).startsWith(U("Программатор ")));
    // Reached again from the menu, with the keyboard in its list.
    f.DifferencesWindow()->hide();
    QCOMPARE(Action(f, "Differences1")->shortcut(), QKeySequence("Ctrl+D"));
    Action(f, "Differences1")->trigger();
    QVERIFY(f.DifferencesWindow()->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), f.DifferencesWindow()->List());
  }

  // The notice bar: its text and close button readable against its background in the light and
  // the dark look, closed by Escape from the grid, and its text in the language switched to.
  void noticeBarIsReadableClosesOnEscapeAndFollowsTheLanguage() {
    TFolder folder("[Main]\nChip=24C01\nLangID=2\n");
    TWindowUi ui;
    TMainWindow f(folder.Options(), &ui);
    ui.Window = &f;
    f.ClockSource = FastClock;
    QVERIFY(Started(f));
    QFrame* bar = Named<QFrame>(f, "NoticeBar");
    const auto stuckBit = [&] { return FormatText(f.MessageText("ReadStuckBit"), {"3", "1"}); };
    const std::string russian = stuckBit();
    f.ShowNotice(russian);
    f.ShowNotice(f.MessageText("ReadAllFF"));
    QVERIFY(bar->isVisible());

    const QPalette light = QApplication::palette();
    for (const bool dark : {false, true}) {
      QApplication::setPalette(dark ? DarkPalette() : light);
      QCoreApplication::processEvents();
      const QColor back = bar->palette().color(bar->backgroundRole());
      QCOMPARE(back.lightness() < 128, dark);
      const QLabel* text = Named<QLabel>(f, "NoticeText");
      const QToolButton* close = bar->findChild<QToolButton*>();
      QVERIFY(close && close->isVisible() && close->width() >= 16);
      for (const QColor& fore :
           {text->palette().color(text->foregroundRole()), close->palette().color(QPalette::ButtonText)})
        QVERIFY2(std::abs(fore.lightness() - back.lightness()) >= 100,
                 qPrintable(QString("%1 on %2").arg(fore.name(), back.name())));
    }
    QApplication::setPalette(light);

    PickLanguage(f, kEnglish);
    const std::string english = stuckBit();
    QVERIFY(english != russian);
    QCOMPARE(f.Notices().Lines(),
             (QStringList{QString::fromStdString(english), QString::fromStdString(f.MessageText("ReadAllFF"))}));

    // Escape from the grid: the open entry first, then the notice bar.
    Grid(f)->setFocus();
    QTest::keyClicks(Grid(f), "7");
    QTest::keyClick(Grid(f), Qt::Key_Escape);
    QVERIFY(bar->isVisible());
    QTest::keyClick(Grid(f), Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QVERIFY(f.Notices().Lines().isEmpty());
  }

  // After a read the title names the chip; when another chip is selected for the same contents
  // (Detect size offers it), the title, the status bar and the picture all name the new one.
  void titleStatusBarAndPictureNameTheSameChip() {
    TFolder folder("[Main]\nChip=24C01\n");
    TWindowUi ui;
    const std::unique_ptr<TMainWindow> window = StartSimulated(folder, ui);
    QVERIFY(window);
    TMainWindow& f = *window;
    Action(f, "ReadChip1")->trigger();
    QTRY_VERIFY(!f.OperationRunning());
    QCOMPARE(f.windowTitle(), QString("24C01 - Tesmaro"));
    f.SelectChipNamed("24C02");
    QCOMPARE(f.windowTitle(), QString("24C02 - Tesmaro"));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipName), QString("24C02"));
    QCOMPARE(f.CurrentChip.Name, std::string("24C02"));
  }

  // The unsaved-changes question names what the changes belong to, a file or the chip read, and
  // Save As starts with the file's name; its buttons say what they do in the active language.
  void unsavedChangesNameTheirDocumentAndSaveAsStartsWithIt() {
    TFolder folder("[Main]\nChip=24C01\n");
    TWindowUi ui;
    const std::unique_ptr<TMainWindow> window = StartSimulated(folder, ui);
    QVERIFY(window);
    TMainWindow& f = *window;
    const std::string file = folder.Dir.Write("image.bin", std::string(128, 'A'));
    f.OpenDocument(file);
    f.Document().Store(0, std::vector<uint8_t>{0x42});
    QVERIFY(f.BufferModified());
    ui.Answers.push_back(TAnswer::Cancel);
    QVERIFY(!f.ConfirmDiscardChanges());
    QCOMPARE(ui.Shown.back().Text, std::string("Save the changes to image.bin?"));
    Action(f, "SaveAs1")->trigger();  // cancelled
    QCOMPARE(ui.Dialogs.back().FileName, file);

    ui.Answers.push_back(TAnswer::No);
    Action(f, "ReadChip1")->trigger();
    QTRY_VERIFY(!f.OperationRunning());
    f.Document().Store(0, std::vector<uint8_t>{0x43});
    ui.Answers.push_back(TAnswer::Cancel);
    QVERIFY(!f.ConfirmDiscardChanges());
    QCOMPARE(ui.Shown.back().Text, std::string("Save the changes to the chip's contents read from 24C01?"));
    PickLanguage(f, kRussian);
    ui.Answers.push_back(TAnswer::Cancel);
    QVERIFY(!f.ConfirmDiscardChanges());
    QCOMPARE(QString::fromStdString(ui.Shown.back().Text),
             U("Сохранить изменения в содержимом микросхемы, прочитанном из 24C01?"));

    // The window's own box, in Russian: Save and "Don't save", not Qt's "reject".
    TGuiUserInterface gui(&f);
    gui.MessageLookup = [&f](const std::string& key) { return f.MessageText(key); };
    QStringList buttons;
    QTimer::singleShot(0, &f, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      buttons = {Plain(box->button(QMessageBox::Save)->text()),
                 Plain(box->findChild<QAbstractButton*>("DiscardButton")->text())};
      box->button(QMessageBox::Cancel)->click();
    });
    QCOMPARE(gui.AskSaveChanges("?"), TAnswer::Cancel);
    QCOMPARE(buttons, (QStringList{U("Сохранить"), U("Не сохранять")}));
    // Don't save answers No: the changes go.
    QTimer::singleShot(0, &f, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        box->findChild<QAbstractButton*>("DiscardButton")->click();
    });
    QCOMPARE(gui.AskSaveChanges("?"), TAnswer::No);
  }

  // The chip dialog says what it is for, opens centred over the window, and shows a family's
  // chips without scrolling at once.
  void chipDialogIsTitledCentredAndLargeEnough() {
    TFolder folder("[Main]\nChip=24C01\n");
    TWindowUi ui;
    TMainWindow f(folder.Options(), &ui);
    ui.Window = &f;
    f.ClockSource = FastClock;
    QVERIFY(Started(f));
    f.move(f.pos() + QPoint(17, 11));
    TChipDialog& d = f.ChipDialog();
    QString title;
    QRect place;
    d.ShowModalHook = [&](TChipDialog& dialog) {
      title = dialog.windowTitle();
      place = dialog.geometry();
      return int(QDialog::Rejected);
    };
    Action(f, "ChipSelect1")->trigger();
    QCOMPARE(title, QString("Select the chip to work with"));
    QVERIFY2((place.center() - f.frameGeometry().center()).manhattanLength() <= 2,
             qPrintable(QString("%1,%2").arg(place.center().x()).arg(place.center().y())));
    QVERIFY(place.height() >= 400 && place.width() >= 220);
  }

  void emptyGridShowsItsHint() {
    TFolder folder("");
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.ClockSource = FastClock;
    QVERIFY(Started(f));
    QCOMPARE(Grid(f)->EmptyHint, U("Select a chip: Options → Chip Select"));
    const QImage withHint = Grid(f)->viewport()->grab().toImage();
    Grid(f)->EmptyHint.clear();
    const QImage without = Grid(f)->viewport()->grab().toImage();
    QVERIFY(withHint != without);
  }
};

QTEST_MAIN(TestWindowUsability)
#include "test_window_usability.moc"
