// The HID controller's event loop in the program: posted tasks, the udev monitor's descriptor and
// the polling timer, all run by the Qt event loop.
#pragma once

#include <QObject>

#include "hid/hid_event_loop.h"

class TQtHidEventLoop : public QObject, public THidEventLoop {
  Q_OBJECT
 public:
  explicit TQtHidEventLoop(QObject* parent = nullptr) : QObject(parent) {}
  void Post(std::function<void()> task) override;
  void WatchReadable(int fd, std::function<void()> onReadable) override;
  void Every(int intervalMs, std::function<void()> tick) override;
};
