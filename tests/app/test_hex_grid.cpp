// The hex grid over MemoryBuffer, alone and in the main window, offscreen.
#include <QtTest>

#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>
#include <cstring>
#include <memory>

#include "app/hex_grid.h"
#include "app/hex_grid_model.h"
#include "app/status_bar.h"
#include "app/main_window.h"
#include "buffer/memory_buffer.h"
#include "common/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace {

const char* const kCatalogue = "[Test]\ntype=1\nC128=1,128,16,0,5\nC100=1,100,16,0,5\n";

// Records the rectangles the viewport is painted in, as they happen.
class TPaintSpy : public QObject {
 public:
  explicit TPaintSpy(QWidget* w) { w->installEventFilter(this); }
  QList<QRect> Rects;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) Rects << static_cast<QPaintEvent*>(e)->rect();
    return false;
  }
};

// The widget that has the keyboard: the grid, or its cell editor while one is open.
QWidget* KeyTarget(QWidget* grid) {
  QWidget* w = QApplication::focusWidget();
  return w ? w : grid;
}

void Type(QWidget* grid, const QString& keys) {
  for (QChar k : keys) QTest::keyClick(KeyTarget(grid), k.toLatin1());
}

void Press(QWidget* grid, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(KeyTarget(grid), key, modifiers);
}

void Click(TDrawGrid& grid, int column, int row) {
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, grid.CellRect(column, row).center());
}

QString Text(const TDrawGrid& grid, int column, int row) {
  return grid.model()->index(row, column).data().toString();
}

QColor PixelAt(const QImage& image, const QRect& cell) {
  // The bottom-right corner of a cell lies clear of its text.
  return image.pixelColor(cell.right() - 1, cell.bottom());
}

// A grid sized as in the main window, shown and holding the keyboard.
struct TGridFixture {
  explicit TGridFixture(int rows) : Grid(nullptr) {
    Grid.resize(639, 400);
    Grid.SetColWidth(0, 50);
    Grid.SetColWidth(17, 140);
    Grid.SetRowCount(rows);
    Grid.show();
    Grid.activateWindow();
    Grid.setFocus();
    Ok = QTest::qWaitForWindowActive(&Grid);
  }
  TDrawGrid Grid;
  bool Ok = false;
};

}  // namespace

class TestHexGrid : public QObject {
  Q_OBJECT

  // The main window started with the given remembered chip ("" for none) from a small catalogue.
  std::unique_ptr<Tf> StartMainWindow(const char* chip) {
    Dir = std::make_unique<TTempDir>();
    Dir->Write("see.ini", kCatalogue);
    Dir->Write("tesmaro.ini", std::string("[Main]\nChip=") + chip + "\n");
    TStartOptions options;
    options.ExeFolder = Dir->Folder();
    options.SettingsFile = Dir->File("tesmaro.ini");
    auto f = std::make_unique<Tf>(options, &Ui);
    f->show();
    f->activateWindow();
    if (!QTest::qWaitForWindowActive(f.get())) return nullptr;
    if (!QTest::qWaitFor([&] { return !f->FirstActivation; })) return nullptr;
    f->DrawGrid1->setFocus();
    return f;
  }

  std::unique_ptr<TTempDir> Dir;
  TScriptedUserInterface Ui;

 private slots:
  void init() {
    std::memset(MemoryBuffer, 0, kMemoryBufferSize);
    Ui.Shown.clear();
  }

  void rowCountFollowsTheChipAtStart_data() {
    QTest::addColumn<QString>("chip");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastAddress");
    QTest::newRow("128 bytes") << "C128" << 9 << "00070";
    // The last 4 bytes of a 100-byte chip have no row.
    QTest::newRow("100 bytes") << "C100" << 7 << "00050";
    QTest::newRow("no chip") << "" << 1 << "";
  }
  void rowCountFollowsTheChipAtStart() {
    QFETCH(QString, chip);
    QFETCH(int, rows);
    QFETCH(QString, lastAddress);
    auto f = StartMainWindow(chip.toLatin1().constData());
    QVERIFY(f);
    QCOMPARE(f->DrawGrid1->RowCount(), rows);
    QCOMPARE(f->DrawGrid1->model()->rowCount(), rows);
    if (rows > 1) QCOMPARE(Text(*f->DrawGrid1, 0, rows - 1), lastAddress);
    QCOMPARE(f->DrawGrid1->ColWidth(0), 50);
    QCOMPARE(f->DrawGrid1->ColWidth(1), 25);
    QCOMPARE(f->DrawGrid1->ColWidth(17), 140);
    // Panel 2 stays empty until the first selection.
    QCOMPARE(f->sb1->PanelText(2), QString());
    QVERIFY(Ui.Shown.empty());
  }

  void headerStaysFixedAfterAGridOfTheHeaderAlone() {
    TGridFixture g(1);
    QVERIFY(g.Ok);
    QCOMPARE(g.Grid.Row(), -1);
    Type(&g.Grid, "7");
    QVERIFY(!g.Grid.Editing());

    MemoryBuffer[0] = 0x5A;
    g.Grid.SetRowCount(256 / 16 + 1);
    QCOMPARE(g.Grid.RowCount(), 17);
    for (int c = 1; c <= 16; ++c) QCOMPARE(Text(g.Grid, c, 0), QString("0%1").arg(c - 1, 0, 16).toUpper());
    QCOMPARE(Text(g.Grid, 0, 0), QString());
    QCOMPARE(Text(g.Grid, 17, 0), QString());
    QCOMPARE(Text(g.Grid, 0, 16), QString("000F0"));
    QCOMPARE(g.Grid.model()->flags(g.Grid.model()->index(0, 1)), Qt::NoItemFlags);
    // The current cell is a data cell; typing edits byte 0, never the header.
    QCOMPARE(g.Grid.Row(), 1);
    QCOMPARE(g.Grid.Col(), 1);
    Type(&g.Grid, "1F");
    QCOMPARE(MemoryBuffer[0], uint8_t(0x1F));
    QCOMPARE(Text(g.Grid, 1, 0), QString("00"));
  }

  void shrinkingKeepsTheCurrentCellInTheData() {
    TGridFixture g(65537);
    QVERIFY(g.Ok);
    QVERIFY(g.Grid.SelectCell(7, 60000));
    g.Grid.SetRowCount(9);
    QCOMPARE(g.Grid.Col(), 7);
    QCOMPARE(g.Grid.Row(), 8);
    QCOMPARE(g.Grid.TopRow(), 1);
    g.Grid.SetRowCount(1);
    QCOMPARE(g.Grid.Row(), -1);
  }

  void typingEditsTheByteAsTyped_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QList<int>>("bytes");  // the byte after each key
    QTest::newRow("1 then F") << "1F" << QList<int>{0x00, 0x1F};
    QTest::newRow("lower case") << "ab" << QList<int>{0x00, 0xAB};
    QTest::newRow("not hexadecimal") << "ZZ" << QList<int>{0x00, 0x00};
    // Keys that the mask refuses change nothing.
    QTest::newRow("space") << " 1" << QList<int>{0x55, 0x00};
    QTest::newRow("minus") << "-1" << QList<int>{0x55, 0x00};
  }
  void typingEditsTheByteAsTyped() {
    QFETCH(QString, keys);
    QFETCH(QList<int>, bytes);
    TGridFixture g(9);
    QVERIFY(g.Ok);
    const int address = 0x25;  // column 6 of row 3
    MemoryBuffer[address] = 0x55;
    QVERIFY(g.Grid.SelectCell(6, 3));
    const QRect chars = g.Grid.CellRect(17, 3);
    for (int i = 0; i < keys.size(); ++i) {
      TPaintSpy spy(g.Grid.viewport());
      Type(&g.Grid, keys.mid(i, 1));
      QCOMPARE(int(MemoryBuffer[address]), bytes[i]);
      // The row's characters are repainted during each accepted keystroke, not later.
      if (keys[i].isLetterOrNumber())
        QVERIFY(std::any_of(spy.Rects.begin(), spy.Rects.end(), [&](const QRect& r) { return r.contains(chars); }));
      QCOMPARE(Text(g.Grid, 17, 3).at(1 + 5), QChar(bytes[i]));
    }
    QVERIFY(g.Grid.Editing());
    QCOMPARE(g.Grid.Row(), 3);
    QCOMPARE(g.Grid.Col(), 6);
  }

  void leavingTheEditor_data() {
    QTest::addColumn<bool>("editKey");  // start with the edit key instead of typing
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("leaveKey");
    QTest::addColumn<int>("byte");
    QTest::newRow("half filled, Enter") << false << "7" << int(Qt::Key_Return) << 0x00;
    QTest::newRow("full, Enter") << false << "C4" << int(Qt::Key_Return) << 0xC4;
    QTest::newRow("edit key then typed") << true << "42" << int(Qt::Key_Return) << 0x42;
    QTest::newRow("Escape restores") << false << "3" << int(Qt::Key_Escape) << 0x5A;
    QTest::newRow("moving away") << false << "E" << int(Qt::Key_Down) << 0x00;
  }
  void leavingTheEditor() {
    QFETCH(bool, editKey);
    QFETCH(QString, keys);
    QFETCH(int, leaveKey);
    QFETCH(int, byte);
    TGridFixture g(9);
    QVERIFY(g.Ok);
    MemoryBuffer[0x10] = 0x5A;
    QVERIFY(g.Grid.SelectCell(1, 2));
    if (editKey) {
      Press(&g.Grid, Qt::Key_F2);
      auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
      QVERIFY(editor);
      QCOMPARE(editor->text(), QString("5A"));
    }
    Type(&g.Grid, keys);
    QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    Press(&g.Grid, Qt::Key(leaveKey));
    QTRY_VERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    QCOMPARE(int(MemoryBuffer[0x10]), byte);
    QCOMPARE(g.Grid.Row(), leaveKey == Qt::Key_Down ? 3 : 2);
  }

  void keyboardMovesTheCurrentCell_data() {
    QTest::addColumn<QPoint>("start");  // column, row
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<QPoint>("end");
    QTest::newRow("up") << QPoint(5, 10) << int(Qt::Key_Up) << false << QPoint(5, 9);
    QTest::newRow("down") << QPoint(5, 10) << int(Qt::Key_Down) << false << QPoint(5, 11);
    QTest::newRow("left") << QPoint(5, 10) << int(Qt::Key_Left) << false << QPoint(4, 10);
    QTest::newRow("right") << QPoint(5, 10) << int(Qt::Key_Right) << false << QPoint(6, 10);
    QTest::newRow("up at the top") << QPoint(5, 1) << int(Qt::Key_Up) << false << QPoint(5, 1);
    QTest::newRow("left at the edge") << QPoint(1, 10) << int(Qt::Key_Left) << false << QPoint(1, 10);
    QTest::newRow("right at the edge") << QPoint(16, 10) << int(Qt::Key_Right) << false << QPoint(16, 10);
    QTest::newRow("home") << QPoint(5, 10) << int(Qt::Key_Home) << false << QPoint(1, 10);
    QTest::newRow("end") << QPoint(5, 10) << int(Qt::Key_End) << false << QPoint(16, 10);
    QTest::newRow("ctrl home") << QPoint(5, 300) << int(Qt::Key_Home) << true << QPoint(1, 1);
    QTest::newRow("ctrl end") << QPoint(5, 10) << int(Qt::Key_End) << true << QPoint(16, 65536);
    QTest::newRow("page up at the top") << QPoint(5, 10) << int(Qt::Key_PageUp) << false << QPoint(5, 1);
    QTest::newRow("page down at the end") << QPoint(5, 65530) << int(Qt::Key_PageDown) << false << QPoint(5, 65536);
  }
  void keyboardMovesTheCurrentCell() {
    QFETCH(QPoint, start);
    QFETCH(int, key);
    QFETCH(bool, ctrl);
    QFETCH(QPoint, end);
    TGridFixture g(65537);
    QVERIFY(g.Ok);
    QVERIFY(g.Grid.SelectCell(start.x(), start.y()));
    QSignalSpy status(&g.Grid, &TDrawGrid::StatusText);
    Press(&g.Grid, Qt::Key(key), ctrl ? Qt::ControlModifier : Qt::NoModifier);
    QCOMPARE(QPoint(g.Grid.Col(), g.Grid.Row()), end);
    // The current cell is in view and the address follows it.
    QVERIFY(!g.Grid.CellRect(end.x(), end.y()).isEmpty());
    QVERIFY(g.Grid.CellRect(end.x(), end.y()).bottom() < g.Grid.viewport()->height());
    if (end != start) {
      QCOMPARE(status.size(), 1);
      QCOMPARE(status.last().at(0).toString(), QString::asprintf("Addr: %04X", (end.y() - 1) * 16 + end.x() - 1));
    }
  }

  void pageKeysMoveByAScreen() {
    TGridFixture g(65537);
    QVERIFY(g.Ok);
    const int page = g.Grid.VisibleRowCount();
    QVERIFY(page > 5);
    QVERIFY(g.Grid.SelectCell(3, 2));
    Press(&g.Grid, Qt::Key_PageDown);
    QCOMPARE(g.Grid.Row(), 2 + page);
    QCOMPARE(g.Grid.TopRow(), 1 + page);
    Press(&g.Grid, Qt::Key_PageUp);
    QCOMPARE(g.Grid.Row(), 2);
    QCOMPARE(g.Grid.TopRow(), 1);
  }

  void scrollBoxMovesTheRowsWhileDragged() {
    TGridFixture g(65537);
    QVERIFY(g.Ok);
    QScrollBar* bar = g.Grid.verticalScrollBar();
    bar->setSliderDown(true);
    bar->setSliderPosition(40000);
    QCOMPARE(g.Grid.TopRow(), 40001);
    bar->setSliderDown(false);
    QCOMPARE(bar->maximum(), 65536 - g.Grid.VisibleRowCount());
    // The header row stays on top of whatever is scrolled in.
    QCOMPARE(g.Grid.indexAt(g.Grid.CellRect(3, 0).center()).row(), 0);
    QCOMPARE(g.Grid.indexAt(g.Grid.CellRect(3, 40001).center()).row(), 40001);
  }

  void selectionShowsTheAddressAndSkipsTheCharacters() {
    auto f = StartMainWindow("C128");
    QVERIFY(f);
    TDrawGrid& grid = *f->DrawGrid1;
    Click(grid, 16, 2);
    QCOMPARE(f->sb1->PanelText(2), QString("Addr: 001F"));
    QCOMPARE(grid.Col(), 16);
    QCOMPARE(grid.Row(), 2);
    Click(grid, 17, 5);
    QCOMPARE(f->sb1->PanelText(2), QString("Addr: 001F"));
    QCOMPARE(grid.Col(), 16);
    QCOMPARE(grid.Row(), 2);
    // Fixed cells do nothing either.
    Click(grid, 0, 4);
    Click(grid, 5, 0);
    QCOMPARE(grid.Row(), 2);
    QCOMPARE(f->sb1->PanelText(2), QString("Addr: 001F"));
  }

  void addressesAboveSixtyFourKibibytesGetMoreDigits() {
    TGridFixture g(65537);
    QVERIFY(g.Ok);
    QSignalSpy status(&g.Grid, &TDrawGrid::StatusText);
    QVERIFY(g.Grid.SelectCell(16, 65536));
    QCOMPARE(status.last().at(0).toString(), QString("Addr: FFFFF"));
    QCOMPARE(Text(g.Grid, 0, 65536), QString("FFFF0"));
  }

  void editLeavesTheChecksumAlone() {
    auto f = StartMainWindow("C128");
    QVERIFY(f);
    QCOMPARE(f->sb1->PanelText(3), QString("Chk: 7F80"));
    QVERIFY(f->DrawGrid1->SelectCell(1, 1));
    Type(f->DrawGrid1, "00");
    QCOMPARE(MemoryBuffer[0], uint8_t(0));
    QCOMPARE(f->sb1->PanelText(3), QString("Chk: 7F80"));
  }

  void characterCellShowsEveryByteAsLatin1() {
    TGridFixture g(3);
    QVERIFY(g.Ok);
    const uint8_t row1[16] = {0x41, 0x42, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
                              0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
    std::memcpy(MemoryBuffer, row1, 16);
    QCOMPARE(Text(g.Grid, 17, 1), QString(" AB") + QString(14, QChar(' ')));
    // Control codes, 0x00 and bytes above 0x7F are not replaced.
    const uint8_t row2[16] = {0x00, 0x0A, 0x0D, 0x09, 0x7F, 0x80, 0xA0, 0xE9,
                              0xFF, 0x01, 0x1B, 0x30, 0x61, 0xC4, 0xD6, 0xDC};
    std::memcpy(MemoryBuffer + 16, row2, 16);
    const QString text = Text(g.Grid, 17, 2);
    QCOMPARE(text.size(), 17);
    for (int i = 0; i < 16; ++i) QCOMPARE(text.at(i + 1).unicode(), char16_t(row2[i]));
    g.Grid.RepaintNow();
  }

  void cellsArePaintedInTheirColours() {
    TGridFixture g(9);
    QVERIFY(g.Ok);
    g.Grid.RepaintNow();
    const QImage image = g.Grid.viewport()->grab().toImage();
    QCOMPARE(PixelAt(image, g.Grid.CellRect(3, 0)), QColor(162, 200, 210));
    QCOMPARE(PixelAt(image, g.Grid.CellRect(0, 4)), QColor(162, 200, 210));
    QCOMPARE(PixelAt(image, g.Grid.CellRect(1, 4)), QColor(255, 255, 224));
    QCOMPARE(PixelAt(image, g.Grid.CellRect(2, 4)), QColor(224, 255, 224));
    QCOMPARE(PixelAt(image, g.Grid.CellRect(17, 4)), QColor(240, 240, 240));
    // The text is black: the digits of a header cell hold dark pixels.
    const QRect header = g.Grid.CellRect(3, 0);
    bool dark = false;
    for (int y = header.top(); y <= header.bottom(); ++y)
      for (int x = header.left(); x <= header.right(); ++x) dark |= image.pixelColor(x, y).lightness() < 60;
    QVERIFY(dark);
  }

  void rowCountIsKeptWithinTheBuffer() {
    TDrawGrid grid(nullptr);
    grid.SetRowCount(0x200000 / 16 + 1);
    QCOMPARE(grid.RowCount(), 65537);
    grid.SetRowCount(-5);
    QCOMPARE(grid.RowCount(), 1);
    // An edit of a row that the grid does not have changes nothing.
    grid.SetRowCount(9);
    grid.DrawGrid1SetEditText(1, 9, "FF");
    QCOMPARE(MemoryBuffer[0x80], uint8_t(0));
  }
};

QTEST_MAIN(TestHexGrid)
#include "test_hex_grid.moc"
