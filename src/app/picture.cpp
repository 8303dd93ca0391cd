#include "app/picture.h"

#include <QFont>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

#include "app/artwork.h"
#include "catalogue/access_scheme.h"
#include "catalogue/chip.h"

namespace {

const char* const kArtwork[3] = {":/tesmaro/board.svg", ":/tesmaro/chip.svg", ":/tesmaro/jumper.svg"};
const QSize kSizes[3] = {{kPictureWidth, kPictureHeight}, {45, 34}, {17, 9}};

QImage RenderSvg(const char* resource, QSize size, qreal ratio) {
  QImage image(
      QSize(static_cast<int>(std::lround(size.width() * ratio)), static_cast<int>(std::lround(size.height() * ratio))),
      QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QSvgRenderer svg{QString::fromLatin1(resource)};
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  svg.render(&p, QRectF(QPointF(0, 0), QSizeF(image.size())));
  p.end();
  image.setDevicePixelRatio(ratio);
  return image;
}

}  // namespace

QPoint ChipPosition(const TChip& chip) {
  return AccessSchemeOf(chip).Place == TSocketPlace::Left ? QPoint(87, 80) : QPoint(116, 80);
}

QPoint JumperPosition(const TChip& chip) { return chip.Jumper == 5 ? QPoint(163, 32) : QPoint(172, 32); }

TBitmapList::TBitmapList(qreal devicePixelRatio) : Ratio_(devicePixelRatio) {
  InitArtwork();
  for (int i = 0; i < 3; ++i) Images_[i] = RenderSvg(kArtwork[i], kSizes[i], Ratio_);
}

void PaintProgrammerPicture(QPainter& painter, const TChip& chip, const TBitmapList& bitmaps) {
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(QPoint(0, 0), bitmaps.Bitmap(TBitmapList::Board));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(ChipPosition(chip), bitmaps.Bitmap(TBitmapList::Chip));
  painter.drawImage(JumperPosition(chip), bitmaps.Bitmap(TBitmapList::JumperCap));

  if (!chip.Name.empty()) {
    // Arial where it is installed, otherwise the system's sans-serif face.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif, QFont::PreferAntialias);
    font.setPointSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(0xFF000000));
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFontMetricsF metrics(font, painter.device());
    painter.drawText(QPointF(200, 100 + metrics.ascent()), QString::fromStdString(chip.Name));
  }
  painter.restore();
}

QImage RenderProgrammerPicture(const TChip& chip, const TBitmapList& bitmaps) {
  const qreal ratio = bitmaps.DevicePixelRatio();
  QImage image(QSize(static_cast<int>(std::lround(kPictureWidth * ratio)),
                     static_cast<int>(std::lround(kPictureHeight * ratio))),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  QPainter p(&image);
  PaintProgrammerPicture(p, chip, bitmaps);
  return image;
}

TProgrammerPicture::TProgrammerPicture(QWidget* parent, const TChip& chip) : QWidget(parent), Chip_(chip) {
  setObjectName("pb1");
  setFixedSize(kPictureWidth, kPictureHeight);
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TProgrammerPicture::RepaintNow() { repaint(); }

void TProgrammerPicture::paintEvent(QPaintEvent*) {
  // The bitmaps follow the screen's pixel density so the picture stays sharp on dense screens.
  const qreal ratio = devicePixelRatioF();
  if (!Bitmaps_ || Bitmaps_->DevicePixelRatio() != ratio) Bitmaps_ = std::make_unique<TBitmapList>(ratio);
  Buffer_ = RenderProgrammerPicture(Chip_, *Bitmaps_);
  QPainter p(this);
  p.drawImage(QPoint(0, 0), Buffer_);
}

void TProgrammerPicture::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit Clicked();
}
