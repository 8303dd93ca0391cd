// The programmer picture: the board with the chip in its socket half, the supply jumper
// cap in the chip's position and the chip's name, painted off-screen and copied to the window.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <array>
#include <memory>

struct TChip;
class QPainter;

// The program's home page, opened by a click on the picture.
inline constexpr char kHomePage[] = "https://tesmaro.example.org/";

// The picture's size in pixels.
inline constexpr int kPictureWidth = 650;
inline constexpr int kPictureHeight = 131;

// Where the chip goes: the socket half of its access scheme (the left one for two- and three-byte
// addresses, the right one for Microwire and unknown types).
QPoint ChipPosition(const TChip& chip);
// Where the jumper cap goes: the 5 V position for Jumper 5, otherwise the 3.3 V one.
QPoint JumperPosition(const TChip& chip);

// The picture's bitmaps: the board (650 x 131, opaque), the chip (45 x 34) and the jumper cap
// (17 x 9), both with transparent surroundings, rendered from the artwork at a device pixel ratio.
class TBitmapList {
 public:
  enum TIndex { Board = 0, Chip = 1, JumperCap = 2 };
  explicit TBitmapList(qreal devicePixelRatio = 1);
  const QImage& Bitmap(int index) const { return Images_.at(index); }
  qreal DevicePixelRatio() const { return Ratio_; }

 private:
  qreal Ratio_;
  std::array<QImage, 3> Images_;
};

// Paints the picture for chip in picture coordinates: the board, the chip, the jumper cap and
// the chip's name in black, bold, 16 points, from (200, 100).
void PaintProgrammerPicture(QPainter& painter, const TChip& chip, const TBitmapList& bitmaps);

// The picture for chip as a 32-bit ARGB image at the bitmaps' device pixel ratio.
QImage RenderProgrammerPicture(const TChip& chip, const TBitmapList& bitmaps);

class TProgrammerPicture : public QWidget {
  Q_OBJECT
 public:
  // chip is read at every paint; it must outlive the paint box.
  TProgrammerPicture(QWidget* parent, const TChip& chip);
  // Repaints at once from the chip record.
  void RepaintNow();
  // The picture as last painted, at the screen's device pixel ratio.
  const QImage& Buffer() const { return Buffer_; }

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  const TChip& Chip_;
  std::unique_ptr<TBitmapList> Bitmaps_;
  QImage Buffer_;
};
