// The emulated programmer's USB identity: its descriptors and the answers to the standard and
// HID class control requests that a host sends during enumeration and use.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace usbvm {

constexpr uint16_t kVendorId = 0x03E5;
constexpr uint16_t kProductId = 0xD11D;
constexpr uint16_t kDeviceVersionBcd = 0x0100;
constexpr uint8_t kInterruptInEndpoint = 0x81;
constexpr uint8_t kInterruptOutEndpoint = 0x01;
constexpr int kReportSize = 64;       // payload bytes of every input and output report
constexpr uint8_t kPollInterval = 1;  // bInterval of both interrupt endpoints, in frames (1 ms)
constexpr uint8_t kConfigurationValue = 1;

// One SETUP packet as the host sent it.
struct TSetup {
  uint8_t RequestType = 0;
  uint8_t Request = 0;
  uint16_t Value = 0;
  uint16_t Index = 0;
  uint16_t Length = 0;
};

// What a control request did: Stall, or an accepted request with the data stage of an IN
// request (already cut to the host's wLength), and the output report of a SET_REPORT.
struct TControlResult {
  bool Stall = false;
  std::vector<uint8_t> InData;
  std::optional<std::vector<uint8_t>> OutputReport;
};

// Device-side state that the control requests touch.
struct TControlState {
  uint8_t Idle = 0;
  uint8_t Protocol = 1;  // report protocol
  std::vector<uint8_t> LastInputReport = std::vector<uint8_t>(kReportSize, 0);
};

// Answers one control request. outData is the data stage of a host-to-device request.
TControlResult HandleControlRequest(const TSetup& setup, const uint8_t* outData, int outLength, TControlState& state);

}  // namespace usbvm
