// The program's artwork: the compiled-in resources, the eight toolbar pictures and the application icon.
#pragma once

#include <QIcon>

class QWidget;

// Makes the compiled-in artwork (":/tesmaro/...") available; safe to call more than once.
void InitArtwork();

inline constexpr int kToolbarPictureCount = 8;

// Toolbar picture by index: 0 open, 1 save, 2 read chip, 3 write chip, 4 verify, 5 chip select,
// 6 supported chips, 7 clear. Scalable, so it stays sharp on dense screens; null out of range.
QIcon ToolbarPicture(int index);

// The picture of the Stop button, which stands in the toolbar while an operation runs.
QIcon StopPicture();

// The application icon.
QIcon ApplicationIcon();

// Gives every tool button under window the picture named by its "pictureIndex" property, and
// the window and the application their icon.
void SetToolbarPictures(QWidget& window);
