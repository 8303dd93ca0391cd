// The chip selection dialog and the supported-chips report of the main window, offscreen.
#include <QtTest>

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QScrollArea>
#include <cstring>
#include <filesystem>

#include "app/chip_dialog.h"
#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/status_bar.h"
#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "common/scripted_user_interface.h"
#include "support/document_bytes.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {

const char* const kCatalogue =
    "[Small]\nType=1\nS128=1,128,8,0,5\nS256=1,256,16,0,5\n"
    "[Big]\nB512=0,512,16,0,3\ntype=2\n";

QStringList Items(const QComboBox* box) {
  QStringList out;
  for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
  return out;
}

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Plays the user's part in the dialog: picks a family and a chip (by index, -1 for none)
// and closes with the given result.
std::function<int(TChipDialog&)> Pick(int family, int chip, int result = QDialog::Accepted) {
  return [=](TChipDialog& d) {
    if (family >= 0) d.FamilyList()->setCurrentIndex(family);
    if (chip >= 0) d.ChipList()->item(chip)->setSelected(true);
    return result;
  };
}

uint8_t Pattern(int address) { return static_cast<uint8_t>(address * 7 + 3); }

void FillBuffer(TMainWindow& f) {
  std::vector<uint8_t> bytes(kMemoryBufferSize);
  for (int a = 0; a < kMemoryBufferSize; ++a) bytes[a] = Pattern(a);
  SetBytes(f.Document(), 0, bytes);
}

}  // namespace

class TestChipDialog : public QObject {
  Q_OBJECT

 private slots:
  void dialogIsBuiltAsLanguageFilesAddressIt() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    TChipDialog* d = &f.ChipDialog();
    QVERIFY(d);
    QCOMPARE(d->objectName(), QString("Form2"));
    QVERIFY(!d->isVisible());
    QCOMPARE(d->windowTitle(), QString());
    QCOMPARE(d->size(), TChipDialog::kStartSize.expandedTo(d->minimumSizeHint()));
    QCOMPARE(d->findChild<QGroupBox*>("GroupBox1")->title(), QString("EEPROM Type"));
    QCOMPARE(d->findChild<QGroupBox*>("GroupBox2")->title(), QString(" Select CHIP "));
    QCOMPARE(d->findChild<QPushButton*>("BitBtn1")->text(), QString("OK"));
    QCOMPARE(d->findChild<QPushButton*>("BitBtn2")->text(), QString("Cancel"));
    QVERIFY(!d->findChild<QComboBox*>("PSlistbox")->isEditable());
    QVERIFY(d->findChild<QListWidget*>("CSlistbox"));
    QVERIFY(Named<QPushButton>(*d, "BitBtn1")->isDefault());
  }

  void opensAtTheFirstFamilyWithoutTypeAndWithoutSelection() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    QStringList families, firstChips, secondChips;
    bool chipSelected = true;
    f.ChipDialog().ShowModalHook = [&](TChipDialog& d) {
      families = Items(d.FamilyList());
      firstChips = Items(d.ChipList());
      chipSelected = !d.ChipList()->selectedItems().isEmpty() || d.FamilyList()->currentIndex() != 0;
      d.FamilyList()->setCurrentIndex(1);  // as the user picks another family
      secondChips = Items(d.ChipList());
      return int(QDialog::Rejected);
    };
    f.SelectChip();
    QCOMPARE(families, QStringList({"Small", "Big"}));
    // The family's type key is no chip, whatever its letter case.
    QCOMPARE(firstChips, QStringList({"S128", "S256"}));
    QCOMPARE(secondChips, QStringList({"B512"}));
    QVERIFY(!chipSelected);
  }

  void cancelOrNoChipChangesNothing_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<int>("result");
    QTest::newRow("OK without a chip") << -1 << int(QDialog::Accepted);
    QTest::newRow("Cancel with a chip") << 1 << int(QDialog::Rejected);
  }

  void cancelOrNoChipChangesNothing() {
    QFETCH(int, chip);
    QFETCH(int, result);
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=S128\n");
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    FillBuffer(f);
    const TChip before = f.CurrentChip;
    QCOMPARE(before.Size, 128);
    QCOMPARE(Grid(f)->RowCount(), 9);
    std::vector<uint8_t> buffer(f.Document().Data(), f.Document().Data() + 512);

    f.ChipDialog().ShowModalHook = Pick(0, chip, result);
    f.SelectChip();
    QVERIFY(f.CurrentChip == before);
    QCOMPARE(Grid(f)->RowCount(), 9);
    QVERIFY(std::equal(buffer.begin(), buffer.end(), f.Document().Data()));
    QVERIFY(ui.Shown.empty());
  }

  void choosingALargerChipGrowsTheGridOverTheBuffer() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();  // no remembered chip: size 0
    FillBuffer(f);

    f.ChipDialog().ShowModalHook = Pick(0, 0);
    f.SelectChip();
    QCOMPARE(f.CurrentChip.Name, std::string("S128"));
    QCOMPARE(Grid(f)->RowCount(), 9);

    f.ChipDialog().ShowModalHook = Pick(0, 1);
    f.SelectChip();
    QCOMPARE(f.CurrentChip.Name, std::string("S256"));
    QCOMPARE(f.CurrentChip.Size, 256);
    QCOMPARE(Grid(f)->RowCount(), 17);
    // The buffer is kept as it was; the grid shows it over the new size.
    for (int a = 0; a < 1024; ++a) QCOMPARE(f.Document()[a], Pattern(a));
    const QAbstractItemModel* cells = Grid(f)->model();
    QCOMPARE(cells->rowCount(), 17);
    for (int a = 128; a < 256; ++a)
      QCOMPARE(cells->index(a / 16 + 1, a % 16 + 1).data().toString(), QString::fromStdString(IntToHex(Pattern(a), 2)));
    int sum = 0;
    for (int a = 0; a < 256; ++a) sum += Pattern(a);
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Checksum),
             QString::fromStdString("Chk: " + IntToHex(sum & 0xFFFF, 4)));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipName), QString("S256"));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::ChipSize), QString("256 bytes"));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::PageSize), QString("16 bytes"));
    QCOMPARE(StatusBar(f)->PanelHint(TStatusPanel::ChipSize), QString("Chip size: 256 bytes (0x100)"));

    // A chip of another family; its grid shrinks again. The settings are not written.
    f.ChipDialog().ShowModalHook = Pick(1, 0);
    f.SelectChip();
    QCOMPARE(f.CurrentChip.Family, std::string("Big"));
    QCOMPARE(f.CurrentChip.ChipType, 2);
    QCOMPARE(Grid(f)->RowCount(), 33);
    QVERIFY(!std::filesystem::exists(dir.File("tesmaro.ini")));
  }

  void catalogueIsReadAfreshAtEveryOpening() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    QStringList families, chips;
    f.ChipDialog().ShowModalHook = [&](TChipDialog& d) {
      families = Items(d.FamilyList());
      chips = Items(d.ChipList());
      return int(QDialog::Rejected);
    };
    f.SelectChip();
    QCOMPARE(families, QStringList({"Small", "Big"}));

    dir.Write("see.ini", "[New]\ntype=1\nN1=1,64,8,0,5\n[Small]\nS128=1,128,8,0,5\n");
    f.SelectChip();
    QCOMPARE(families, QStringList({"New", "Small"}));
    QCOMPARE(chips, QStringList({"N1"}));

    // A change of family reads the file again too.
    f.ChipDialog().ShowModalHook = [&](TChipDialog& d) {
      dir.Write("see.ini", "[New]\nN1=1,64,8,0,5\n[Small]\nS128=1,128,8,0,5\nS512=1,512,8,0,5\n");
      d.FamilyList()->setCurrentIndex(1);
      chips = Items(d.ChipList());
      return int(QDialog::Rejected);
    };
    f.SelectChip();
    QCOMPARE(chips, QStringList({"S128", "S512"}));

    // Without a catalogue no family and no chip of the old one remain to pick.
    std::filesystem::remove(dir.File("see.ini"));
    f.ChipDialog().ShowModalHook = [&](TChipDialog& d) {
      families = Items(d.FamilyList());
      chips = Items(d.ChipList());
      return int(QDialog::Accepted);
    };
    f.SelectChip();
    QVERIFY(families.isEmpty());
    QVERIFY(chips.isEmpty());
    QCOMPARE(f.CurrentChip.Size, 0);
  }

  void chipRemovedWhileTheDialogIsOpenLeavesTheChip() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=S128\n");
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    const TChip before = f.CurrentChip;
    f.ChipDialog().ShowModalHook = [&](TChipDialog& d) {
      d.ChipList()->item(1)->setSelected(true);
      dir.Write("see.ini", "[Small]\ntype=1\nS128=1,128,8,0,5\n");
      return int(QDialog::Accepted);
    };
    f.SelectChip();
    QVERIFY(f.CurrentChip == before);
    QCOMPARE(Grid(f)->RowCount(), 9);
    QVERIFY(ui.Shown.empty());
  }

  // The dialog as the user meets it: modal, a double click or OK accepts, Escape cancels.
  void modalDialogAnswersMouseAndKeys() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.show();
    TChipDialog* d = &f.ChipDialog();

    // Runs once the dialog's modal loop has started; a dialog still open afterwards is cancelled.
    auto whenShown = [d](std::function<void()> act) {
      QTimer::singleShot(0, d, [d, act] {
        if (d->isVisible()) act();
        if (d->isVisible()) d->reject();
      });
    };

    whenShown([d] {
      QListWidget* list = d->ChipList();
      QRect r = list->visualItemRect(list->item(1));
      // A double click arrives as a click followed by a double-click event.
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    });
    f.SelectChip();
    QCOMPARE(f.CurrentChip.Name, std::string("S256"));
    QVERIFY(!d->isVisible());

    whenShown([d] {
      d->FamilyList()->setCurrentIndex(1);
      d->ChipList()->item(0)->setSelected(true);
      QTest::keyClick(d, Qt::Key_Escape);
    });
    f.SelectChip();
    QCOMPARE(f.CurrentChip.Name, std::string("S256"));

    whenShown([d] {
      d->FamilyList()->setCurrentIndex(1);
      d->ChipList()->item(0)->setSelected(true);
      QTest::keyClick(d->ChipList(), Qt::Key_Return);
    });
    f.SelectChip();
    QCOMPARE(f.CurrentChip.Name, std::string("B512"));

    whenShown([d] {
      d->FamilyList()->setCurrentIndex(0);
      d->ChipList()->item(0)->setSelected(true);
      QTest::mouseClick(Named<QPushButton>(*d, "BitBtn1"), Qt::LeftButton);
    });
    f.SelectChip();
    QCOMPARE(f.CurrentChip.Name, std::string("S128"));
    // Opened over the middle of the window each time.
    QVERIFY((d->geometry().center() - f.frameGeometry().center()).manhattanLength() <= 2);
  }

  // The dialog opens on the chip in use: its family chosen and the chip selected.
  void opensOnTheChipInUse() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    dir.Write("tesmaro.ini", "[Main]\nChip=B512\n");
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.Activate();
    QCOMPARE(f.CurrentChip.Name, std::string("B512"));
    QString family, chip, current;
    f.ChipDialog().ShowModalHook = [&](TChipDialog& d) {
      family = d.FamilyList()->currentText();
      chip = QString::fromStdString(d.SelectedChip());
      current = d.ChipList()->currentItem() ? d.ChipList()->currentItem()->text() : QString();
      return int(QDialog::Accepted);  // OK at once keeps the chip
    };
    f.SelectChip();
    QCOMPARE(family, QString("Big"));
    QCOMPARE(chip, QString("B512"));
    QCOMPARE(current, QString("B512"));
    QCOMPARE(f.CurrentChip.Name, std::string("B512"));
  }

  // A chip the programmer can't work on is greyed, with the reason as its tool tip; it can still
  // be chosen.
  void chipsThatCantBeUsedAreGreyedWithTheReason() {
    TTempDir dir;
    dir.Write("see.ini", "[Big]\ntype=2\nB512=0,512,16,0,3\nB1K=1,1024,16,0,3\nBNONE=1,none,16,0,3\n");
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    QStringList tips;
    QList<QColor> colours;
    f.ChipDialog().ShowModalHook = [&](TChipDialog& d) {
      for (int i = 0; i < d.ChipList()->count(); ++i) {
        tips << d.ChipList()->item(i)->toolTip();
        colours << d.ChipList()->item(i)->foreground().color();
      }
      d.ChipList()->item(0)->setSelected(true);
      return int(QDialog::Accepted);
    };
    f.SelectChip();
    QCOMPARE(tips, QStringList(
                       {"B512 is not supported by the programmer.", "", "BNONE has no valid size in the catalogue."}));
    const QColor grey = f.ChipDialog().palette().color(QPalette::Disabled, QPalette::Text);
    QCOMPARE(colours[0], grey);
    QVERIFY(colours[1] != grey);
    QCOMPARE(colours[2], grey);
    QCOMPARE(f.CurrentChip.Name, std::string("B512"));
  }

  // Typing a name, or the marking printed on a chip, lists the chips of every family that match,
  // the best one selected and its family shown; an empty filter shows the family's chips again.
  void filterFindsTheChipByNameOrMarking_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("family");
    QTest::newRow("name, any case") << "24c64" << QStringList{"24C64"} << "24C64"
                                    << "24Cxx";
    QTest::newRow("part of names") << "64" << QStringList{"24C64", "24LC64"} << "24C64"
                                   << "24Cxx";
    QTest::newRow("exact name") << "24lc64" << QStringList{"24LC64"} << "24LC64"
                                << "24Cxx 3.3V";
    QTest::newRow("marking with maker and suffix") << "AT24C64D-PU" << QStringList{"24C64"} << "24C64"
                                                   << "24Cxx";
    QTest::newRow("marking of another family") << "24LC64-I/P" << QStringList{"24LC64"} << "24LC64"
                                               << "24Cxx 3.3V";
    QTest::newRow("the longest name in a marking") << "AT93C46-I/P" << QStringList{"93C4", "93C46"} << "93C46"
                                                   << "93Cxx";
    QTest::newRow("a short name is not found in a marking") << "AX12B" << QStringList{} << ""
                                                            << "24Cxx";
    QTest::newRow("nothing") << "qq" << QStringList{} << ""
                             << "24Cxx";
  }
  void filterFindsTheChipByNameOrMarking() {
    QFETCH(QString, typed);
    QFETCH(QStringList, listed);
    QFETCH(QString, chosen);
    QFETCH(QString, family);
    TTempDir dir;
    dir.Write("see.ini",
              "[24Cxx]\ntype=1\n24C02=1,256,8,0,5\n24C64=1,8192,32,0,5\n"
              "[24Cxx 3.3V]\ntype=1\n24LC64=1,8192,32,0,3\n[93Cxx]\ntype=3\n93C4=1,64,0,0,5\n93C46=1,128,0,0,5\n"
              "[Tiny]\ntype=1\nX12=1,16,8,0,5\n");
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    QStringList shown, afterClear;
    QString shownFamily, afterDown;
    f.ChipDialog().ShowModalHook = [&](TChipDialog& d) {
      QTest::keyClicks(d.Filter(), typed);
      shown = Items(d.ChipList());
      shownFamily = d.FamilyList()->currentText();
      if (listed.size() > 1) {
        // The arrow keys in the filter walk the list.
        const int at = d.ChipList()->currentRow();
        QTest::keyClick(d.Filter(), at == 0 ? Qt::Key_Down : Qt::Key_Up);
        afterDown = QString::fromStdString(d.SelectedChip());
        QTest::keyClick(d.Filter(), at == 0 ? Qt::Key_Up : Qt::Key_Down);
      }
      return int(QDialog::Accepted);
    };
    f.SelectChip();
    QCOMPARE(shown, listed);
    if (listed.size() > 1) QVERIFY(afterDown != chosen && listed.contains(afterDown));
    QCOMPARE(shownFamily, family);
    QCOMPARE(QString::fromStdString(f.CurrentChip.Name), chosen);

    // Emptied, the filter gives back the chips of the family on show.
    f.ChipDialog().ShowModalHook = [&](TChipDialog& d) {
      QTest::keyClicks(d.Filter(), typed);
      d.Filter()->clear();
      afterClear = Items(d.ChipList());
      return int(QDialog::Rejected);
    };
    f.SelectChip();
    QCOMPARE(afterClear.isEmpty(), false);
    QVERIFY(!afterClear.contains("93C46") || family == "93Cxx");
  }

  // The dialog can be made larger; the chip list takes the room.
  void dialogCanBeResized() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    TChipDialog& d = f.ChipDialog();
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    const int listHeight = d.ChipList()->height();
    const int taller = 600 - d.height();
    QVERIFY(taller >= 100);
    d.resize(400, 600);
    QTRY_COMPARE(d.size(), QSize(400, 600));
    QTRY_VERIFY(d.ChipList()->height() >= listHeight + taller);
    QVERIFY(d.ChipList()->width() > 300);
    d.hide();
  }

  void supportedChipsShowsTheReportInAPlainBox() {
    TTempDir dir;
    dir.Write("see.ini", kCatalogue);
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(dir), &ui);
    f.ShowSupportedChips();
    QCOMPARE(ui.Shown.size(), size_t(1));
    QVERIFY(ui.Shown[0].Kind == TScriptedUserInterface::TKind::Message);
    const std::string& text = ui.Shown[0].Text;
    QCOMPARE(text, ui.MessageText("SuppChips") + "\n\r\n\rSmall\n\rType, S128, S256\n\r\n\rBig\n\r*B512, \n\r\n\r* - " +
                       ui.MessageText("NotSuppChips"));
  }

  // A report taller than the screen scrolls in a box that fits; a short text keeps the plain box.
  void longMessageScrollsInsideTheScreen() {
    QWidget parent;
    QString lines;
    for (int i = 0; i < 400; ++i) lines += QString("Family %1\n").arg(i);
    bool scrolls = false, fits = false;
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      scrolls = box->findChild<QScrollArea*>("MessageScroll") != nullptr;
      fits = box->height() <= box->screen()->availableGeometry().height();
      box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    ShowPlainMessageBox(&parent, "T", lines);
    QVERIFY(scrolls);
    QVERIFY(fits);

    bool plain = false;
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      auto* mb = qobject_cast<QMessageBox*>(box);
      plain = mb && mb->icon() == QMessageBox::NoIcon && mb->text() == "Short";
      if (mb)
        mb->button(QMessageBox::Ok)->click();
      else
        box->close();
    });
    ShowPlainMessageBox(&parent, "T", "Short");
    QVERIFY(plain);
  }
};

QTEST_MAIN(TestChipDialog)
#include "test_chip_dialog.moc"
