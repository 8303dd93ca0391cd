// The programmer picture: chip, jumper cap and name placed for the chip, the artwork lining up
// with them, the repaint on a chip change, the click on the picture, and the toolbar pictures.
#include <QDesktopServices>
#include <QSet>
#include <QToolButton>
#include <QtTest>
#include <filesystem>

#include "app/artwork.h"
#include "app/main_window.h"
#include "app/picture.h"
#include "catalogue/chip.h"
#include "common/scripted_user_interface.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"

Q_DECLARE_METATYPE(TChip)

namespace {

// Points that only one chip position covers, and the same points inside the chip picture.
const QPoint kLeftOnly(100, 97), kRightOnly(150, 97);
const QPoint kChipProbeLeft = kLeftOnly - QPoint(87, 80), kChipProbeRight = kRightOnly - QPoint(116, 80);
// Points that only one jumper position covers, and the same points inside the cap picture.
const QPoint kFiveOnly(166, 36), kThreeOnly(186, 36);
const QPoint kCapProbeFive = kFiveOnly - QPoint(163, 32), kCapProbeThree = kThreeOnly - QPoint(172, 32);

QRgb At(const QImage& image, QPoint p) {
  const qreal r = image.devicePixelRatio();
  return image.pixel(qRound(p.x() * r), qRound(p.y() * r));
}

// The opaque black pixels of the name's area, in picture coordinates.
QRect BlackInk(const QImage& picture) {
  const qreal r = picture.devicePixelRatio();
  QRect ink;
  const QRect area(qRound(190 * r), qRound(92 * r), qRound(250 * r), qRound(39 * r));
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (picture.pixel(x, y) == 0xFF000000u) ink |= QRect(qFloor(x / r), qFloor(y / r), 1, 1);
  return ink;
}

int Luminance(QRgb c) { return qGray(c); }

TChip Chip(int32_t type, const char* name, int32_t jumper) {
  TChip c;
  c.ChipType = type;
  c.Name = name;
  c.Jumper = jumper;
  c.Size = 128;
  return c;
}

// Records the addresses the desktop is asked to open.
class TUrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> Urls;
 public slots:
  void Open(const QUrl& url) { Urls << url; }
};

struct TWindowFixture {
  TTempDir Dir;
  TScriptedUserInterface Ui;
  std::unique_ptr<TMainWindow> F;
  TWindowFixture() {
    std::filesystem::copy_file(std::string(TESMARO_SOURCE_DIR) + "/data/see.ini", Dir.File("see.ini"));
    TStartOptions options;
    options.ExeFolder = Dir.Folder();
    options.SettingsFile = Dir.File("tesmaro.ini");
    F = std::make_unique<TMainWindow>(options, &Ui);
  }
};

}  // namespace

class TestPicture : public QObject {
  Q_OBJECT
 private slots:
  void chipJumperAndNameFollowTheChip_data() {
    QTest::addColumn<TChip>("chip");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("chipLeft");
    QTest::addColumn<bool>("jumperFive");
    QTest::newRow("no chip") << TChip{} << 1.0 << false << false;
    QTest::newRow("type 3, jumper 5") << Chip(3, "93C46-16", 5) << 1.0 << false << true;
    QTest::newRow("type 1, jumper 3") << Chip(1, "24LC64", 3) << 1.0 << true << false;
    QTest::newRow("type 2, jumper 5, dense screen") << Chip(2, "24C1024", 5) << 2.0 << true << true;
    QTest::newRow("unknown type and jumper") << Chip(-1, "X", 0) << 1.0 << false << false;
  }
  void chipJumperAndNameFollowTheChip() {
    QFETCH(TChip, chip);
    QFETCH(qreal, ratio);
    QFETCH(bool, chipLeft);
    QFETCH(bool, jumperFive);
    const TBitmapList bl1(ratio);
    const QImage& board = bl1.Bitmap(TBitmapList::Board);
    const QImage& chipPicture = bl1.Bitmap(TBitmapList::Chip);
    const QImage& cap = bl1.Bitmap(TBitmapList::JumperCap);
    // The probes must tell the parts from the board under them.
    QVERIFY(At(chipPicture, kChipProbeLeft) != At(board, kLeftOnly));
    QVERIFY(At(chipPicture, kChipProbeRight) != At(board, kRightOnly));
    QVERIFY(At(cap, kCapProbeFive) != At(board, kFiveOnly));
    QVERIFY(At(cap, kCapProbeThree) != At(board, kThreeOnly));

    const QImage picture = RenderProgrammerPicture(chip, bl1);
    QCOMPARE(picture.size(), QSize(650, 131) * ratio);
    QCOMPARE(At(picture, QPoint(5, 5)), At(board, QPoint(5, 5)));
    if (chipLeft) {
      QCOMPARE(At(picture, kLeftOnly), At(chipPicture, kChipProbeLeft));
      QCOMPARE(At(picture, kRightOnly), At(board, kRightOnly));
    } else {
      QCOMPARE(At(picture, kRightOnly), At(chipPicture, kChipProbeRight));
      QCOMPARE(At(picture, kLeftOnly), At(board, kLeftOnly));
    }
    if (jumperFive) {
      QCOMPARE(At(picture, kFiveOnly), At(cap, kCapProbeFive));
      QCOMPARE(At(picture, kThreeOnly), At(board, kThreeOnly));
    } else {
      QCOMPARE(At(picture, kThreeOnly), At(cap, kCapProbeThree));
      QCOMPARE(At(picture, kFiveOnly), At(board, kFiveOnly));
    }

    const QRect ink = BlackInk(picture);
    if (chip.Name.empty()) {
      QVERIFY(ink.isNull());
    } else {
      // Bold 16-point text from (200, 100): starts at the corner and is about 12 to 25 pixels high.
      QVERIFY2(ink.left() >= 200 && ink.left() <= 204, qPrintable(QString::number(ink.left())));
      QVERIFY2(ink.top() >= 100 && ink.top() <= 108, qPrintable(QString::number(ink.top())));
      QVERIFY2(ink.height() >= 12 && ink.height() <= 25, qPrintable(QString::number(ink.height())));
    }
  }

  // The chip's pins stand on socket contacts in both halves, and the cap covers header pins in
  // both jumper positions.
  void artworkLinesUpWithThePositions() {
    const TBitmapList bl1;
    const QImage& board = bl1.Bitmap(TBitmapList::Board);
    const QImage& chipPicture = bl1.Bitmap(TBitmapList::Chip);
    for (const int32_t type : {1, 3}) {
      const QPoint origin = ChipPosition(Chip(type, "", 0));
      for (int k = 0; k < 4; ++k) {
        for (const int y : {2, 31}) {
          const QPoint pin(8 + k * 29 / 3, y);
          QVERIFY2(Luminance(At(chipPicture, pin)) > 150, "chip pin");
          QVERIFY2(Luminance(At(board, origin + pin)) < 50, "socket contact");
        }
      }
    }
    for (const int32_t jumper : {5, 3}) {
      const QPoint origin = JumperPosition(Chip(0, "", jumper));
      for (const int x : {4, 13}) {
        const QRgb pin = At(board, origin + QPoint(x, 4));
        QVERIFY2(qRed(pin) > 180 && qBlue(pin) < 140, "header pin");
      }
    }
  }

  void repaintNowPaintsAtOnce() {
    TChip chip;
    TProgrammerPicture box(nullptr, chip);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    chip = Chip(1, "24C64", 5);
    box.RepaintNow();
    const TBitmapList bl1(box.Buffer().devicePixelRatio());
    QCOMPARE(box.Buffer(), RenderProgrammerPicture(chip, bl1));
  }

  void chipSelectionRepaintsTheWindowsPicture() {
    TWindowFixture w;
    w.F->show();
    QTRY_VERIFY(!w.F->FirstActivation);
    QVERIFY(QTest::qWaitForWindowExposed(w.F.get()));
    QVERIFY(LoadChip(w.F->CatalogueFile(), "24LC64", w.F->CurrentChip));
    w.F->UpdateView();
    const TBitmapList bl1(Picture(*w.F)->Buffer().devicePixelRatio());
    QCOMPARE(Picture(*w.F)->Buffer(), RenderProgrammerPicture(w.F->CurrentChip, bl1));
  }

  void clickOpensTheHomePage() {
    TWindowFixture w;
    w.F->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.F.get()));
    TUrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "Open");
    QTest::mouseClick(Picture(*w.F), Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseClick(Picture(*w.F), Qt::LeftButton, {}, QPoint(20, 20));
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(catcher.Urls, QList<QUrl>{QUrl(kHomePage)});
    QVERIFY(w.Ui.Shown.empty());
  }

  // Every button shows its own picture, drawn afresh for a dense screen rather than enlarged.
  void toolbarButtonsCarryTheirPictures() {
    TWindowFixture w;
    const QList<QToolButton*> buttons = {Button(*w.F, "sSpeedButton1"), Button(*w.F, "sSpeedButton2"),
                                         Button(*w.F, "sSpeedButton3"), Button(*w.F, "sSpeedButton4"),
                                         Button(*w.F, "sSpeedButton5"), Button(*w.F, "sSpeedButton6"),
                                         Button(*w.F, "sSpeedButton7"), Button(*w.F, "sSpeedButton8")};
    QSet<QByteArray> distinct;
    for (QToolButton* b : buttons) {
      const int index = b->property("pictureIndex").toInt();
      const QImage dense = b->icon().pixmap(QSize(32, 32), 2.0).toImage();
      QCOMPARE(dense.size(), QSize(64, 64));
      QCOMPARE(dense, ToolbarPicture(index).pixmap(QSize(32, 32), 2.0).toImage());
      int opaque = 0;
      for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) opaque += qAlpha(dense.pixel(x, y)) == 255;
      QVERIFY2(opaque > 400, b->objectName().toLatin1());
      distinct.insert(QByteArray(reinterpret_cast<const char*>(dense.constBits()), dense.sizeInBytes()));
    }
    QCOMPARE(distinct.size(), 8);
    QVERIFY(ToolbarPicture(8).isNull());
    QVERIFY(!w.F->windowIcon().isNull());
  }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
