#include "hid/udev_monitor.h"

#ifdef TESMARO_HAVE_UDEV
#include <libudev.h>
#include <unistd.h>

#include <cstring>

namespace {

class TLibudevMonitor : public TUdevMonitor {
 public:
  TLibudevMonitor(udev* u, udev_monitor* m) : Udev_(u), Monitor_(m) {}
  ~TLibudevMonitor() override {
    udev_monitor_unref(Monitor_);
    udev_unref(Udev_);
  }
  int Descriptor() const override { return udev_monitor_get_fd(Monitor_); }
  bool TakeEvents() override {
    bool changed = false;
    // The monitor's socket does not block: this returns once the pending events are read.
    while (udev_device* d = udev_monitor_receive_device(Monitor_)) {
      const char* action = udev_device_get_action(d);
      if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) changed = true;
      udev_device_unref(d);
    }
    return changed;
  }

 private:
  udev* Udev_;
  udev_monitor* Monitor_;
};

}  // namespace

std::unique_ptr<TUdevMonitor> TUdevMonitor::Create() {
  // Without the daemon, no events of the "udev" source would ever come: poll instead.
  if (access("/run/udev/control", F_OK) != 0) return nullptr;
  udev* u = udev_new();
  if (!u) return nullptr;
  udev_monitor* m = udev_monitor_new_from_netlink(u, "udev");
  if (!m || udev_monitor_filter_add_match_subsystem_devtype(m, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(m) < 0) {
    if (m) udev_monitor_unref(m);
    udev_unref(u);
    return nullptr;
  }
  return std::make_unique<TLibudevMonitor>(u, m);
}

#else

std::unique_ptr<TUdevMonitor> TUdevMonitor::Create() { return nullptr; }

#endif
