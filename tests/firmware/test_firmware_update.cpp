// The firmware update command against the simulated programmer: what is shown, what is sent,
// the block check, the progress and the endings.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "common/scripted_user_interface.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_update.h"
#include "hid/hid_event_loop.h"
#include "simulator/simulation.h"

namespace {

// The firmware commands' signature in bytes 17 to 20, as the device knows it.
constexpr std::array<uint8_t, 4> kSignature = {0x4D, 0x56, 0xC3, 0x1A};

using TKind = TScriptedUserInterface::TKind;

class FirmwareUpdate : public testing::Test {
 protected:
  void SetUp() override {
    TSimulation sim = CreateSimulation();
    Device = sim.Programmer;
    Controller = std::make_unique<THidDeviceController>(std::move(sim.Platform), Loop);
    Controller->ReadTimeoutMs = 20;  // faults that swallow a reply end quickly
    Programmer.Attach(*Controller);
    Controller->OnDeviceChange = [this](THidDeviceController&) { Programmer.DeviceChange(Ui); };
    Loop.RunPosted();
    ASSERT_NE(Programmer.HeldDevice, nullptr);
    Ui.Shown.clear();
    for (size_t i = 0; i < kFirmwareImageSize; ++i) Image[i] = static_cast<uint8_t>(i * 7 + (i >> 5) + 1);
    Device->RecordReports = true;
  }
  void TearDown() override { Controller->Release(Programmer.HeldDevice); }

  // Runs the command; Sent then holds its reports: the silent version query, the information
  // request, the blocks.
  TFirmwareUpdateResult Run(bool loads = true) {
    Device->Sent.clear();
    TFirmwareUpdateHooks hooks;
    hooks.LoadFile = [this, loads](std::span<uint8_t> image) {
      ++LoadCalls;
      ClearedBeforeLoad = std::all_of(image.begin(), image.begin() + 16384, [](uint8_t b) { return b == 0; });
      if (loads) std::memcpy(image.data(), Image, kFirmwareImageSize);
      return loads;
    };
    hooks.Repaint = [this] { ++Repaints; };
    return RunFirmwareUpdate(Programmer, Ui, hooks);
  }
  // The block commands the device received.
  std::vector<TSimulatedProgrammer::TRawReport> BlocksSent() const {
    std::vector<TSimulatedProgrammer::TRawReport> out;
    for (const auto& r : Device->Sent)
      if (r[1] == 0x10 && r[17] == 0x4D) out.push_back(r);
    return out;
  }

  TManualHidEventLoop Loop;
  std::unique_ptr<THidDeviceController> Controller;
  std::shared_ptr<TSimulatedProgrammer> Device;
  TProgrammer Programmer;
  TScriptedUserInterface Ui;
  uint8_t Image[kFirmwareImageSize];
  int LoadCalls = 0, Repaints = 0;
  bool ClearedBeforeLoad = false;
};

TEST_F(FirmwareUpdate, WithoutProgrammerOnlySaysSo) {
  TProgrammer none;
  int loads = 0;
  TFirmwareUpdateHooks hooks{[&](std::span<uint8_t>) { return ++loads, true; }, {}};
  EXPECT_EQ(RunFirmwareUpdate(none, Ui, hooks), TFirmwareUpdateResult::NoProgrammer);
  ASSERT_EQ(Ui.Shown.size(), 1u);
  EXPECT_EQ(Ui.Shown[0].Kind, TKind::Message);
  EXPECT_EQ(Ui.Shown[0].Text, Ui.MessageText("ProgNotFound"));
  EXPECT_EQ(loads, 0);
}

TEST_F(FirmwareUpdate, RefusedInformationRequestEndsSilentlyBeforeTheFile) {
  for (int fault = 0; fault < 2; ++fault) {
    SCOPED_TRACE(fault);
    Ui.Shown.clear();
    Device->ClearFaults();
    if (fault == 0)
      Device->RefuseFirmwareInfo = true;
    else
      Device->NoAnswerAt(Device->ExchangeCount() + 1);
    EXPECT_EQ(Run(), TFirmwareUpdateResult::InfoRefused);
    EXPECT_TRUE(Ui.Shown.empty());
    EXPECT_EQ(LoadCalls, 0);
    EXPECT_TRUE(BlocksSent().empty());
  }
}

TEST_F(FirmwareUpdate, ShowsCurrentFirmwareAndSendsTheSignedInformationRequest) {
  Device->Major = 1;
  Device->Minor = 10;
  Device->FirmwareId = {0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(Run(false), TFirmwareUpdateResult::NotLoaded);
  ASSERT_EQ(Ui.Shown.size(), 1u);
  EXPECT_EQ(Ui.Shown[0].Kind, TKind::Message);
  EXPECT_EQ(Ui.Shown[0].Text, "Current firmware:\n\r\n\rHW ver.: 01.0A\n\rHW firmware: 12.3456.78\n\r");
  ASSERT_EQ(Device->Sent.size(), 2u);  // nothing after the request
  const auto& info = Device->Sent[1];
  EXPECT_EQ(info[0], 0);
  EXPECT_EQ(info[1], 0x21);
  EXPECT_TRUE(std::equal(kSignature.begin(), kSignature.end(), info.begin() + 17));
  EXPECT_EQ(LoadCalls, 1);
}

TEST_F(FirmwareUpdate, ImageIsClearedBeforeLoading) {
  Run(false);
  EXPECT_TRUE(ClearedBeforeLoad);
}

TEST_F(FirmwareUpdate, OnlyYesSends) {
  Image[0] = 0x02, Image[1] = 0x05, Image[2] = 0x20, Image[3] = 0x26;
  for (TAnswer a : {TAnswer::No, TAnswer::Cancel}) {
    Ui.Shown.clear();
    Ui.Answers = {a};
    EXPECT_EQ(Run(), TFirmwareUpdateResult::NotConfirmed);
    ASSERT_EQ(Ui.Shown.size(), 2u);
    // A Yes/No question whose Enter key answers No: flashing needs a deliberate Yes.
    EXPECT_EQ(Ui.Shown[1].Kind, TKind::Question);
    EXPECT_EQ(Ui.Shown[1].Default, TAnswer::No);
    EXPECT_EQ(Ui.Shown[1].Text,
              "NEW HW firmware: 02.0520.26\n\r\n\rUPDATE FIRMWARE?\n\r\n\r" + Ui.MessageText("FwKeepPlugged"));
    EXPECT_TRUE(BlocksSent().empty());
    EXPECT_EQ(Repaints, 0);
  }
}

TEST_F(FirmwareUpdate, SendsEveryBlockChecksItAndReportsProgress) {
  Ui.Answers = {TAnswer::Yes};
  EXPECT_EQ(Run(), TFirmwareUpdateResult::Updated);
  EXPECT_EQ(Repaints, 1);
  ASSERT_EQ(Ui.Shown.size(), 3u);
  EXPECT_EQ(Ui.Shown[2].Kind, TKind::Message);
  // Its own end text, not a chip verify's.
  EXPECT_EQ(Ui.Shown[2].Text, "Firmware updated: all 504 blocks written and checked.");

  auto blocks = BlocksSent();
  ASSERT_EQ(blocks.size(), 504u);
  const auto& first = blocks.front();
  const auto& last = blocks.back();
  EXPECT_EQ(first[5], 0);
  EXPECT_EQ(first[6], 0);
  EXPECT_EQ(first[33], Image[0]);
  EXPECT_EQ(first[64], Image[31] ^ 93);
  EXPECT_TRUE(std::equal(kSignature.begin(), kSignature.end(), first.begin() + 17));
  EXPECT_EQ(last[5], 0xE0);
  EXPECT_EQ(last[6], 0x3E);
  EXPECT_EQ(last[33], Image[16096]);
  EXPECT_EQ(last[64], Image[16127] ^ 93);
  // What the device stored is the image's first 16128 bytes.
  EXPECT_TRUE(std::equal(Image, Image + 16128, Device->Firmware.begin()));

  // Set to 0 at the start (a stop acts from there), after every block, to 100 at the end, then
  // back to 0.
  ASSERT_EQ(Ui.Progress.size(), 506u);
  EXPECT_EQ(Ui.Progress[0], 0);
  EXPECT_EQ(Ui.Progress[1], 0);     // 100/504 rounds down
  EXPECT_EQ(Ui.Progress[63], 12);   // 12.5: halves go to the even neighbour
  EXPECT_EQ(Ui.Progress[189], 38);  // 37.5
  EXPECT_EQ(Ui.Progress[504], 100);
  EXPECT_EQ(Ui.Progress[505], 0);
  EXPECT_TRUE(std::is_sorted(Ui.Progress.begin(), Ui.Progress.end() - 1));
}

TEST_F(FirmwareUpdate, ProgressPositionRounding) {
  struct {
    int Block, Position;
  } cases[] = {{0, 0}, {2, 1}, {4, 1}, {62, 12}, {188, 38}, {251, 50}, {314, 62}, {440, 88}, {503, 100}};
  for (const auto& c : cases) EXPECT_EQ(FirmwareProgressPosition(c.Block), c.Position) << c.Block;
}

// Reply byte 64 must be image byte 31 XOR 155; any other value stops the transfer at once.
TEST_F(FirmwareUpdate, DifferentReplyStopsWithVerifNotOk) {
  Ui.Answers = {TAnswer::Yes};
  Device->FlipByteAt(Device->ExchangeCount() + 2, 64);
  EXPECT_EQ(Run(), TFirmwareUpdateResult::VerifyFailed);
  EXPECT_EQ(Ui.Shown.back().Text, Ui.MessageText("VerifNotOK"));
  EXPECT_EQ(Ui.Shown.back().Kind, TKind::Message);
  EXPECT_EQ(BlocksSent().size(), 1u);
  EXPECT_EQ(Ui.Progress, std::vector<int>{0});  // the start's position only
}

// A reply that never comes leaves the block unconfirmed: the update is not called verified.
// A stop is taken between two blocks: none goes out after it, and once one went out the user is
// told that the firmware is incomplete.
TEST_F(FirmwareUpdate, StopEndsTheTransferBetweenBlocks) {
  for (int blocks : {0, 10}) {
    SCOPED_TRACE(blocks);
    Ui.Shown.clear();
    Ui.Progress.clear();
    Ui.Answers = {TAnswer::Yes};
    Ui.StopAfterProgress = blocks + 1;  // the start's position, then one per block
    EXPECT_EQ(Run(), TFirmwareUpdateResult::Stopped);
    EXPECT_EQ(BlocksSent().size(), static_cast<size_t>(blocks));
    EXPECT_EQ(Ui.Progress.back(), 0);
    const auto& last = Ui.Shown.back();
    if (blocks == 0) {
      EXPECT_EQ(last.Kind, TKind::Message);
      EXPECT_EQ(last.Text, "Operation stopped.");
    } else {
      EXPECT_EQ(last.Kind, TKind::Error);
      EXPECT_EQ(last.Text,
                "Operation stopped.\n\rThe programmer's firmware is incomplete: run the firmware update again.");
    }
  }
}

TEST_F(FirmwareUpdate, MissingReplyStopsWithVerifNotOk) {
  struct {
    const char* Fault;
    int Block;
  } cases[] = {{"no answer", 0}, {"no answer", 503}, {"late answer", 7}, {"unplugged", 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Fault << " at block " << c.Block);
    if (!Programmer.HeldDevice) break;
    Ui.Shown.clear();
    Ui.Progress.clear();
    Ui.Answers = {TAnswer::Yes};
    const uint64_t at = Device->ExchangeCount() + 2 + c.Block;
    if (std::string(c.Fault) == "no answer") Device->NoAnswerAt(at);
    if (std::string(c.Fault) == "late answer") Device->LateAnswerAt(at);
    if (std::string(c.Fault) == "unplugged") Device->UnplugAt(at);
    EXPECT_EQ(Run(), TFirmwareUpdateResult::VerifyFailed);
    EXPECT_EQ(Ui.Shown.back().Text, Ui.MessageText("VerifNotOK"));
    const bool lost = std::string(c.Fault) == "unplugged";  // the block never reached the device
    EXPECT_EQ(BlocksSent().size(), static_cast<size_t>(c.Block + (lost ? 0 : 1)));
    EXPECT_EQ(Ui.Progress.size(), static_cast<size_t>(c.Block) + 1);
  }
}

}  // namespace
