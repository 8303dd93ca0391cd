#include "app/picture.h"

#include <QMouseEvent>
#include <QPainter>

#include "catalogue/chip.h"

TPaintBox32::TPaintBox32(QWidget* parent, const TChip& chip) : QWidget(parent), Chip_(chip) {
  setObjectName("pb1");
  setFixedSize(650, 131);
  setCursor(Qt::PointingHandCursor);
}

void TPaintBox32::RepaintNow() { repaint(); }

void TPaintBox32::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0x2E, 0x5E, 0x3A));
  p.setPen(Qt::black);
  p.drawText(200, 120, QString::fromStdString(Chip_.Name));
}

void TPaintBox32::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit Clicked();
}
