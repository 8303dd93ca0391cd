// What stands behind the emulated USB endpoints: turns each 64-byte output report into the
// 64-byte input report that answers it (or none, when the device stays silent).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace usbvm {

using TReport = std::array<uint8_t, 64>;

class TReportModel {
 public:
  virtual ~TReportModel() = default;
  virtual std::optional<TReport> Answer(const TReport& output) = 0;
};

// Answers every report with a copy of itself: proves the USB path without the programmer.
class TEchoModel : public TReportModel {
 public:
  std::optional<TReport> Answer(const TReport& output) override { return output; }
};

// The project's simulated programmer; its chip image is kept in imagePath when one is given.
std::unique_ptr<TReportModel> MakeProgrammerModel(const std::string& imagePath);

}  // namespace usbvm
