// Descriptors and control requests of the emulated programmer (full speed, one HID interface).
#include "usb_descriptors.h"

#include <algorithm>
#include <string>

namespace usbvm {
namespace {

// clang-format off
enum : uint8_t {
  kGetStatus = 0x00, kClearFeature = 0x01, kGetDescriptor = 0x06,
  kHidGetReport = 0x01, kHidGetIdle = 0x02, kHidGetProtocol = 0x03,
  kHidSetReport = 0x09, kHidSetIdle = 0x0A, kHidSetProtocol = 0x0B,
};
enum : uint8_t {
  kDescDevice = 1, kDescConfiguration = 2, kDescString = 3, kDescHid = 0x21, kDescReport = 0x22,
};
constexpr uint8_t kTypeMask = 0x60, kTypeStandard = 0x00, kTypeClass = 0x20;
constexpr uint8_t kRecipientMask = 0x1F, kRecipientInterface = 1, kRecipientEndpoint = 2;
constexpr uint8_t kHidReportInput = 1, kHidReportOutput = 2;

constexpr uint8_t Lo(int v) { return uint8_t(v & 0xFF); }
constexpr uint8_t Hi(int v) { return uint8_t((v >> 8) & 0xFF); }

// Vendor-defined page 0xFF00, one application collection with a 64-byte input and a 64-byte
// output report and no report IDs (hosts send and receive report ID 0).
const std::vector<uint8_t> kReportDescriptor = {
    0x06, 0x00, 0xFF,        // Usage Page (vendor 0xFF00)
    0x09, 0x01,              // Usage (1)
    0xA1, 0x01,              // Collection (Application)
    0x15, 0x00,              //   Logical Minimum (0)
    0x26, 0xFF, 0x00,        //   Logical Maximum (255)
    0x75, 0x08,              //   Report Size (8)
    0x95, kReportSize,       //   Report Count (64)
    0x09, 0x01,              //   Usage (1)
    0x81, 0x02,              //   Input (Data, Variable, Absolute)
    0x95, kReportSize,       //   Report Count (64)
    0x09, 0x01,              //   Usage (1)
    0x91, 0x02,              //   Output (Data, Variable, Absolute)
    0xC0,                    // End Collection
};

const std::vector<uint8_t> kDeviceDescriptor = {
    18, kDescDevice, Lo(0x0200), Hi(0x0200),  // USB 2.0, full speed only
    0x00, 0x00, 0x00,                          // class given per interface
    64,                                        // control endpoint packet size
    Lo(kVendorId), Hi(kVendorId), Lo(kProductId), Hi(kProductId),
    Lo(kDeviceVersionBcd), Hi(kDeviceVersionBcd),
    1, 2, 3,                                   // manufacturer, product, serial strings
    1,                                         // one configuration
};

std::vector<uint8_t> ConfigurationDescriptor() {
  const int total = 9 + 9 + 9 + 7 + 7;
  const int reportLength = int(kReportDescriptor.size());
  return {
      9, kDescConfiguration, Lo(total), Hi(total), 1, kConfigurationValue, 0, 0x80, 50,  // bus powered, 100 mA
      9, 0x04, 0, 0, 2, 0x03, 0x00, 0x00, 0,  // interface 0: HID, no boot protocol, two endpoints
      9, kDescHid, Lo(0x0111), Hi(0x0111), 0, 1, kDescReport, Lo(reportLength), Hi(reportLength),
      7, 0x05, kInterruptInEndpoint, 0x03, Lo(kReportSize), Hi(kReportSize), kPollInterval,
      7, 0x05, kInterruptOutEndpoint, 0x03, Lo(kReportSize), Hi(kReportSize), kPollInterval,
  };
}
// clang-format on

std::vector<uint8_t> HidDescriptor() {
  auto config = ConfigurationDescriptor();
  return {config.begin() + 18, config.begin() + 27};
}

std::optional<std::vector<uint8_t>> StringDescriptor(uint8_t index) {
  static const char* const kStrings[] = {nullptr, "Tesmaro", "Mervo USB programmer (emulated)", "EMU00001"};
  if (index == 0) return std::vector<uint8_t>{4, kDescString, 0x09, 0x04};  // English (US)
  if (index >= std::size(kStrings)) return std::nullopt;
  const std::string s = kStrings[index];
  std::vector<uint8_t> d{uint8_t(2 + 2 * s.size()), kDescString};
  for (char c : s) {
    d.push_back(uint8_t(c));
    d.push_back(0);
  }
  return d;
}

std::optional<std::vector<uint8_t>> Descriptor(const TSetup& s) {
  const uint8_t type = Hi(s.Value), index = Lo(s.Value);
  const uint8_t recipient = s.RequestType & kRecipientMask;
  switch (type) {
    case kDescDevice: return kDeviceDescriptor;
    case kDescConfiguration: return index == 0 ? std::optional(ConfigurationDescriptor()) : std::nullopt;
    case kDescString: return StringDescriptor(index);
    case kDescHid: return recipient == kRecipientInterface ? std::optional(HidDescriptor()) : std::nullopt;
    case kDescReport: return recipient == kRecipientInterface ? std::optional(kReportDescriptor) : std::nullopt;
    default: return std::nullopt;  // device qualifier, BOS, ...: a full-speed-only USB 2.0 device stalls them
  }
}

TControlResult Data(std::vector<uint8_t> data, uint16_t length) {
  if (data.size() > length) data.resize(length);
  return {false, std::move(data), std::nullopt};
}

const TControlResult kStall{true, {}, std::nullopt};
const TControlResult kAck{};

}  // namespace

TControlResult HandleControlRequest(const TSetup& s, const uint8_t* outData, int outLength, TControlState& state) {
  const bool in = (s.RequestType & 0x80) != 0;
  const uint8_t type = s.RequestType & kTypeMask;
  if (type == kTypeStandard) {
    if (in && s.Request == kGetDescriptor) {
      auto d = Descriptor(s);
      return d ? Data(std::move(*d), s.Length) : kStall;
    }
    if (in && s.Request == kGetStatus) return Data({0, 0}, s.Length);
    // Clearing an endpoint halt is part of every device's repertoire; the endpoints never halt.
    if (!in && s.Request == kClearFeature && (s.RequestType & kRecipientMask) == kRecipientEndpoint) return kAck;
    return kStall;
  }
  if (type == kTypeClass && (s.RequestType & kRecipientMask) == kRecipientInterface && Lo(s.Index) == 0) {
    const uint8_t reportType = Hi(s.Value);
    switch (s.Request) {
      case kHidSetIdle:
        if (in) break;
        state.Idle = Hi(s.Value);
        return kAck;
      case kHidSetProtocol:
        if (in) break;
        state.Protocol = Lo(s.Value);
        return kAck;
      case kHidGetIdle:
        if (!in) break;
        return Data({state.Idle}, s.Length);
      case kHidGetProtocol:
        if (!in) break;
        return Data({state.Protocol}, s.Length);
      case kHidGetReport:
        if (!in || reportType != kHidReportInput) break;
        return Data(state.LastInputReport, s.Length);
      case kHidSetReport: {
        if (in || reportType != kHidReportOutput || outLength < 1) break;
        // Report ID 0 is never sent on the wire; a host that includes it anyway sends 65 bytes.
        const uint8_t* p = outData;
        int n = outLength;
        if (n == kReportSize + 1 && p[0] == 0) {
          ++p;
          --n;
        }
        std::vector<uint8_t> report(kReportSize, 0);
        std::copy_n(p, std::min(n, kReportSize), report.begin());
        return {false, {}, std::move(report)};
      }
      default: break;
    }
  }
  return kStall;
}

}  // namespace usbvm
