// A controller on the simulated platform, driven by a manual event loop, counting its change events.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "hid/hid_controller.h"
#include "hid/simulated_platform.h"

// Answers every output report with the report itself, byte 1 incremented; late once if asked.
class TEchoEndpoint : public TSimulatedHidEndpoint {
 public:
  int LateAt = -1;
  int Received = 0;
  void OutputReport(const uint8_t* data, size_t length, TSimulatedResponse& response) override {
    TSimulatedInput& reply = response.Send(data, length);
    reply.Bytes[1] = static_cast<uint8_t>(reply.Bytes[1] + 1);
    reply.AfterTimeOut = Received++ == LateAt;
  }
};

inline TSimulatedHidDeviceInfo Info(uint16_t vid, uint16_t pid) {
  TSimulatedHidDeviceInfo i;
  i.VendorID = vid;
  i.ProductID = pid;
  return i;
}

class HidFixture : public ::testing::Test {
 protected:
  HidFixture() {
    auto p = std::make_unique<TSimulatedHidPlatform>();
    Sim = p.get();
    Platform = std::move(p);
  }
  // Builds the controller; devices plugged in before count as present at start-up.
  void Start() {
    Controller = std::make_unique<THidDeviceController>(std::move(Platform), Loop);
    Controller->ReadTimeoutMs = 20;
    Controller->OnDeviceChange = [this](THidDeviceController&) { ++Changes; };
  }
  THidDevice* Claim(int vid = 0x03E5, int pid = 0xD11D) {
    THidDevice* d = nullptr;
    Controller->ClaimById(d, vid, pid);
    return d;
  }

  TSimulatedHidPlatform* Sim = nullptr;
  std::unique_ptr<TSimulatedHidPlatform> Platform;
  TManualHidEventLoop Loop;
  std::unique_ptr<THidDeviceController> Controller;
  int Changes = 0;
};
