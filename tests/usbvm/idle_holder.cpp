// usbvm_idle_holder CHIP_NAME SIZE EXPECTED.bin GO_FILE: holds the programmer open the way the
// window does while idle (claimed, handle open after the start-up version query), waits until
// GO_FILE exists (meanwhile other programs talk to the programmer, and their replies land in this
// program's input queue too), then reads the chip of type 1 with SIZE bytes and compares it with
// EXPECTED.bin. Exit 0 when the read gives exactly those bytes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "common/scripted_user_interface.h"
#include "hid/hid_controller.h"
#include "hid/hid_event_loop.h"
#include "programmer/chip_operations.h"
#include "programmer/programmer.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: usbvm_idle_holder CHIP_NAME SIZE EXPECTED.bin GO_FILE\n");
    return 2;
  }
  TChip chip;
  chip.Name = argv[1];
  chip.ChipType = 1;
  chip.Size = std::atoi(argv[2]);
  chip.PageSize = 32;
  chip.Status = 1;  // supported: the chip routines refuse the others
  std::ifstream f(argv[3], std::ios::binary);
  const std::vector<uint8_t> expected{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};

  TScriptedUserInterface ui;
  TManualHidEventLoop loop;
  THidDeviceController controller(CreateHidapiPlatform(), loop);
  TProgrammer programmer(controller);
  controller.OnDeviceChange = [&](THidDeviceController&) { programmer.DeviceChange(ui); };
  loop.RunPosted();
  if (!programmer.HeldDevice) {
    std::fprintf(stderr, "idle_holder: no programmer\n");
    return 1;
  }
  std::printf("idle_holder: holding the programmer\n");
  std::fflush(stdout);
  struct stat st;
  for (int i = 0; i < 600 && stat(argv[4], &st) != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));

  std::vector<uint8_t> target(static_cast<size_t>(chip.Size));
  if (ReadChipTo(programmer, chip, target, ui) != TChipRun::Done) {
    std::fprintf(stderr, "idle_holder: the read failed: %s\n", ui.Shown.empty() ? "" : ui.Shown[0].Text.c_str());
    return 1;
  }
  if (target.size() > expected.size() || !std::equal(target.begin(), target.end(), expected.begin())) {
    size_t i = 0;
    while (i < target.size() && i < expected.size() && target[i] == expected[i]) ++i;
    std::fprintf(stderr, "idle_holder: the read differs from %s at byte %zu\n", argv[3], i);
    return 1;
  }
  std::printf("idle_holder: the read gave exactly the chip's bytes\n");
  return 0;
}
