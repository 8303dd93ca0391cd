// The link on a shared, imperfect bench: replies that are stale, late or meant for another program,
// a device node held by another program or closed to this user, writes the device does not take.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "programmer/chip_operations.h"
#include "programmer_fixture.h"

namespace {

using TKind = TScriptedUserInterface::TKind;

const TChip kChip = Chip(1, 256, 16, 0);  // eight 32-byte blocks: open, 8 reads, close

// Reads the chip and expects exactly its bytes.
void ExpectExactRead(TProgrammer& p, TSimulatedProgrammer& device, TUserInterface& ui) {
  std::vector<uint8_t> target(256, 0);
  ASSERT_EQ(ReadChipTo(p, kChip, target, ui), TChipRun::Done);
  EXPECT_EQ(0, std::memcmp(target.data(), device.Chip.data(), target.size()));
}

// Replies waiting before the read (another program's), and the late reply of a command that timed
// out, arriving when the closing command would be waiting for its answer: neither is taken for an
// answer, and the next read gives exactly the chip's bytes.
TEST_F(ProgrammerFixture, NoStaleReplyIsTakenForAnAnswer) {
  enum class TStray { QueuedBefore, LateAfterTimeOut };
  for (TStray kind : {TStray::QueuedBefore, TStray::LateAfterTimeOut}) {
    SCOPED_TRACE(static_cast<int>(kind));
    TSimulation s = CreateSimulation();
    auto device = s.Programmer;
    TSimulatedHidPlatform& sim = *s.Platform;
    sim.WaitOnEmptyRead = false;  // the platform's clock alone: exact and quick
    device->LatencyMs = 4;        // every read waits for its answer, as on real hardware
    TManualHidEventLoop loop;
    THidDeviceController controller(std::move(s.Platform), loop);
    controller.ReadTimeoutMs = 10;
    TProgrammer p(controller);
    TScriptedUserInterface ui;
    controller.OnDeviceChange = [&](THidDeviceController&) { p.DeviceChange(ui); };
    loop.RunPosted();
    ASSERT_NE(p.HeldDevice, nullptr);
    TSimulatedHidPort& port = *sim.Present()[0];
    TSimulatedProgrammer::TRawReport junk;
    junk.fill(0x99);
    junk[0] = 0;

    if (kind == TStray::QueuedBefore) {
      port.QueueInput(junk.data(), junk.size());
      port.QueueInput(junk.data(), junk.size());
      ExpectExactRead(p, *device, ui);
      continue;
    }
    // Block 3 is not answered in time: its reply comes 2 ms after the time-out, when the closing
    // command, sent at once, would be waiting for its own answer (4 ms).
    const uint64_t block3 = device->ExchangeCount() + 4;
    device->LateAnswerAt(block3, controller.ReadTimeoutMs + 2);
    std::vector<uint8_t> target(256, 0);
    EXPECT_EQ(ReadChipTo(p, kChip, target, ui), TChipRun::NoAnswer);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{ui.MessageText("ProgNoAnswer")});
    EXPECT_EQ(p.Report[DataArea], TSimulatedProgrammer::kUnusedByte) << "the closing command got its own answer";
    ui.Shown.clear();
    ExpectExactRead(p, *device, ui);
    ExpectExactRead(p, *device, ui);
  }
}

// Before an output report nothing waits for a reply that is not there.
TEST_F(ProgrammerFixture, DrainAddsNoWaitWhenNothingIsPending) {
  StartUp();
  const int64_t before = Sim->NowMs();
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(GetVersionInfo(Programmer, Ui, false));
  EXPECT_EQ(Sim->NowMs(), before);
}

// Asked for the device's pace (--sim-latency), the simulation keeps real time: a read that gets
// no answer waits out its time-out, and the next command first waits out the late reply, as with
// a dead device. The time-out itself is shortened through the API.
TEST(LinkTime, LatencyKeepsRealTimeThroughAFailure) {
  TSimulationOptions o;
  o.LatencyMs = 1;
  o.Seed = 1;
  TSimulation s = CreateSimulation(o);
  auto device = s.Programmer;
  TManualHidEventLoop loop;
  THidDeviceController controller(std::move(s.Platform), loop);
  constexpr int kTimeOutMs = 150;
  controller.ReadTimeoutMs = kTimeOutMs;
  TProgrammer p(controller);
  TScriptedUserInterface ui;
  controller.OnDeviceChange = [&](THidDeviceController&) { p.DeviceChange(ui); };
  loop.RunPosted();
  ASSERT_NE(p.HeldDevice, nullptr);
  device->NoAnswerAt(device->ExchangeCount() + 4);
  std::vector<uint8_t> target(256, 0);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadChipTo(p, kChip, target, ui), TChipRun::NoAnswer);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2 * kTimeOutMs));
}

// Records whether the programmer was locked whenever the operation moved its progress bar.
class TLockWatchingUi : public TScriptedUserInterface {
 public:
  TSimulatedHidPort* Port = nullptr;
  int Unlocked = 0;
  void SetProgress(int position) override {
    if (position != 0 && !Port->Locked()) ++Unlocked;
    TScriptedUserInterface::SetProgress(position);
  }
};

TEST_F(ProgrammerFixture, AnOperationHoldsTheProgrammerAndAnotherProgramIsTurnedAway) {
  StartUp();
  TSimulatedHidPort& port = *Sim->Present()[0];
  TLockWatchingUi ui;
  ui.Port = &port;
  std::vector<uint8_t> target(256, 0);
  ASSERT_EQ(ReadChipTo(Programmer, kChip, target, ui), TChipRun::Done);
  EXPECT_EQ(ui.Unlocked, 0) << "locked while it ran";
  EXPECT_FALSE(port.Locked()) << "and free after it";

  // Another program holds it: every operation says so and sends nothing.
  auto other = Sim->Open(port.Path(), THidAccess::ReadWrite);
  ASSERT_EQ(other->TryLock(), THidLockResult::Locked);
  const uint64_t sent = Device->ExchangeCount();
  const std::string busy = Ui.MessageText("ProgBusy");
  EXPECT_EQ(ReadChipTo(Programmer, kChip, target, Ui), TChipRun::NoAnswer);
  EXPECT_EQ(WriteAndCheckChip(Programmer, kChip, target, Ui), TChipCheck::NoAnswer);
  EXPECT_EQ(VerifyChip(Programmer, kChip, target, Ui), TChipCheck::NoAnswer);
  EXPECT_FALSE(GetVersionInfo(Programmer, Ui, true));
  EXPECT_FALSE(GetVersionInfo(Programmer, Ui, false)) << "silently";
  EXPECT_EQ(Ui.Texts(), (std::vector<std::string>{busy, busy, busy, busy}));
  EXPECT_EQ(Ui.Shown[0].Kind, TKind::Error);
  EXPECT_EQ(Programmer.LastStatus, TExchangeStatus::Busy);
  EXPECT_EQ(Device->ExchangeCount(), sent);

  other.reset();  // the other program ends
  ExpectExactRead(Programmer, *Device, Ui);
}

// Why the programmer can't be used, one message each; the chip is closed where it can be.
TEST_F(ProgrammerFixture, FailuresSayWhy) {
  struct TCase {
    const char* Name;
    const char* Key;
    TExchangeStatus Status;
    bool ChipClosed;
  };
  const TCase cases[] = {
      {"no permission", "ProgNoAccess", TExchangeStatus::NoAccess, false},
      {"unplugged", "ProgUnplugged", TExchangeStatus::WriteFailed, false},
      {"write not taken", "ProgNoAnswer", TExchangeStatus::TimedOut, true},
      {"no answer", "ProgNoAnswer", TExchangeStatus::TimedOut, true},
      {"short reply", "ProgBadReply", TExchangeStatus::BadReply, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSimulation s = CreateSimulation();
    auto device = s.Programmer;
    s.Platform->WaitOnEmptyRead = false;
    TSimulatedHidPlatform& sim = *s.Platform;
    if (std::string(c.Name) == "no permission") {
      sim.Present()[0]->Unplug();
      TSimulatedHidDeviceInfo info = TSimulatedProgrammer::DeviceInfo();
      info.DenyAccess = true;
      sim.PlugIn(info, device);
    }
    TManualHidEventLoop loop;
    THidDeviceController controller(std::move(s.Platform), loop);
    controller.ReadTimeoutMs = 10;
    TProgrammer p(controller);
    TScriptedUserInterface ui;
    controller.OnDeviceChange = [&](THidDeviceController&) { p.DeviceChange(ui); };
    loop.RunPosted();
    ASSERT_NE(p.HeldDevice, nullptr);
    device->RecordReports = true;
    const uint64_t at = device->ExchangeCount() + 3;
    if (std::string(c.Name) == "unplugged") device->UnplugAt(at);
    if (std::string(c.Name) == "write not taken") device->RefuseWriteAt(at);
    if (std::string(c.Name) == "no answer") device->NoAnswerAt(at);
    if (std::string(c.Name) == "short reply") device->ShortAnswerAt(at);

    std::vector<uint8_t> target(256, 0x11);
    EXPECT_EQ(ReadChipTo(p, kChip, target, ui), TChipRun::NoAnswer);
    EXPECT_EQ(p.LastStatus, c.Status);
    std::string text = ui.MessageText(c.Key);
    if (c.Status == TExchangeStatus::NoAccess) {
      text = FormatText(text, {p.HeldDevice->DevicePath()});
      EXPECT_NE(text.find(p.HeldDevice->DevicePath()), std::string::npos) << "names the node";
      EXPECT_TRUE(device->Sent.empty());
    }
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{text});
    EXPECT_EQ(ui.Shown[0].Kind, TKind::Error);
    EXPECT_TRUE(std::all_of(target.begin(), target.end(), [](uint8_t b) { return b == 0x11; }));
    if (!ui.Progress.empty()) {
      EXPECT_EQ(ui.Progress.back(), 0);
    }
    const bool closed = !device->Sent.empty() && device->Sent.back()[1] == CmdChipAccess && device->Sent.back()[2] == 2;
    EXPECT_EQ(closed, c.ChipClosed);
    if (c.ChipClosed) {
      ui.Shown.clear();
      ExpectExactRead(p, *device, ui);
    }
  }
}

}  // namespace
