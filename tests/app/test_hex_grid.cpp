// The hex grid over a document, alone and in the main window, offscreen.
#include <QtTest>

#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "app/dark_palette.h"
#include "app/hex_grid.h"
#include "app/hex_grid_model.h"
#include "app/main_window.h"
#include "app/status_bar.h"
#include "buffer/memory_buffer.h"
#include "common/scripted_user_interface.h"
#include "support/document_bytes.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"

namespace {

// The document of the grids made alone.
TDocument& GridDocument() {
  static TDocument document;
  return document;
}

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

void Click(THexGrid& grid, int column, int row) {
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, grid.CellRect(column, row).center());
}

QString Text(const THexGrid& grid, int column, int row) { return grid.model()->index(row, column).data().toString(); }

QColor PixelAt(const QImage& image, const QRect& cell) {
  // The bottom-right corner of a cell lies clear of its text.
  return image.pixelColor(cell.right() - 1, cell.bottom());
}

// A grid sized as in the main window, shown and holding the keyboard.
struct TGridFixture {
  explicit TGridFixture(int rows) : Grid(nullptr, GridDocument()) {
    Grid.resize(639, 400);
    Grid.SetColWidth(0, 50);
    Grid.SetColWidth(17, 140);
    Grid.SetRowCount(rows);
    Grid.show();
    Grid.activateWindow();
    Grid.setFocus();
    Ok = QTest::qWaitForWindowActive(&Grid);
  }
  THexGrid Grid;
  bool Ok = false;
};

}  // namespace

class TestHexGrid : public QObject {
  Q_OBJECT

  // The main window started with the given remembered chip ("" for none) from a small catalogue.
  std::unique_ptr<TMainWindow> StartMainWindow(const char* chip) {
    Dir = std::make_unique<TTempDir>();
    Dir->Write("see.ini", kCatalogue);
    Dir->Write("tesmaro.ini", std::string("[Main]\nChip=") + chip + "\n");
    TStartOptions options;
    options.ExeFolder = Dir->Folder();
    options.SettingsFile = Dir->File("tesmaro.ini");
    auto f = std::make_unique<TMainWindow>(options, &Ui);
    f->show();
    f->activateWindow();
    if (!QTest::qWaitForWindowActive(f.get())) return nullptr;
    if (!QTest::qWaitFor([&] { return !f->FirstActivation; })) return nullptr;
    Grid(*f)->setFocus();
    return f;
  }

  std::unique_ptr<TTempDir> Dir;
  TScriptedUserInterface Ui;

 private slots:
  void init() {
    FillBytes(GridDocument(), 0, kMemoryBufferSize, 0);
    GridDocument().SetBaseline();
    Ui.Shown.clear();
  }

  void rowCountFollowsTheChipAtStart_data() {
    QTest::addColumn<QString>("chip");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastAddress");
    QTest::newRow("128 bytes") << "C128" << 9 << "00070";
    // The last 4 bytes of a 100-byte chip have a row of their own.
    QTest::newRow("100 bytes") << "C100" << 8 << "00060";
    QTest::newRow("no chip") << "" << 1 << "";
  }
  void rowCountFollowsTheChipAtStart() {
    QFETCH(QString, chip);
    QFETCH(int, rows);
    QFETCH(QString, lastAddress);
    auto f = StartMainWindow(chip.toLatin1().constData());
    QVERIFY(f);
    QCOMPARE(Grid(*f)->RowCount(), rows);
    QCOMPARE(Grid(*f)->model()->rowCount(), rows);
    if (rows > 1) QCOMPARE(Text(*Grid(*f), 0, rows - 1), lastAddress);
    QCOMPARE(Grid(*f)->ColWidth(0), 50);
    QCOMPARE(Grid(*f)->ColWidth(1), 25);
    QCOMPARE(Grid(*f)->ColWidth(17), 140);
    // The address panel stays empty until the first selection.
    QCOMPARE(StatusBar(*f)->PanelText(TStatusPanel::Address), QString());
    QVERIFY(Ui.Shown.empty());
  }

  void headerStaysFixedAfterAGridOfTheHeaderAlone() {
    TGridFixture g(1);
    QVERIFY(g.Ok);
    QCOMPARE(g.Grid.Row(), -1);
    Type(&g.Grid, "7");
    QVERIFY(!g.Grid.Editing());

    SetByte(GridDocument(), 0, 0x5A);
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
    QCOMPARE(GridDocument()[0], uint8_t(0x1F));
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
    // The first digit replaces the high half, the second the low half: the byte always holds
    // what the cell shows.
    QTest::newRow("1 then F") << "1F" << QList<int>{0x15, 0x1F};
    QTest::newRow("lower case") << "ab" << QList<int>{0xA5, 0xAB};
    // Keys other than hexadecimal digits are refused and change nothing.
    QTest::newRow("not hexadecimal") << "GZ" << QList<int>{0x55, 0x55};
    QTest::newRow("space") << " 1" << QList<int>{0x55, 0x15};
    QTest::newRow("minus") << "-1" << QList<int>{0x55, 0x15};
  }
  void typingEditsTheByteAsTyped() {
    QFETCH(QString, keys);
    QFETCH(QList<int>, bytes);
    TGridFixture g(9);
    QVERIFY(g.Ok);
    const int address = 0x25;  // column 6 of row 3
    SetByte(GridDocument(), address, 0x55);
    QVERIFY(g.Grid.SelectCell(6, 3));
    const QRect chars = g.Grid.CellRect(17, 3);
    int digits = 0;
    for (int i = 0; i < keys.size(); ++i) {
      TPaintSpy spy(g.Grid.viewport());
      Type(&g.Grid, keys.mid(i, 1));
      QCOMPARE(int(GridDocument()[address]), bytes[i]);
      // The row's characters are repainted during each accepted keystroke, not later.
      if (QString("0123456789abcdefABCDEF").contains(keys[i])) {
        ++digits;
        QVERIFY(std::any_of(spy.Rects.begin(), spy.Rects.end(), [&](const QRect& r) { return r.contains(chars); }));
      }
      QCOMPARE(Text(g.Grid, 17, 3).at(1 + 5), g.Grid.Model().Glyph(uint8_t(bytes[i])));
    }
    // One digit leaves the entry open; the second one moves on to the next byte.
    QCOMPARE(g.Grid.Editing(), digits == 1);
    QCOMPARE(g.Grid.Row(), 3);
    QCOMPARE(g.Grid.Col(), digits == 2 ? 7 : 6);
  }

  void leavingTheEntry_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("leaveKey");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QPoint>("cell");  // the current cell afterwards
    // One digit replaces only the high half: 5A, "7" and Enter gives 7A.
    QTest::newRow("half filled, Enter") << "7" << int(Qt::Key_Return) << 0x7A << QPoint(1, 2);
    QTest::newRow("full, Enter") << "C4" << int(Qt::Key_Return) << 0xC4 << QPoint(2, 2);
    QTest::newRow("Escape restores") << "3" << int(Qt::Key_Escape) << 0x5A << QPoint(1, 2);
    QTest::newRow("Backspace restores") << "3" << int(Qt::Key_Backspace) << 0x5A << QPoint(1, 2);
    QTest::newRow("Backspace goes back") << "" << int(Qt::Key_Backspace) << 0x5A << QPoint(16, 1);
    QTest::newRow("moving away keeps it") << "E" << int(Qt::Key_Down) << 0xEA << QPoint(1, 3);
  }
  void leavingTheEntry() {
    QFETCH(QString, keys);
    QFETCH(int, leaveKey);
    QFETCH(int, byte);
    QFETCH(QPoint, cell);
    TGridFixture g(9);
    QVERIFY(g.Ok);
    SetByte(GridDocument(), 0x10, 0x5A);
    QVERIFY(g.Grid.SelectCell(1, 2));
    Type(&g.Grid, keys);
    QCOMPARE(g.Grid.Editing(), keys.size() == 1);
    Press(&g.Grid, Qt::Key(leaveKey));
    QVERIFY(!g.Grid.Editing());
    QCOMPARE(int(GridDocument()[0x10]), byte);
    QCOMPARE(QPoint(g.Grid.Col(), g.Grid.Row()), cell);
    // Nothing is written back later: leaving again changes nothing.
    Press(&g.Grid, Qt::Key_Escape);
    Press(&g.Grid, Qt::Key_Return);
    QCOMPARE(int(GridDocument()[0x10]), byte);
  }

  // The text column: a click on a character makes its byte current, typed characters go into the
  // bytes as their codes and move on (a digit too); a click on a hex cell brings back the digits.
  void textColumnTakesClicksAndCharacters() {
    TGridFixture g(9);
    QVERIFY(g.Ok);
    const QRect chars = g.Grid.CellRect(17, 2);  // bytes 0x10 to 0x1F
    QPoint at;
    for (int x = chars.left(); x <= chars.right() && at.isNull(); ++x)
      if (g.Grid.CharAddressAt(QPoint(x, chars.center().y())) == 0x13) at = QPoint(x + 2, chars.center().y());
    QVERIFY(!at.isNull());
    QCOMPARE(g.Grid.CharAddressAt(QPoint(chars.left() + 1, chars.center().y())), -1);  // the leading blank
    QTest::mouseClick(g.Grid.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(g.Grid.Editor().Cursor(), 0x13);
    QVERIFY(g.Grid.TextSide());
    Type(&g.Grid, "Hi7");
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(GridDocument().Data()) + 0x13, 3), QByteArray("Hi7"));
    QCOMPARE(g.Grid.Editor().Cursor(), 0x16);
    QVERIFY(!g.Grid.Editing());
    QCOMPARE(Text(g.Grid, 17, 2).mid(1 + 3, 3), QString("Hi7"));
    QVERIFY(g.Grid.Editor().Undo());
    QCOMPARE(int(GridDocument()[0x15]), 0);

    Click(g.Grid, 1, 3);
    QVERIFY(!g.Grid.TextSide());
    Type(&g.Grid, "7");
    QVERIFY(g.Grid.Editing());
  }

  // In a wider grid the columns stand in the middle, and clicks still find their cells.
  void widerGridCentresItsColumns() {
    TGridFixture g(9);
    QVERIFY(g.Ok);
    g.Grid.resize(1200, 400);
    QTRY_COMPARE(g.Grid.width(), 1200);
    QCoreApplication::processEvents();
    const int left = g.Grid.CellRect(0, 1).left();
    const int right = g.Grid.viewport()->width() - g.Grid.CellRect(17, 1).right() - 1;
    QVERIFY2(left > 200 && std::abs(left - right) <= 2, qPrintable(QString("%1 %2").arg(left).arg(right)));
    Click(g.Grid, 5, 3);
    QCOMPARE(QPoint(g.Grid.Col(), g.Grid.Row()), QPoint(5, 3));
    // The painted cell is where CellRect says: the current cell's colour at its place.
    const QImage image = g.Grid.viewport()->grab().toImage();
    QCOMPARE(PixelAt(image, g.Grid.CellRect(5, 3)), g.Grid.Colours().Current);
  }

  // View > ASCII characters: bytes above 0x7F show as dots instead of the code page's letters,
  // and the choice is kept for the next start.
  void textColumnShowsAsciiOnRequest() {
    {
      auto f = StartMainWindow("C128");
      QVERIFY(f);
      const THexGridModel& model = Grid(*f)->Model();
      QCOMPARE(model.Glyph(0x41), QChar(u'A'));
      QVERIFY(model.Glyph(0xC9) != QChar(THexGridModel::kDot));
      QAction* ascii = Action(*f, "AsciiText1");
      QVERIFY(ascii->isCheckable() && !ascii->isChecked());
      ascii->trigger();
      QCOMPARE(model.Glyph(0xC9), QChar(THexGridModel::kDot));
      QCOMPARE(model.Glyph(0x41), QChar(u'A'));
      QVERIFY(f->close());
    }
    TStartOptions options;
    options.ExeFolder = Dir->Folder();
    options.SettingsFile = Dir->File("tesmaro.ini");
    TMainWindow again(options, &Ui);
    again.Activate();
    QVERIFY(Action(again, "AsciiText1")->isChecked());
    QCOMPARE(Grid(again)->Model().Glyph(0xC9), QChar(THexGridModel::kDot));
  }

  void typingFlowsFromByteToByte() {
    TGridFixture g(9);
    QVERIFY(g.Ok);
    QVERIFY(g.Grid.SelectCell(15, 1));
    Type(&g.Grid, "DEADBEEF");
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(GridDocument().Data()) + 14, 4), QByteArray("\xDE\xAD\xBE\xEF"));
    QCOMPARE(QPoint(g.Grid.Col(), g.Grid.Row()), QPoint(3, 2));
    Press(&g.Grid, Qt::Key_Backspace);
    QCOMPARE(QPoint(g.Grid.Col(), g.Grid.Row()), QPoint(2, 2));
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
    QSignalSpy status(&g.Grid, &THexGrid::StatusText);
    Press(&g.Grid, Qt::Key(key), ctrl ? Qt::ControlModifier : Qt::NoModifier);
    QCOMPARE(QPoint(g.Grid.Col(), g.Grid.Row()), end);
    // The current cell is in view and the address follows it.
    QVERIFY(!g.Grid.CellRect(end.x(), end.y()).isEmpty());
    QVERIFY(g.Grid.CellRect(end.x(), end.y()).bottom() < g.Grid.viewport()->height());
    if (end != start) {
      QCOMPARE(status.size(), 1);
      QCOMPARE(status.last().at(0).toString(), QString::asprintf("Addr: 0x%05X", (end.y() - 1) * 16 + end.x() - 1));
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
    THexGrid& grid = *Grid(*f);
    Click(grid, 16, 2);
    QCOMPARE(StatusBar(*f)->PanelText(TStatusPanel::Address), QString("Addr: 0x1F"));
    QCOMPARE(grid.Col(), 16);
    QCOMPARE(grid.Row(), 2);
    // A click on a character selects its byte.
    const int32_t clicked = grid.CharAddressAt(grid.CellRect(17, 5).center());
    QVERIFY(clicked >= 0x40 && clicked < 0x50);
    Click(grid, 17, 5);
    QCOMPARE(grid.Editor().Cursor(), clicked);
    QCOMPARE(StatusBar(*f)->PanelText(TStatusPanel::Address),
             QString("Addr: 0x") + QString::number(clicked, 16).toUpper());
    Click(grid, 16, 2);
    // Fixed cells do nothing.
    Click(grid, 0, 4);
    Click(grid, 5, 0);
    QCOMPARE(grid.Row(), 2);
    QCOMPARE(StatusBar(*f)->PanelText(TStatusPanel::Address), QString("Addr: 0x1F"));
  }

  void addressesAboveSixtyFourKibibytesGetMoreDigits() {
    TGridFixture g(65537);
    QVERIFY(g.Ok);
    QSignalSpy status(&g.Grid, &THexGrid::StatusText);
    QVERIFY(g.Grid.SelectCell(16, 65536));
    QCOMPARE(status.last().at(0).toString(), QString("Addr: 0xFFFFF"));
    QCOMPARE(Text(g.Grid, 0, 65536), QString("FFFF0"));
  }

  void checksumFollowsEveryTypedDigit() {
    auto f = StartMainWindow("C128");
    QVERIFY(f);
    QCOMPARE(StatusBar(*f)->PanelText(TStatusPanel::Checksum), QString("Chk: 7F80"));
    QVERIFY(Grid(*f)->SelectCell(1, 1));
    Type(Grid(*f), "0");  // FF becomes 0F
    QCOMPARE(StatusBar(*f)->PanelText(TStatusPanel::Checksum), QString("Chk: 7E90"));
    Type(Grid(*f), "1");
    QCOMPARE(f->Document()[0], uint8_t(1));
    QCOMPARE(StatusBar(*f)->PanelText(TStatusPanel::Checksum), QString("Chk: 7E82"));
    QVERIFY(f->BufferModified());
  }

  void characterColumnShowsTheCodePage_data() {
    QTest::addColumn<QString>("codePage");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("shown");
    const QString dot(QChar(THexGridModel::kDot));
    QTest::newRow("letter") << "CP1252" << 0x41 << "A";
    QTest::newRow("space") << "CP1252" << 0x20 << " ";
    QTest::newRow("NUL") << "CP1252" << 0x00 << dot;
    QTest::newRow("LF") << "CP1252" << 0x0A << dot;
    QTest::newRow("CR") << "CP1252" << 0x0D << dot;
    QTest::newRow("TAB") << "CP1252" << 0x09 << dot;
    QTest::newRow("FF") << "CP1252" << 0x0C << dot;
    QTest::newRow("DEL") << "CP1252" << 0x7F << dot;
    QTest::newRow("undefined in 1252") << "CP1252" << 0x81 << dot;
    QTest::newRow("euro") << "CP1252" << 0x80 << QString::fromUtf8("€");
    QTest::newRow("soft hyphen") << "CP1252" << 0xAD << dot;
    QTest::newRow("no-break space") << "CP1252" << 0xA0 << dot;
    QTest::newRow("1252 letter") << "CP1252" << 0xC0 << QString::fromUtf8("À");
    QTest::newRow("1251 letter") << "CP1251" << 0xC0 << QString::fromUtf8("А");
    QTest::newRow("1251 ya") << "CP1251" << 0xFF << QString::fromUtf8("я");
    QTest::newRow("1251 undefined") << "CP1251" << 0x98 << dot;
  }
  void characterColumnShowsTheCodePage() {
    QFETCH(QString, codePage);
    QFETCH(int, byte);
    QFETCH(QString, shown);
    TGridFixture g(3);
    QVERIFY(g.Ok);
    const QByteArray name = codePage.toLatin1();
    g.Grid.SetCodePage(name.constData());
    FillBytes(GridDocument(), 0, 16, 0x41);
    SetByte(GridDocument(), 5, uint8_t(byte));
    const QString text = Text(g.Grid, 17, 1);
    QCOMPARE(text.size(), 17);
    QCOMPARE(text.mid(6, 1), shown);
  }

  // Every character keeps its own slot inside the cell, whatever bytes stand before it.
  void characterColumnKeepsEachCharacterInItsSlot() {
    TGridFixture g(4);
    QVERIFY(g.Ok);
    g.Grid.SetCodePage("CP1251");
    // Row 1: wide letters; row 2: the same with controls, a soft hyphen and no-glyph bytes among them.
    FillBytes(GridDocument(), 0, 32, 0xD8);  // Ш
    for (int i : {16 + 1, 16 + 3, 16 + 4, 16 + 6}) SetByte(GridDocument(), i, 0x0A);
    SetByte(GridDocument(), 16 + 2, 0xAD);
    SetByte(GridDocument(), 16 + 5, 0x09);
    g.Grid.Editor().MoveTo(40, false);  // the current byte elsewhere
    g.Grid.RepaintNow();
    const QImage image = g.Grid.viewport()->grab().toImage();
    const QRect r1 = g.Grid.CellRect(17, 1), r2 = g.Grid.CellRect(17, 2);
    // Slots 8 to 16 of both rows are drawn alike.
    const int from = r1.left() + r1.width() / 2;
    for (int y = 0; y < r1.height(); ++y)
      for (int x = from; x <= r1.right(); ++x)
        QCOMPARE(image.pixelColor(x, r1.top() + y), image.pixelColor(x, r2.top() + y));
    // Nothing is drawn past the cell.
    for (int y = r1.top(); y <= r2.bottom(); ++y)
      for (int x = r1.right() + 2; x < image.width() - 20; ++x) QCOMPARE(image.pixelColor(x, y), QColor(Qt::white));
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
    // The selection in light blue, the current byte filled dark blue, bytes past the chip empty.
    g.Grid.SetChipSize(0x7A);
    g.Grid.Editor().MoveTo(0x32, false);
    g.Grid.Editor().MoveTo(0x34, true);
    g.Grid.RepaintNow();
    const QImage selected = g.Grid.viewport()->grab().toImage();
    QCOMPARE(PixelAt(selected, g.Grid.CellRect(3, 4)), QColor(173, 214, 255));
    QCOMPARE(PixelAt(selected, g.Grid.CellRect(5, 4)), QColor(0, 84, 166));
    QCOMPARE(PixelAt(selected, g.Grid.CellRect(6, 4)), QColor(224, 255, 224));
    QCOMPARE(PixelAt(selected, g.Grid.CellRect(10, 8)), QColor(224, 255, 224));
    QCOMPARE(PixelAt(selected, g.Grid.CellRect(11, 8)), QColor(255, 255, 255));
    // The text is black: the digits of a header cell hold dark pixels.
    const QRect header = g.Grid.CellRect(3, 0);
    bool dark = false;
    for (int y = header.top(); y <= header.bottom(); ++y)
      for (int x = header.left(); x <= header.right(); ++x) dark |= image.pixelColor(x, y).lightness() < 60;
    QVERIFY(dark);
  }

  // On a dark desktop palette the grid follows it: its text, changed bytes, selection and marks
  // keep a readable contrast on every cell colour, and no light fill is left.
  void darkPaletteKeepsEveryCellReadable_data() {
    QTest::addColumn<QPalette>("dark");
    QPalette desktop;  // a desktop's dark theme: dark blue-grey, a teal highlight
    desktop.setColor(QPalette::Window, QColor(49, 54, 59));
    desktop.setColor(QPalette::Base, QColor(35, 38, 41));
    desktop.setColor(QPalette::Text, QColor(239, 240, 241));
    desktop.setColor(QPalette::Highlight, QColor(61, 174, 233));
    desktop.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    QTest::newRow("a desktop's") << desktop;
    QTest::newRow("--dark") << DarkPalette();
  }
  void darkPaletteKeepsEveryCellReadable() {
    QFETCH(QPalette, dark);
    TGridFixture g(9);
    QVERIFY(g.Ok);
    struct TRestore {
      QPalette Before = QApplication::palette();
      ~TRestore() { QApplication::setPalette(Before); }
    } restore;
    QApplication::setPalette(dark);  // as a desktop theme switch arrives
    QTRY_VERIFY(TGridColours::Dark(g.Grid.palette()));
    const TGridColours& c = g.Grid.Colours();
    auto luminance = [](const QColor& colour) {
      auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
      return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    auto contrast = [&](const QColor& a, const QColor& b) {
      const double la = luminance(a), lb = luminance(b);
      return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    };
    const struct {
      const char* What;
      QColor Text, Fill;
      double Least;
    } pairs[] = {
        {"digits on odd columns", c.Text, c.OddByte, 7},
        {"digits on even columns", c.Text, c.EvenByte, 7},
        {"characters", c.Text, c.Char, 7},
        {"header and addresses", c.Text, c.Fixed, 4.5},
        {"selected bytes", c.Text, c.Selection, 4.5},
        {"compared differences", c.Text, c.Mark, 4.5},
        {"current byte", c.CurrentText, c.Current, 4.5},
        {"changed on odd columns", c.Changed, c.OddByte, 4.5},
        {"changed on even columns", c.Changed, c.EvenByte, 4.5},
        {"changed and selected", c.Changed, c.Selection, 3},
        {"typed digit", c.EditorText, c.EditorBack, 4.5},
        {"empty grid's hint", c.Hint, c.Back, 4.5},
    };
    for (const auto& p : pairs)
      QVERIFY2(contrast(p.Text, p.Fill) >= p.Least,
               qPrintable(QString("%1: %2").arg(p.What).arg(contrast(p.Text, p.Fill))));
    for (const QColor& fill : {c.OddByte, c.EvenByte, c.Char, c.Fixed, c.Back}) QVERIFY(fill.lightness() < 100);

    // Painted so: a byte cell in its dark fill, its digits light.
    g.Grid.RepaintNow();
    const QImage image = g.Grid.viewport()->grab().toImage();
    QCOMPARE(PixelAt(image, g.Grid.CellRect(1, 4)), c.OddByte);
    QCOMPARE(PixelAt(image, g.Grid.CellRect(17, 4)), c.Char);
    QApplication::setPalette(restore.Before);
    QTRY_VERIFY(!TGridColours::Dark(g.Grid.palette()));
    QCOMPARE(g.Grid.Colours().OddByte, QColor(255, 255, 224));
  }

  void rowCountIsKeptWithinTheBuffer() {
    THexGrid grid(nullptr, GridDocument());
    grid.SetRowCount(0x200000 / 16 + 1);
    QCOMPARE(grid.RowCount(), 65537);
    grid.SetRowCount(-5);
    QCOMPARE(grid.RowCount(), 1);
    // A row that the grid does not have can't become current.
    grid.SetRowCount(9);
    QVERIFY(!grid.SelectCell(1, 9));
    QCOMPARE(grid.Row(), 1);
  }
};

QTEST_MAIN(TestHexGrid)
#include "test_hex_grid.moc"
