// Report transfers on a device: claiming rules, the read time-out, late replies, capabilities.
#include <chrono>

#include "hid/hid_fixture.h"

TEST_F(HidFixture, TransfersNeedAClaimedPluggedInDevice) {
  auto endpoint = std::make_shared<TEchoEndpoint>();
  auto& port = Sim->PlugIn(Info(0x03E5, 0xD11D), endpoint);
  Start();
  Loop.RunPosted();
  THidDevice* free = Controller->Devices()[0].get();
  uint8_t r[65] = {0, 0x41};
  size_t n = 0;
  EXPECT_FALSE(free->WriteReport(r, 65, n));
  EXPECT_FALSE(free->ReadReport(r, 65, n));
  EXPECT_EQ(free->Capabilities().InputReportByteLength, 0) << "all zero while not claimed";

  THidDevice* d = Claim();
  ASSERT_EQ(d, free);
  EXPECT_EQ(d->Capabilities().InputReportByteLength, 65);
  EXPECT_EQ(d->Capabilities().OutputReportByteLength, 65);
  ASSERT_TRUE(d->WriteReport(r, 65, n));
  ASSERT_TRUE(d->ReadReport(r, 65, n));
  EXPECT_EQ(r[1], 0x42);

  THidDevice* held = d;
  Controller->Release(d);
  EXPECT_EQ(port.OpenHandles(), 0);
  EXPECT_FALSE(held->WriteReport(r, 65, n)) << "released";
  EXPECT_FALSE(held->ReadReport(r, 65, n));
  EXPECT_EQ(endpoint->Received, 1);
}

TEST_F(HidFixture, ReadWaitsAtMostTheTimeOutAndALateReplyIsDropped) {
  auto endpoint = std::make_shared<TEchoEndpoint>();
  endpoint->LateAt = 0;
  Sim->PlugIn(Info(0x03E5, 0xD11D), endpoint);
  Start();
  Loop.RunPosted();
  Controller->ReadTimeoutMs = 50;
  THidDevice* d = Claim();
  uint8_t r[65] = {0, 0x10};
  size_t n = 0;
  ASSERT_TRUE(d->WriteReport(r, 65, n));
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(d->ReadReport(r, 65, n));
  auto waited = std::chrono::steady_clock::now() - t0;
  EXPECT_TRUE(d->ReadTimedOut());
  EXPECT_GE(waited, std::chrono::milliseconds(50));
  EXPECT_LT(waited, std::chrono::milliseconds(kHidReadTimeoutMs));

  // The reply to 0x10 has arrived by now; the next exchange must get the reply to its own command.
  r[1] = 0x20;
  ASSERT_TRUE(d->WriteReport(r, 65, n));
  ASSERT_TRUE(d->ReadReport(r, 65, n));
  EXPECT_FALSE(d->ReadTimedOut());
  EXPECT_EQ(r[1], 0x21);
}

TEST_F(HidFixture, DeviceWithoutAnEndpointNeverAnswers) {
  Sim->WaitOnEmptyRead = false;
  Sim->PlugIn(Info(0x03E5, 0xD11D));
  Start();
  Loop.RunPosted();
  THidDevice* d = Claim();
  uint8_t r[65] = {};
  size_t n = 0;
  EXPECT_TRUE(d->WriteReport(r, 65, n));
  EXPECT_FALSE(d->ReadReport(r, 65, n));
  EXPECT_TRUE(d->ReadTimedOut());
  EXPECT_FALSE(d->WriteReport(r, 64, n)) << "a report of the wrong length is refused by the driver";
}
