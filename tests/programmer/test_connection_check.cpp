// The connection check: each broken link of the chain stops it with its exit code, its finding and
// what to do; the facts of the system come from a scripted probe, the programmer is the simulated
// one. Also the readers of /proc/locks and of a node's access ACL.
#include <gtest/gtest.h>

#include <unistd.h>

#include "programmer/connection_check.h"
#include "programmer_fixture.h"
#include "support/temp_dir.h"

namespace {

// The facts a test wants the system to show.
class TScriptedProbe : public TUsbProbe {
 public:
  std::vector<TUsbDeviceFacts> Usb{{"1-1", "0A17F2", {"1-1:1.0 usbhid"}, {"sim:1"}}};
  TNodeFacts NodeFacts{true, 0, 0, 0660, "root", "plugdev", {}, true};
  std::vector<TUdevRuleFacts> Rules;
  std::optional<TLockHolder> Holder;
  TUserFacts UserFacts{1000, "alice", {"alice", "dialout"}, false};
  std::string ExpectedNode = "sim:1";  // the node whose facts the check asks for

  std::vector<TUsbDeviceFacts> UsbDevices(uint16_t vendorId, uint16_t productId) override {
    EXPECT_EQ(vendorId, 0x03E5);
    EXPECT_EQ(productId, 0xD11D);
    return Usb;
  }
  TNodeFacts Node(const std::string& node) override {
    EXPECT_EQ(node, ExpectedNode);
    return NodeFacts;
  }
  std::vector<std::string> UdevRuleFolders() override { return {"/etc/udev/rules.d", "/usr/lib/udev/rules.d"}; }
  std::vector<TUdevRuleFacts> UdevRules(uint16_t, uint16_t) override { return Rules; }
  std::optional<TLockHolder> LockHolder(const std::string&) override { return Holder; }
  TUserFacts User() override { return UserFacts; }
};

class ConnectionCheck : public ProgrammerFixture {
 protected:
  TConnectionReport Check(TUsbProbe* probe, const TConnectionCheckOptions& options = {}) {
    const size_t before = Ui.Shown.size();
    TConnectionReport r = CheckConnection(probe, *Controller, Programmer, Ui, options);
    EXPECT_EQ(Ui.Shown.size(), before) << "the check shows nothing itself";
    Text = ConnectionReportText(r, Ui);
    return r;
  }
  std::string Text;
};

}  // namespace

TEST_F(ConnectionCheck, AllWellWalksEveryLinkAndMeasuresTheRoundTrips) {
  StartUp();
  TScriptedProbe probe;
  const TConnectionReport r = Check(&probe);
  EXPECT_EQ(r.ExitCode, 0) << Text;
  ASSERT_EQ(r.Links.size(), 6u) << Text;
  for (const auto& link : r.Links) EXPECT_TRUE(link.Ok) << link.Text;
  EXPECT_EQ(r.Node, "sim:1");
  EXPECT_EQ(r.Firmware, "1.7");
  EXPECT_EQ(r.Queries, 100);
  EXPECT_EQ(r.Errors, 0);
  EXPECT_LE(r.MedianMs, r.WorstMs);
  for (const char* part : {"USB: a programmer on the USB bus at 1-1 (serial number 0A17F2).",
                           "this user (uid 1000 alice, groups alice dialout) may read and write sim:1 (owner root, "
                           "group plugdev, mode 0660, ACL none)",
                           "firmware 1.7", "100 version queries", "All is well."})
    EXPECT_NE(Text.find(part), std::string::npos) << part << "\n" << Text;
  // The window's programmer keeps the device it held.
  ASSERT_NE(Programmer.HeldDevice, nullptr);
  EXPECT_EQ(Programmer.HeldDevice->DevicePath(), "sim:1");
}

// Every broken link: its exit code, where the check stopped, what it found and what it advises.
TEST_F(ConnectionCheck, StopsAtTheFirstBrokenLinkWithItsCodeAndAdvice) {
  struct Case {
    const char* name;
    void (*arrange)(TScriptedProbe&);
    int exitCode;
    TLink broken;
    std::vector<const char*> texts;
  } cases[] = {
      {"unplugged",
       [](TScriptedProbe& p) { p.Usb.clear(); },
       4,
       TLink::UsbDevice,
       {"no programmer on the USB bus (no USB device 03E5:D11D)", "another USB cable"}},
      {"no HID driver",
       [](TScriptedProbe& p) { p.Usb[0].HidNodes.clear(); },
       4,
       TLink::HidNode,
       {"the kernel's HID driver did not take it (interfaces and drivers: 1-1:1.0 usbhid)", "modprobe usbhid"}},
      {"node not in /dev",
       [](TScriptedProbe& p) { p.NodeFacts.Exists = false; },
       4,
       TLink::HidNode,
       {"sim:1 is missing from /dev", "systemd-udevd"}},
      {"no rule",
       [](TScriptedProbe& p) { p.NodeFacts = {true, 0, 0, 0600, "root", "root", {}, false}; },
       5,
       TLink::Access,
       {"may not open sim:1 for reading and writing (owner root, group root, mode 0600, ACL none)",
        "70-tesmaro.rules is not installed in any of udev's rule folders (/etc/udev/rules.d, /usr/lib/udev/rules.d)",
        "for alice over SSH or as a service"}},
      {"desktop rule, user over SSH",
       [](TScriptedProbe& p) {
         p.NodeFacts = {true, 0, 0, 0600, "root", "root", {"user:bob:rw-", "mask::rw-"}, false};
         p.Rules = {{"/usr/lib/udev/rules.d/70-tesmaro.rules", true, false}};
         p.UserFacts.Remote = true;
       },
       5,
       TLink::Access,
       {"ACL user:bob:rw- mask::rw-", "The udev rule /usr/lib/udev/rules.d/70-tesmaro.rules gives access only to",
        "alice is logged in over SSH", "GROUP=\"plugdev\", MODE=\"0660\""}},
      {"rule not applied",
       [](TScriptedProbe& p) {
         p.NodeFacts.MayReadWrite = false;
         p.Rules = {{"/etc/udev/rules.d/70-tesmaro.rules", true, false}};
       },
       5,
       TLink::Access,
       {"/etc/udev/rules.d/70-tesmaro.rules is installed but did not give alice access"}},
      {"held by another program",
       [](TScriptedProbe& p) {
         p.Holder = TLockHolder{4242, "tesmaro"};
       },
       6,
       TLink::Holder,
       {"another program holds the programmer: tesmaro (process 4242)", "one program at a time"}},
      {"--device names none",
       [](TScriptedProbe&) {},
       4,
       TLink::UsbDevice,
       {"no programmer matches 9-9", "tesmaro-cli devices lists"}},
      {"node the HID library does not list",
       [](TScriptedProbe& p) {
         p.Usb[0].HidNodes = {"sim:9"};
         p.ExpectedNode = "sim:9";
       },
       4,
       TLink::HidNode,
       {"sim:9 is there, but the HID library does not list it", "udevadm trigger"}},
  };
  for (const auto& c : cases) {
    TScriptedProbe probe;
    c.arrange(probe);
    TConnectionCheckOptions options;
    if (std::string(c.name) == "--device names none") options.Device = "9-9";
    const TConnectionReport r = Check(&probe, options);
    EXPECT_EQ(r.ExitCode, c.exitCode) << c.name << "\n" << Text;
    ASSERT_FALSE(r.Links.empty()) << c.name;
    EXPECT_EQ(r.Links.back().Link, c.broken) << c.name << "\n" << Text;
    EXPECT_FALSE(r.Links.back().Ok) << c.name;
    for (size_t i = 0; i + 1 < r.Links.size(); ++i) EXPECT_TRUE(r.Links[i].Ok) << c.name;
    for (const char* text : c.texts)
      EXPECT_NE(Text.find(text), std::string::npos) << c.name << ": " << text << "\n" << Text;
    EXPECT_EQ(Text.find("All is well."), std::string::npos) << c.name;
    EXPECT_EQ(Device->ExchangeCount(), 0u) << c.name << ": nothing is sent before the chain reaches the programmer";
  }
}

TEST_F(ConnectionCheck, AProgrammerThatStopsAnsweringBreaksTheVersionOrRoundTripLink) {
  StartUp();
  TScriptedProbe probe;
  const uint64_t next = Device->ExchangeCount();
  Device->NoAnswerAt(next + 10);
  Device->NoAnswerAt(next + 20);
  TConnectionReport r = Check(&probe);
  EXPECT_EQ(r.ExitCode, 4) << Text;
  EXPECT_EQ(r.Links.back().Link, TLink::RoundTrips);
  EXPECT_EQ(r.Errors, 2);
  EXPECT_NE(Text.find("2 of 100 version queries failed"), std::string::npos) << Text;

  // Five failures end the test early rather than waiting out a hundred time-outs.
  Device->NeverAnswer = true;
  r = Check(&probe);
  EXPECT_EQ(r.ExitCode, 4) << Text;
  EXPECT_EQ(r.Links.back().Link, TLink::Version);
  EXPECT_NE(Text.find("does not answer the version query"), std::string::npos) << Text;
}

// Without the system's facts (the simulated programmer) the HID layer's view is checked; a
// programmer that another program holds is found by its lock.
TEST_F(ConnectionCheck, WithoutSystemFactsTheHidLayerAndTheLockDecide) {
  TTempDir dir;
  const std::string image = dir.Write("chip.bin", std::string(4096, '\xFF'));
  TSimulationOptions o;
  o.ImageFile = image;
  TSimulation first = CreateSimulation(o), second = CreateSimulation(o);
  TManualHidEventLoop loop;
  THidDeviceController a(std::move(first.Platform), loop), b(std::move(second.Platform), loop);
  loop.RunPosted();
  TProgrammer mine(a), other(b);
  ASSERT_TRUE(b.ClaimById(other.HeldDevice, ProgrammerVendorId, ProgrammerProductId));
  TConnectionReport r;
  {
    TProgrammerUse busy(other);
    ASSERT_TRUE(busy);
    r = CheckConnection(nullptr, a, mine, Ui);
    EXPECT_EQ(r.ExitCode, 6);
    EXPECT_EQ(r.Links.back().Link, TLink::Holder);
    EXPECT_EQ(r.Links.back().Text, "In use: another program holds the programmer.");
  }
  r = CheckConnection(nullptr, a, mine, Ui);
  EXPECT_EQ(r.ExitCode, 0) << ConnectionReportText(r, Ui);
  EXPECT_EQ(r.Links.front().Text, "USB: the HID layer lists a programmer at sim:1.");

  TManualHidEventLoop emptyLoop;
  auto none = std::make_unique<TSimulatedHidPlatform>();
  THidDeviceController empty(std::move(none), emptyLoop);
  emptyLoop.RunPosted();
  TProgrammer nobody(empty);
  r = CheckConnection(nullptr, empty, nobody, Ui);
  EXPECT_EQ(r.ExitCode, 4);
  EXPECT_NE(r.Links.back().Text.find("no programmer on the USB bus"), std::string::npos);
}

TEST(LockHolder, FindsTheProcessHoldingTheNodesLock) {
  const std::string locks =
      "1: POSIX  ADVISORY  WRITE 900 08:01:5555 0 EOF\n"
      "2: FLOCK  ADVISORY  WRITE 1234 00:05:321 0 EOF\n"
      "2: -> FLOCK  ADVISORY  WRITE 777 00:05:321 0 EOF\n"
      "3: OFDLCK ADVISORY  READ  -1 00:1a:321 0 EOF\n"
      "4: FLOCK  ADVISORY  WRITE 55 0a:1f:99 0 EOF\n"
      "garbage\n";
  struct Case {
    uint32_t major, minor;
    uint64_t inode;
    int64_t own;
    std::optional<int64_t> holder;
  } cases[] = {
      {0, 5, 321, 1, 1234},             // the holder, not the process waiting for it
      {0, 5, 321, 1234, 777},           // this process's own lock is no other's
      {8, 1, 5555, 1, 900},             // a POSIX lock counts too
      {0, 0x1a, 321, 1, std::nullopt},  // an open file description's lock has no process
      {10, 31, 99, 1, 55},              // device numbers are hexadecimal
      {0, 5, 322, 1, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LockHolderPid(locks, c.major, c.minor, c.inode, c.own), c.holder)
        << c.major << ":" << c.minor << ":" << c.inode;
}

TEST(NodeAcl, ExtendedEntriesWithNames) {
  auto entry = [](uint16_t tag, uint16_t perm, uint32_t id) {
    std::string e(8, '\0');
    e[0] = static_cast<char>(tag), e[1] = static_cast<char>(tag >> 8);
    e[2] = static_cast<char>(perm), e[3] = static_cast<char>(perm >> 8);
    for (int i = 0; i < 4; ++i) e[4 + i] = static_cast<char>(id >> (8 * i));
    return e;
  };
  const std::string header("\x02\x00\x00\x00", 4);
  const std::string acl = header + entry(0x01, 6, 0xFFFFFFFF) + entry(0x02, 6, 1000) + entry(0x04, 0, 0xFFFFFFFF) +
                          entry(0x08, 4, 46) + entry(0x10, 6, 0xFFFFFFFF) + entry(0x20, 0, 0xFFFFFFFF);
  auto user = [](uint32_t id) { return id == 1000 ? std::string("alice") : std::to_string(id); };
  auto group = [](uint32_t id) { return id == 46 ? std::string("plugdev") : std::to_string(id); };
  EXPECT_EQ(AclEntries(acl, user, group),
            (std::vector<std::string>{"user:alice:rw-", "group:plugdev:r--", "mask::rw-"}));
  EXPECT_TRUE(AclEntries(acl.substr(0, 7), user, group).empty());                                     // cut short
  EXPECT_TRUE(AclEntries(std::string("\x01\x00\x00\x00", 4) + entry(2, 6, 1), user, group).empty());  // other version
}
