// The held simulated programmer for the chip-operation tests: a controller on the simulated
// platform, the start-up claim done, reports recorded, a chip image with a pattern.
#pragma once

#include <memory>
#include <vector>

#include "catalogue/chip.h"
#include "common/scripted_user_interface.h"
#include "hid/hid_controller.h"
#include "programmer/programmer.h"
#include "simulator/simulation.h"

struct TChipRig {
  TChipRig() {
    TSimulation s = CreateSimulation();
    Device = s.Programmer;
    Platform = s.Platform.get();
    Controller = std::make_unique<THidDeviceController>(std::move(s.Platform), Loop);
    Controller->ReadTimeoutMs = 10;  // faults that swallow a reply end quickly
    Controller->OnDeviceChange = [this](THidDeviceController&) { Programmer.DeviceChange(Ui); };
    Programmer.Attach(*Controller);
    Loop.RunPosted();
    for (size_t i = 0; i < Device->Chip.size(); ++i) Device->Chip[i] = Pattern(i, 1);
    Device->RecordReports = true;
    Ui.Shown.clear();
  }

  // A byte pattern without short repeats; seed tells patterns apart.
  static uint8_t Pattern(size_t i, int seed) { return static_cast<uint8_t>(i * 13 + (i >> 8) * 7 + seed * 101); }
  static std::vector<uint8_t> Bytes(size_t n, int seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = Pattern(i, seed);
    return v;
  }

  TManualHidEventLoop Loop;
  std::shared_ptr<TSimulatedProgrammer> Device;
  TSimulatedHidPlatform* Platform = nullptr;
  std::unique_ptr<THidDeviceController> Controller;
  TProgrammer Programmer;
  TScriptedUserInterface Ui;
};

inline TChip ChipOf(int32_t type, int32_t size, int32_t page, int32_t org, const char* name = "TEST") {
  TChip c;
  c.Name = name;
  c.ChipType = type;
  c.Size = size;
  c.PageSize = page;
  c.Org = org;
  c.Status = 1;
  return c;
}
