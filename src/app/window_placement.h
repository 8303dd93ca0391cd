// Where a window goes on a screen: whole inside the screen's available area, frame included, at
// any scale and whatever size and place were asked for.
#pragma once

#include <QMargins>
#include <QRect>

// What the desktop adds around a window (title bar, borders) before the window has been shown
// and its frame is known.
inline const QMargins kFrameEstimate(8, 32, 8, 8);

// The window's geometry (without its frame) nearest to wanted whose frame lies inside room: as
// large as room allows, then moved in. Where room is smaller than minimum, the window keeps its
// minimum and shows its top left corner, so its title bar and menu stay on the screen.
QRect FitInside(const QRect& wanted, const QRect& room, const QMargins& frame, const QSize& minimum = QSize());

// The size and place of a first start: the start size, no larger than room allows, centred in it.
QRect StartPlace(const QSize& start, const QRect& room, const QMargins& frame, const QSize& minimum = QSize());
