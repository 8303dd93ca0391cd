#include "app/window_placement.h"

#include <algorithm>

QRect FitInside(const QRect& wanted, const QRect& room, const QMargins& frame, const QSize& minimum) {
  const QRect inner = room.marginsRemoved(frame);
  const QSize size = wanted.size().boundedTo(inner.size()).expandedTo(minimum);
  // Right and bottom edges in first, then left and top, which win where the window is too large.
  int left = std::min(wanted.left(), inner.right() + 1 - size.width());
  int top = std::min(wanted.top(), inner.bottom() + 1 - size.height());
  left = std::max(left, inner.left());
  top = std::max(top, inner.top());
  return QRect(QPoint(left, top), size);
}

QRect StartPlace(const QSize& start, const QRect& room, const QMargins& frame, const QSize& minimum) {
  const QRect inner = room.marginsRemoved(frame);
  const QSize size = start.boundedTo(inner.size()).expandedTo(minimum);
  QRect place(QPoint(0, 0), size);
  place.moveCenter(inner.center());
  return FitInside(place, room, frame, minimum);
}
