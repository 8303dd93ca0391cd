// The project's simulated programmer behind the emulated USB endpoints.
#include <algorithm>

#include "report_model.h"
#include "simulator/simulated_programmer.h"

namespace usbvm {
namespace {

class TProgrammerModel : public TReportModel {
 public:
  explicit TProgrammerModel(const std::string& imagePath) {
    if (!imagePath.empty()) Programmer_.AttachImageFile(imagePath);
  }
  // USB carries the 64 payload bytes; the simulator's reports lead with report ID 0.
  std::optional<TReport> Answer(const TReport& output) override {
    TSimulatedProgrammer::TRawReport out{}, in{};
    std::copy(output.begin(), output.end(), out.begin() + 1);
    if (!Programmer_.Respond(out.data(), out.size(), in)) return std::nullopt;
    TReport answer;
    std::copy(in.begin() + 1, in.end(), answer.begin());
    return answer;
  }

 private:
  TSimulatedProgrammer Programmer_;
};

}  // namespace

std::unique_ptr<TReportModel> MakeProgrammerModel(const std::string& imagePath) {
  return std::make_unique<TProgrammerModel>(imagePath);
}

}  // namespace usbvm
