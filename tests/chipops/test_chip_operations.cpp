// Chip read, write, the write check and verify against the simulated programmer: the reports
// sent, what is copied, the progress, the messages, round trips and failing exchanges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "chipops/chip_rig.h"
#include "common/error.h"
#include "common/integer.h"
#include "programmer/blank_erase.h"
#include "programmer/chip_backups.h"
#include "programmer/chip_operations.h"
#include "support/temp_dir.h"

namespace {

using TKind = TScriptedUserInterface::TKind;
using TRaw = TSimulatedProgrammer::TRawReport;

// Command code and sub-command of each report sent.
std::vector<std::pair<int, int>> Codes(const std::vector<TRaw>& sent) {
  std::vector<std::pair<int, int>> out;
  for (const auto& r : sent) out.emplace_back(r[1], r[2]);
  return out;
}

std::vector<std::pair<int, int>> Seq(std::initializer_list<std::pair<int, int>> head, int repeat,
                                     std::pair<int, int> step, std::initializer_list<std::pair<int, int>> tail) {
  std::vector<std::pair<int, int>> out(head);
  out.insert(out.end(), static_cast<size_t>(repeat), step);
  out.insert(out.end(), tail);
  return out;
}

const std::pair<int, int> kOpen{0x10, 1}, kClose{0x10, 2}, kWriteOpen{0x11, 1}, kWriteClose{0x11, 2};
const std::pair<int, int> kRead{0x20, 1}, kWrite{0x30, 1};

bool Equal(const uint8_t* a, const uint8_t* b, size_t n) { return std::equal(a, a + n, b); }

// The texts a write that ends early adds after its reason, spelt out here.
std::string Hex4(uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%04llX", static_cast<unsigned long long>(v));
  return text;
}
std::string PartlyWritten(uint64_t last, uint64_t chipLast) {
  return "\n\rThe chip is partly written: 0x0000\xE2\x80\x93" + Hex4(last) + " of 0x0000\xE2\x80\x93" + Hex4(chipLast) +
         "; its contents are now mixed.";
}
const char* const kUnchecked = "\n\rThe chip is written, but the check did not finish.";

TEST(ChipRead, Type1BlocksAddressesAndProgress) {
  TChipRig rig;
  std::vector<uint8_t> target(1024, 0xEE);
  ASSERT_EQ(ReadChipTo(rig.Programmer, ChipOf(1, 256, 32, 0), target, rig.Ui), TChipRun::Done);
  const auto& sent = rig.Device->Sent;
  ASSERT_EQ(Codes(sent), Seq({kOpen}, 8, kRead, {kClose}));
  for (int k = 0; k < 8; ++k) {
    const TRaw& r = sent[1 + k];
    EXPECT_EQ(r[3], 1);
    EXPECT_EQ(r[5], 32);
    EXPECT_EQ(r[7], 32 * k);
    EXPECT_EQ(r[8], 0);
    EXPECT_EQ(r[9], 0);
    EXPECT_EQ(r[17], 0x77);
  }
  EXPECT_TRUE(Equal(target.data(), rig.Device->Chip.data(), 256));
  EXPECT_EQ(target[256], 0xEE);
  EXPECT_EQ(rig.Ui.Progress, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100, 0}));
  EXPECT_TRUE(rig.Ui.Shown.empty());
}

// A Size under 32 asks for Size bytes and copies all 32 of the reply; a Size that is not a multiple
// of 32 leaves its remainder unread.
TEST(ChipRead, ShortAndUnevenSizes) {
  struct TCase {
    int32_t Size;
    int Blocks;
    int Length;       // byte 5
    size_t FromChip;  // target bytes that hold the chip's bytes
    size_t Written;   // target bytes written; the rest keeps 0x11
  };
  for (const TCase& c : {TCase{16, 1, 16, 16, 32}, TCase{100, 3, 32, 96, 96}}) {
    SCOPED_TRACE(c.Size);
    TChipRig rig;
    std::fill(rig.Programmer.Report.begin() + 33, rig.Programmer.Report.end(), 0x5A);
    std::vector<uint8_t> target(256, 0x11);
    ASSERT_EQ(ReadChipTo(rig.Programmer, ChipOf(1, c.Size, 32, 0), target, rig.Ui), TChipRun::Done);
    ASSERT_EQ(Codes(rig.Device->Sent), Seq({kOpen}, c.Blocks, kRead, {kClose}));
    EXPECT_EQ(rig.Device->Sent[1][5], c.Length);
    EXPECT_TRUE(Equal(target.data(), rig.Device->Chip.data(), c.FromChip));
    // Reply bytes the device did not fill are copied as they came.
    for (size_t i = c.FromChip; i < c.Written; ++i) EXPECT_EQ(target[i], TSimulatedProgrammer::kUnusedByte) << i;
    for (size_t i = c.Written; i < target.size(); ++i) ASSERT_EQ(target[i], 0x11) << i;
  }
}

TEST(ChipReadWrite, Type2CarriesAddressBits16To23InByte9) {
  TChipRig rig;
  const TChip chip = ChipOf(2, 0x20000, 32, 0);
  std::vector<uint8_t> target(0x20000);
  ASSERT_EQ(ReadChipTo(rig.Programmer, chip, target, rig.Ui), TChipRun::Done);
  ASSERT_EQ(Codes(rig.Device->Sent), Seq({kOpen}, 4096, kRead, {kClose}));
  const TRaw& block = rig.Device->Sent[1 + 2048];
  EXPECT_EQ((std::vector<int>{block[7], block[8], block[9]}), (std::vector<int>{0, 0, 1}));
  EXPECT_TRUE(Equal(target.data(), rig.Device->Chip.data(), target.size()));

  rig.Device->Sent.clear();
  const std::vector<uint8_t> source = TChipRig::Bytes(0x20000, 2);
  ASSERT_EQ(WriteChipFrom(rig.Programmer, chip, source, rig.Ui), TChipRun::Done);
  ASSERT_EQ(Codes(rig.Device->Sent), Seq({kOpen, kWriteOpen}, 4096, kWrite, {kClose}));
  const TRaw& page = rig.Device->Sent[2 + 2048];
  EXPECT_EQ((std::vector<int>{page[5], page[7], page[8], page[9]}), (std::vector<int>{32, 0, 0, 1}));
  EXPECT_TRUE(Equal(page.data() + 33, source.data() + 0x10000, 32));
  EXPECT_TRUE(Equal(rig.Device->Chip.data(), source.data(), source.size()));
}

// Pages under 32 bytes fill the start of the data area; the rest of it carries the last reply (the
// device's unused-byte marker).
TEST(ChipWrite, Type1SmallPagesKeepTheRestOfTheDataArea) {
  TChipRig rig;
  std::fill(rig.Programmer.Report.begin() + 33, rig.Programmer.Report.end(), 0x5A);
  const std::vector<uint8_t> source = TChipRig::Bytes(4096, 3);
  ASSERT_EQ(WriteChipFrom(rig.Programmer, ChipOf(1, 4096, 16, 0), source, rig.Ui), TChipRun::Done);
  const auto& sent = rig.Device->Sent;
  ASSERT_EQ(Codes(sent), Seq({kOpen}, 256, kWrite, {kClose}));
  for (int i = 0; i < 256; ++i) {
    const TRaw& r = sent[1 + i];
    ASSERT_EQ(r[5], 16);
    ASSERT_EQ(r[7] | r[8] << 8, 16 * i);
    ASSERT_EQ(r[9], 0);
    ASSERT_TRUE(Equal(r.data() + 33, source.data() + 16 * i, 16)) << i;
    ASSERT_TRUE(std::all_of(r.begin() + 49, r.end(), [](uint8_t b) { return b == TSimulatedProgrammer::kUnusedByte; }))
        << i;
  }
  EXPECT_TRUE(Equal(rig.Device->Chip.data(), source.data(), 4096));
}

// Type 3 goes by unit with Org in byte 9; words go out even byte first and come back odd byte first.
TEST(ChipReadWrite, Type3Units) {
  for (int32_t org : {1, 0}) {
    SCOPED_TRACE(org);
    const int units = org ? 64 : 128;
    const TChip chip = ChipOf(3, 128, org ? 2 : 1, org);
    TChipRig rig;
    std::vector<uint8_t> target(128, 0xEE);
    ASSERT_EQ(ReadChipTo(rig.Programmer, chip, target, rig.Ui), TChipRun::Done);
    ASSERT_EQ(Codes(rig.Device->Sent), Seq({kOpen}, units, kRead, {kClose}));
    EXPECT_EQ(rig.Device->Sent[0][9], org);
    for (int i = 0; i < units; ++i) {
      const TRaw& r = rig.Device->Sent[1 + i];
      ASSERT_EQ((std::vector<int>{r[3], r[5], r[7], r[8], r[9]}), (std::vector<int>{3, chip.PageSize, i, 0, org}));
    }
    EXPECT_TRUE(Equal(target.data(), rig.Device->Chip.data(), 128));
    ASSERT_EQ(rig.Ui.Progress.size(), static_cast<size_t>(units + 1));
    EXPECT_EQ(rig.Ui.Progress[units - 1], 100);
    EXPECT_EQ(rig.Ui.Progress[units], 0);

    rig.Device->Sent.clear();
    const std::vector<uint8_t> source = TChipRig::Bytes(128, 4);
    ASSERT_EQ(WriteChipFrom(rig.Programmer, chip, source, rig.Ui), TChipRun::Done);
    ASSERT_EQ(Codes(rig.Device->Sent), Seq({kOpen, kWriteOpen}, units, kWrite, {kWriteClose, kClose}));
    EXPECT_EQ(rig.Device->Sent[0][9], org);
    for (int i = 0; i < units; ++i) {
      const TRaw& r = rig.Device->Sent[2 + i];
      ASSERT_EQ((std::vector<int>{r[7], r[8], r[9]}), (std::vector<int>{i, 0, org}));
      ASSERT_EQ(r[33], source[org ? 2 * i : i]);
      if (org) {
        ASSERT_EQ(r[34], source[2 * i + 1]);
      }
    }
    EXPECT_TRUE(Equal(rig.Device->Chip.data(), source.data(), 128));
  }
}

// Pages above the data area are not sent, yet the progress runs and the check finds the chip
// unchanged; a type the programmer does not know only opens and closes the chip.
TEST(ChipWrite, PagesThatAreNotSent) {
  {
    TChipRig rig;
    const std::vector<uint8_t> source = TChipRig::Bytes(256, 5);
    EXPECT_EQ(WriteAndCheckChip(rig.Programmer, ChipOf(1, 256, 64, 0), source, rig.Ui), TChipCheck::Different);
    // The sample of the chip's contents before the write, the write, the read-back, and a second
    // read of the blocks that differ, which tells a flaky connection from a chip that differs.
    auto expected = Seq({kOpen}, 8, kRead, {kClose});
    const auto written = Seq({kOpen, kClose, kOpen}, 8, kRead, {kClose});
    const auto reread = Seq({kOpen}, 8, kRead, {kClose});
    expected.insert(expected.end(), written.begin(), written.end());
    expected.insert(expected.end(), reread.begin(), reread.end());
    EXPECT_EQ(Codes(rig.Device->Sent), expected);
    EXPECT_EQ(std::vector<int>(rig.Ui.Progress.begin(), rig.Ui.Progress.begin() + 5),
              (std::vector<int>{25, 50, 75, 100, 0}));
    ASSERT_EQ(rig.Ui.Shown.size(), 1u);
    EXPECT_EQ(rig.Ui.Shown[0].Kind, TKind::Error);
    EXPECT_EQ(rig.Ui.Shown[0].Text,
              "Programming failed!\n\rFirst difference at 0x0000: chip 65, expected F9; 256 bytes differ.\n\rThe chip "
              "kept its old contents: it is probably write-protected (WP pin), or the writes do not reach it.");
    EXPECT_EQ(rig.Device->Chip[0], TChipRig::Pattern(0, 1));
  }
  {
    TChipRig rig;
    const std::vector<uint8_t> source = TChipRig::Bytes(256, 5);
    EXPECT_EQ(WriteChipFrom(rig.Programmer, ChipOf(7, 256, 32, 0), source, rig.Ui), TChipRun::Done);
    EXPECT_EQ(Codes(rig.Device->Sent), (std::vector<std::pair<int, int>>{kOpen, kClose}));
    EXPECT_EQ(rig.Ui.Progress, std::vector<int>{0});
  }
}

TEST(ChipWrite, PageSizeBelowOneIsRefusedBeforeAnythingIsSent) {
  for (int32_t type : {1, 2}) {
    for (int32_t page : {0, -32}) {
      TChipRig rig;
      const std::vector<uint8_t> source(4096, 0);
      EXPECT_THROW(WriteAndCheckChip(rig.Programmer, ChipOf(type, 4096, page, 0), source, rig.Ui), TError);
      EXPECT_TRUE(rig.Device->Sent.empty());
    }
  }
}

TEST(ChipOperations, ChipLargerThanTheBufferIsRefusedBeforeAnythingIsSent) {
  TChipRig rig;
  std::vector<uint8_t> buffer(4096);
  const TChip chip = ChipOf(2, 8192, 32, 0);
  EXPECT_THROW(ReadChipTo(rig.Programmer, chip, buffer, rig.Ui), TError);
  EXPECT_THROW(WriteChipFrom(rig.Programmer, chip, buffer, rig.Ui), TError);
  EXPECT_THROW(VerifyChip(rig.Programmer, chip, buffer, rig.Ui), TError);
  EXPECT_TRUE(rig.Device->Sent.empty());
}

TEST(ChipOperations, WithoutProgrammerOnlyProgNotFound) {
  TScriptedUserInterface ui;
  TProgrammer none;
  const TChip chip = ChipOf(1, 256, 32, 0);
  std::vector<uint8_t> buffer(256, 0xEE);
  EXPECT_EQ(ReadChipTo(none, chip, buffer, ui), TChipRun::NoProgrammer);
  EXPECT_EQ(WriteAndCheckChip(none, chip, buffer, ui), TChipCheck::NoProgrammer);
  EXPECT_EQ(VerifyChip(none, chip, buffer, ui), TChipCheck::NoProgrammer);
  ASSERT_EQ(ui.Shown.size(), 3u);
  for (const auto& s : ui.Shown) {
    EXPECT_EQ(s.Kind, TKind::Message);
    EXPECT_EQ(s.Text, "Programmer not found!");
  }
  EXPECT_TRUE(ui.Progress.empty());
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xEE; }));
}

// Write with its check, read back, verify; then a difference anywhere in the chip is found.
// Each routine names the phase its progress stands for as the phase starts, so that the two runs
// from 0 to 100 % of a write (the write, then its check) can be told apart.
TEST(ChipOperations, EachPhaseIsNamedAsItStarts) {
  using P = TProgressPhase;
  const TChip chip = ChipOf(1, 256, 32, 0);
  const std::vector<uint8_t> image(256, 0x5A);
  TTempDir dir;
  TCheckOptions backed;
  backed.BackupFolder = dir.File("backups");
  struct TCase {
    const char* Name;
    std::function<bool(TChipRig&)> Run;  // true when the routine succeeded
    std::vector<P> Phases;
  };
  const TCase cases[] = {
      {"write",
       [&](TChipRig& r) { return WriteAndCheckChip(r.Programmer, chip, image, r.Ui) == TChipCheck::Same; },
       {P::Writing, P::Checking}},
      {"write with a backup",
       [&](TChipRig& r) {
         return WriteAndCheckChip(r.Programmer, chip, image, r.Ui, nullptr, {}, nullptr, backed) == TChipCheck::Same;
       },
       {P::BackingUp, P::Writing, P::Checking}},
      {"verify",
       [&](TChipRig& r) {
         const TChipCheck v = VerifyChip(r.Programmer, chip, image, r.Ui);
         return v == TChipCheck::Same || v == TChipCheck::Different;
       },
       {P::Verifying}},
      {"erase",
       [&](TChipRig& r) {
         r.Ui.Answers.push_back(TAnswer::Yes);
         return EraseChip(r.Programmer, chip, r.Ui, {}) == TChipCheck::Same;
       },
       {P::Erasing, P::Checking}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TChipRig rig;
    ASSERT_TRUE(c.Run(rig));
    EXPECT_EQ(rig.Ui.Phases, c.Phases);
  }
}

TEST(ChipRoundTrip, EveryTypeGivesTheBufferBack) {
  const TChip chips[] = {ChipOf(1, 4096, 32, 0), ChipOf(1, 4096, 8, 0), ChipOf(2, 0x40000, 32, 0),
                         ChipOf(3, 2048, 2, 1), ChipOf(3, 2048, 1, 0)};
  for (const TChip& chip : chips) {
    SCOPED_TRACE(testing::Message() << "type " << chip.ChipType << " page " << chip.PageSize << " org " << chip.Org);
    TChipRig rig;
    rig.Device->RecordReports = false;
    const std::vector<uint8_t> source = TChipRig::Bytes(1 << 20, 6);
    ASSERT_EQ(WriteAndCheckChip(rig.Programmer, chip, source, rig.Ui), TChipCheck::Same);
    std::vector<uint8_t> back(1 << 20, 0);
    ASSERT_EQ(ReadChipTo(rig.Programmer, chip, back, rig.Ui), TChipRun::Done);
    EXPECT_TRUE(Equal(back.data(), source.data(), static_cast<size_t>(chip.Size)));
    EXPECT_EQ(back[static_cast<size_t>(chip.Size)], 0);
    EXPECT_EQ(VerifyChip(rig.Programmer, chip, source, rig.Ui), TChipCheck::Same);
    for (size_t at : {size_t(0), static_cast<size_t>(chip.Size) / 2 + 1, static_cast<size_t>(chip.Size) - 1}) {
      rig.Device->Chip[at] ^= 0x01;
      TDifferences found;
      EXPECT_EQ(VerifyChip(rig.Programmer, chip, source, rig.Ui, &found), TChipCheck::Different) << at;
      // The message and the caller both get where: the one changed byte.
      EXPECT_NE(
          rig.Ui.Shown.back().Text.find("First difference at 0x" + IntToHex(static_cast<int64_t>(at), 4) + ": chip "),
          std::string::npos)
          << rig.Ui.Shown.back().Text;
      ASSERT_EQ(found.Count, 1u);
      EXPECT_EQ(found.Listed.at(0).Address, at);
      EXPECT_EQ(found.Listed.at(0).Right, source[at]);
      rig.Device->Chip[at] ^= 0x01;
    }
    std::vector<std::pair<TKind, std::string>> shown;
    for (const auto& s : rig.Ui.Shown) shown.emplace_back(s.Kind, s.Text.substr(0, s.Text.find("\n\r")));
    EXPECT_EQ(shown, (std::vector<std::pair<TKind, std::string>>{{TKind::Information, "Programming OK"},
                                                                 {TKind::Information, "Verification OK"},
                                                                 {TKind::Error, "Verification failed!"},
                                                                 {TKind::Error, "Verification failed!"},
                                                                 {TKind::Error, "Verification failed!"}}));
  }
}

// Bytes of Size that the read does not reach (a remainder of 32-byte blocks, the odd last byte of
// a word chip) meet the comparison as 0xFF, whatever the chip holds there.
TEST(ChipVerify, BytesTheReadDoesNotReachCompareAsBlank) {
  for (const TChip& chip : {ChipOf(1, 100, 32, 0), ChipOf(3, 101, 2, 1)}) {
    SCOPED_TRACE(chip.ChipType);
    TChipRig rig;
    std::vector<uint8_t> expected(rig.Device->Chip.begin(), rig.Device->Chip.begin() + chip.Size);
    const size_t unread = chip.ChipType == 1 ? 96 : 100;
    std::fill(expected.begin() + static_cast<std::ptrdiff_t>(unread), expected.end(), 0xFF);
    EXPECT_EQ(VerifyChip(rig.Programmer, chip, expected, rig.Ui), TChipCheck::Same);
    expected.back() = rig.Device->Chip[expected.size() - 1];
    EXPECT_EQ(VerifyChip(rig.Programmer, chip, expected, rig.Ui), TChipCheck::Different);
  }
}

// An exchange that fails at the first, a middle or the last report ends the operation: the chip is
// closed when it can be, the one message says why ("ProgNoAnswer" or "ProgUnplugged") and, for a
// write, what became of the chip, and a failed read changes nothing.
TEST(ChipFaults, FailedExchangeStopsTheOperation) {
  enum class TOp { Read, Write, Verify };
  enum class TFault { NoAnswer, Unplug };
  const TChip chip = ChipOf(2, 256, 32, 0);
  const std::vector<uint8_t> source = TChipRig::Bytes(4096, 7);
  for (TOp op : {TOp::Read, TOp::Write, TOp::Verify}) {
    const size_t total = op == TOp::Write ? 11 : 10;  // open, (write access,) 8 blocks or pages, close
    const size_t sample = op == TOp::Write ? 10 : 0;  // the write's sample read before it: open, 8 blocks, close
    for (TFault fault : {TFault::NoAnswer, TFault::Unplug}) {
      for (size_t at : {size_t(0), total / 2, total - 1}) {
        SCOPED_TRACE(testing::Message() << "op " << int(op) << " fault " << int(fault) << " at " << at);
        TChipRig rig;
        const uint64_t base = rig.Device->ExchangeCount() + sample;
        if (fault == TFault::NoAnswer)
          rig.Device->NoAnswerAt(base + at);
        else
          rig.Device->UnplugAt(base + at);
        std::vector<uint8_t> buffer(4096, 0xEE);
        bool failed = false;
        if (op == TOp::Read) failed = ReadChipTo(rig.Programmer, chip, buffer, rig.Ui) == TChipRun::NoAnswer;
        if (op == TOp::Write) failed = WriteAndCheckChip(rig.Programmer, chip, source, rig.Ui) == TChipCheck::NoAnswer;
        if (op == TOp::Verify) failed = VerifyChip(rig.Programmer, chip, source, rig.Ui) == TChipCheck::NoAnswer;
        EXPECT_TRUE(failed);
        const char* why = fault == TFault::NoAnswer ? "ProgNoAnswer" : "ProgUnplugged";
        // The write's pages are exchanges 2 to 9: the failing one may have landed too.
        const std::string after = op != TOp::Write || at < 2 ? ""
                                  : at < total - 1           ? PartlyWritten(32 * (at - 1) - 1, 255)
                                                             : kUnchecked;
        EXPECT_EQ(rig.Ui.Texts(), std::vector<std::string>{rig.Ui.MessageText(why) + after});
        EXPECT_EQ(rig.Ui.Shown[0].Kind, TKind::Error);
        EXPECT_EQ(rig.Ui.Progress.back(), 0);
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xEE; }));
        const auto& sent = rig.Device->Sent;
        if (fault == TFault::NoAnswer && at + 1 < total) {
          // Nothing after the failed report but the closing command.
          ASSERT_EQ(sent.size(), sample + at + 2);
          EXPECT_EQ(Codes({sent.back()}), (std::vector<std::pair<int, int>>{kClose}));
        } else {
          EXPECT_EQ(sent.size(), sample + (fault == TFault::NoAnswer ? at + 1 : at));
        }
      }
    }
  }
}

enum class TOp { Read, Write, WriteAndCheck, Verify };

// Runs op with ui on chip; buffer is the target of a read and the source of the others.
int RunOp(TOp op, TChipRig& rig, const TChip& chip, std::vector<uint8_t>& buffer, TUserInterface& ui) {
  switch (op) {
    case TOp::Read: return static_cast<int>(ReadChipTo(rig.Programmer, chip, buffer, ui));
    case TOp::Write: return static_cast<int>(WriteChipFrom(rig.Programmer, chip, buffer, ui));
    case TOp::WriteAndCheck: return static_cast<int>(WriteAndCheckChip(rig.Programmer, chip, buffer, ui));
    case TOp::Verify: return static_cast<int>(VerifyChip(rig.Programmer, chip, buffer, ui));
  }
  return -1;
}

// A chip without a size (none selected) or one the catalogue marks unsupported is refused by
// every routine before anything is sent, and nothing claims success.
TEST(ChipOperations, UnusableChipIsRefusedBeforeAnythingIsSent) {
  struct TCase {
    int32_t Size;
    int32_t Status;
    TChipUse Use;
    const char* Text;
  };
  const TCase cases[] = {{0, 1, TChipUse::NoChip, "Select a chip first."},
                         {-1, 1, TChipUse::NoChip, "Select a chip first."},
                         {256, 0, TChipUse::Unsupported, "TEST is not supported by the programmer."},
                         {256, 2, TChipUse::Unsupported, "TEST is not supported by the programmer."}};
  for (const TCase& c : cases) {
    TChip chip = ChipOf(1, c.Size, 32, 0);
    chip.Status = c.Status;
    EXPECT_EQ(ChipUseOf(chip), c.Use);
    for (TOp op : {TOp::Read, TOp::Write, TOp::WriteAndCheck, TOp::Verify}) {
      SCOPED_TRACE(testing::Message() << "size " << c.Size << " status " << c.Status << " op " << int(op));
      TChipRig rig;
      std::vector<uint8_t> buffer(256, 0xEE);
      const int refused = op == TOp::Read || op == TOp::Write ? static_cast<int>(TChipRun::Refused)
                                                              : static_cast<int>(TChipCheck::Refused);
      EXPECT_EQ(RunOp(op, rig, chip, buffer, rig.Ui), refused);
      ASSERT_EQ(rig.Ui.Shown.size(), 1u);
      EXPECT_EQ(rig.Ui.Shown[0].Kind, TKind::Message);
      EXPECT_EQ(rig.Ui.Shown[0].Text, c.Text);
      EXPECT_TRUE(rig.Device->Sent.empty());
      EXPECT_TRUE(rig.Ui.Progress.empty());
      EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xEE; }));
    }
  }
  TScriptedUserInterface ui;
  EXPECT_FALSE(RefuseUnusableChip(ChipOf(1, 256, 32, 0), ui));
  EXPECT_TRUE(ui.Shown.empty());
}

// A stop between two exchanges ends every routine of every chip type at once: the closing
// commands go out (write access of a type 3 write, then the chip), the progress returns to 0,
// "OpStopped" is the only box (an error box, with the range, once a write sent pages), a read
// leaves its target and a write is not read back.
TEST(ChipOperations, StopClosesTheChipAfterTheCurrentExchange) {
  const TChip chips[] = {ChipOf(1, 4096, 16, 0), ChipOf(2, 0x20000, 32, 0), ChipOf(3, 256, 2, 1), ChipOf(3, 256, 1, 0)};
  for (const TChip& chip : chips) {
    for (TOp op : {TOp::Read, TOp::Write, TOp::WriteAndCheck, TOp::Verify}) {
      for (int steps : {0, 3}) {
        SCOPED_TRACE(testing::Message() << "type " << chip.ChipType << " org " << chip.Org << " op " << int(op)
                                        << " steps " << steps);
        TChipRig rig;
        // Polled after each progress step: the stop comes with step `steps`, before its exchange.
        rig.Ui.StopAfterProgress = steps == 0 ? 0 : steps + 1;
        std::vector<uint8_t> buffer(1 << 20, 0xEE);
        const std::vector<uint8_t> chipBefore = rig.Device->Chip;
        const int stopped = op == TOp::Read || op == TOp::Write ? static_cast<int>(TChipRun::Stopped)
                                                                : static_cast<int>(TChipCheck::Stopped);
        EXPECT_EQ(RunOp(op, rig, chip, buffer, rig.Ui), stopped);
        const bool writes = op == TOp::Write || op == TOp::WriteAndCheck;
        const uint64_t unit = chip.ChipType == 3 ? (chip.Org > 0 ? 2 : 1) : static_cast<uint64_t>(chip.PageSize);
        const bool partly = writes && steps > 0;
        const std::string after = partly ? PartlyWritten(unit * static_cast<uint64_t>(steps) - 1, chip.Size - 1) : "";
        EXPECT_EQ(rig.Ui.Texts(), std::vector<std::string>{"Operation stopped." + after});
        EXPECT_EQ(rig.Ui.Shown[0].Kind, partly ? TKind::Error : TKind::Message);
        EXPECT_EQ(rig.Ui.Progress.back(), 0);
        EXPECT_EQ(rig.Ui.Progress.size(), steps == 0 ? 1u : static_cast<size_t>(steps) + 2);
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xEE; }));

        const std::pair<int, int> step = writes ? kWrite : kRead;
        // A stop that came before the start sends nothing at all.
        std::vector<std::pair<int, int>> expected;
        if (steps > 0 && op == TOp::WriteAndCheck) {
          // The sample of the chip's contents read before the write.
          size_t length = 0;
          const size_t blocks = SampleAddresses(chip, length).size();
          const size_t unit = chip.ChipType != 3 ? length : chip.Org > 0 ? 2 : 1;
          expected = Seq({kOpen}, static_cast<int>(blocks * length / unit), kRead, {kClose});
        }
        if (steps > 0) {
          expected.push_back(kOpen);
          if (writes && chip.ChipType != 1) expected.push_back(kWriteOpen);
          expected.insert(expected.end(), static_cast<size_t>(steps), step);
          if (writes && chip.ChipType == 3) expected.push_back(kWriteClose);
          expected.push_back(kClose);
        }
        EXPECT_EQ(Codes(rig.Device->Sent), expected);
        if (writes) {
          EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + steps * std::max(chip.PageSize, 1),
                                 rig.Device->Chip.begin()));
          EXPECT_TRUE(
              std::equal(chipBefore.begin() + steps * 32, chipBefore.end(), rig.Device->Chip.begin() + steps * 32));
        }
      }
    }
  }
}

// A write with its check that ends early, by a stop, no answer, an unplug or a report not taken,
// says after the reason what became of the chip: in the write, which range it may have changed;
// in the read-back, that the chip is written but not checked. 24C02-like: the write is the open
// (exchange 0), eight pages of 32 bytes (1 to 8) and the close (9); the read-back follows from 10,
// its blocks at 11 to 18.
TEST(ChipWrite, AWriteThatEndsEarlySaysWhatBecameOfTheChip) {
  enum class TEnd { Stop, NoAnswer, Unplug, RefuseWrite };
  struct TCase {
    const char* Name;
    TEnd End;
    uint64_t At;  // the exchange, or for a stop the progress steps before it
    TChipCheck Result;
    const char* Why;
    std::string After;
    uint64_t WrittenLast;  // the written range's end, 0 for none
  };
  const TCase cases[] = {
      {"stop in the write", TEnd::Stop, 3, TChipCheck::Stopped, "OpStopped", PartlyWritten(0x5F, 0xFF), 0x5F},
      {"no answer in the write", TEnd::NoAnswer, 4, TChipCheck::NoAnswer, "ProgNoAnswer", PartlyWritten(0x7F, 0xFF),
       0x7F},
      {"unplug in the write", TEnd::Unplug, 4, TChipCheck::NoAnswer, "ProgUnplugged", PartlyWritten(0x7F, 0xFF), 0x7F},
      {"report not taken in the write", TEnd::RefuseWrite, 4, TChipCheck::NoAnswer, "ProgNoAnswer",
       PartlyWritten(0x7F, 0xFF), 0x7F},
      {"no answer at the first page", TEnd::NoAnswer, 1, TChipCheck::NoAnswer, "ProgNoAnswer",
       PartlyWritten(0x1F, 0xFF), 0x1F},
      {"no answer at the open", TEnd::NoAnswer, 0, TChipCheck::NoAnswer, "ProgNoAnswer", "", 0},
      {"stop in the read-back", TEnd::Stop, 8 + 3, TChipCheck::Stopped, "OpStopped", kUnchecked, 0xFF},
      {"no answer in the read-back", TEnd::NoAnswer, 14, TChipCheck::NoAnswer, "ProgNoAnswer", kUnchecked, 0xFF},
      {"unplug in the read-back", TEnd::Unplug, 14, TChipCheck::NoAnswer, "ProgUnplugged", kUnchecked, 0xFF},
      {"report not taken in the read-back", TEnd::RefuseWrite, 14, TChipCheck::NoAnswer, "ProgNoAnswer", kUnchecked,
       0xFF},
  };
  const TChip chip = ChipOf(1, 256, 32, 0);
  // The write first reads a sample of the chip: the exchanges above count from its end.
  uint64_t sample = 0;
  {
    TChipRig rig;
    TChipContents before;
    const uint64_t start = rig.Device->ExchangeCount();
    ASSERT_EQ(SampleChip(rig.Programmer, chip, rig.Ui, before), TChipRun::Done);
    sample = rig.Device->ExchangeCount() - start;
  }
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TChipRig rig;
    const uint64_t at = rig.Device->ExchangeCount() + sample + c.At;
    switch (c.End) {
      case TEnd::Stop: rig.Ui.StopAfterProgress = static_cast<int>(c.At) + 1; break;
      case TEnd::NoAnswer: rig.Device->NoAnswerAt(at); break;
      case TEnd::Unplug: rig.Device->UnplugAt(at); break;
      case TEnd::RefuseWrite: rig.Device->RefuseWriteAt(at); break;
    }
    TWrittenRange written;
    EXPECT_EQ(WriteAndCheckChip(rig.Programmer, chip, TChipRig::Bytes(256, 5), rig.Ui, nullptr, {}, &written),
              c.Result);
    EXPECT_EQ(rig.Ui.Texts(), std::vector<std::string>{rig.Ui.MessageText(c.Why) + c.After});
    EXPECT_EQ(rig.Ui.Shown[0].Kind, c.After.empty() && c.End == TEnd::Stop ? TKind::Message : TKind::Error);
    EXPECT_EQ(written.Empty, c.WrittenLast == 0);
    if (c.WrittenLast != 0) {
      EXPECT_EQ(written.First, 0u);
      EXPECT_EQ(written.Last, c.WrittenLast);
    }
  }
}

// A type 3 write that fails after write access was opened gives it back before closing the chip,
// so the chip is not left writable; before write access was opened, only the chip is closed.
TEST(ChipFaults, FailedType3WriteReleasesWriteAccess) {
  const TChip chip = ChipOf(3, 8, 1, 0);  // open, write open, 8 units, write close, close
  struct TCase {
    size_t At;
    std::vector<std::pair<int, int>> Closing;
  };
  for (const TCase& c : {TCase{0, {kClose}}, TCase{1, {kWriteClose, kClose}}, TCase{5, {kWriteClose, kClose}},
                         TCase{10, {kWriteClose, kClose}}}) {
    SCOPED_TRACE(c.At);
    TChipRig rig;
    rig.Device->NoAnswerAt(rig.Device->ExchangeCount() + c.At);
    EXPECT_EQ(WriteChipFrom(rig.Programmer, chip, TChipRig::Bytes(8, 4), rig.Ui), TChipRun::NoAnswer);
    const auto& sent = rig.Device->Sent;
    ASSERT_EQ(sent.size(), c.At + 1 + c.Closing.size());
    EXPECT_EQ(Codes({sent.end() - static_cast<std::ptrdiff_t>(c.Closing.size()), sent.end()}), c.Closing);
  }
}

// A user interface that plugs another HID device in at the first progress step and has the
// controller look, as the event loop would during a long operation.
class TPlugDuringProgress : public TScriptedUserInterface {
 public:
  explicit TPlugDuringProgress(TChipRig& rig) : Rig_(rig) {}
  void SetProgress(int position) override {
    TScriptedUserInterface::SetProgress(position);
    if (Progress.size() != 1) return;
    TSimulatedHidDeviceInfo other;
    other.VendorID = 0x1234;
    other.ProductID = 0x0001;
    Rig_.Platform->PlugIn(other);
    Rig_.Controller->CheckForChanges();
  }

 private:
  TChipRig& Rig_;
};

TEST(ChipOperations, DeviceChangesWaitUntilTheEnd) {
  TChipRig rig;
  TPlugDuringProgress ui(rig);
  const std::vector<uint8_t> source = TChipRig::Bytes(256, 8);
  THidDevice* held = rig.Programmer.HeldDevice;
  ASSERT_EQ(WriteAndCheckChip(rig.Programmer, ChipOf(1, 256, 32, 0), source, ui), TChipCheck::Same);
  EXPECT_EQ(rig.Programmer.HeldDevice, held);
  auto isVersionQuery = [](const TRaw& r) { return r[1] == CmdVersion; };
  EXPECT_TRUE(std::none_of(rig.Device->Sent.begin(), rig.Device->Sent.end(), isVersionQuery));
  // The held-back change is handled afterwards: release, claim again, version query.
  rig.Loop.RunPosted();
  EXPECT_TRUE(isVersionQuery(rig.Device->Sent.back()));
  EXPECT_NE(rig.Programmer.HeldDevice, nullptr);
}

}  // namespace
