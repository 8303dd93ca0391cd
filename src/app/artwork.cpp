#include "app/artwork.h"

#include <QApplication>
#include <QToolButton>
#include <QVariant>

// Resource initialisers live at global scope: the artwork is compiled into a static library.
static void InitArtworkResources() { Q_INIT_RESOURCE(tesmaro); }

void InitArtwork() {
  static const bool done = (InitArtworkResources(), true);
  (void)done;
}

QIcon ToolbarPicture(int index) {
  static const char* const kNames[kToolbarPictureCount] = {"open",   "save",       "read",  "write",
                                                           "verify", "chipselect", "chips", "clear"};
  if (index < 0 || index >= kToolbarPictureCount) return {};
  InitArtwork();
  return QIcon(QStringLiteral(":/tesmaro/toolbar/%1.svg").arg(QLatin1String(kNames[index])));
}

QIcon StopPicture() {
  InitArtwork();
  return QIcon(QStringLiteral(":/tesmaro/toolbar/stop.svg"));
}

QIcon ApplicationIcon() {
  InitArtwork();
  return QIcon(QStringLiteral(":/tesmaro/tesmaro.svg"));
}

void SetToolbarPictures(QWidget& window) {
  for (QToolButton* button : window.findChildren<QToolButton*>()) {
    const QVariant index = button->property("pictureIndex");
    if (index.isValid()) button->setIcon(ToolbarPicture(index.toInt()));
  }
  const QIcon icon = ApplicationIcon();
  window.setWindowIcon(icon);
  if (qApp) QApplication::setWindowIcon(icon);
}
