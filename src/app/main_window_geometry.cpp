// The window as the user left it: its size and place, maximised or not, and whether the programmer
// picture shows; kept in the settings file's section "Window".
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "app/main_window.h"
#include "app/window_placement.h"
#include "common/error.h"
#include "common/ini_file.h"

namespace {

const char* const kWindowSection = "Window";

// A remembered place is taken only when this much of the window lies on a screen, so that it can
// be seen and moved; otherwise the window starts centred.
constexpr int kVisiblePart = 64;

QScreen* ScreenShowing(const QRect& r) {
  for (QScreen* s : QGuiApplication::screens()) {
    const QRect seen = s->availableGeometry() & r;
    if (seen.width() >= kVisiblePart && seen.height() >= kVisiblePart) return s;
  }
  return nullptr;
}

}  // namespace

void TMainWindow::LoadWindowSettings() {
  const TIniFile settings(Options_.SettingsFile);
  const bool picture = settings.ReadInteger(kWindowSection, "Picture", 1) != 0;
  Action(TCommandId::ShowPicture)->setChecked(picture);
  PicturePanel_->setVisible(picture);
  // The text column's characters: the language's code page unless ASCII was chosen.
  Action(TCommandId::AsciiText)->setChecked(settings.ReadInteger(kWindowSection, "AsciiText", 0) != 0);

  const int width = settings.ReadInteger(kWindowSection, "Width", 0);
  const int height = settings.ReadInteger(kWindowSection, "Height", 0);
  if (width > 0 && height > 0) {
    const QRect place(settings.ReadInteger(kWindowSection, "Left", 0), settings.ReadInteger(kWindowSection, "Top", 0),
                      width, height);
    // Inside the screen it was on, which may now be smaller or at another scale; centred on the
    // primary screen when it is on none.
    if (QScreen* screen = ScreenShowing(place))
      setGeometry(FitInside(place, screen->availableGeometry(), kFrameEstimate, minimumSize()));
    else if (QScreen* primary = QGuiApplication::primaryScreen())
      setGeometry(StartPlace(place.size(), primary->availableGeometry(), kFrameEstimate, minimumSize()));
  }
  if (settings.ReadInteger(kWindowSection, "Maximized", 0) != 0) setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainWindow::FitOnScreen() {
  if (isMaximized() || isFullScreen() || isMinimized()) return;
  const QScreen* screen = windowHandle() ? windowHandle()->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  // The frame the desktop gave the window, once it has one; the estimate before.
  const QRect inner = geometry();
  const QRect outer = frameGeometry();
  const QMargins frame = isVisible() && outer != inner
                             ? QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                        outer.right() - inner.right(), outer.bottom() - inner.bottom())
                             : (isVisible() ? QMargins() : kFrameEstimate);
  const QRect fitted = FitInside(inner, screen->availableGeometry(), frame, minimumSize());
  if (fitted != inner) setGeometry(fitted);
}

void TMainWindow::FollowScreen(QScreen* screen) {
  disconnect(ScreenAreaChanged_);
  if (screen) ScreenAreaChanged_ = connect(screen, &QScreen::availableGeometryChanged, this, &TMainWindow::FitOnScreen);
  FitOnScreen();
}

void TMainWindow::SaveWindowSettings(TIniFile& settings) const {
  // The size and place the window comes back to from maximised.
  const QRect place = isMaximized() ? normalGeometry() : geometry();
  settings.WriteInteger(kWindowSection, "Left", place.left());
  settings.WriteInteger(kWindowSection, "Top", place.top());
  settings.WriteInteger(kWindowSection, "Width", place.width());
  settings.WriteInteger(kWindowSection, "Height", place.height());
  settings.WriteInteger(kWindowSection, "Maximized", isMaximized() ? 1 : 0);
  settings.WriteInteger(kWindowSection, "Picture", Action(TCommandId::ShowPicture)->isChecked() ? 1 : 0);
  settings.WriteInteger(kWindowSection, "AsciiText", Action(TCommandId::AsciiText)->isChecked() ? 1 : 0);
}

void TMainWindow::ShowProgrammerPicture() {
  const bool shown = Action(TCommandId::ShowPicture)->isChecked();
  PicturePanel_->setVisible(shown);
  // Kept at once; a settings file that can't be written is reported when the window closes.
  try {
    TIniFile(Options_.SettingsFile).WriteInteger(kWindowSection, "Picture", shown ? 1 : 0);
  } catch (const TError&) {
  }
}
