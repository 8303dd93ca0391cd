#include "app/qt_hid_event_loop.h"

#include <QSocketNotifier>
#include <QTimer>

void TQtHidEventLoop::Post(std::function<void()> task) { QTimer::singleShot(0, this, std::move(task)); }

void TQtHidEventLoop::WatchReadable(int fd, std::function<void()> onReadable) {
  auto* n = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
  connect(n, &QSocketNotifier::activated, this, [f = std::move(onReadable)] { f(); });
}

void TQtHidEventLoop::Every(int intervalMs, std::function<void()> tick) {
  auto* t = new QTimer(this);
  connect(t, &QTimer::timeout, this, [f = std::move(tick)] { f(); });
  t->start(intervalMs);
}
