// Motorola S-records: the reader's records, counts, checksums and errors, the writer's records,
// the load offset of both text formats, and the format of a file by its name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <random>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "hex_test_support.h"
#include "imagefile/image_file.h"
#include "srec_test_support.h"
#include "support/temp_dir.h"

namespace {

struct TSRecCase {
  const char* Name;
  int32_t Size;
  std::string Text;
  std::optional<std::string> Error;   // a part of the expected error; then nothing is stored
  std::map<uint32_t, uint8_t> Bytes;  // expected contents after the load; 0x00 = untouched
};

void PrintTo(const TSRecCase& c, std::ostream* os) { *os << c.Name; }

const std::string kHeader = SRec(0, 0, {'h', 'd', 'r'});

std::vector<TSRecCase> SRecCases() {
  return {
      {"S1WithHeaderCountAndEnd",
       256,
       kHeader + SRec(1, 0x10, {1, 2}) + SRec(5, 1, {}) + SRec(9, 0, {}),
       {},
       {{0x0F, 0xFF}, {0x10, 1}, {0x11, 2}, {0x12, 0xFF}, {0xFF, 0xFF}, {0x100, 0x00}}},
      {"S2AndS3Addresses",
       0x20000,
       SRec(2, 0x10000, {7}) + SRec(3, 0x1FFFF, {8}) + SRec(8, 0, {}),
       {},
       {{0x10000, 7}, {0x1FFFF, 8}}},
      {"LowerCaseCrLfAndBlankLines", 256, "s1050000aabb95\r\n\r\n  \r\nS9030000FC\r\n", {}, {{0, 0xAA}, {1, 0xBB}}},
      {"EndRecordStopsReading", 256, SRec(1, 0, {1}) + SRec(9, 0, {}) + "garbage\n", {}, {{0, 1}}},
      {"NoEndRecordReadsToTheEnd", 256, SRec(1, 0, {1}) + SRec(1, 1, {2}), {}, {{0, 1}, {1, 2}}},
      {"S6CountOfThreeRecords",
       256,
       SRec(1, 0, {1}) + SRec(1, 1, {2}) + SRec(1, 2, {3}) + SRec(6, 3, {}),
       {},
       {{2, 3}}},
      {"HeaderChecksumIsChecked",
       256,
       "S00600006864727B\n" + SRec(1, 0, {1}),
       "line 1: the record's checksum is wrong",
       {}},
      {"ChecksumInThirdRecordLoadsNothing",
       256,
       SRec(1, 0, {1}) + SRec(1, 1, {2}) + "S104000203F7\n",
       "line 3: the record's checksum is wrong",
       {}},
      {"WrongRecordCount",
       256,
       SRec(1, 0, {1}) + SRec(5, 2, {}),
       "line 2: the record count says 2 data records, but 1 came before it",
       {}},
      {"NotAnSRecord", 256, SRec(1, 0, {1}) + ":0100000011EE\n", "line 2: the line is no S-record", {}},
      {"UnknownType", 256, "S4030000FC\n", "line 1: S4 is no known S-record type", {}},
      {"NotHexadecimal", 256, "S1050000AXBB95\n", "line 1: 'AX' is not a hexadecimal number", {}},
      {"LineShorterThanItsCount", 256, "S1050000AABB\n", "line 1: the line ends before its record does", {}},
      {"CharactersAfterTheChecksum", 256, "S1050000AABB95FF\n", "line 1: characters follow the record's checksum", {}},
      {"CountTooSmallForTheAddress",
       256,
       "S1020000FD\n",
       "line 1: the byte count 0x02 is too small for an S1 record",
       {}},
      {"NothingPastTheBuffer",
       256,
       SRec(1, 0, {1}) + SRec(3, 0xFFFFF, {1, 2}),
       "line 2: address 0x100000 lies outside the memory buffer",
       {}},
  };
}

class SRecLoad : public testing::TestWithParam<TSRecCase> {
 protected:
  void SetUp() override { std::memset(MemoryBuffer, 0x00, sizeof MemoryBuffer); }
};

TEST_P(SRecLoad, StoresOrRefusesTheWholeFile) {
  const TSRecCase& c = GetParam();
  TTempDir dir;
  const std::string file = dir.Write("in.s19", c.Text);
  if (c.Error) {
    try {
      LoadSRecFile(file, ChipOfSize(c.Size));
      FAIL() << "no error";
    } catch (const TError& e) {
      EXPECT_NE(std::string(e.what()).find(*c.Error), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("File \"" + file + "\", line ", 0), 0u) << e.what();
    }
    EXPECT_EQ(std::count(MemoryBuffer, MemoryBuffer + kMemoryBufferSize, 0), kMemoryBufferSize);
  } else {
    EXPECT_NO_THROW(LoadSRecFile(file, ChipOfSize(c.Size)));
  }
  for (auto [address, value] : c.Bytes) EXPECT_EQ(MemoryBuffer[address], value) << "at " << address;
}

INSTANTIATE_TEST_SUITE_P(Cases, SRecLoad, testing::ValuesIn(SRecCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SRecSave, SmallChipGetsS1RecordsOf32BytesWithHeaderCountAndS9) {
  for (int i = 0; i < 40; ++i) MemoryBuffer[i] = static_cast<uint8_t>(i);
  TChip chip = ChipOfSize(40);
  chip.Name = "AB";
  std::string data = "S1230000";
  for (int i = 0; i < 32; ++i) data += (i < 16 ? "0" : "1") + std::string(1, "0123456789ABCDEF"[i % 16]);
  EXPECT_EQ(SRecText(chip),
            "S0050000414277\r\n" + data + "EC\r\nS10B0020" + "2021222324252627" + "B8\r\nS5030002FA\r\nS9030000FC\r\n");
}

TEST(SRecSave, ChipsAbove64KiBGetS2RecordsAndS8) {
  std::memset(MemoryBuffer, 0xFF, sizeof MemoryBuffer);
  const std::string text = SRecText(ChipOfSize(0x20000));
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
    for (int32_t i = 0; i < size; ++i) MemoryBuffer[i] = static_cast<uint8_t>(random());
    const std::vector<uint8_t> saved(MemoryBuffer, MemoryBuffer + size);
    const std::string text = SRecText(ChipOfSize(size));
    std::memset(MemoryBuffer, 0, sizeof MemoryBuffer);
    LoadSRecText(text, ChipOfSize(size));
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), MemoryBuffer)) << size;
  }
}

// The load offset, for both formats with addresses: data at 0x810000 land at 0, anything below
// the offset is refused, and the lowest address is found without loading.
TEST(LoadOffset, MovesEveryAddressDown) {
  TTempDir dir;
  const std::string hex =
      dir.Write("ee.hex", Rec(0, 4, {0x00, 0x81}) + Rec(0x10, 0, {1, 2}) + Rec(0, 0, {3}) + ":00000001FF\n");
  const std::string srec = dir.Write("ee.s37", SRec(3, 0x810010, {1, 2}) + SRec(3, 0x810000, {3}) + SRec(7, 0, {}));
  for (const auto& [file, format] : {std::pair{hex, TImageFormat::Hex}, std::pair{srec, TImageFormat::SRec}}) {
    SCOPED_TRACE(file);
    std::memset(MemoryBuffer, 0x00, sizeof MemoryBuffer);
    EXPECT_EQ(LowestImageAddress(file, format), std::optional<uint64_t>(0x810000));
    try {
      LoadImageFile(file, format, ChipOfSize(256));
      ADD_FAILURE() << "loaded without an offset";
    } catch (const TError& e) {
      EXPECT_NE(std::string(e.what()).find("address 0x810010 lies outside the memory buffer"), std::string::npos)
          << e.what();
    }
    EXPECT_EQ(MemoryBuffer[0], 0x00);
    LoadImageFile(file, format, ChipOfSize(256), 0x810000);
    EXPECT_EQ(MemoryBuffer[0], 3);
    EXPECT_EQ(MemoryBuffer[0x10], 1);
    EXPECT_EQ(MemoryBuffer[0x11], 2);
    EXPECT_EQ(MemoryBuffer[0x12], 0xFF);
    EXPECT_THROW(LoadImageFile(file, format, ChipOfSize(256), 0x810001), TError);
    EXPECT_EQ(MemoryBuffer[0], 3);
  }
  EXPECT_EQ(LowestImageAddress(dir.Write("empty.hex", ":00000001FF\n"), TImageFormat::Hex), std::nullopt);
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
