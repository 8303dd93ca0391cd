// usbvm_exchange_timer: times N exchanges through the program's own path, set up the way
// tesmaro-cli sets it up: the HID controller on the hidapi back end, the start-up device change
// claiming the programmer, then TProgrammer::ExchangeReport with the version request in Report.
// Prints the round trip per exchange (median, p99, mean) in microseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/scripted_user_interface.h"
#include "hid/hid_controller.h"
#include "hid/hid_event_loop.h"
#include "programmer/programmer.h"

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
  TScriptedUserInterface ui;
  TManualHidEventLoop loop;
  THidDeviceController controller(CreateHidapiPlatform(), loop);
  TProgrammer programmer(controller);
  controller.OnDeviceChange = [&](THidDeviceController&) { programmer.DeviceChange(ui); };
  loop.RunPosted();
  if (!programmer.HeldDevice) {
    std::fprintf(stderr, "exchange_timer: no programmer\n");
    return 1;
  }

  std::vector<double> us;
  us.reserve(size_t(count));
  for (int i = 0; i < count; ++i) {
    programmer.Report[0] = 0;
    programmer.Report[1] = CmdVersion;
    programmer.Report[2] = CmdVersionSub;
    programmer.Report[17] = 0;
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = programmer.ExchangeReport();
    const auto t1 = std::chrono::steady_clock::now();
    if (!ok || programmer.Report[1] != VersionReplyMark) {
      std::fprintf(stderr, "exchange_timer: exchange %d failed\n", i);
      return 1;
    }
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  double mean = 0;
  for (double v : us) mean += v;
  mean /= double(us.size());
  std::sort(us.begin(), us.end());
  std::printf("exchange_timer: %d exchanges: median %.0f us, p99 %.0f us, mean %.0f us\n", count, us[us.size() / 2],
              us[std::min(us.size() - 1, us.size() * 99 / 100)], mean);
  return 0;
}
