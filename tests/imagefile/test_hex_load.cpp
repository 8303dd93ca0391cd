// The Intel HEX reader: stop conditions, field conversion, addresses, checksums, line ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "hex_test_support.h"
#include "imagefile/hex_reader.h"
#include "imagefile/image_file.h"
#include "support/temp_dir.h"

namespace {

struct TLoadCase {
  const char* Name;
  int32_t Size;
  std::string Text;
  std::optional<std::string> Error;   // a part of the expected error; then nothing is stored
  std::map<uint32_t, uint8_t> Bytes;  // expected contents after a load; 0x00 = untouched
};

void PrintTo(const TLoadCase& c, std::ostream* os) { *os << c.Name; }

const std::string kNotInteger = "'$' is not a valid integer value";
const std::string kBadChecksum = "the record's checksum is wrong";

std::vector<TLoadCase> LoadCases() {
  // clang-format off
  return {
      {"EndOfFileRecordStops", 1024, Rec(0, 0, {0x11}) + ":00000001FF\n" + Rec(1, 0, {0x22}), {},
       {{0, 0x11}, {1, 0xFF}}},
      {"ZeroCountStopsWithoutChecksum", 1024, Rec(0, 0, {0x11}) + ":0000000599\n" + Rec(1, 0, {0x22}), {},
       {{0, 0x11}, {1, 0xFF}}},
      {"Type01WithDataStoresNothing", 1024, ":02000001AABB98\n" + Rec(0, 0, {0x22}), {}, {{0, 0xFF}, {1, 0xFF}}},
      {"NoEndRecordReadsToTheEnd", 1024, Rec(0, 0, {1, 2}) + ":0100100003EC", {}, {{0, 1}, {1, 2}, {0x10, 3}}},
      {"EmptyLineFailsAtItsLine", 1024, Rec(0, 0, {0x11}) + "\n" + Rec(1, 0, {0x22}), "line 2: " + kNotInteger, {}},
      {"ThreeBytesAt0100ChecksumFromCharacters16And17", 1024, ":03010000AABBCCCBtrailing text\n", {},
       {{0xFF, 0xFF}, {0x100, 0xAA}, {0x101, 0xBB}, {0x102, 0xCC}, {0x103, 0xFF}}},
      {"TwoBytesAtFFFFWrapToZero", 65536, ":02FFFF00AABB9B\n", {}, {{0xFFFF, 0xAA}, {0, 0xBB}, {0x10000, 0x00}}},
      {"LowerCaseDigitsAndAnyStartCharacter", 65536, "x02ffff00aabb9b\n", {}, {{0xFFFF, 0xAA}, {0, 0xBB}}},
      {"StoresAboveSizeWithoutMessage", 256, Rec(0x1000, 0, {0x5A}), {},
       {{0xFF, 0xFF}, {0x100, 0x00}, {0x1000, 0x5A}}},
      {"ChecksumErrorInThirdRecordLoadsNothing", 1024,
       Rec(0, 0, {1}) + Rec(1, 0, {2}) + ":010002000300\n" + Rec(3, 0, {4}), "line 3: " + kBadChecksum, {}},
      {"SpaceInAFieldIsNoDigit", 1024, ":0 0000000\n", "'$0 ' is not a valid integer value", {}},
      {"FieldWhollyPastTheLineEnd", 1024, ":1\n", kNotInteger, {}},
      {"DataByteCutShortReadsOneDigitThenChecksumFails", 1024, ":01000000A\n", kNotInteger, {}},
      // Extended addresses.
      {"LinearAddressMovesLaterRecords", 0x20000, Rec(0, 4, {0x00, 0x01}) + Rec(0x10, 0, {0x77}), {},
       {{0x10, 0xFF}, {0x10010, 0x77}, {0x1FFFF, 0xFF}, {0x20000, 0x00}}},
      {"LinearAddressesDoNotWrap", 0x20000, Rec(0, 4, {0x00, 0x01}) + Rec(0xFFFF, 0, {1, 2}), {},
       {{0x1FFFF, 1}, {0x20000, 2}, {0x10000, 0xFF}}},
      {"SegmentAddressesWrapInTheSegment", 0x20000, Rec(0, 2, {0x10, 0x00}) + Rec(0xFFFF, 0, {1, 2}), {},
       {{0x1FFFF, 1}, {0x10000, 2}}},
      {"ByteBeyondTheBufferStops", 0x100000, Rec(0, 4, {0x00, 0x0F}) + Rec(0xFFFF, 0, {1, 2}) + Rec(0, 0, {3}),
       "line 2: address 0x100000 lies outside the memory buffer", {}},
      {"StartAddressRecordsAreSkipped", 1024, Rec(0, 5, {0, 0, 1, 0}) + Rec(0, 3, {0, 0, 1, 0}) + Rec(0, 0, {0x42}),
       {}, {{0, 0x42}, {1, 0xFF}, {2, 0xFF}}},
      {"StartAddressRecordChecksumIsTested", 1024, ":0400000500000100F0\n" + Rec(0, 0, {0x42}),
       "line 1: " + kBadChecksum, {}},
      {"AddressRecordChecksumIsTested", 0x20000, ":020000040001F8\n" + Rec(0x10, 0, {0x77}),
       "line 1: " + kBadChecksum, {}},
      {"UnknownRecordTypeIsRefused", 1024, Rec(0, 0, {1}) + Rec(0, 6, {2}), "line 2: unknown record type 0x06", {}},
      {"AddressRecordOfOneByteIsRefused", 1024, Rec(0, 4, {1}), "extended address record must hold two bytes", {}},
      // Line ends.
      {"CrLfAndCrAndLfMix", 1024, ":0100000011EE\r\n:0100010022DC\r:0100020033CA\r\r\n:0100030044B8", {},
       {{0, 0x11}, {1, 0x22}, {2, 0x33}, {3, 0x44}}},
      {"BlankCrLfLineFails", 1024, ":0100000011EE\r\n\r\n:0100010022DC\r\n", "line 2: " + kNotInteger, {}},
      {"CtrlZAtLineStartEndsTheFile", 1024, Rec(0, 0, {0x11}) + "\x1A" + Rec(1, 0, {0x22}), {},
       {{0, 0x11}, {1, 0xFF}}},
  };
  // clang-format on
}

class HexLoad : public testing::TestWithParam<TLoadCase> {
 protected:
  void SetUp() override { std::memset(MemoryBuffer, 0x00, sizeof MemoryBuffer); }
};

TEST_P(HexLoad, StoresAndStopsAsExpected) {
  const TLoadCase& c = GetParam();
  // Through a file, so the file reader's chunks and line splitting are part of the run.
  TTempDir dir;
  const std::string file = dir.Write("in.hex", c.Text);
  if (c.Error) {
    try {
      LoadHexFile(file, ChipOfSize(c.Size));
      FAIL() << "no error";
    } catch (const TError& e) {
      // The error names the file and the line; the buffer is as it was, pre-fill included.
      EXPECT_NE(std::string(e.what()).find(*c.Error), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("File \"" + file + "\", line ", 0), 0u) << e.what();
    }
    EXPECT_EQ(std::count(MemoryBuffer, MemoryBuffer + kMemoryBufferSize, 0), kMemoryBufferSize);
  } else {
    EXPECT_NO_THROW(LoadHexFile(file, ChipOfSize(c.Size)));
  }
  for (auto [address, value] : c.Bytes) EXPECT_EQ(MemoryBuffer[address], value) << "at " << address;
}

INSTANTIATE_TEST_SUITE_P(Cases, HexLoad, testing::ValuesIn(LoadCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(HexLoadErrors, ConversionErrorTextIsExact) {
  try {
    LoadHexText(":01000000G0EF\n", ChipOfSize(16));
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "Line 1: '$G0' is not a valid integer value");
  }
}

TEST(HexLoadErrors, MissingFileLeavesTheBufferUnchanged) {
  std::memset(MemoryBuffer, 0x00, sizeof MemoryBuffer);
  TTempDir dir;
  try {
    LoadHexFile(dir.File("missing.hex"), ChipOfSize(256));
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
  EXPECT_EQ(MemoryBuffer[0], 0x00);
  try {
    LoadHexFile(dir.Folder(), ChipOfSize(256));
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "File access denied");
  }
  EXPECT_EQ(MemoryBuffer[0], 0x00);
}

// The pre-fill: the 16-bit count up to 64 KiB, the whole Size above it.
TEST(HexLoadPrefill, CoversTheChipsPart) {
  struct {
    int32_t Size;
    uint32_t Filled;
  } cases[] = {{100, 100},          {1, 1}, {0, 0x10000}, {0x10000, 0x10000}, {0x10010, 0x10010}, {0x20000, 0x20000},
               {0x100000, 0x100000}};
  for (auto c : cases) {
    std::memset(MemoryBuffer, 0x00, sizeof MemoryBuffer);
    LoadHexText("", ChipOfSize(c.Size));
    EXPECT_EQ(MemoryBuffer[c.Filled - 1], 0xFF) << c.Size;
    if (c.Filled < kMemoryBufferSize) {
      EXPECT_EQ(MemoryBuffer[c.Filled], 0x00) << c.Size;
    }
  }
}

// Lines come out the same however the text is cut into pieces.
TEST(HexLineSplitter, LinesDoNotDependOnPieces) {
  const std::string text = "a\r\nbb\n\nc\rd\r\r\ne" + std::string(1500, 'x') + "\nf\x1A\n\x1Ag";
  const std::vector<std::string> expected = {"a", "bb", "", "c", "d", "e" + std::string(1023, 'x'), "f\x1A"};
  for (size_t piece : {text.size(), size_t{1}, size_t{3}, size_t{700}}) {
    std::vector<std::string> lines;
    auto onLine = [&](std::string_view l) {
      lines.emplace_back(l);
      return true;
    };
    THexLineSplitter splitter;
    bool more = true;
    for (size_t i = 0; i < text.size() && more; i += piece)
      more = splitter.Feed(text.data() + i, std::min(piece, text.size() - i), onLine);
    if (more) splitter.Finish(onLine);
    EXPECT_EQ(lines, expected) << "pieces of " << piece;
  }
}

}  // namespace
