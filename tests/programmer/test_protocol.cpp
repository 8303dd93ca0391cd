// The report buffer, the command header and the exchange rule.
#include "programmer/programmer_fixture.h"

TEST(BuildHeader, SetsOnlyTheHeaderBytes) {
  TReport r;
  r.fill(0xEE);
  TChip c = Chip(0x103, 4096, 0x120, -1);  // only the low bytes travel
  BuildHeader(r, c, CmdRead, 1);
  for (size_t i = 0; i < r.size(); ++i) {
    SCOPED_TRACE(i);
    switch (i) {
      case 0: EXPECT_EQ(r[i], 0); break;
      case 1: EXPECT_EQ(r[i], CmdRead); break;
      case 2: EXPECT_EQ(r[i], 1); break;
      case 3: EXPECT_EQ(r[i], 0x03); break;
      case 4: EXPECT_EQ(r[i], 0xFF); break;
      case 5: EXPECT_EQ(r[i], 0x20); break;
      case 7:
      case 8:
      case 9: EXPECT_EQ(r[i], 0); break;
      case 17: EXPECT_EQ(r[i], 0x77); break;
      default: EXPECT_EQ(r[i], 0xEE) << "kept";
    }
  }
}

TEST_F(ProgrammerFixture, ReplyOverwritesTheCommandAndLeftoversCarryOver) {
  StartUp();
  ASSERT_NE(Programmer.HeldDevice, nullptr);
  for (int a = 0; a < 64; ++a) Device->Chip[a] = static_cast<uint8_t>(0xA0 + a);
  Device->RecordReports = true;

  Programmer.BuildHeader(Chip(1, 256, 16, 0), CmdRead, 1);
  Programmer.Report[5] = 32;
  Programmer.Report[7] = 0x20;
  Programmer.Report[6] = 0x66;
  ASSERT_TRUE(Programmer.ExchangeReport());
  const TReport readReply = Programmer.Report;
  EXPECT_EQ(readReply[33], 0xC0);  // chip byte 0x20
  EXPECT_EQ(readReply[64], 0xDF);

  // The version request sets bytes 0, 1, 2 and 17 only: the rest is what the read reply left.
  ASSERT_TRUE(GetVersionInfo(Programmer, Ui, false));
  ASSERT_EQ(Device->Sent.size(), 2u);
  const auto& request = Device->Sent[1];
  EXPECT_EQ(request[1], CmdVersion);
  EXPECT_EQ(request[2], CmdVersionSub);
  EXPECT_EQ(request[17], 0) << "no chip-command mark";
  for (size_t i = 3; i < ReportSize; ++i) {
    if (i == 17) continue;
    EXPECT_EQ(request[i], readReply[i]) << "byte " << i;
  }
}

TEST_F(ProgrammerFixture, ExchangeFailuresAreTold) {
  EXPECT_FALSE(Programmer.ExchangeReport());
  EXPECT_EQ(Programmer.LastStatus, TExchangeStatus::NoDevice);

  StartUp();
  Device->NoAnswerAt(Device->ExchangeCount());
  EXPECT_FALSE(Programmer.ExchangeReport());
  EXPECT_EQ(Programmer.LastStatus, TExchangeStatus::TimedOut);
  EXPECT_TRUE(Programmer.ExchangeReport());
  EXPECT_EQ(Programmer.LastStatus, TExchangeStatus::Ok);

  // The device goes while this exchange's report is sent: no read is tried.
  Device->UnplugAt(Device->ExchangeCount());
  EXPECT_FALSE(Programmer.ExchangeReport());
  EXPECT_EQ(Programmer.LastStatus, TExchangeStatus::WriteFailed);
}

TEST_F(ProgrammerFixture, LateReplyIsNotTakenForTheNextOne) {
  StartUp();
  Device->Chip[0] = 0x5A;
  Device->LateAnswerAt(Device->ExchangeCount());
  Programmer.BuildHeader(Chip(1, 256, 16, 0), CmdRead, 1);
  Programmer.Report[5] = 32;
  EXPECT_FALSE(Programmer.ExchangeReport());
  EXPECT_EQ(Programmer.LastStatus, TExchangeStatus::TimedOut);

  // The read reply arrives now; the version request must still get the version reply.
  Device->Major = 4;
  ASSERT_TRUE(GetVersionInfo(Programmer, Ui, false));
  EXPECT_EQ(Programmer.Major, 4);
  EXPECT_EQ(Panel0, "Mervo v.4.7");
}

TEST_F(ProgrammerFixture, ReportsLongerThanTheBufferAreNeverTransferred) {
  Sim->Present()[0]->Unplug();
  auto big = std::make_shared<TSimulatedProgrammer>();
  TSimulatedHidDeviceInfo info = TSimulatedProgrammer::DeviceInfo();
  info.InputReportByteLength = 129;
  Sim->PlugIn(info, big);
  StartUp();
  ASSERT_NE(Programmer.HeldDevice, nullptr);
  EXPECT_EQ(Programmer.LastStatus, TExchangeStatus::ReportTooLong) << "the silent version query";
  Programmer.Report.fill(0x11);
  EXPECT_FALSE(Programmer.ExchangeReport());
  EXPECT_EQ(big->ExchangeCount(), 0u);
  EXPECT_EQ(Programmer.Report[64], 0x11);
  EXPECT_EQ(Panel0, "");
}
