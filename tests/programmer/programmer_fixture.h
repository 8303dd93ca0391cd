// The programmer state on a controller whose platform has the simulated programmer plugged in.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "common/scripted_user_interface.h"
#include "hid/hid_controller.h"
#include "programmer/programmer.h"
#include "programmer/version_query.h"
#include "simulator/simulation.h"

class ProgrammerFixture : public ::testing::Test {
 protected:
  ProgrammerFixture() {
    TSimulation s = CreateSimulation();
    Device = s.Programmer;
    Sim = s.Platform.get();
    Controller = std::make_unique<THidDeviceController>(std::move(s.Platform), Loop);
    Controller->ReadTimeoutMs = 10;
    Controller->OnDeviceChange = [this](THidDeviceController&) { Programmer.DeviceChange(Ui); };
    Programmer.Attach(*Controller);
    Programmer.OnVersionText = [this](const std::string& t) { Panel0 = t; };
  }
  // Delivers the start-up notification: claim and silent version query.
  void StartUp() { Loop.RunPosted(); }

  std::shared_ptr<TSimulatedProgrammer> Device;
  TSimulatedHidPlatform* Sim = nullptr;
  TManualHidEventLoop Loop;
  std::unique_ptr<THidDeviceController> Controller;
  TProgrammer Programmer;
  TScriptedUserInterface Ui;
  std::string Panel0;
};

inline TChip Chip(int32_t type, int32_t size, int32_t page, int32_t org) {
  TChip c;
  c.ChipType = type;
  c.Size = size;
  c.PageSize = page;
  c.Org = org;
  c.Status = 1;  // supported: the chip routines refuse the others
  return c;
}
