// The device list: start-up notification, claiming order, unplugging, enumeration failures,
// nested and deferred notifications.
#include "hid/hid_fixture.h"

TEST_F(HidFixture, StartupWithoutDevicesRaisesOneChangeAndClaimsNothing) {
  Start();
  EXPECT_EQ(Changes, 0) << "nothing is enumerated before the event loop runs";
  Loop.RunPosted();
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Controller->NotificationParameter(), THidDeviceController::kStartupNotification);
  THidDevice* d = reinterpret_cast<THidDevice*>(1);
  EXPECT_FALSE(Controller->ClaimById(d, 0x03E5, 0xD11D));
  EXPECT_EQ(d, nullptr);
  Loop.PollOnce();
  EXPECT_EQ(Changes, 1) << "no device came or went";
}

TEST_F(HidFixture, MissingLibrariesGiveNoDevicesAndNoEvents) {
  Sim->LibrariesLoaded = false;
  Sim->PlugIn(Info(0x03E5, 0xD11D));
  Start();
  Loop.PollOnce();
  Sim->PlugIn(Info(0x03E5, 0xD11D));
  Loop.PollOnce();
  EXPECT_EQ(Changes, 0);
  EXPECT_EQ(Claim(), nullptr);
}

TEST_F(HidFixture, FirstFoundProgrammerIsClaimedAgainAfterRelease) {
  auto& first = Sim->PlugIn(Info(0x03E5, 0xD11D));
  Sim->PlugIn(Info(0x1234, 0xD11D));
  auto& second = Sim->PlugIn(Info(0x03E5, 0xD11D));
  Start();
  Loop.RunPosted();
  ASSERT_EQ(Controller->Devices().size(), 3u);

  THidDevice* a = Claim();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->DevInst(), first.DevInst());
  EXPECT_TRUE(a->Claimed());
  THidDevice* b = Claim();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->DevInst(), second.DevInst()) << "a claimed device is never taken twice";
  EXPECT_EQ(Claim(), nullptr);

  Controller->Release(a);
  EXPECT_EQ(a, nullptr);
  THidDevice* again = Claim();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->DevInst(), first.DevInst());

  THidDevice* any = Claim(0x1234, -1);  // -1 matches any product
  ASSERT_NE(any, nullptr);
  EXPECT_EQ(any->VendorID(), 0x1234);
  THidDevice* none = nullptr;
  Controller->Release(none);  // nothing to do
}

TEST_F(HidFixture, ClaimedDeviceUnpluggedStaysUntilReleased) {
  auto& port = Sim->PlugIn(Info(0x03E5, 0xD11D));
  auto& other = Sim->PlugIn(Info(0x0001, 0x0002));
  Start();
  Loop.RunPosted();
  THidDevice* d = Claim();
  ASSERT_NE(d, nullptr);
  uint8_t report[65] = {};
  size_t n = 0;
  ASSERT_TRUE(d->WriteReport(report, 65, n));
  EXPECT_EQ(port.OpenHandles(), 1);

  port.Unplug();
  other.Unplug();  // a free device that goes is taken out at once
  Loop.PollOnce();
  EXPECT_EQ(Changes, 2);
  ASSERT_EQ(Controller->Devices().size(), 1u);
  EXPECT_EQ(Controller->Devices()[0].get(), d);
  EXPECT_FALSE(d->PluggedIn());
  EXPECT_TRUE(d->Claimed());
  EXPECT_EQ(port.OpenHandles(), 0) << "unplugging closes the handle";
  EXPECT_FALSE(d->WriteReport(report, 65, n));
  EXPECT_EQ(Claim(), nullptr) << "an unplugged claimed device is never taken";

  Controller->Release(d);
  EXPECT_TRUE(Controller->Devices().empty());

  // The device comes back as a new object at the end of the list.
  Sim->PlugIn(Info(0x0001, 0x0002));
  Sim->PlugIn(Info(0x03E5, 0xD11D));
  Loop.PollOnce();
  EXPECT_EQ(Changes, 3);
  ASSERT_EQ(Controller->Devices().size(), 2u);
  EXPECT_EQ(Controller->Devices()[1]->VendorID(), 0x03E5);
}

TEST_F(HidFixture, DevicesThatCannotBeReadDoNotStopTheEnumeration) {
  struct TCase {
    const char* Name;
    bool FailDetail, FailAttributes, FailOpen;
    bool Listed;
  };
  const TCase cases[] = {
      {"detail", true, false, false, false},
      {"attributes", false, true, false, false},
      {"read/write open (attributes still read)", false, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto p = std::make_unique<TSimulatedHidPlatform>();
    TSimulatedHidDeviceInfo bad = Info(0x03E5, 0xD11D);
    bad.FailDetail = c.FailDetail;
    bad.FailAttributes = c.FailAttributes;
    bad.FailOpen = c.FailOpen;
    p->PlugIn(bad);
    p->PlugIn(Info(0x03E5, 0xD11D));
    THidDeviceController controller(std::move(p), Loop);
    Loop.RunPosted();
    EXPECT_EQ(controller.Devices().size(), c.Listed ? 2u : 1u);
    THidDevice* d = nullptr;
    ASSERT_TRUE(controller.ClaimById(d, 0x03E5, 0xD11D));
    if (c.Listed) {
      uint8_t report[65] = {};
      size_t n = 0;
      EXPECT_FALSE(d->WriteReport(report, 65, n)) << "a device opened without access cannot transfer";
      EXPECT_EQ(d->Capabilities().OutputReportByteLength, 65) << "its lengths can still be read";
    }
  }
}

TEST_F(HidFixture, NotificationsDuringTheChangeEventAreDropped) {
  Start();
  int depth = 0, deepest = 0;
  Controller->OnDeviceChange = [&](THidDeviceController& c) {
    ++Changes;
    deepest = std::max(deepest, ++depth);
    Sim->PlugIn(Info(0x03E5, 0xD11D));
    c.CheckForChanges();  // as if the handler let the event loop run
    --depth;
  };
  Loop.RunPosted();
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(deepest, 1);
}

TEST_F(HidFixture, DeferredChangesArriveOnceWhenTheLastDeferralEnds) {
  Start();
  Loop.RunPosted();
  {
    auto outer = Controller->DeferChanges();
    {
      auto inner = Controller->DeferChanges();
      Sim->PlugIn(Info(0x03E5, 0xD11D));
      Loop.PollOnce();
      Sim->PlugIn(Info(0x03E5, 0xD11D));
      Loop.PollOnce();
    }
    Loop.RunPosted();
    EXPECT_EQ(Changes, 1) << "held back while a deferral lives";
  }
  Loop.RunPosted();
  EXPECT_EQ(Changes, 2);
  EXPECT_EQ(Controller->Devices().size(), 2u);
}

TEST_F(HidFixture, PostedNotificationAfterDestructionDoesNothing) {
  Start();
  Controller.reset();
  Loop.RunPosted();  // the start-up notification finds the controller gone
  EXPECT_EQ(Changes, 0);
}
