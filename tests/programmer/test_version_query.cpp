// The version query and the held programmer across device changes.
#include "programmer/programmer_fixture.h"

using TKind = TScriptedUserInterface::TKind;

TEST_F(ProgrammerFixture, StartupClaimsTheProgrammerAndShowsItsVersionSilently) {
  StartUp();
  ASSERT_NE(Programmer.HeldDevice, nullptr);
  EXPECT_EQ(Programmer.HeldDevice->VendorID(), ProgrammerVendorId);
  EXPECT_EQ(Panel0, "Mervo v.1.7");
  EXPECT_EQ(Programmer.Major, 1);
  EXPECT_EQ(Programmer.Minor, 7);
  EXPECT_TRUE(Ui.Shown.empty());
}

TEST_F(ProgrammerFixture, VersionReplies) {
  struct TCase {
    const char* Name;
    uint8_t Major, Minor;
    bool WrongMark, NoAnswer, FromMenu;
    const char* Panel;  // panel 0 afterwards
    const char* Box;    // the box shown, or null
  };
  const TCase cases[] = {
      {"2.10 from the menu", 2, 10, false, false, true, "Mervo v.2.10", "Version info: 2.10"},
      {"2.10 silently", 2, 10, false, false, false, "Mervo v.2.10", nullptr},
      {"0xA4 from the menu", 3, 0, true, false, true, "Mervo v.1.7", nullptr},
      {"no answer from the menu", 3, 0, false, true, true, "Mervo v.1.7", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Device->ClearFaults();
    Device->Major = 1;
    Device->Minor = 7;
    StartUp();
    Programmer.DeviceChange(Ui);
    Ui.Shown.clear();
    Device->Major = c.Major;
    Device->Minor = c.Minor;
    Device->WrongVersionMark = c.WrongMark;
    Device->NeverAnswer = c.NoAnswer;
    bool ok = GetVersionInfo(Programmer, Ui, c.FromMenu);
    EXPECT_EQ(ok, !c.WrongMark && !c.NoAnswer);
    EXPECT_EQ(Panel0, c.Panel);
    EXPECT_EQ(VersionPanelText(Programmer), c.Panel) << "the version kept by the programmer";
    if (c.Box) {
      ASSERT_EQ(Ui.Shown.size(), 1u);
      EXPECT_EQ(Ui.Shown[0].Kind, TKind::Message);
      EXPECT_EQ(Ui.Shown[0].Text, c.Box);
    } else {
      EXPECT_TRUE(Ui.Shown.empty());
    }
  }
}

TEST_F(ProgrammerFixture, UnrelatedDeviceReclaimsTheProgrammerAndRefreshesTheVersion) {
  StartUp();
  const std::string inst = Programmer.HeldDevice->DevInst();
  Device->Major = 3;
  Sim->PlugIn(TSimulatedHidDeviceInfo{0x1111, 0x2222});
  Controller->CheckForChanges();
  ASSERT_NE(Programmer.HeldDevice, nullptr);
  EXPECT_EQ(Programmer.HeldDevice->DevInst(), inst);
  EXPECT_EQ(Panel0, "Mervo v.3.7");
}

TEST_F(ProgrammerFixture, UnpluggedProgrammerIsDroppedAndTheMenuSaysNotFound) {
  // The version panel empties once the programmer is gone.
  StartUp();
  Sim->Present()[0]->Unplug();
  Controller->CheckForChanges();
  EXPECT_EQ(Programmer.HeldDevice, nullptr);
  EXPECT_TRUE(Controller->Devices().empty()) << "released, so destroyed";
  EXPECT_EQ(Panel0, "");
  EXPECT_FALSE(GetVersionInfo(Programmer, Ui, true));
  ASSERT_EQ(Ui.Shown.size(), 1u);
  EXPECT_EQ(Ui.Shown[0].Kind, TKind::Message);
  EXPECT_EQ(Ui.Shown[0].Text, "Programmer not found!");

  // Plugged in again: claimed and queried.
  Device->Major = 5;
  Sim->PlugIn(TSimulatedProgrammer::DeviceInfo(), Device);
  Controller->CheckForChanges();
  ASSERT_NE(Programmer.HeldDevice, nullptr);
  EXPECT_EQ(Panel0, "Mervo v.5.7");
}
