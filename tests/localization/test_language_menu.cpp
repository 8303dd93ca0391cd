// The main window's languages, offscreen: the remembered language at start-up, the Language
// menu, switching from it, and messages in the active language.
#include <QtTest>

#include <filesystem>

#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/status_bar.h"
#include "common/ini_file.h"
#include "common/scripted_user_interface.h"
#include "localization/language_source.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {

// A program folder with the shipped language files and a settings file.
struct TProgramFolder {
  TTempDir Dir;
  explicit TProgramFolder(const std::string& settings) {
    for (const char* f : {"bulgarian.lng", "english.lng", "russian.lng"})
      std::filesystem::copy_file(std::string(TESMARO_SOURCE_DIR) + "/data/" + f, Dir.File(f));
    if (!settings.empty()) Dir.Write("tesmaro.ini", settings);
  }
  TStartOptions Options() const { return WindowOptionsIn(Dir); }
  std::string LangID() const { return TIniFile(Dir.File("tesmaro.ini")).ReadString("Main", "LangID", "<none>"); }
};

QStringList Titles(const QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions()) out << a->text();
  return out;
}

// Index of the one checked item, -1 for none, -2 for more than one.
int Checked(const QMenu* menu) {
  int found = -1;
  const auto items = menu->actions();
  for (int i = 0; i < items.size(); ++i)
    if (items[i]->isChecked()) found = found == -1 ? i : -2;
  return found;
}

}  // namespace

class TestLanguageMenu : public QObject {
  Q_OBJECT

 private slots:
  void rememberedLanguageIsActiveAndChecked() {
    TProgramFolder folder("[Main]\nLangID=1\n");
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.Activate();
    QVERIFY(ui.Shown.empty());
    QCOMPARE(f.LanguageSource().ActiveLanguage(), 1);
    const QStringList titles{QString::fromUtf8("Български"), "English", QString::fromUtf8("Русский")};
    QCOMPARE(Titles(Menu(f, "Language1")), titles);
    QCOMPARE(Checked(Menu(f, "Language1")), 1);
    const auto items = Menu(f, "Language1")->actions();
    for (int i = 0; i < items.size(); ++i) {
      QVERIFY(items[i]->objectName().isEmpty());
      QCOMPARE(items[i]->data().toInt(), i);
      QCOMPARE(items[i]->parent(), MenuBar(f));
    }
    QCOMPARE(f.MessageText("ProgNotFound"), std::string("Programmer not found!"));
    // A later activation does not build the menu again.
    f.Activate();
    QCOMPARE(Menu(f, "Language1")->actions().size(), 3);
  }

  void menuSwitchesAndRemembersTheLanguage() {
    TProgramFolder folder("[Main]\nLangID=1\nChip=\n");
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.Activate();
    const QStringList titles = Titles(Menu(f, "Language1"));

    // Clicking the checked item again changes nothing and writes the same index again.
    TIniFile(folder.Dir.File("tesmaro.ini")).WriteInteger("Main", "LangID", 0);
    Menu(f, "Language1")->actions()[1]->trigger();
    QCOMPARE(folder.LangID(), std::string("1"));
    QCOMPARE(f.LanguageSource().ActiveLanguage(), 1);
    QCOMPARE(Checked(Menu(f, "Language1")), 1);

    Menu(f, "Language1")->actions()[2]->trigger();
    QCOMPARE(f.LanguageSource().ActiveLanguage(), 2);
    QCOMPARE(Checked(Menu(f, "Language1")), 2);
    QCOMPARE(folder.LangID(), std::string("2"));
    QCOMPARE(QString::fromStdString(f.MessageText("ProgOK")), QString::fromUtf8("Программирование прошло успешно"));
    QCOMPARE(f.MessageText("NoSuchMessage"), std::string("!! message resource not found !!"));

    Menu(f, "Language1")->actions()[0]->trigger();
    QCOMPARE(QString::fromStdString(f.MessageText("ProgNotFound")), QString::fromUtf8("Програматорът не е намерен!"));
    QCOMPARE(Titles(Menu(f, "Language1")), titles);
    QVERIFY(ui.Shown.empty());
  }

  void rememberedIndexOutsideTheListKeepsTheOriginalLanguage() {
    TProgramFolder folder("[Main]\nLangID=7\n");
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.Activate();
    QCOMPARE(ui.Texts(), std::vector<std::string>{"Index out of bounds (7)"});
    QCOMPARE(f.LanguageSource().ActiveLanguage(), -1);
    // The rest of the start-up ran: the menu, the grid and the status bar are set up.
    QCOMPARE(Menu(f, "Language1")->actions().size(), 3);
    // The windows show their own English texts, and the menu says so.
    QCOMPARE(Checked(Menu(f, "Language1")), 1);
    QCOMPARE(Grid(f)->RowCount(), 1);
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipSize), QString());
    QCOMPARE(f.MessageText("ProgOK"), std::string("Programming OK"));
    // Picking a language repairs the remembered index.
    Menu(f, "Language1")->actions()[1]->trigger();
    QCOMPARE(folder.LangID(), std::string("1"));
  }

  void firstRunShowsBuiltInMessagesAndWritesNoLanguage() {
    TProgramFolder folder("");
    TScriptedUserInterface ui;
    {
      TMainWindow f(folder.Options(), &ui);
      f.Activate();
      QCOMPARE(f.LanguageSource().ActiveLanguage(), -1);
      // No language file is active; the windows' own texts are English, whose item is checked.
      QCOMPARE(Checked(Menu(f, "Language1")), 1);
      QCOMPARE(f.MessageText("VerifNotOK"), std::string("Verification failed!"));
      QCOMPARE(f.MessageText("Unknown"), std::string("!! message resource not found !!"));
      f.close();
    }
    QCOMPARE(folder.LangID(), std::string("<none>"));
  }

  void missingLanguageFileGivesMissingMessages() {
    TProgramFolder folder("[Main]\nLangID=2\n");
    std::filesystem::remove(folder.Dir.File("russian.lng"));
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.Activate();
    QVERIFY(ui.Shown.empty());
    QCOMPARE(f.LanguageSource().ActiveLanguage(), 2);
    QCOMPARE(f.MessageText("ProgOK"), std::string("!! message resource not found !!"));
  }
};

QTEST_MAIN(TestLanguageMenu)
#include "test_language_menu.moc"
