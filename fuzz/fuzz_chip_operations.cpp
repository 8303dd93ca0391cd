// Fuzzes the chip procedures and the firmware update against a programmer whose every reply
// comes from the fuzzer: it answers with any bytes and any length, or not at all, or late, or
// is unplugged. Input: the report lengths of the device, the chip, the operation, then one
// behaviour per output report. Buffers are exactly as long as the chip needs, so a byte read or
// written past them is caught; a failed read must leave its target as it was.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/error.h"
#include "common/scripted_user_interface.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_update.h"
#include "fuzz_support.h"
#include "hid/hid_controller.h"
#include "hid/hid_event_loop.h"
#include "hid/simulated_platform.h"
#include "programmer/chip_operations.h"
#include "programmer/programmer.h"

namespace {

class TFuzzedProgrammer : public TSimulatedHidEndpoint {
 public:
  explicit TFuzzedProgrammer(fuzz::TInput& in) : In_(in) {}
  size_t Reports = 0;

  void OutputReport(const uint8_t*, size_t, TSimulatedResponse& response) override {
    ++Reports;
    uint8_t reply[TSimulatedInput::kMaxReport] = {};
    const uint8_t how = In_.Byte();
    size_t length = 65;
    if (how & 0x80) length = In_.Byte() % 80;
    for (size_t i = 1; i < length && In_.Left() > 0; ++i) reply[i] = In_.Byte();
    switch (how & 7) {
      case 0: break;                                                    // no answer
      case 1: response.Unplug = true; break;                            // gone with the report
      case 2: response.Send(reply, length).AfterTimeOut = true; break;  // late
      case 3:
        response.Send(reply, length);
        response.Send(reply, length);
        break;                                                                // two answers
      case 4: response.Send(reply, length).DelayMs = In_.Byte() % 40; break;  // on its way
      case 5: response.Refuse = true; break;                                  // the report is not taken
      default: response.Send(reply, length); break;
    }
  }

 private:
  fuzz::TInput& In_;
};

const int32_t kSizes[] = {0, 1, 16, 31, 32, 33, 100, 128, 256, 1000, 4096, -1, -32};
const uint16_t kReportLengths[] = {65, 65, 65, 65, 64, 66, 1, 0, 200};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::TInput in(data, size);
  TSimulatedHidDeviceInfo info;
  info.VendorID = ProgrammerVendorId;
  info.ProductID = ProgrammerProductId;
  info.InputReportByteLength = kReportLengths[in.Byte() % std::size(kReportLengths)];
  info.OutputReportByteLength = kReportLengths[in.Byte() % std::size(kReportLengths)];
  TChip chip;
  chip.Name = "FUZZ";
  chip.ChipType = static_cast<int8_t>(in.Byte()) % 5;
  chip.Size = kSizes[in.Byte() % std::size(kSizes)];
  chip.PageSize = static_cast<int8_t>(in.Byte()) % 70;
  chip.Org = static_cast<int8_t>(in.Byte()) % 3;
  chip.Status = 1;
  const uint8_t operation = in.Byte();

  auto platform = std::make_unique<TSimulatedHidPlatform>();
  platform->WaitOnEmptyRead = false;
  auto device = std::make_shared<TFuzzedProgrammer>(in);
  platform->PlugIn(info, device);
  TManualHidEventLoop loop;
  THidDeviceController controller(std::move(platform), loop);
  controller.ReadTimeoutMs = 0;
  TProgrammer programmer(controller);
  TScriptedUserInterface ui;
  controller.OnDeviceChange = [&](THidDeviceController&) { programmer.DeviceChange(ui); };
  loop.RunPosted();
  ui.Shown.clear();

  const size_t chipBytes = static_cast<size_t>(std::max<int32_t>(0, chip.Size));
  const size_t reportsBefore = device->Reports;
  size_t boxes = 1;  // every run but a successful read or write ends with one box
  try {
    switch (operation % 5) {
      case 0: {
        const size_t extent = ChipReadExtent(chip);
        std::vector<uint8_t> target(extent + (operation & 8 ? 0 : 3), 0x5A);
        const std::vector<uint8_t> before = target;
        const TChipRun run = ReadChipTo(programmer, chip, target, ui);
        if (run != TChipRun::Done) FUZZ_CHECK(target == before);
        FUZZ_CHECK(std::all_of(target.begin() + static_cast<std::ptrdiff_t>(extent), target.end(),
                               [](uint8_t b) { return b == 0x5A; }));
        if (run == TChipRun::Done) boxes = 0;
        break;
      }
      case 1: {
        const std::vector<uint8_t> source(chipBytes, 0xC3);
        if (WriteChipFrom(programmer, chip, source, ui) == TChipRun::Done) boxes = 0;
        break;
      }
      case 2: {
        const std::vector<uint8_t> source(chipBytes, 0x3C);
        WriteAndCheckChip(programmer, chip, source, ui);
        break;
      }
      case 3: {
        const std::vector<uint8_t> expected(chipBytes, 0xFF);
        VerifyChip(programmer, chip, expected, ui);
        break;
      }
      case 4: {
        ui.Answers.push_back(TAnswer::Yes);
        TFirmwareUpdateHooks hooks;
        hooks.LoadFile = [](std::span<uint8_t>) { return true; };
        RunFirmwareUpdate(programmer, ui, hooks);
        return 0;
      }
    }
  } catch (const TError&) {
    // A chip the buffers can't hold, or a page size of 0: refused before anything is sent.
    FUZZ_CHECK(device->Reports == reportsBefore);
    boxes = 0;
  }
  // A chip operation shows its one box and leaves the progress at 0.
  FUZZ_CHECK(ui.Shown.size() == boxes);
  for (int p : ui.Progress) FUZZ_CHECK(p >= 0 && p <= 100);
  if (!ui.Progress.empty()) FUZZ_CHECK(ui.Progress.back() == 0);
  return 0;
}
