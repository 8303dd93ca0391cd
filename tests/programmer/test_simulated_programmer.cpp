// The simulated programmer's side of the protocol: chip commands per type, firmware commands,
// faults and recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "simulator/simulated_programmer.h"
#include "support/temp_dir.h"

namespace {

using TRaw = TSimulatedProgrammer::TRawReport;

TRaw Command(uint8_t code, uint8_t sub, uint8_t type = 0, uint8_t org = 0, uint8_t page = 0) {
  TRaw r{};
  r[1] = code;
  r[2] = sub;
  r[3] = type;
  r[4] = org;
  r[5] = page;
  r[17] = 0x77;
  return r;
}

TRaw Send(TSimulatedProgrammer& p, const TRaw& c) {
  TRaw reply{};
  EXPECT_TRUE(p.Respond(c.data(), c.size(), reply));
  return reply;
}

// A chip command with its address bytes 7, 8, 9.
TRaw At(TRaw c, size_t b7, size_t b8, size_t b9) {
  c[7] = static_cast<uint8_t>(b7);
  c[8] = static_cast<uint8_t>(b8);
  c[9] = static_cast<uint8_t>(b9);
  return c;
}

// A firmware command: the signature 4D 56 C3 1A in bytes 17 to 20.
TRaw Signed(uint8_t code) {
  TRaw r{};
  r[1] = code;
  const uint8_t signature[] = {0x4D, 0x56, 0xC3, 0x1A};
  std::copy(std::begin(signature), std::end(signature), r.begin() + 17);
  return r;
}

}  // namespace

TEST(SimulatedProgrammer, WritesLandInTheImageAndReadsGiveThemBack) {
  struct TCase {
    const char* Name;
    uint8_t Type, Org;
    size_t B7, B8, B9;  // address bytes of the write and the read
    size_t Address;     // where the first byte lands in the image
    size_t Count;       // bytes per command
    bool WriteAccess;   // 0x11 open needed
  };
  const TCase cases[] = {
      {"type 1", 1, 0, 0x40, 0x12, 0, 0x1240, 16, false},
      {"type 2: third address byte", 2, 0, 0x00, 0x00, 0x01, 0x10000, 32, true},
      {"type 3 word: unit 5", 3, 1, 5, 0, 1, 10, 2, true},
      {"type 3 byte: unit 0x105", 3, 0, 5, 1, 0, 0x105, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TSimulatedProgrammer p;
    const uint8_t past = p.Chip[c.Address + c.Count];
    TRaw open = Command(0x10, 1, c.Type, c.Org);
    open[9] = c.Org;
    Send(p, open);
    if (c.WriteAccess) Send(p, Command(0x11, 1, c.Type, c.Org));
    TRaw w = At(Command(0x30, 1, c.Type, c.Org, static_cast<uint8_t>(c.Count)), c.B7, c.B8, c.B9);
    for (size_t j = 0; j < 32; ++j) w[33 + j] = static_cast<uint8_t>(0x80 + j);
    Send(p, w);
    if (c.WriteAccess) Send(p, Command(0x11, 2, c.Type, c.Org));
    for (size_t j = 0; j < c.Count; ++j) EXPECT_EQ(p.Chip[c.Address + j], 0x80 + j) << j;
    EXPECT_EQ(p.Chip[c.Address + c.Count], past) << "nothing past the command's bytes";

    TRaw reply = Send(p, At(Command(0x20, 1, c.Type, c.Org, static_cast<uint8_t>(c.Count)), c.B7, c.B8, c.B9));
    if (c.Type == 3 && c.Org > 0) {
      // Read back the other way round: byte 34 holds the even address, byte 33 the odd one.
      EXPECT_EQ(reply[34], 0x80);
      EXPECT_EQ(reply[33], 0x81);
    } else {
      for (size_t j = 0; j < c.Count; ++j) EXPECT_EQ(reply[33 + j], 0x80 + j) << j;
    }
    Send(p, Command(0x10, 2, c.Type, c.Org));
  }
}

TEST(SimulatedProgrammer, WritesOutsideTheirAccessChangeNothing) {
  TSimulatedProgrammer p;
  const uint8_t first = p.Chip[0];
  TRaw w = Command(0x30, 1, 1, 0, 32);
  w[33] = 0x12;
  Send(p, w);  // chip not open
  EXPECT_EQ(p.Chip[0], first);
  Send(p, Command(0x10, 1, 2));
  TRaw w2 = Command(0x30, 1, 2, 0, 32);
  w2[33] = 0x34;
  Send(p, w2);  // type 2 without write access
  EXPECT_EQ(p.Chip[0], first);
  Send(p, Command(0x11, 1, 2));
  Send(p, w2);
  EXPECT_EQ(p.Chip[0], 0x34);
}

TEST(SimulatedProgrammer, FirmwareCommands) {
  TSimulatedProgrammer p;
  p.FirmwareId = {0x12, 0x34, 0x56, 0x78};
  TRaw info = Send(p, Signed(0x21));
  EXPECT_EQ(info[1], 1);
  EXPECT_EQ(std::vector<uint8_t>(info.begin() + 33, info.begin() + 37), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}));

  TRaw unsigned_ = Signed(0x21);
  unsigned_[20] ^= 1;
  EXPECT_EQ(Send(p, unsigned_)[1], TSimulatedProgrammer::kUnusedByte) << "not a firmware command without the signature";
  p.RefuseFirmwareInfo = true;
  EXPECT_EQ(Send(p, Signed(0x21))[1], 0);

  // The last block, image bytes j = 0xC0 + j: sent XOR 3·j, answered XOR 5·j, then current.
  TRaw block = Signed(0x10);
  block[5] = 0xE0;
  block[6] = 0x3E;
  for (int j = 0; j < 32; ++j) block[33 + j] = static_cast<uint8_t>((0xC0 + j) ^ (3 * j));
  TRaw reply = Send(p, block);
  for (int j = 0; j < 32; ++j) EXPECT_EQ(reply[33 + j] ^ (5 * j), 0xC0 + j) << j;
  EXPECT_EQ(p.Firmware[16096 + 31], 0xDF);
  EXPECT_EQ(p.FirmwareId[0], p.Firmware[0]);
}

TEST(SimulatedProgrammer, FaultsHitTheirExchangeOnly) {
  TSimulatedProgrammer p;
  p.RecordReports = true;
  const TRaw version = Command(0xAA, 0x33);
  Send(p, version);  // exchange 0
  p.FlipByteAt(2, 4);
  p.NoAnswerAt(3);
  TRaw reply{};
  EXPECT_TRUE(p.Respond(version.data(), version.size(), reply));  // 1
  EXPECT_EQ(reply[1], 0xA5);
  EXPECT_EQ(reply[4], 1);
  EXPECT_TRUE(p.Respond(version.data(), version.size(), reply));  // 2
  EXPECT_EQ(reply[4], 0xFE) << "flipped";
  EXPECT_FALSE(p.Respond(version.data(), version.size(), reply));  // 3
  EXPECT_TRUE(p.Respond(version.data(), version.size(), reply));   // 4
  EXPECT_EQ(reply[4], 1);
  p.WrongVersionMark = true;
  EXPECT_TRUE(p.Respond(version.data(), version.size(), reply));
  EXPECT_EQ(reply[1], 0xA4);
  EXPECT_EQ(p.ExchangeCount(), 6u);
  EXPECT_EQ(p.Sent.size(), 6u);
  EXPECT_EQ(p.Sent[3], version);
}

TEST(SimulatedProgrammer, UnplugAtAnExchangeLosesThatReport) {
  TSimulatedHidPlatform platform;
  auto p = std::make_shared<TSimulatedProgrammer>();
  TSimulatedHidPort& port = platform.PlugIn(TSimulatedProgrammer::DeviceInfo(), p);
  auto handle = platform.Open(port.Path(), THidAccess::ReadWrite);
  TRaw r = Command(0xAA, 0x33);
  size_t n = 0;
  p->UnplugAt(1);
  EXPECT_EQ(handle->Write(r.data(), r.size(), n, 10), THidWriteResult::Ok);
  EXPECT_EQ(handle->Write(r.data(), r.size(), n, 10), THidWriteResult::Failed);
  EXPECT_FALSE(port.PluggedIn());
  EXPECT_EQ(p->ExchangeCount(), 1u);
  EXPECT_TRUE(platform.TakeChanges());
}

// A page write rolls over inside the physical page, as a real serial EEPROM does; addresses wrap
// at the chip's size; reads run on across pages.
TEST(SimulatedProgrammer, PagesRollOverAndAddressesWrapAtTheChipSize) {
  struct TCase {
    const char* Name;
    size_t Page, Size, Address, Count;
    size_t LastLanding;  // where the last byte of the data lands
  };
  const TCase cases[] = {
      {"inside one page", 16, 4096, 0x20, 16, 0x2F},     {"rolls over to the page start", 16, 4096, 0x28, 16, 0x27},
      {"last byte of a page", 8, 4096, 0x17, 2, 0x10},   {"no pages: straight on", 0, 4096, 0x28, 16, 0x37},
      {"wraps at the chip size", 0, 256, 0xFF, 2, 0x00},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSimulatedProgrammer p;
    p.PhysicalPageSize = c.Page;
    p.ChipSize = c.Size;
    Send(p, Command(0x10, 1, 1));
    TRaw w = At(Command(0x30, 1, 1, 0, static_cast<uint8_t>(c.Count)), c.Address & 0xFF, c.Address >> 8, 0);
    for (size_t j = 0; j < 32; ++j) w[33 + j] = static_cast<uint8_t>(0x40 + j);
    Send(p, w);
    EXPECT_EQ(p.Chip[c.Address % c.Size], 0x40);
    EXPECT_EQ(p.Chip[c.LastLanding], 0x40 + c.Count - 1);
    // A read runs on across the page: a rolled-over write does not read back where it was sent.
    const bool rolled = c.Page && (c.Address % c.Page) + c.Count > c.Page;
    TRaw r = Send(p, At(Command(0x20, 1, 1, 0, static_cast<uint8_t>(c.Count)), c.Address & 0xFF, c.Address >> 8, 0));
    EXPECT_EQ(r[33 + c.Count - 1] == 0x40 + c.Count - 1, !rolled);
    Send(p, Command(0x10, 2, 1));
  }
}

// The fresh chip holds random bytes from its seed; reply bytes no command fills carry the marker.
TEST(SimulatedProgrammer, FreshChipIsSeededNotBlankAndRepliesCarryTheMarker) {
  TSimulatedProgrammer a(7), b(7), c(8);
  EXPECT_EQ(a.Chip, b.Chip);
  EXPECT_NE(a.Chip, c.Chip);
  EXPECT_LT(std::count(a.Chip.begin(), a.Chip.end(), 0xFF), 8192) << "not blank";
  TRaw reply = Send(a, At(Command(0x20, 1, 1, 0, 4), 0, 0, 0));
  EXPECT_EQ(reply[33], a.Chip[0]);
  EXPECT_EQ(reply[37], TSimulatedProgrammer::kUnusedByte);
  EXPECT_EQ(reply[1], TSimulatedProgrammer::kUnusedByte) << "not an echo of the command";
}

// The options' fault texts, and the log line of each report received.
TEST(SimulatedProgrammer, FaultTextsAndTheLog) {
  TSimulatedProgrammer p;
  for (const char* bad : {"noanswer", "noanswer@", "@3", "slow@3", "late@-1", "flip@3x"})
    EXPECT_FALSE(p.AddFault(bad)) << bad;
  ASSERT_TRUE(p.AddFault("noanswer@1"));
  ASSERT_TRUE(p.AddFault("flip@2"));
  TTempDir dir;
  p.LogTo(dir.File("sim.log"));
  TRaw reply{};
  p.Respond(Command(0x10, 1, 1).data(), 65, reply);
  p.Respond(Command(0x30, 1, 1).data(), 65, reply);
  p.Respond(Command(0x20, 1, 1).data(), 65, reply);
  p.Respond(Command(0x10, 2, 1).data(), 65, reply);
  EXPECT_EQ(dir.Read("sim.log"),
            "0 10/1 chip-open\n1 30/1 write fault=noanswer\n2 20/1 read fault=flip\n3 10/2 chip-close\n");
}
