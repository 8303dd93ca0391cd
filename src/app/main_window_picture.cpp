#include <QDesktopServices>
#include <QUrl>

#include "app/main_window.h"
#include "app/picture.h"

// Opens the home page in the default browser; the browser is not waited for and a failure to
// start it is ignored.
void TMainWindow::OpenHomePage() { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePage))); }
