// Reads that look right and are not, against the simulated chip's properties: every sign of a
// wrong read and every cause of a failed check is named, and none on random or blank chips whose
// reads are right; reads made several times catch a flaky connection.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "chipops/chip_rig.h"
#include "common/error.h"
#include "common/integer.h"
#include "programmer/blank_erase.h"
#include "programmer/checked_read.h"
#include "programmer/chip_operations.h"

namespace {

using TKind = TScriptedUserInterface::TKind;

enum class TContents { Random, Blank, Zero };
enum class TOp { Read, Write, Verify, Erase };

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 r(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(r());
  return v;
}

TSimulatedChipProperties Properties(std::initializer_list<const char*> texts) {
  TSimulatedChipProperties p;
  for (const char* t : texts) TakeChipProperty(t, p);
  return p;
}

std::string Text(const char* key, std::vector<std::string> args = {}) {
  return FormatText(BuiltInMessageText(key), args);
}

// The last line of the failure box: the cause, when one was named.
std::string CauseLine(const TScriptedUserInterface& ui) {
  const std::vector<std::string> errors = ui.Texts(TKind::Error);
  if (errors.empty()) return "";
  const std::string& e = errors.back();
  const size_t lines = std::count(e.begin(), e.end(), '\r');
  return lines < 2 ? "" : e.substr(e.rfind("\n\r") + 2);
}

TEST(ReadTrust, ChipsAgainstTheTextsOfTheirSigns) {
  const TChip c24 = ChipOf(1, 32768, 32, 0, "24C256");
  const TChip c24m = ChipOf(2, 131072, 32, 0, "24C1024");
  const TChip c93 = ChipOf(3, 512, 1, 0, "93C66-8");
  const TChip c93w = ChipOf(3, 512, 2, 1, "93C66-16");
  const std::string repeats4096 = Text("ReadRepeats", {"4096", "24C256", "4096"});
  struct TCase {
    const char* Name;
    TChip Chip;
    std::initializer_list<const char*> Properties;
    TContents Contents;
    TOp Op;
    std::vector<std::string> Notices;
    std::string Cause;  // the failure box's last line; "" when the check passes
  } cases[] = {
      // Reads.
      {"random", c24, {}, TContents::Random, TOp::Read, {}, ""},
      {"blank", c24, {}, TContents::Blank, TOp::Read, {Text("ReadAllFF")}, ""},
      {"all 00", c24, {}, TContents::Zero, TOp::Read, {Text("ReadAll00")}, ""},
      {"mirrored at 128",
       c24,
       {"size=128"},
       TContents::Random,
       TOp::Read,
       {Text("ReadRepeats", {"128", "24C256", "128"})},
       ""},
      {"mirrored at 4096", c24, {"size=4096"}, TContents::Random, TOp::Read, {repeats4096}, ""},
      {"mirrored at 16384",
       c24,
       {"size=16384"},
       TContents::Random,
       TOp::Read,
       {Text("ReadRepeats", {"16384", "24C256", "16384"})},
       ""},
      {"mirrored at 64 KiB",
       c24m,
       {"size=65536"},
       TContents::Random,
       TOp::Read,
       {Text("ReadRepeats", {"65536", "24C1024", "65536"})},
       ""},
      {"blank and small", c24, {"size=4096"}, TContents::Blank, TOp::Read, {Text("ReadAllFF")}, ""},
      {"bit 3 stuck at 1",
       c24,
       {"stuck-bit=3:1"},
       TContents::Random,
       TOp::Read,
       {Text("ReadStuckBit", {"3", "1"})},
       ""},
      {"swapped pairs read", c24, {"swap-pairs"}, TContents::Random, TOp::Read, {}, ""},
      // Writes and their checks.
      {"random written", c24, {}, TContents::Random, TOp::Write, {}, ""},
      {"blank chip written", c24, {}, TContents::Blank, TOp::Write, {}, ""},
      {"erased", c24, {}, TContents::Random, TOp::Erase, {}, ""},
      {"write-protected", c24, {"write-protected"}, TContents::Random, TOp::Write, {}, Text("CauseKeptOld")},
      {"write-protected blank",
       c24,
       {"write-protected"},
       TContents::Blank,
       TOp::Write,
       {Text("ReadAllFF")},
       Text("CauseKeptOld")},
      {"write-protected erase", c24, {"write-protected"}, TContents::Random, TOp::Erase, {}, Text("CauseKeptOld")},
      {"write-protected Microwire", c93, {"write-protected"}, TContents::Random, TOp::Write, {}, Text("CauseKeptOld")},
      {"written into a smaller chip", c24, {"size=4096"}, TContents::Random, TOp::Write, {repeats4096}, repeats4096},
      {"bit 5 stuck at 0",
       c24,
       {"stuck-bit=5:0"},
       TContents::Random,
       TOp::Write,
       {Text("ReadStuckBit", {"5", "0"})},
       Text("CauseOneBit", {"5"})},
      {"swapped pairs", c24, {"swap-pairs"}, TContents::Random, TOp::Write, {}, Text("CauseSwappedWords")},
      {"swapped words", c93w, {"swap-pairs"}, TContents::Random, TOp::Write, {}, Text("CauseSwappedPairs")},
      {"8-byte pages", c24, {"page=8"}, TContents::Random, TOp::Write, {}, Text("CausePartPage")},
      {"8-byte pages on a blank chip", c24, {"page=8"}, TContents::Blank, TOp::Write, {}, Text("CausePartPage")},
      // Verify.
      {"verify: the same", c24, {}, TContents::Random, TOp::Verify, {}, ""},
      // A verify wrote nothing: a blank chip just differs from the file.
      {"verify: blank chip", c24, {}, TContents::Blank, TOp::Verify, {Text("ReadAllFF")}, ""},
      {"verify: swapped", c24, {"swap-pairs"}, TContents::Random, TOp::Verify, {}, Text("CauseSwappedWords")},
      {"verify: flaky chip", c24, {"flaky=0.01"}, TContents::Random, TOp::Verify, {}, Text("CauseUnreliableGood")},
      {"verify: smaller chip", c24, {"size=4096"}, TContents::Random, TOp::Verify, {repeats4096}, repeats4096},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TChipRig rig;
    rig.Device->SetChipProperties(Properties(c.Properties));
    const size_t size = static_cast<size_t>(c.Chip.Size);
    const std::vector<uint8_t> before = RandomBytes(TSimulatedProgrammer::kChipImageSize, 11);
    for (size_t i = 0; i < rig.Device->Chip.size(); ++i)
      rig.Device->Chip[i] = c.Contents == TContents::Random ? before[i] : c.Contents == TContents::Blank ? 0xFF : 0x00;
    // Verify compares with the chip's own bytes, as a right read gives them.
    std::vector<uint8_t> image =
        c.Op == TOp::Verify ? std::vector<uint8_t>(before.begin(), before.begin() + size) : RandomBytes(size, 99);
    std::vector<uint8_t> target(TSimulatedProgrammer::kChipImageSize, 0);
    switch (c.Op) {
      case TOp::Read: ASSERT_EQ(ReadChipChecked(rig.Programmer, c.Chip, target, rig.Ui), TChipRun::Done); break;
      case TOp::Write: WriteAndCheckChip(rig.Programmer, c.Chip, image, rig.Ui); break;
      case TOp::Verify: VerifyChip(rig.Programmer, c.Chip, image, rig.Ui); break;
      case TOp::Erase:
        rig.Ui.Answers.push_back(TAnswer::Yes);
        EraseChip(rig.Programmer, c.Chip, rig.Ui);
        break;
    }
    EXPECT_EQ(rig.Ui.Texts(TKind::Notice), c.Notices);
    EXPECT_EQ(CauseLine(rig.Ui), c.Cause);
    // A check with no cause passed, but for the blank chip's verify, which fails with none named.
    if (c.Cause.empty() && c.Op != TOp::Read) {
      EXPECT_EQ(rig.Ui.Texts(TKind::Error).empty(), c.Contents != TContents::Blank || c.Op != TOp::Verify);
    }
  }
}

TEST(ReadTrust, ReadsMadeSeveralTimesCatchAFlakyConnection) {
  const TChip chip = ChipOf(1, 4096, 32, 0);
  const size_t wholeRead = 4096 / 32 + 2;
  struct TCase {
    const char* Name;
    double Flaky;
    int Reads;
    TDisagreement OnDisagreement;
    TChipRun Run;
    const char* Said;   // the start of the text about the reads; "" for none
    bool ReReads;       // blocks were read again after the whole reads
    bool TargetIsChip;  // the target holds the chip's bytes; else it is unchanged
  } cases[] = {
      {"steady, three reads", 0, 3, TDisagreement::Discard, TChipRun::Done, "", false, true},
      {"steady, two reads decided", 0, 2, TDisagreement::KeepMajority, TChipRun::Done, "", false, true},
      {"flaky, one read", 0.01, 1, TDisagreement::Discard, TChipRun::Done, "", false, false},
      {"flaky, discarded", 0.01, 3, TDisagreement::Discard, TChipRun::Unreliable, "The reads differ in ", false, false},
      {"flaky, three reads decided", 0.002, 3, TDisagreement::KeepMajority, TChipRun::Done, "The reads differed in ",
       true, true},
      {"flaky, two reads decided", 0.01, 2, TDisagreement::KeepMajority, TChipRun::Done, "The reads differed in ", true,
       true},
      // Half the bytes read have a bit flipped: nine reads leave bytes that no value won.
      {"undecidable", 0.5, 3, TDisagreement::KeepMajority, TChipRun::Unreliable, "", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TChipRig rig;
    TSimulatedChipProperties p;
    p.Flaky = c.Flaky;
    rig.Device->SetChipProperties(p);
    TCheckOptions options;
    options.Reads = c.Reads;
    options.OnDisagreement = c.OnDisagreement;
    TReadReport report;
    options.Report = &report;
    std::vector<uint8_t> target(4096, 0x42);
    rig.Device->Sent.clear();
    EXPECT_EQ(ReadChipChecked(rig.Programmer, chip, target, rig.Ui, options), c.Run);
    EXPECT_EQ(rig.Device->Sent.size() > static_cast<size_t>(c.Reads) * wholeRead, c.ReReads);
    const std::vector<std::string> texts = rig.Ui.Texts();
    const bool said = std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
      return t.find("could not be decided") != std::string::npos || t.find("The read") == 0;
    });
    EXPECT_EQ(said, *c.Said != 0 || c.Run == TChipRun::Unreliable);
    if (*c.Said) {
      EXPECT_TRUE(
          std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(c.Said, 0) == 0; }));
    }
    if (c.TargetIsChip) {
      EXPECT_TRUE(std::equal(target.begin(), target.end(), rig.Device->Chip.begin()));
    }
    if (c.Run == TChipRun::Unreliable) {
      EXPECT_EQ(target, std::vector<uint8_t>(4096, 0x42));
    }
    if (c.OnDisagreement == TDisagreement::KeepMajority && c.Run == TChipRun::Unreliable) {
      EXPECT_FALSE(report.Undecided.empty());
      const std::string first =
          Text("ReadsUndecided", {std::to_string(report.Undecided.size()), "9", IntToHex(report.Undecided[0], 4), ""});
      ASSERT_EQ(rig.Ui.Texts(TKind::Error).size(), 1u);
      EXPECT_EQ(rig.Ui.Texts(TKind::Error)[0].substr(0, first.find("values seen")),
                first.substr(0, first.find("values seen")));
    }
  }
}

// Seeded flaky chips read several times and decided: a run either keeps every byte right or is
// discarded with the target untouched, never keeps a guess. (Reads that all agree on a wrong value
// decide it: the flaky rates here make that rarer than once in thousands of runs.)
TEST(ReadTrust, DecidedReadsOfFlakyChipsKeepNoWrongByte) {
  struct TCase {
    TChip Chip;
    double Flaky;
    int Reads;
    int Runs;
  } cases[] = {
      {ChipOf(1, 32768, 64, 0), 0.01, 3, 6}, {ChipOf(1, 32768, 64, 0), 0.001, 2, 3},
      {ChipOf(1, 32768, 64, 0), 0.03, 5, 3}, {ChipOf(2, 1048576, 256, 0), 0.01, 3, 2},
      {ChipOf(3, 512, 2, 1), 0.05, 2, 4},
  };
  for (const auto& c : cases) {
    TChipRig rig;
    TSimulatedChipProperties p;
    p.Flaky = c.Flaky;
    rig.Device->SetChipProperties(p);
    rig.Device->RecordReports = false;
    const size_t size = static_cast<size_t>(c.Chip.Size);
    for (int run = 0; run < c.Runs; ++run) {
      SCOPED_TRACE(std::to_string(size) + " bytes, flaky " + std::to_string(c.Flaky) + ", run " + std::to_string(run));
      TCheckOptions options;
      options.Reads = c.Reads;
      options.OnDisagreement = TDisagreement::KeepMajority;
      std::vector<uint8_t> target(size, 0x42);
      const TChipRun result = ReadChipChecked(rig.Programmer, c.Chip, target, rig.Ui, options);
      ASSERT_TRUE(result == TChipRun::Done || result == TChipRun::Unreliable);
      if (result == TChipRun::Done) {
        size_t wrong = 0;
        for (size_t i = 0; i < size; ++i) wrong += target[i] != rig.Device->Chip[i];
        EXPECT_EQ(wrong, 0u);
      } else {
        EXPECT_EQ(target, std::vector<uint8_t>(size, 0x42));
      }
    }
  }
}

TEST(ReadTrust, ReadsOutsideTheirRangeAreRefused) {
  TChipRig rig;
  std::vector<uint8_t> target(4096);
  for (const int reads : {0, kMaxReads + 1}) {
    TCheckOptions options;
    options.Reads = reads;
    EXPECT_THROW(ReadChipChecked(rig.Programmer, ChipOf(1, 4096, 32, 0), target, rig.Ui, options), TError);
  }
  EXPECT_TRUE(rig.Device->Sent.empty());
}

}  // namespace
