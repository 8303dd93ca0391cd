// The USB port a hidraw node's device is plugged into, as the kernel names it ("1-1.2"): from udev
// where it is present, else by walking the node's sysfs device path.
#include <string>

#include "hid/hid_platform.h"

#ifdef __linux__
#include <climits>
#include <cstdlib>
#endif
#ifdef TESMARO_HAVE_UDEV
#include <libudev.h>
#endif

namespace {

#ifdef __linux__
std::string NodeName(const std::string& path) {
  auto slash = path.rfind('/');
  return path.substr(slash == std::string::npos ? 0 : slash + 1);
}

// A USB device's sysfs name: bus number, '-', port numbers joined by '.', no ':' (that is an interface).
bool IsUsbDeviceName(const std::string& name) {
  auto dash = name.find('-');
  if (dash == std::string::npos || dash == 0 || name.find(':') != std::string::npos) return false;
  for (char c : name)
    if (!(c == '-' || c == '.' || (c >= '0' && c <= '9'))) return false;
  return true;
}

std::string FromSysfs(const std::string& node) {
  const std::string link = "/sys/class/hidraw/" + node + "/device";
  char resolved[PATH_MAX];
  if (!realpath(link.c_str(), resolved)) return {};
  // The deepest component that names a USB device: the interface and HID nodes lie below it.
  std::string best, path = resolved;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (IsUsbDeviceName(part)) best = part;
    start = end + 1;
  }
  return best;
}
#endif

}  // namespace

std::string UsbBusPathOf(const std::string& hidrawPath) {
#ifdef __linux__
  const std::string node = NodeName(hidrawPath);
  if (node.rfind("hidraw", 0) != 0) return {};
#ifdef TESMARO_HAVE_UDEV
  if (udev* u = udev_new()) {
    std::string found;
    if (udev_device* d = udev_device_new_from_subsystem_sysname(u, "hidraw", node.c_str())) {
      if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(d, "usb", "usb_device"))
        if (const char* name = udev_device_get_sysname(usb)) found = name;
      udev_device_unref(d);
    }
    udev_unref(u);
    if (!found.empty()) return found;
  }
#endif
  return FromSysfs(node);
#else
  (void)hidrawPath;
  return {};
#endif
}
