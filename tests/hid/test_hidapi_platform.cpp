// The hidapi back end on this machine: it loads, enumerates, and raises the start-up change.
#include <gtest/gtest.h>

#include "hid/hid_controller.h"

TEST(HidapiPlatform, StartsUpAndRaisesTheStartupChange) {
  TManualHidEventLoop loop;
  THidDeviceController controller(CreateHidapiPlatform(), loop);
  ASSERT_TRUE(controller.Platform().Loaded());
  int changes = 0;
  controller.OnDeviceChange = [&](THidDeviceController&) { ++changes; };
  loop.RunPosted();
  EXPECT_EQ(changes, 1);
  for (const auto& d : controller.Devices()) {
    EXPECT_FALSE(d->DevicePath().empty());
    EXPECT_FALSE(d->DevInst().empty());
  }
  // Nothing came or went since: polling or the udev monitor reports no change.
  controller.CheckForChanges();
  EXPECT_EQ(changes, 1);
}
