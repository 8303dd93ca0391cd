// usbvm_hotplug_watch: runs the HID controller on the hidapi back end the way the program does and
// prints a line for every change event it raises, saying whether the programmer is listed then.
// Its first line says how changes reach it: "udev" (the hot-plug monitor) or "polling".
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "hid/hid_controller.h"
#include "hid/hid_event_loop.h"

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  TManualHidEventLoop loop;
  THidDeviceController controller(CreateHidapiPlatform(), loop);
  const int fd = controller.Platform().ChangeDescriptor();
  std::printf("watch: notification by %s\n", fd >= 0 ? "udev" : "polling");
  std::fflush(stdout);

  int changes = 0;
  controller.OnDeviceChange = [&](THidDeviceController& c) {
    bool present = false;
    for (const auto& d : c.Devices())
      present = present || (d->PluggedIn() && d->VendorID() == 0x03E5 && d->ProductID() == 0xD11D);
    std::printf("watch: change %d: programmer %s\n", ++changes, present ? "present" : "absent");
    std::fflush(stdout);
  };

  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (fd >= 0) {
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, 200);
    } else {
      poll(nullptr, 0, 200);
    }
    loop.PollOnce();
  }
  return 0;
}
