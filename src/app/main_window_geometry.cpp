// The window as the user left it: its size and place, maximised or not, and whether the programmer
// picture shows; kept in the settings file's section "Window".
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "app/main_window.h"
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

  const int width = settings.ReadInteger(kWindowSection, "Width", 0);
  const int height = settings.ReadInteger(kWindowSection, "Height", 0);
  if (width > 0 && height > 0) {
    const QRect place(settings.ReadInteger(kWindowSection, "Left", 0), settings.ReadInteger(kWindowSection, "Top", 0),
                      width, height);
    if (QScreen* screen = ScreenShowing(place)) {
      // Never larger than the screen it is on (it may have come from a larger one).
      const QRect room = screen->availableGeometry();
      setGeometry(QRect(place.topLeft(), place.size().boundedTo(room.size())));
    } else if (QScreen* primary = QGuiApplication::primaryScreen()) {
      resize(place.size().boundedTo(primary->availableGeometry().size()));
      move(primary->availableGeometry().center() - rect().center());
    }
  }
  if (settings.ReadInteger(kWindowSection, "Maximized", 0) != 0) setWindowState(windowState() | Qt::WindowMaximized);
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
