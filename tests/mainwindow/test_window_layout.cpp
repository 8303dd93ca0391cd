// The main window's size, offscreen: it grows and shrinks with the grid taking the room, never
// below a size that shows the toolbar and a few rows; the programmer picture keeps its size and
// can be hidden; the size, the place and the picture's visibility are kept in the settings.
#include <QtTest>

#include <algorithm>

#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/window_placement.h"
#include "common/scripted_user_interface.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {

long double FastClock() { return 100.0L; }

// A program folder with a chip of 8 KiB remembered, so the grid has rows to show.
struct TFolder {
  TTempDir Dir;
  explicit TFolder(const std::string& settings = "[Main]\nChip=24C64\n") {
    Dir.Write("see.ini", "[24Cxx]\ntype=1\n24C64=1,8192,32,0,5\n");
    Dir.Write("tesmaro.ini", settings);
  }
};

void Started(TMainWindow& f) {
  f.ClockSource = FastClock;
  f.show();
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  QTRY_VERIFY(!f.FirstActivation);
}

// Resizes the window and waits until its widgets have been laid out for the new size.
void ResizeTo(TMainWindow& f, QSize size) {
  f.resize(size);
  QTRY_COMPARE(f.size(), size.expandedTo(f.minimumSize()));
  QCoreApplication::processEvents();
}

// Every toolbar button lies within the toolbar as shown.
bool ToolbarShown(const TMainWindow& f) {
  const QWidget* toolbar = Named<QFrame>(f, "sPanel2");
  for (const QToolButton* b : toolbar->findChildren<QToolButton*>())
    if (!b->isHidden() && !toolbar->rect().contains(b->geometry())) return false;
  return toolbar->isVisible();
}

}  // namespace

class TestWindowLayout : public QObject {
  Q_OBJECT

 private slots:
  // Wider and taller: the grid gets more rows and keeps its sixteen byte columns; the picture
  // keeps its size. Smaller than the start size, down to a smallest size that still shows the
  // toolbar, a few rows, the picture and the status bar.
  void gridTakesTheRoomDownToASmallestSize() {
    TFolder folder;
    TScriptedUserInterface ui;
    TMainWindow f(WindowOptionsIn(folder.Dir), &ui);
    Started(f);
    QCOMPARE(f.size(), QSize(TMainWindow::kStartWidth, TMainWindow::kStartHeight));
    THexGrid& grid = *Grid(f);
    const int startRows = grid.VisibleRowCount();
    const int byteColumn = grid.ColWidth(1);

    ResizeTo(f, QSize(1100, 900));
    QVERIFY2(grid.VisibleRowCount() >= startRows + 900 / 18 - 614 / 18 - 1,
             qPrintable(QString::number(grid.VisibleRowCount())));
    QCOMPARE(grid.ColWidth(1), byteColumn);
    QCOMPARE(grid.CellRect(16, 1).width(), byteColumn);
    QCOMPARE(Picture(f)->size(), QSize(650, 131));
    QVERIFY(ToolbarShown(f));

    const QSize smallest = f.minimumSize();
    QVERIFY2(smallest.width() <= TMainWindow::kStartWidth && smallest.height() < TMainWindow::kStartHeight - 100,
             qPrintable(QString("%1x%2").arg(smallest.width()).arg(smallest.height())));
    ResizeTo(f, QSize(200, 150));
    QCOMPARE(f.size(), smallest);
    QVERIFY(ToolbarShown(f));
    QVERIFY(grid.VisibleRowCount() >= THexGrid::kMinVisibleRows);
    // Every byte column and the character column are still in view.
    QVERIFY(grid.CellRect(THexGrid::kColCount - 1, 1).right() < grid.viewport()->width());
    QCOMPARE(Picture(f)->size(), QSize(650, 131));
    QVERIFY(Picture(f)->geometry().right() < Named<QFrame>(f, "sPanel1")->width());
    QVERIFY(StatusBar(f)->isVisible() && StatusBar(f)->geometry().bottom() < f.centralWidget()->height());
  }

  // View > Programmer picture hides and shows it; the grid takes its room; the choice is kept.
  void pictureCanBeHiddenAndTheChoiceIsKept() {
    TFolder folder;
    TScriptedUserInterface ui;
    {
      TMainWindow f(WindowOptionsIn(folder.Dir), &ui);
      Started(f);
      QAction* toggle = Action(f, "ProgrammerPicture1");
      QVERIFY(toggle->isCheckable() && toggle->isChecked());
      QVERIFY(Named<QFrame>(f, "sPanel1")->isVisible());
      const int rows = Grid(f)->VisibleRowCount();
      toggle->trigger();
      QTRY_VERIFY(Named<QFrame>(f, "sPanel1")->isHidden());
      QTRY_VERIFY(Grid(f)->VisibleRowCount() >= rows + 141 / 18 - 1);
      QVERIFY(folder.Dir.Read("tesmaro.ini").find("Picture=0") != std::string::npos);
      QVERIFY(f.close());
    }
    TMainWindow again(WindowOptionsIn(folder.Dir), &ui);
    Started(again);
    QVERIFY(!Action(again, "ProgrammerPicture1")->isChecked());
    QVERIFY(Named<QFrame>(again, "sPanel1")->isHidden());
    Action(again, "ProgrammerPicture1")->trigger();
    QVERIFY(Named<QFrame>(again, "sPanel1")->isVisible());
    QVERIFY(ui.Shown.empty());
  }

  // The size and place the window had when it closed come back; a place on no screen is not
  // taken, and a size larger than the screen is cut to it.
  void sizeAndPlaceAreKept_data() {
    QTest::addColumn<QRect>("closed");
    QTest::addColumn<bool>("onScreen");
    QTest::newRow("on the screen") << QRect(40, 50, 700, 500) << true;
    QTest::newRow("off every screen") << QRect(-5000, -5000, 700, 500) << false;
  }
  void sizeAndPlaceAreKept() {
    QFETCH(QRect, closed);
    QFETCH(bool, onScreen);
    TFolder folder;
    TScriptedUserInterface ui;
    {
      TMainWindow f(WindowOptionsIn(folder.Dir), &ui);
      Started(f);
      f.setGeometry(closed);
      QTRY_COMPARE(f.geometry(), closed);
      QVERIFY(f.close());
    }
    TMainWindow again(WindowOptionsIn(folder.Dir), &ui);
    QCOMPARE(again.size(), closed.size());
    if (onScreen) {
      QCOMPARE(again.geometry(), closed);
    } else {
      const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
      QVERIFY(screen.contains(again.geometry().center()));
    }

    folder.Dir.Write("tesmaro.ini", "[Window]\nLeft=0\nTop=0\nWidth=90000\nHeight=90000\n");
    TMainWindow huge(WindowOptionsIn(folder.Dir), &ui);
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    QVERIFY(huge.width() <= room.width() && huge.height() <= room.height());
    QVERIFY(ui.Shown.empty());
  }

  // A place saved on a larger screen or at a smaller scale, partly off this screen: the whole
  // window, frame included, comes back inside the screen's available area; so does a first start.
  void restoredAndFirstPlacesLieInsideTheScreen() {
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect inner = room.marginsRemoved(kFrameEstimate);
    TScriptedUserInterface ui;
    for (const QRect& saved : {QRect(room.right() - 100, room.bottom() - 100, 700, 500),
                               QRect(room.left() - 300, room.top() - 20, room.width() + 200, room.height())}) {
      TFolder folder(QString("[Main]\nChip=24C64\n[Window]\nLeft=%1\nTop=%2\nWidth=%3\nHeight=%4\n")
                         .arg(saved.left())
                         .arg(saved.top())
                         .arg(saved.width())
                         .arg(saved.height())
                         .toStdString());
      TMainWindow f(WindowOptionsIn(folder.Dir), &ui);
      QVERIFY2(inner.contains(f.geometry()),
               qPrintable(QString("%1,%2 %3x%4").arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height())));
      Started(f);
      QVERIFY(room.contains(f.frameGeometry()));
    }
    TFolder first;
    TMainWindow f(WindowOptionsIn(first.Dir), &ui);
    QVERIFY(inner.contains(f.geometry()));
    QVERIFY(ui.Shown.empty());
  }

  // The placement itself against given screens: the frame stays inside, the size shrinks to the
  // room but never below the window's smallest size, and then the top left corner shows.
  void placementKeepsTheFrameInsideTheRoom_data() {
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QRect>("room");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("placed");
    const QRect screen(0, 0, 800, 500);  // 1600x1000 at 200 %
    QTest::newRow("inside stays") << QRect(100, 100, 400, 300) << screen << QSize() << QRect(100, 100, 400, 300);
    QTest::newRow("taller than the room") << QRect(68, -100, 664, 614) << screen << QSize() << QRect(68, 32, 664, 460);
    QTest::newRow("off the bottom right")
        << QRect(700, 400, 300, 200) << screen << QSize() << QRect(492, 292, 300, 200);
    QTest::newRow("off the top left") << QRect(-50, -10, 300, 200) << screen << QSize() << QRect(8, 32, 300, 200);
    QTest::newRow("second screen to the right")
        << QRect(1500, 50, 2000, 300) << QRect(1280, 0, 1024, 768) << QSize() << QRect(1288, 50, 1008, 300);
    QTest::newRow("minimum larger than the room")
        << QRect(300, 300, 400, 400) << QRect(0, 0, 320, 240) << QSize(500, 300) << QRect(8, 32, 500, 300);
  }
  void placementKeepsTheFrameInsideTheRoom() {
    QFETCH(QRect, wanted);
    QFETCH(QRect, room);
    QFETCH(QSize, minimum);
    QFETCH(QRect, placed);
    QCOMPARE(FitInside(wanted, room, kFrameEstimate, minimum), placed);
    const QRect start = StartPlace(QSize(664, 614), QRect(0, 0, 800, 500), kFrameEstimate);
    QCOMPARE(start.size(), QSize(664, 460));
    QVERIFY(QRect(0, 0, 800, 500).marginsRemoved(kFrameEstimate).contains(start));
  }
};

QTEST_MAIN(TestWindowLayout)
#include "test_window_layout.moc"
