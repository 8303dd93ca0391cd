// Motorola S-records: the reader's records, counts, checksums and errors, the writer's records,
// the load offset of both text formats, and the format of a file by its name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <random>

#include "common/error.h"
#include "hex_test_support.h"
#include "imagefile/image_file.h"
#include "srec_test_support.h"
#include "support/temp_dir.h"

namespace {

struct TSRecCase {
  const char* Name;
  std::string Text;
  std::optional<std::string> Error;       // a part of the expected error, which also names the file
  std::map<uint32_t, uint8_t> Bytes;      // expected contents after the load; 0xFF where no data
  std::vector<TKeyedText> Warnings = {};  // what a load that succeeds warns of
};

void PrintTo(const TSRecCase& c, std::ostream* os) { *os << c.Name; }

const std::string kHeader = SRec(0, 0, {'h', 'd', 'r'});
const std::string kS9 = SRec(9, 0, {});

std::vector<TSRecCase> SRecCases() {
  // clang-format off
  return {
      {"S1WithHeaderCountAndEnd", kHeader + SRec(1, 0x10, {1, 2}) + SRec(5, 1, {}) + kS9, {},
       {{0x0F, 0xFF}, {0x10, 1}, {0x11, 2}, {0x12, 0xFF}, {0xFF, 0xFF}, {0x100, 0xFF}}},
      {"S2AndS3Addresses", SRec(2, 0x10000, {7}) + SRec(3, 0x1FFFF, {8}) + SRec(8, 0, {}), {},
       {{0x10000, 7}, {0x1FFFF, 8}}},
      {"LowerCaseCrLfAndBlankLines", "s1050000aabb95\r\n\r\n  \r\nS9030000FC\r\n", {}, {{0, 0xAA}, {1, 0xBB}}},
      {"EndRecordStopsReading", SRec(1, 0, {1}) + kS9 + "garbage\n", {}, {{0, 1}}},
      {"DataRecordsAloneLoadWithAWarning", SRec(1, 0, {1}) + SRec(2, 0x10001, {2}), {}, {{0, 1}, {0x10001, 2}},
       {{"ImgSRecDataOnly", {"in.s19"}}}},
      {"AHeaderWithoutEndRecordIsACutFile", kHeader + SRec(1, 0, {1}) + SRec(1, 1, {2}),
       "in.s19 ends without an end record after line 3: it may be cut short.", {}},
      {"ACountAfterTheLastDataRecordEndsTheFileToo", SRec(1, 0, {1}) + SRec(5, 1, {}), {}, {{0, 1}}},
      {"DataAfterTheCountAreACutFile", SRec(1, 0, {1}) + SRec(5, 1, {}) + SRec(1, 1, {2}), "may be cut short", {}},
      {"OnlyAHeaderHoldsNoData", kHeader + kS9, "in.s19 holds no data.", {}},
      {"EmptyFileHoldsNoData", "", "in.s19 holds no data.", {}},
      {"S6CountOfThreeRecords", SRec(1, 0, {1}) + SRec(1, 1, {2}) + SRec(1, 2, {3}) + SRec(6, 3, {}) + kS9, {},
       {{2, 3}}},
      {"HeaderChecksumIsChecked", "S00600006864727B\n" + SRec(1, 0, {1}) + kS9,
       "line 1: the record's checksum is wrong", {}},
      {"ChecksumInThirdRecordLoadsNothing", SRec(1, 0, {1}) + SRec(1, 1, {2}) + "S104000203F7\n" + kS9,
       "line 3: the record's checksum is wrong", {}},
      {"WrongRecordCount", SRec(1, 0, {1}) + SRec(5, 2, {}) + kS9,
       "line 2: the record count says 2 data records, but 1 came before it", {}},
      {"NotAnSRecord", SRec(1, 0, {1}) + ":0100000011EE\n", "line 2: the line is no S-record", {}},
      {"UnknownType", "S4030000FC\n", "line 1: S4 is no known S-record type", {}},
      {"NotHexadecimal", "S1050000AXBB95\n", "line 1: 'AX' is not a hexadecimal number", {}},
      {"LineShorterThanItsCount", "S1050000AABB\n", "line 1: the line ends before its record does", {}},
      {"CharactersAfterTheChecksum", "S1050000AABB95FF\n", "line 1: characters follow the record's checksum", {}},
      {"CountTooSmallForTheAddress", "S1020000FD\n", "line 1: the byte count 0x02 is too small for an S1 record", {}},
      {"SameValuesTwiceAreAccepted", SRec(1, 0, {1, 2}) + SRec(1, 1, {2}) + kS9, {}, {{0, 1}, {1, 2}}},
      {"DifferentValuesAreRefusedNamingBothLines", kHeader + SRec(1, 0x20, {1, 2}) + SRec(1, 0x21, {3}) + kS9,
       "line 3: line 2 gave address 0x0021 another value", {}},
  };
  // clang-format on
}

class SRecLoad : public testing::TestWithParam<TSRecCase> {};

TEST_P(SRecLoad, StoresOrRefusesTheFileNamingIt) {
  const TSRecCase& c = GetParam();
  TTempDir dir;
  const std::string file = dir.Write("in.s19", c.Text);
  if (c.Error) {
    try {
      ReadImage(file, TImageFormat::SRec, 0, Image());
      FAIL() << "no error";
    } catch (const TError& e) {
      EXPECT_NE(std::string(e.what()).find(*c.Error), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
    return;
  }
  TImageExtent extent;
  EXPECT_NO_THROW(extent = ReadImage(file, TImageFormat::SRec, 0, Image()));
  ASSERT_EQ(extent.Warnings.size(), c.Warnings.size());
  for (size_t i = 0; i < c.Warnings.size(); ++i) {
    EXPECT_EQ(extent.Warnings[i].Key, c.Warnings[i].Key);
    EXPECT_EQ(extent.Warnings[i].Args.at(0), file);
  }
  for (auto [address, value] : c.Bytes) EXPECT_EQ(Image()[address], value) << "at " << address;
}

INSTANTIATE_TEST_SUITE_P(Cases, SRecLoad, testing::ValuesIn(SRecCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

std::string SRecTextOf(const TChip& chip) { return ChipText(TImageFormat::SRec, chip); }

TEST(SRecSave, SmallChipGetsS1RecordsOf32BytesWithHeaderCountAndS9) {
  for (int i = 0; i < 40; ++i) Image()[i] = static_cast<uint8_t>(i);
  TChip chip = ChipOfSize(40);
  chip.Name = "AB";
  std::string data = "S1230000";
  for (int i = 0; i < 32; ++i) data += (i < 16 ? "0" : "1") + std::string(1, "0123456789ABCDEF"[i % 16]);
  EXPECT_EQ(SRecTextOf(chip),
            "S0050000414277\r\n" + data + "EC\r\nS10B0020" + "2021222324252627" + "B8\r\nS5030002FA\r\nS9030000FC\r\n");
}

TEST(SRecSave, ChipsAbove64KiBGetS2RecordsAndS8) {
  std::fill(Image().begin(), Image().end(), 0xFF);
  const std::string text = SRecTextOf(ChipOfSize(0x20000));
  EXPECT_EQ(text.rfind("S224000000", 0), std::string::npos);  // the header comes first
  EXPECT_NE(text.find("\r\nS224000000"), std::string::npos);
  EXPECT_NE(text.find("\r\nS22401FFE0"), std::string::npos);
  EXPECT_EQ(text.find("S1"), std::string::npos);
  EXPECT_NE(text.find("\r\nS5031000EC\r\nS804000000FB\r\n"), std::string::npos);  // 4096 records
}

// Every byte of the chip's range survives a save and a load, for each chip size class.
TEST(SRecSave, RoundTrips) {
  std::mt19937 random(3);
  for (int32_t size : {1, 100, 0x10000, 0x10001, 0x100000}) {
    for (int32_t i = 0; i < size; ++i) Image()[i] = static_cast<uint8_t>(random());
    const std::vector<uint8_t> saved(Image().begin(), Image().begin() + size);
    const std::string text = SRecTextOf(ChipOfSize(size));
    std::fill(Image().begin(), Image().end(), 0);
    ReadImageText(text, TImageFormat::SRec, 0, Image());
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), Image().begin())) << size;
  }
}

// The load offset, for both formats with addresses: data at 0x810000 land at 0, anything below
// the offset is refused, and without the offset the data lie past the image.
TEST(LoadOffset, MovesEveryAddressDown) {
  TTempDir dir;
  const std::string hex = dir.Write("ee.hex", Rec(0, 4, {0x00, 0x81}) + Rec(0x10, 0, {1, 2}) + Rec(0, 0, {3}) + kEnd);
  const std::string srec = dir.Write("ee.s37", SRec(3, 0x810010, {1, 2}) + SRec(3, 0x810000, {3}) + SRec(7, 0, {}));
  for (const auto& [file, format] : {std::pair{hex, TImageFormat::Hex}, std::pair{srec, TImageFormat::SRec}}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(ReadImage(file, format, 0, Image()), (TImageExtent{0x810000, 0x810012}));
    EXPECT_EQ(ImageFitProblem(file, {0x810000, 0x810012}, ChipOfSize(256), kMemoryBufferSize)->Args[1], "810011");
    EXPECT_EQ(ReadImage(file, format, 0x810000, Image()), (TImageExtent{0, 0x12}));
    EXPECT_EQ(Image()[0], 3);
    EXPECT_EQ(Image()[0x10], 1);
    EXPECT_EQ(Image()[0x11], 2);
    EXPECT_EQ(Image()[0x12], 0xFF);
    try {
      ReadImage(file, format, 0x810001, Image());
      ADD_FAILURE() << "loaded below its offset";
    } catch (const TError& e) {
      EXPECT_NE(std::string(e.what()).find("address 0x810000 lies below the load offset 0x810001"), std::string::npos)
          << e.what();
    }
  }
}

TEST(ImageFormat, FollowsTheExtension) {
  const std::pair<const char*, std::optional<TImageFormat>> cases[] = {
      {"a.hex", TImageFormat::Hex},   {"A.IHX", TImageFormat::Hex},  {"a.ihex", TImageFormat::Hex},
      {"a.s19", TImageFormat::SRec},  {"a.S28", TImageFormat::SRec}, {"a.s37", TImageFormat::SRec},
      {"a.srec", TImageFormat::SRec}, {"a.mot", TImageFormat::SRec}, {"a.s", TImageFormat::SRec},
      {"a.bin", TImageFormat::Bin},   {"a.dat", std::nullopt},       {"noext", std::nullopt},
      {"dir.hex/file", std::nullopt}, {".hex", std::nullopt},        {"a.hex.bak", std::nullopt},
  };
  for (const auto& [name, format] : cases) {
    EXPECT_EQ(KnownImageFormatOf(name), format) << name;
    EXPECT_EQ(ImageFormatOf(name), format.value_or(TImageFormat::Bin)) << name;
  }
}

}  // namespace
