// Fault sweeps: a programmer that is unplugged, or does not answer, or answers too late, at
// every exchange of a read, a write with its check, a verify and a firmware update, for a small
// chip of each type. Every run must stop at the fault (one read time-out at most), say so, leave
// the image as it was, and leave the link fit for the next command.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "buffer/memory_buffer.h"
#include "common/scripted_user_interface.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_update.h"
#include "hid/hid_controller.h"
#include "programmer/chip_operations.h"
#include "programmer/programmer.h"
#include "simulator/simulation.h"

namespace {

using TKind = TScriptedUserInterface::TKind;

constexpr int kReadTimeoutMs = 2;

enum class TFault { Unplug, NoAnswer, LateAnswer };
const char* FaultName(TFault f) {
  return f == TFault::Unplug ? "unplug" : f == TFault::NoAnswer ? "no answer" : "late answer";
}

// A freshly plugged-in simulated programmer, held, its chip holding a pattern.
struct TRig {
  TRig() {
    TSimulation s = CreateSimulation();
    Device = s.Programmer;
    Controller = std::make_unique<THidDeviceController>(std::move(s.Platform), Loop);
    Controller->ReadTimeoutMs = kReadTimeoutMs;
    Controller->OnDeviceChange = [this](THidDeviceController&) { Programmer.DeviceChange(Ui); };
    Programmer.Attach(*Controller);
    Loop.RunPosted();
    for (size_t i = 0; i < 4096; ++i) Device->Chip[i] = static_cast<uint8_t>(i * 13 + 5);
    Ui.Shown.clear();
    Ui.Progress.clear();
  }
  ~TRig() { Controller->Release(Programmer.HeldDevice); }

  void Inject(TFault fault, uint64_t at) {
    const uint64_t exchange = Device->ExchangeCount() + at;
    if (fault == TFault::Unplug) Device->UnplugAt(exchange);
    if (fault == TFault::NoAnswer) Device->NoAnswerAt(exchange);
    if (fault == TFault::LateAnswer) Device->LateAnswerAt(exchange);
  }

  TManualHidEventLoop Loop;
  std::shared_ptr<TSimulatedProgrammer> Device;
  std::unique_ptr<THidDeviceController> Controller;
  TProgrammer Programmer;
  TScriptedUserInterface Ui;
};

TChip ChipOf(const char* name, int32_t type, int32_t size, int32_t page, int32_t org) {
  TChip c;
  c.Name = name;
  c.ChipType = type;
  c.Size = size;
  c.PageSize = page;
  c.Org = org;
  c.Status = 1;
  return c;
}

const TChip kChips[] = {
    ChipOf("type 1", 1, 64, 16, 0),     ChipOf("type 2", 2, 128, 32, 0),    ChipOf("type 3 words", 3, 16, 1, 1),
    ChipOf("type 3 bytes", 3, 8, 1, 0), ChipOf("other type", 0, 64, 16, 0),
};

// The image the chip operations work on, as the window's document would hold it.
std::vector<uint8_t>& Image() {
  static std::vector<uint8_t> image(kMemoryBufferSize);
  return image;
}

struct TOperation {
  const char* Name;
  // Runs the command; true when it ended as a clean run would (used for the run without faults).
  std::function<bool(TRig&, const TChip&)> Run;
};

const TOperation kChipOperations[] = {
    {"read", [](TRig& r, const TChip& c) { return ReadChipTo(r.Programmer, c, Image(), r.Ui) == TChipRun::Done; }},
    {"write with check",
     [](TRig& r, const TChip& c) { return WriteAndCheckChip(r.Programmer, c, Image(), r.Ui) != TChipCheck::NoAnswer; }},
    {"verify",
     [](TRig& r, const TChip& c) { return VerifyChip(r.Programmer, c, Image(), r.Ui) != TChipCheck::NoAnswer; }},
};

// After a fault the link must serve the next command: a programmer that merely missed an answer
// still reads the chip correctly (no late reply taken for a later one); an unplugged one is
// dropped at the device change that follows, and the next read says it is not found.
void ExpectLinkRecovers(TRig& rig, TFault fault, const TChip& chip) {
  rig.Ui.Shown.clear();
  std::vector<uint8_t> target(4096, 0);
  if (fault == TFault::Unplug) {
    rig.Controller->CheckForChanges();
    rig.Loop.RunPosted();
    EXPECT_EQ(rig.Programmer.HeldDevice, nullptr);
    EXPECT_EQ(ReadChipTo(rig.Programmer, chip, target, rig.Ui), TChipRun::NoProgrammer);
    return;
  }
  ASSERT_EQ(ReadChipTo(rig.Programmer, chip, target, rig.Ui), TChipRun::Done);
  EXPECT_EQ(0, std::memcmp(target.data(), rig.Device->Chip.data(), ChipReadExtent(chip)));
}

}  // namespace

TEST(FaultSweeps, ChipOperationsStopAtEveryFailingExchange) {
  for (const TOperation& op : kChipOperations) {
    for (const TChip& chip : kChips) {
      // The exchanges of a clean run.
      uint64_t exchanges = 0;
      {
        TRig rig;
        const uint64_t before = rig.Device->ExchangeCount();
        std::fill(Image().begin(), Image().end(), 0xA5);
        ASSERT_TRUE(op.Run(rig, chip)) << op.Name << ", " << chip.Name;
        exchanges = rig.Device->ExchangeCount() - before;
      }
      for (TFault fault : {TFault::Unplug, TFault::NoAnswer, TFault::LateAnswer}) {
        for (uint64_t k = 0; k < exchanges; ++k) {
          SCOPED_TRACE(std::string(op.Name) + ", " + chip.Name + ", " + FaultName(fault) + " at exchange " +
                       std::to_string(k) + " of " + std::to_string(exchanges));
          TRig rig;
          for (size_t i = 0; i < Image().size(); i += 4096)
            std::memset(Image().data() + i, static_cast<int>(i >> 12), 4096);
          const std::vector<uint8_t> before = Image();
          rig.Inject(fault, k);
          const uint64_t start = rig.Device->ExchangeCount();
          const auto t0 = std::chrono::steady_clock::now();
          EXPECT_FALSE(op.Run(rig, chip));
          const auto elapsed = std::chrono::steady_clock::now() - t0;

          // Stopped at the fault: at most the closing commands after it (write access and chip
          // access for type 3), one time-out waited and one more for the late reply.
          EXPECT_LE(rig.Device->ExchangeCount() - start, k + (chip.ChipType == 3 ? 3 : 2));
          EXPECT_LT(elapsed, std::chrono::milliseconds(kReadTimeoutMs * 2 + 1000));
          ASSERT_EQ(rig.Ui.Shown.size(), 1u);
          EXPECT_EQ(rig.Ui.Shown[0].Kind, TKind::Error);
          // The reason; a write adds what became of the chip once a page went out.
          const std::string reason = rig.Ui.MessageText(fault == TFault::Unplug ? "ProgUnplugged" : "ProgNoAnswer");
          const std::string& text = rig.Ui.Shown[0].Text;
          EXPECT_EQ(text.substr(0, reason.size()), reason);
          const std::string after = text.substr(std::min(text.size(), reason.size()));
          if (std::string(op.Name) == "write with check")
            EXPECT_TRUE(after.empty() || after.rfind("\n\rThe chip is partly written: 0x0000", 0) == 0 ||
                        after == "\n\rThe chip is written, but the check did not finish.")
                << after;
          else
            EXPECT_EQ(after, "");
          ASSERT_FALSE(rig.Ui.Progress.empty());
          EXPECT_EQ(rig.Ui.Progress.back(), 0);
          ASSERT_EQ(before, Image());
          ExpectLinkRecovers(rig, fault, chip);
          if (HasFatalFailure() || HasNonfatalFailure()) return;
        }
      }
    }
  }
}

TEST(FaultSweeps, FirmwareUpdateStopsAtEveryFailingExchange) {
  std::vector<uint8_t> image(kFirmwareImageSize);
  for (size_t i = 0; i < kFirmwareImageSize; ++i) image[i] = static_cast<uint8_t>(i * 7 + 3);
  auto run = [&](TRig& rig) {
    rig.Ui.Answers.push_back(TAnswer::Yes);
    TFirmwareUpdateHooks hooks;
    hooks.LoadFile = [&](std::span<uint8_t> to) {
      std::memcpy(to.data(), image.data(), image.size());
      return true;
    };
    return RunFirmwareUpdate(rig.Programmer, rig.Ui, hooks);
  };
  // Exchange 0 is the silent version query, 1 the information request, then the blocks.
  const uint64_t exchanges = 2 + kFirmwareBlocks;
  {
    TRig rig;
    const uint64_t before = rig.Device->ExchangeCount();
    ASSERT_EQ(run(rig), TFirmwareUpdateResult::Updated);
    ASSERT_EQ(rig.Device->ExchangeCount() - before, exchanges);
  }
  for (TFault fault : {TFault::Unplug, TFault::NoAnswer}) {
    for (uint64_t k = 0; k < exchanges; ++k) {
      SCOPED_TRACE(std::string(FaultName(fault)) + " at exchange " + std::to_string(k));
      TRig rig;
      rig.Inject(fault, k);
      const uint64_t start = rig.Device->ExchangeCount();
      const TFirmwareUpdateResult result = run(rig);
      const std::vector<std::string> texts = rig.Ui.Texts();
      if (k == 0 && fault == TFault::NoAnswer) {
        // Only the version query missed its answer: the update itself goes through.
        EXPECT_EQ(result, TFirmwareUpdateResult::Updated);
        continue;
      }
      // Stopped at the fault: nothing is sent after it.
      EXPECT_LE(rig.Device->ExchangeCount() - start, k + 1);
      if (k <= 1) {
        // The information request was not answered: the command ends silently.
        EXPECT_EQ(result, TFirmwareUpdateResult::InfoRefused);
        EXPECT_TRUE(texts.empty());
      } else {
        EXPECT_EQ(result, TFirmwareUpdateResult::VerifyFailed);
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.back(), rig.Ui.MessageText("VerifNotOK"));
      }
      if (HasFatalFailure() || HasNonfatalFailure()) return;
    }
  }
}
