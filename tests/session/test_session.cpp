// The session's commands as a front end calls them, on the simulated programmer: what each does
// to the document and the chip, and the result and exit code it ends with.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "buffer/memory_buffer.h"
#include "chipops/chip_rig.h"
#include "common/scripted_user_interface.h"
#include "session/session.h"
#include "simulator/simulated_programmer.h"
#include "support/temp_dir.h"

namespace {

constexpr int32_t kSize = 8192;

struct TSessionRig {
  TSessionRig() {
    TLinkOptions link;
    link.Simulate = true;
    link.Simulations.emplace_back();
    link.Simulations.back().Seed = 7;
    link.ReadTimeoutMs = 10;
    const TSessionResult opened = Session.OpenProgrammer(link, Ui);
    EXPECT_TRUE(opened.Ok()) << opened.Error;
    Session.SelectChip(ChipOf(1, kSize, 32, 0, "24C64"));
    Session.Checks.OnDisagreement = TDisagreement::Discard;
    for (size_t i = 0; i < Chip().size(); ++i) Chip()[i] = TChipRig::Pattern(i, 1);
    Ui.Shown.clear();
  }
  std::vector<uint8_t>& Chip() { return Session.Link()->Simulator->Chip; }
  std::vector<uint8_t> ChipBytes() { return {Chip().begin(), Chip().begin() + kSize}; }
  std::vector<uint8_t> DocumentBytes() {
    const auto bytes = Session.Document().Bytes();
    return {bytes.begin(), bytes.begin() + kSize};
  }
  // An Intel HEX file of size bytes of pattern seed at address at, written without the session.
  std::string HexFile(const std::string& name, uint32_t at, size_t size, int seed) {
    std::vector<uint8_t> image(kMemoryBufferSize, kBlankValue);
    for (size_t i = 0; i < size; ++i) image[at + i] = TChipRig::Pattern(i, seed);
    const std::string file = Dir.File(name);
    WriteImage(file, TImageFormat::Hex, image, {at, static_cast<uint32_t>(at + size), 0, ""});
    return file;
  }

  TTempDir Dir;
  TScriptedUserInterface Ui;
  TSession Session;
};

struct TCase {
  const char* Name;
  std::function<TSessionResult(TSessionRig&)> Run;
  TOutcome What;
  int ExitCode;
  std::function<void(TSessionRig&, const TSessionResult&)> Check;
};

TImageLoadRequest FileRequest(const std::string& file, TPastChip pastChip = TPastChip::Refuse) {
  TImageLoadRequest r;
  r.File = file;
  r.PastChip = pastChip;
  return r;
}

const TCase kCases[] = {
    {"ReadFillsTheDocumentFromTheChip", [](TSessionRig& r) { return r.Session.Read(r.Ui); }, TOutcome::Done, kExitOk,
     [](TSessionRig& r, const TSessionResult& result) {
       EXPECT_EQ(r.DocumentBytes(), r.ChipBytes());
       EXPECT_EQ(r.Session.Document().Origin(), TDocumentOrigin::ReadFromChip("24C64"));
       EXPECT_FALSE(r.Session.Document().Modified());
       EXPECT_EQ(result.Holds, TChipHolds::Unchanged);
     }},
    {"ReadStoppedLeavesTheDocument",
     [](TSessionRig& r) {
       r.Ui.StopAfterProgress = 2;
       return r.Session.Read(r.Ui);
     },
     TOutcome::Stopped, kExitStopped,
     [](TSessionRig& r, const TSessionResult&) {
       EXPECT_EQ(r.DocumentBytes(), std::vector<uint8_t>(kSize, kBlankValue));
       EXPECT_FALSE(r.Session.Document().CanUndo());
     }},
    {"ReadWithoutAnswerSaysSoAndKeepsTheDocument",
     [](TSessionRig& r) {
       r.Session.Link()->Simulator->NoAnswerAt(r.Session.Link()->Simulator->ExchangeCount() + 3);
       return r.Session.Read(r.Ui);
     },
     TOutcome::NoAnswer, kExitProgrammer,
     [](TSessionRig& r, const TSessionResult&) {
       EXPECT_EQ(r.DocumentBytes(), std::vector<uint8_t>(kSize, kBlankValue));
     }},
    {"LoadThenWriteLeavesTheFileInTheChip",
     [](TSessionRig& r) {
       const TSessionResult load = r.Session.Load(FileRequest(r.HexFile("in.hex", 0, kSize, 2)), r.Ui);
       EXPECT_TRUE(load.Ok()) << load.Error;
       return r.Session.Write(r.Ui);
     },
     TOutcome::Done, kExitOk,
     [](TSessionRig& r, const TSessionResult& result) {
       EXPECT_EQ(r.ChipBytes(), TChipRig::Bytes(kSize, 2));
       EXPECT_EQ(result.Holds, TChipHolds::Document);
     }},
    {"WriteStoppedNamesTheRangeItWrote",
     [](TSessionRig& r) {
       EXPECT_TRUE(r.Session.Load(FileRequest(r.HexFile("in.hex", 0, kSize, 2)), r.Ui).Ok());
       r.Ui.StopAfterProgress = 4;
       return r.Session.Write(r.Ui);
     },
     TOutcome::Stopped, kExitStopped,
     [](TSessionRig& r, const TSessionResult& result) {
       ASSERT_EQ(result.Holds, TChipHolds::PartlyWritten);
       ASSERT_FALSE(result.Written.Empty);
       const size_t end = static_cast<size_t>(result.Written.Last) + 1;
       ASSERT_LT(end, static_cast<size_t>(kSize));
       const std::vector<uint8_t> chip = r.ChipBytes(), image = TChipRig::Bytes(kSize, 2);
       EXPECT_TRUE(std::equal(chip.begin(), chip.begin() + static_cast<long>(end), image.begin()));
       EXPECT_EQ(chip[kSize - 1], TChipRig::Pattern(kSize - 1, 1)) << "past the range the chip keeps its bytes";
     }},
    {"VerifyOfTheChipsOwnBytesMatches",
     [](TSessionRig& r) {
       EXPECT_TRUE(r.Session.Read(r.Ui).Ok());
       return r.Session.Verify(r.Ui);
     },
     TOutcome::Done, kExitOk, nullptr},
    {"VerifyCountsTheDifferences",
     [](TSessionRig& r) {
       EXPECT_TRUE(r.Session.Read(r.Ui).Ok());
       r.Chip()[0x100] ^= 0xFF;
       r.Chip()[0x1FFF] ^= 0x01;
       return r.Session.Verify(r.Ui);
     },
     TOutcome::Different, kExitDifferent,
     [](TSessionRig& r, const TSessionResult& result) {
       EXPECT_EQ(result.Differences.Count, 2u);
       EXPECT_EQ(r.Session.Document()[0x100], TChipRig::Pattern(0x100, 1));
     }},
    {"BlankCheckOfAWrittenChipFindsData", [](TSessionRig& r) { return r.Session.BlankCheck(r.Ui); },
     TOutcome::Different, kExitDifferent, nullptr},
    {"LoadRefusesDataPastTheChipAndKeepsTheDocument",
     [](TSessionRig& r) { return r.Session.Load(FileRequest(r.HexFile("big.hex", 0, 2 * kSize, 3)), r.Ui); },
     TOutcome::Failed, kExitFile,
     [](TSessionRig& r, const TSessionResult& result) {
       EXPECT_NE(result.Error.find("big.hex"), std::string::npos) << result.Error;
       EXPECT_EQ(r.Session.Document().Origin().Kind, TOriginKind::New);
       EXPECT_FALSE(r.Session.Document().CanUndo());
     }},
    {"LoadKeepsDataPastTheChipWithAWarning",
     [](TSessionRig& r) {
       return r.Session.Load(FileRequest(r.HexFile("big.hex", 0, 2 * kSize, 3), TPastChip::Keep), r.Ui);
     },
     TOutcome::Done, kExitOk,
     [](TSessionRig& r, const TSessionResult& result) {
       EXPECT_EQ(result.Warnings.size(), 1u);
       EXPECT_EQ(r.Session.Document()[2 * kSize - 1], TChipRig::Pattern(2 * kSize - 1, 3));
       EXPECT_EQ(r.Session.Document().Origin().DataEnd, static_cast<uint32_t>(2 * kSize));
     }},
    {"LoadOfAMissingFileFails",
     [](TSessionRig& r) { return r.Session.Load(FileRequest(r.Dir.File("none.hex")), r.Ui); }, TOutcome::Failed,
     kExitFile, nullptr},
    {"SaveAndLoadAtAnOffsetGiveTheBytesBack",
     [](TSessionRig& r) {
       EXPECT_TRUE(r.Session.Read(r.Ui).Ok());
       TImageLoadRequest at = FileRequest(r.HexFile("high.hex", 0x8000, 256, 4));
       at.Offset = 0x8000;
       EXPECT_TRUE(r.Session.Load(at, r.Ui).Ok());
       const std::string out = r.Dir.File("out.s19");
       const TSessionResult saved = r.Session.Save(out, std::nullopt, r.Ui);
       EXPECT_TRUE(saved.Ok()) << saved.Error;
       EXPECT_FALSE(r.Session.Document().Modified());
       EXPECT_EQ(r.Session.Document().Origin().Format, "srec");
       EXPECT_EQ(r.Session.Document().Origin().Offset, 0x8000u);
       r.Session.Document().Clear();
       TImageLoadRequest again = FileRequest(out);
       again.Offset = 0x8000;
       return r.Session.Load(again, r.Ui);
     },
     TOutcome::Done, kExitOk,
     [](TSessionRig& r, const TSessionResult&) {
       for (size_t i = 0; i < 256; ++i)
         ASSERT_EQ(r.Session.Document()[static_cast<int32_t>(i)], TChipRig::Pattern(i, 4));
     }},
    {"SaveIntoAMissingFolderFailsAndKeepsTheOrigin",
     [](TSessionRig& r) {
       EXPECT_TRUE(r.Session.Read(r.Ui).Ok());
       return r.Session.Save(r.Dir.File("no/such/folder/out.hex"), std::nullopt, r.Ui);
     },
     TOutcome::Failed, kExitFile,
     [](TSessionRig& r, const TSessionResult&) { EXPECT_EQ(r.Session.Document().Origin().Kind, TOriginKind::Chip); }},
};

void PrintTo(const TCase& c, std::ostream* os) { *os << c.Name; }

class SessionCommands : public testing::TestWithParam<TCase> {};

TEST_P(SessionCommands, EndAsExpected) {
  TSessionRig rig;
  const TCase& c = GetParam();
  const TSessionResult result = c.Run(rig);
  EXPECT_EQ(result.What, c.What) << result.Error;
  EXPECT_EQ(result.ExitCode, c.ExitCode);
  if (c.Check) c.Check(rig, result);
}

INSTANTIATE_TEST_SUITE_P(Session, SessionCommands, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TCase>& info) { return std::string(info.param.Name); });

TEST(Session, ChipCommandsWithoutAProgrammerSaySoAndSendNothing) {
  TScriptedUserInterface ui;
  TSession session;
  session.SelectChip(ChipOf(1, kSize, 32, 0, "24C64"));
  const TSessionResult result = session.Read(ui);
  EXPECT_EQ(result.What, TOutcome::NoProgrammer);
  EXPECT_EQ(result.ExitCode, kExitProgrammer);
  EXPECT_FALSE(ui.Texts(TScriptedUserInterface::TKind::Error).empty());
}

TEST(Session, AReadThatChangesNothingAddsNoUndoStep) {
  TSessionRig rig;
  ASSERT_TRUE(rig.Session.Read(rig.Ui).Ok());
  ASSERT_TRUE(rig.Session.Read(rig.Ui).Ok());
  // One step back is the blank document the first read replaced.
  ASSERT_TRUE(rig.Session.Document().Undo());
  EXPECT_EQ(rig.DocumentBytes(), std::vector<uint8_t>(kSize, kBlankValue));
  EXPECT_FALSE(rig.Session.Document().CanUndo());
}

TEST(Session, AnUnknownChipIsRefused) {
  TSession session;
  TTempDir dir;
  const std::string catalogue = dir.File("see.ini");
  std::ofstream(catalogue) << "[24Cxx]\ntype=1\n24C64=1,8192,32,0,5\n";
  EXPECT_TRUE(session.SelectChip({catalogue}, "24C64").Ok());
  EXPECT_EQ(session.Chip().Size, kSize);
  const TSessionResult unknown = session.SelectChip({catalogue}, "24C99");
  EXPECT_EQ(unknown.ExitCode, kExitUsage);
  EXPECT_EQ(session.Chip().Name, "24C64");
}

}  // namespace
