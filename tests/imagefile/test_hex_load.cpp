// The Intel HEX reader: end record, blank lines, field conversion, addresses, checksums,
// overlapping records, line ends, and files that are cut, empty or no Intel HEX at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "common/error.h"
#include "hex_test_support.h"
#include "imagefile/hex_reader.h"
#include "imagefile/image_file.h"
#include "support/temp_dir.h"

namespace {

struct TLoadCase {
  const char* Name;
  std::string Text;
  std::optional<std::string> Error;   // a part of the expected error, which also names the file
  std::map<uint32_t, uint8_t> Bytes;  // expected contents after a load; 0xFF where no data
};

void PrintTo(const TLoadCase& c, std::ostream* os) { *os << c.Name; }

const std::string kNotInteger = "'$' is not a valid integer value";
const std::string kBadChecksum = "the record's checksum is wrong";

std::vector<TLoadCase> LoadCases() {
  // clang-format off
  return {
      {"EndOfFileRecordStops", Rec(0, 0, {0x11}) + kEnd + Rec(1, 0, {0x22}), {}, {{0, 0x11}, {1, 0xFF}}},
      {"ZeroCountDataRecordIsSkipped", Rec(0, 0, {0x11}) + ":0000000000\n" + Rec(1, 0, {0x22}) + kEnd, {},
       {{0, 0x11}, {1, 0x22}}},
      {"Type01WithDataEndsAndStoresNothing", Rec(0, 0, {0x11}) + ":02000001AABB98\n" + Rec(1, 0, {0x22}), {},
       {{0, 0x11}, {1, 0xFF}}},
      {"NoEndRecordIsACutFile", Rec(0, 0, {1, 2}) + ":0100100003EC",
       "in.hex ends without an end record after line 2: it may be cut short.", {}},
      {"BlankLinesAreSkipped", Rec(0, 0, {0x11}) + "\n \t \n" + Rec(1, 0, {0x22}) + kEnd, {}, {{0, 0x11}, {1, 0x22}}},
      {"ThreeBytesAt0100ChecksumFromCharacters16And17", ":03010000AABBCCCB \t\n" + kEnd, {},
       {{0xFF, 0xFF}, {0x100, 0xAA}, {0x101, 0xBB}, {0x102, 0xCC}, {0x103, 0xFF}}},
      // What follows a record's checksum would be lost without a word: a record glued on, or text.
      {"RecordGluedAfterTheChecksumIsRefused", Rec(0, 0, {1}) + ":10000000000102030405060708090A0B0C0D0E0F78"
       ":10001000101112131415161718191A1B1C1D1E1F68\n" + kEnd,
       "in.hex: line 2 holds a second record after the checksum", {}},
      {"TextAfterTheChecksumIsRefused", ":03010000AABBCCCBtrailing text\n" + kEnd,
       "line 1: characters follow the record's checksum", {}},
      {"TwoBytesAtFFFFWrapToZero", ":02FFFF00AABB9B\n" + kEnd, {}, {{0xFFFF, 0xAA}, {0, 0xBB}, {0x10000, 0xFF}}},
      {"LowerCaseDigits", ":02ffff00aabb9b\n" + kEnd, {}, {{0xFFFF, 0xAA}, {0, 0xBB}}},
      {"StoresAnywhereInTheImage", Rec(0x1000, 0, {0x5A}) + kEnd, {}, {{0xFF, 0xFF}, {0x1000, 0x5A}}},
      {"ChecksumErrorInThirdRecordLoadsNothing",
       Rec(0, 0, {1}) + Rec(1, 0, {2}) + ":010002000300\n" + Rec(3, 0, {4}) + kEnd, "line 3: " + kBadChecksum, {}},
      {"SpaceInAFieldIsNoDigit", ":0 0000000\n", "'$0 ' is not a valid integer value", {}},
      {"FieldWhollyPastTheLineEnd", ":1\n", kNotInteger, {}},
      {"DataByteCutShortReadsOneDigitThenChecksumFails", ":01000000A\n", kNotInteger, {}},
      // Files that are no Intel HEX, or hold nothing.
      {"LineWithoutAColon", Rec(0, 0, {1}) + "x02ffff00aabb9b\n" + kEnd, "in.hex is not an Intel HEX file (line 2)",
       {}},
      {"ByteOrderMark", "\xEF\xBB\xBF" + Rec(0, 0, {1}) + kEnd, "in.hex is not an Intel HEX file (line 1)", {}},
      {"BinaryContent", std::string("\x7F" "ELF\x02\x01\x01\0\0\n", 10), "in.hex is not an Intel HEX file (line 1)",
       {}},
      {"EmptyFile", "", "in.hex holds no data.", {}},
      {"OnlyAnEndRecord", "\n" + kEnd, "in.hex holds no data.", {}},
      // Records that say the same address twice.
      {"SameValuesTwiceAreAccepted", Rec(0, 0, {1, 2}) + Rec(1, 0, {2, 3}) + kEnd, {}, {{0, 1}, {1, 2}, {2, 3}}},
      {"DifferentValuesAreRefusedNamingBothLines", Rec(0, 0, {1, 2}) + Rec(5, 0, {9}) + Rec(1, 0, {3}) + kEnd,
       "line 3: line 1 gave address 0x0001 another value", {}},
      // Extended addresses.
      {"LinearAddressMovesLaterRecords", Rec(0, 4, {0x00, 0x01}) + Rec(0x10, 0, {0x77}) + kEnd, {},
       {{0x10, 0xFF}, {0x10010, 0x77}, {0x1FFFF, 0xFF}, {0x20000, 0xFF}}},
      {"LinearAddressesDoNotWrap", Rec(0, 4, {0x00, 0x01}) + Rec(0xFFFF, 0, {1, 2}) + kEnd, {},
       {{0x1FFFF, 1}, {0x20000, 2}, {0x10000, 0xFF}}},
      {"SegmentAddressesWrapInTheSegment", Rec(0, 2, {0x10, 0x00}) + Rec(0xFFFF, 0, {1, 2}) + kEnd, {},
       {{0x1FFFF, 1}, {0x10000, 2}}},
      {"StartAddressRecordsAreSkipped", Rec(0, 5, {0, 0, 1, 0}) + Rec(0, 3, {0, 0, 1, 0}) + Rec(0, 0, {0x42}) + kEnd,
       {}, {{0, 0x42}, {1, 0xFF}, {2, 0xFF}}},
      {"StartAddressRecordChecksumIsTested", ":0400000500000100F0\n" + Rec(0, 0, {0x42}) + kEnd,
       "line 1: " + kBadChecksum, {}},
      {"AddressRecordChecksumIsTested", ":020000040001F8\n" + Rec(0x10, 0, {0x77}) + kEnd, "line 1: " + kBadChecksum,
       {}},
      {"UnknownRecordTypeIsRefused", Rec(0, 0, {1}) + Rec(0, 6, {2}) + kEnd, "line 2: unknown record type 0x06", {}},
      {"AddressRecordOfOneByteIsRefused", Rec(0, 4, {1}) + kEnd,
       "line 1: an extended address record must hold two bytes", {}},
      // Line ends.
      {"CrLfAndCrAndLfMix", ":0100000011EE\r\n:0100010022DC\r:0100020033CA\r\r\n:0100030044B8\n:00000001FF", {},
       {{0, 0x11}, {1, 0x22}, {2, 0x33}, {3, 0x44}}},
      {"BlankCrLfLineIsSkipped", ":0100000011EE\r\n\r\n:0100010022DC\r\n:00000001FF\r\n", {}, {{0, 0x11}, {1, 0x22}}},
      {"CtrlZAfterTheEndRecordEndsTheText", Rec(0, 0, {0x11}) + kEnd + "\x1A" + "garbage", {}, {{0, 0x11}}},
      {"CtrlZBeforeTheEndRecordIsACutFile", Rec(0, 0, {0x11}) + "\x1A" + Rec(1, 0, {0x22}) + kEnd,
       "ends without an end record after line 1", {}},
  };
  // clang-format on
}

class HexLoad : public testing::TestWithParam<TLoadCase> {};

TEST_P(HexLoad, StoresOrRefusesTheFileNamingIt) {
  const TLoadCase& c = GetParam();
  // Through a file, so the file reader's chunks and line splitting are part of the run.
  TTempDir dir;
  const std::string file = dir.Write("in.hex", c.Text);
  if (c.Error) {
    try {
      ReadImage(file, TImageFormat::Hex, 0, Image());
      FAIL() << "no error";
    } catch (const TError& e) {
      EXPECT_NE(std::string(e.what()).find(*c.Error), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
    return;
  }
  EXPECT_NO_THROW(ReadImage(file, TImageFormat::Hex, 0, Image()));
  for (auto [address, value] : c.Bytes) EXPECT_EQ(Image()[address], value) << "at " << address;
}

INSTANTIATE_TEST_SUITE_P(Cases, HexLoad, testing::ValuesIn(LoadCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(HexLoadErrors, ConversionErrorTextIsExact) {
  try {
    ReadImageText(":01000000G0EF\n" + kEnd, TImageFormat::Hex, 0, Image());
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "Line 1: '$G0' is not a valid integer value");
  }
}

TEST(HexLoadErrors, FileErrorsNameTheFile) {
  TTempDir dir;
  const struct {
    std::string File;
    std::string Text;
  } cases[] = {
      {dir.File("missing.hex"), "File not found: " + dir.File("missing.hex")},
      {dir.Folder(), "File access denied: " + dir.Folder()},
      {dir.File("no/such/folder.hex"), "File not found: " + dir.File("no/such/folder.hex")},
  };
  for (const auto& c : cases) {
    try {
      ReadImage(c.File, TImageFormat::Hex, 0, Image());
      ADD_FAILURE() << "no error for " << c.File;
    } catch (const TError& e) {
      EXPECT_EQ(e.what(), c.Text);
    }
  }
}

// Where the data lay, also past the image: counted, not stored.
TEST(HexLoadExtent, CoversTheDataAlsoPastTheImage) {
  const struct {
    const char* Name;
    std::string Text;
    TImageExtent Extent;
  } cases[] = {
      {"one record", Rec(0x100, 0, {1, 2, 3}) + kEnd, {0x100, 0x103}},
      {"records out of order", Rec(0x2000, 0, {1}) + Rec(0x10, 0, {1}) + kEnd, {0x10, 0x2001}},
      {"past 1 MiB", Rec(0, 4, {0x00, 0x0F}) + Rec(0xFFFF, 0, {1, 2}) + Rec(0, 0, {3}) + kEnd, {0xF0000, 0x100001}},
      {"wholly past 1 MiB", Rec(0, 4, {0x00, 0x81}) + Rec(0, 0, {1}) + kEnd, {0x810000, 0x810001}},
  };
  for (const auto& c : cases) {
    const TImageExtent extent = ReadImageText(c.Text, TImageFormat::Hex, 0, Image());
    EXPECT_EQ(extent, c.Extent) << c.Name;
    if (c.Extent.End == 0x100001) {
      EXPECT_EQ(Image()[0xFFFFF], 1);
      EXPECT_EQ(Image()[0xF0000], 3);
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
