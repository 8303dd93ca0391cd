// Window texts following the language on the real main window and chip dialog, offscreen.
#include <QtTest>

#include <QTreeWidget>
#include <filesystem>

#include "app/chip_dialog.h"
#include "app/main_window.h"
#include "common/scripted_user_interface.h"
#include "localization/component_keys.h"
#include "localization/form_localizer.h"
#include "localization/language_file.h"
#include "localization/language_source.h"
#include "localization/localization_error.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {

// Language A ("English" in the menu) and language B ("Русский"), written for these tests.
const char* const kLanguageA =
    "[General Settings]\r\nBiDiMode=0\r\n"
    "[f]\r\nCaption=A-Title\r\nOpen1.Caption=A-Open\r\nExit1.Caption=A-Exit\r\nsSpeedButton1.Hint=A-Load\r\n"
    "sPanel2.Hint=A-Panel\r\nsSpeedButton1.Caption=A-Button\r\nLanguage1.Caption=A-Language\r\n"
    "[Form2]\r\nGroupBox1.Caption=A-Group\r\nCaption=A-Dialog\r\n"
    "[Additional messages]\r\nProgOK=A-OK\r\n";
const char* const kLanguageB =
    "[General Settings]\r\nBiDiMode=1\r\n"
    "[f]\r\nOpen1.Caption=\r\nsSpeedButton1.Hint=B-Load\r\n";

struct TProgramFolder {
  TTempDir Dir;
  TProgramFolder(const std::string& settings, bool shipped) {
    if (shipped) {
      for (const char* f : {"bulgarian.lng", "english.lng", "russian.lng"})
        std::filesystem::copy_file(std::string(TESMARO_SOURCE_DIR) + "/data/" + f, Dir.File(f));
    } else {
      Dir.Write("english.lng", kLanguageA);
      Dir.Write("russian.lng", kLanguageB);
    }
    Dir.Write("tesmaro.ini", settings);
  }
  TStartOptions Options() const { return WindowOptionsIn(Dir); }
};

QString U(const char* s) { return QString::fromUtf8(s); }

}  // namespace

class TestFormLocalizer : public QObject {
  Q_OBJECT

 private slots:
  void russianTextsFromTheShippedFileAndBack() {
    TProgramFolder folder("[Main]\nLangID=2\n", true);
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.Activate();
    TChipDialog* d = &f.ChipDialog();
    QCOMPARE(f.windowTitle(), QString("Tesmaro"));
    QCOMPARE(Menu(f, "File1")->title(), U("&Файл"));
    QCOMPARE(Action(f, "SaveAs1")->text(), U("Сохранить &как..."));
    QCOMPARE(Menu(f, "Language1")->title(), U("&Язык"));
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), U("Загрузить файл"));
    QCOMPARE(Button(f, "sSpeedButton8")->toolTip(), U("Очистить буфер памяти"));
    QCOMPARE(Named<QGroupBox>(*d, "GroupBox1")->title(), U("Тип EEPROM"));
    QCOMPARE(Named<QGroupBox>(*d, "GroupBox2")->title(), U(" Выбор микросхемы "));
    QCOMPARE(Named<QPushButton>(*d, "BitBtn2")->text(), U("Отмена"));
    QCOMPARE(d->windowTitle(), QString());
    // The generated language items keep their titles.
    QStringList titles;
    for (QAction* a : Menu(f, "Language1")->actions()) titles << a->text();
    QCOMPARE(titles, (QStringList{U("Български"), "English", U("Русский")}));

    f.LanguageSource().SetActiveLanguage(-1);
    QCOMPARE(Menu(f, "File1")->title(), QString("&File"));
    QCOMPARE(Action(f, "SaveAs1")->text(), QString("Save &As..."));
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), QString("Load File"));
    QCOMPARE(Named<QGroupBox>(*d, "GroupBox2")->title(), QString(" Select CHIP "));
    QCOMPARE(Named<QPushButton>(*d, "BitBtn2")->text(), QString("Cancel"));
    QVERIFY(f.Localizer().Originals().isEmpty());
  }

  // Every text of the window's and the dialog's sections in every shipped language reaches a
  // component of the running windows: a key whose component was renamed or removed would leave
  // its text unshown in that language.
  void everyShippedKeyReachesItsComponent() {
    struct TCase {
      int Language;
      const char* File;
    };
    const TCase cases[] = {{0, "bulgarian.lng"}, {1, "english.lng"}, {2, "russian.lng"}};
    for (const auto& c : cases) {
      TProgramFolder folder("[Main]\nLangID=" + std::to_string(c.Language) + "\n", true);
      TScriptedUserInterface ui;
      TMainWindow f(folder.Options(), &ui);
      f.Activate();
      QCOMPARE(f.LanguageSource().ActiveLanguage(), c.Language);
      const TQLanguageFile file(QString::fromStdString(folder.Dir.File(c.File)));
      const struct {
        const char* Section;
        QObject* Window;
        const TQFormLocalizer* Localizer;
      } windows[] = {{"f", &f, &f.Localizer()},
                     {"Form2", &f.ChipDialog(), Named<TQFormLocalizer>(f.ChipDialog(), "QFormLocalizer1")}};
      for (const auto& w : windows) {
        QStringList entries;
        file.ReadSectionValues(w.Section, entries);
        QVERIFY2(!entries.isEmpty(), c.File);
        for (const QString& entry : entries) {
          const QString key = entry.section(u'=', 0, 0);
          const QString where = QString("%1 [%2] %3").arg(c.File, w.Section, key);
          const auto resolved = ResolveKey(w.Window, key, w.Localizer->Excluded(), w.Localizer->PropNames());
          QVERIFY2(resolved, qPrintable(where + ": no such component"));
          // A text that is empty as built stays empty (the menu separators' "-").
          const QString shown = GetPropertyText(resolved->Object, w.Window, resolved->PropertyPath);
          if (!shown.isEmpty() || !key.endsWith(".Caption") || !qobject_cast<QAction*>(resolved->Object))
            QCOMPARE(shown, file.ReadString(w.Section, key, QString()));
        }
      }
    }
  }

  void switchesRestoreWhatTheNewLanguageLacks() {
    TProgramFolder folder("[Main]\nLangID=1\n", false);
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.Activate();
    TChipDialog* d = &f.ChipDialog();
    QCOMPARE(f.windowTitle(), QString("A-Title"));
    QCOMPARE(Action(f, "Open1")->text(), QString("A-Open"));
    QCOMPARE(Action(f, "Exit1")->text(), QString("A-Exit"));
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), QString("A-Load"));
    QCOMPARE(Menu(f, "Language1")->title(), QString("A-Language"));
    QCOMPARE(Named<QGroupBox>(*d, "GroupBox1")->title(), QString("A-Group"));
    // Texts that are empty as built are never translated.
    QCOMPARE(Named<QFrame>(f, "sPanel2")->toolTip(), QString());
    QCOMPARE(Button(f, "sSpeedButton1")->text(), QString());
    QCOMPARE(d->windowTitle(), QString());
    QCOMPARE(f.layoutDirection(), Qt::LeftToRight);

    // B: an empty entry counts as absent, a missing key and a missing section give the own texts,
    // and its reading order reaches both windows.
    Menu(f, "Language1")->actions()[2]->trigger();
    QCOMPARE(f.LanguageSource().ActiveLanguage(), 2);
    QCOMPARE(f.windowTitle(), QString("Tesmaro"));
    QCOMPARE(Action(f, "Open1")->text(), QString("&Open"));
    QCOMPARE(Action(f, "Exit1")->text(), QString("E&xit"));
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), QString("B-Load"));
    QCOMPARE(Named<QGroupBox>(*d, "GroupBox1")->title(), QString("EEPROM Type"));
    QCOMPARE(f.layoutDirection(), Qt::RightToLeft);
    QCOMPARE(Named<QFrame>(f, "sPanel2")->layoutDirection(), Qt::RightToLeft);
    QCOMPARE(d->layoutDirection(), Qt::RightToLeft);
    QCOMPARE(Named<QGroupBox>(*d, "GroupBox1")->layoutDirection(), Qt::RightToLeft);

    // Back to A, then to the original language: the texts from before the first switch return.
    Menu(f, "Language1")->actions()[1]->trigger();
    QCOMPARE(Action(f, "Open1")->text(), QString("A-Open"));
    f.LanguageSource().SetActiveLanguage(-1);
    QCOMPARE(f.windowTitle(), QString("Tesmaro"));
    QCOMPARE(Action(f, "Open1")->text(), QString("&Open"));
    QCOMPARE(Action(f, "Exit1")->text(), QString("E&xit"));
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), QString("Load File"));
    QCOMPARE(Menu(f, "Language1")->title(), QString("&Language"));
    QCOMPARE(Named<QGroupBox>(*d, "GroupBox1")->title(), QString("EEPROM Type"));
    QCOMPARE(f.layoutDirection(), Qt::LeftToRight);
    QCOMPARE(Named<QGroupBox>(*d, "GroupBox1")->layoutDirection(), Qt::LeftToRight);
  }

  void excludedComponentsAndRefusedTexts() {
    TProgramFolder folder("", false);
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.Activate();
    f.Localizer().SetExcluded({"Open1"});
    QStringList localized;
    f.Localizer().OnPropertyLocalizing = [&](QObject* sender, QObject* object, const QString& prop, QString& value,
                                             bool& allow) {
      QCOMPARE(sender, &f.Localizer());
      localized << object->objectName() + u'.' + prop;
      if (object == Action(f, "Exit1")) allow = false;
      if (object == Button(f, "sSpeedButton1")) value = "changed";
    };
    f.LanguageSource().SetActiveLanguage(1);
    QCOMPARE(Action(f, "Open1")->text(), QString("&Open"));
    QCOMPARE(Action(f, "Exit1")->text(), QString("E&xit"));
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), QString("changed"));
    QCOMPARE(f.windowTitle(), QString("A-Title"));
    QVERIFY(!localized.contains("Open1.Caption"));
    for (const QString& entry : f.Localizer().Originals()) QVERIFY(!entry.startsWith("Open1."));
  }

  void droppedPropertyPathsGetTheirTextsBack() {
    TProgramFolder folder("[Main]\nLangID=1\n", false);
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.Activate();
    f.Localizer().SetPropNames({"Caption"});
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), QString("Load File"));
    QCOMPARE(Action(f, "Open1")->text(), QString("A-Open"));
    f.Localizer().SetPropNames({"Caption", "Hint"});
    f.Localizer().Localize();
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), QString("A-Load"));
    f.LanguageSource().SetActiveLanguage(-1);
    QCOMPARE(Button(f, "sSpeedButton1")->toolTip(), QString("Load File"));
    QCOMPARE(Action(f, "Open1")->text(), QString("&Open"));
  }

  void saveWritesTheWindowSection() {
    TProgramFolder folder("[Main]\nLangID=1\n", false);
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    f.Activate();
    QCOMPARE(f.MessageText("ProgOK"), std::string("A-OK"));  // leaves "Additional messages" addressed
    f.Localizer().ClearBeforeSave = true;
    f.Localizer().Save();
    TQLanguageFile file(QString::fromStdString(folder.Dir.File("english.lng")));
    QCOMPARE(file.ReadString("Additional messages", "ProgOK", "-"), QString("A-OK"));
    QCOMPARE(file.ReadString("f", "Open1.Caption", "-"), QString("A-Open"));
    QCOMPARE(file.ReadString("f", "sSpeedButton2.Hint", "-"), QString("Save file as..."));
    QCOMPARE(file.ReadString("f", "N1.Caption", "-"), QString("-"));
    QCOMPARE(file.ReadString("f", "sPanel2.Hint", "-"), QString("-"));  // erased, empty hint not saved
    QStringList keys;
    file.ReadSectionValues("f", keys);
    // The window's caption, 9 hints, Stop's caption, 32 menu captions and 13 of the Edit menu;
    // separators have no text.
    QCOMPARE(keys.size(), 56);
    QVERIFY(keys.contains("sSpeedButton9.Caption=Stop"));
  }

  void itemViewNodesAreCommaText() {
    QWidget window;
    window.setObjectName("W");
    auto* tree = new QTreeWidget(&window);
    tree->setObjectName("Tree1");
    auto* a = new QTreeWidgetItem(tree, QStringList{"a"});
    new QTreeWidgetItem(a, QStringList{"a1"});
    auto* b = new QTreeWidgetItem(tree, QStringList{"b"});
    QCOMPARE(GetPropertyText(tree, &window, "Items"), QString("a,a1,b"));
    SetPropertyText(tree, "Items", "x,\"y z\"", false);
    QCOMPARE(a->text(0), QString("x"));
    QCOMPARE(a->child(0)->text(0), QString("y z"));
    QCOMPARE(b->text(0), QString("b"));
  }

  void oneLocalizerPerWindow() {
    TProgramFolder folder("", false);
    TScriptedUserInterface ui;
    TMainWindow f(folder.Options(), &ui);
    struct TCase {
      QObject* Owner;
      const char* Error;
    };
    const TCase cases[] = {{nullptr, "Owner is not specified!"},
                           {&f, "'f' already contains instance of TQFormLocalizer class!"},
                           {&f.ChipDialog(), "'Form2' already contains instance of TQFormLocalizer class!"}};
    for (const auto& c : cases) {
      try {
        new TQFormLocalizer(c.Owner);
        QFAIL(c.Error);
      } catch (const EQLocalError& e) {
        QCOMPARE(QString(e.what()), QString(c.Error));
      }
    }
  }
};

QTEST_MAIN(TestFormLocalizer)
#include "test_form_localizer.moc"
