// The image-format table checked against itself, the format of a file by name and content, what
// a save covers (a file saved back keeps every byte), and the refusal of data that don't fit.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "common/error.h"
#include "common/user_interface.h"
#include "hex_test_support.h"
#include "imagefile/image_file.h"
#include "srec_test_support.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i)
    if (i == text.size() || text[i] == separator) {
      out.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  return out;
}

void FillRandom(uint32_t seed) {
  std::mt19937 random(seed);
  for (auto& b : Image()) b = static_cast<uint8_t>(random());
}

}  // namespace

// Every entry: a unique id and extensions that lead back to it, a filter naming them, a writer
// whose output the reader and the content rule take back as the same bytes at the same place.
TEST(ImageFormatTable, EveryEntryIsConsistent) {
  std::set<std::string> ids, extensions;
  const std::string open = OpenDialogFilter();
  const std::vector<std::string> saveFilters = Split(SaveDialogFilter(), '|');
  ASSERT_EQ(saveFilters.size(), 2 * ImageFormats().size());
  for (const TImageFormatInfo& f : ImageFormats()) {
    SCOPED_TRACE(f.Id);
    EXPECT_TRUE(ids.insert(f.Id).second) << "id repeated";
    EXPECT_EQ(ImageFormatInfo(f.Format).Id, std::string(f.Id));
    EXPECT_EQ(ImageFormatById(f.Id), f.Format);
    EXPECT_NE(ImageFormatIds("|").find(f.Id), std::string::npos);
    for (const std::string& e : Split(f.Extensions, ' ')) {
      EXPECT_TRUE(extensions.insert(e).second) << "extension ." << e << " in two formats";
      EXPECT_EQ(KnownImageFormatOf("dir/a." + e), f.Format) << e;
      EXPECT_NE(open.find("*." + e), std::string::npos) << e;
    }
    const int index = SaveFilterIndexOf(f.Format);
    EXPECT_EQ(FormatOfSaveFilter(index), f.Format);
    EXPECT_EQ(saveFilters[2 * static_cast<size_t>(index) - 1].rfind("*.", 0), 0u);

    // The writer and the reader agree, at an offset too where the format has addresses.
    FillRandom(7);
    const std::vector<uint8_t> written(Image().begin(), Image().begin() + 0x300);
    const uint32_t offset = f.HasAddresses ? 0x810000 : 0;
    const std::string text = ImageText(f.Format, Image(), {0x100, 0x300, offset, "T"});
    const uint32_t start = f.HasAddresses ? 0x100 : 0;
    EXPECT_EQ(ReadImageText(text, f.Format, offset, Image()), (TImageExtent{start, 0x300}));
    EXPECT_TRUE(std::equal(Image().begin() + start, Image().begin() + 0x300, written.begin() + start));
    if (f.IsRecord) {
      for (std::string line : Split(text, '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) {
          EXPECT_TRUE(f.IsRecord(line)) << line;
        }
      }
      EXPECT_EQ(ImageFormatOfContent(text), f.Format);
    }
  }
  EXPECT_NE(open.find("|*.*"), std::string::npos);
}

TEST(ImageFormat, ContentDecidesWhereTheExtensionDoesNot) {
  const std::string hex = Rec(0, 0, {1, 2}) + kEnd;
  const std::string srec = SRec(1, 0, {1}) + SRec(9, 0, {});
  const struct {
    const char* Name;
    std::string Text;
    TImageFormat Format;
  } cases[] = {
      {"Intel HEX", hex, TImageFormat::Hex},
      {"Intel HEX with blank lines and CR LF", "\r\n" + Rec(0, 0, {1}) + "  \r\n" + kEnd, TImageFormat::Hex},
      {"S-records", srec, TImageFormat::SRec},
      {"a record with a wrong checksum", ":0100000011EF\n" + kEnd, TImageFormat::Bin},
      {"records of both kinds", hex + srec, TImageFormat::Bin},
      {"a byte-order mark", "\xEF\xBB\xBF" + hex, TImageFormat::Bin},
      {"text", "hello\n", TImageFormat::Bin},
      {"nothing", "", TImageFormat::Bin},
      {"blank lines only", "\n \n", TImageFormat::Bin},
      {"a long line", ":" + std::string(5000, '0'), TImageFormat::Bin},
  };
  for (const auto& c : cases) EXPECT_EQ(ImageFormatOfContent(c.Text), c.Format) << c.Name;

  TTempDir dir;
  const struct {
    const char* Name;
    std::string Text;
    TImageFormat Format;
  } files[] = {
      {"a.eep", hex, TImageFormat::Hex}, {"a.A90", srec, TImageFormat::SRec},    {"noext", hex, TImageFormat::Hex},
      {"a.txt", "x", TImageFormat::Bin}, {"a.hex", "binary", TImageFormat::Hex},  // a known extension decides
      {"a.bin", hex, TImageFormat::Bin},
  };
  for (const auto& f : files) EXPECT_EQ(ImageFormatToRead(dir.Write(f.Name, f.Text)), f.Format) << f.Name;
  try {
    ImageFormatToRead(dir.File("gone.eep"));
    ADD_FAILURE() << "no error";
  } catch (const TError& e) {
    EXPECT_EQ(e.what(), "File not found: " + dir.File("gone.eep"));
  }
}

// A row added to the format table is found by content as the shipped ones are: the rule knows
// no format by name.
TEST(ImageFormat, AFormatAddedToTheTableIsFoundByContent) {
  const auto isAtRecord = [](std::string_view line) {
    return line.size() > 1 && line[0] == '@' &&
           line.find_first_not_of("0123456789ABCDEF ", 1) == std::string_view::npos;
  };
  std::vector<TImageFormatInfo> table(ImageFormats().begin(), ImageFormats().end());
  const auto added = static_cast<TImageFormat>(99);
  table.push_back({added, "at", "at records", "at", "FilterAllFiles", true, nullptr, nullptr, isAtRecord});
  const struct {
    const char* Name;
    std::string Text;
    TImageFormat Format;
  } cases[] = {
      {"the added format", "@0000 11 22\r\n@0002 33\r\n", added},
      {"a shipped format", Rec(0, 0, {1}) + kEnd, TImageFormat::Hex},
      {"records of the added and a shipped format", "@0000 11\n" + Rec(0, 0, {1}) + kEnd, TImageFormat::Bin},
      {"text", "@ home\n", TImageFormat::Bin},
  };
  for (const auto& c : cases) EXPECT_EQ(ImageFormatOfContent(c.Text, table), c.Format) << c.Name;
  // The shipped table does not know the added format.
  EXPECT_EQ(ImageFormatOfContent("@0000 11 22\n"), TImageFormat::Bin);
}

TEST(ImageFit, DataPastTheChipOrTheBufferAreNamed) {
  TChip chip = ChipOfSize(0x2000);
  chip.Name = "24C64";
  const struct {
    const char* Name;
    TImageExtent Extent;
    TChip Chip;
    std::optional<std::string> Text;
  } cases[] = {
      {"inside", {0, 0x2000}, chip, std::nullopt},
      {"past the chip", {0x2000, 0x3000}, chip, "image.hex holds data up to 0x2FFF; the 24C64 ends at 0x1FFF."},
      {"one byte past", {0, 0x2001}, chip, "image.hex holds data up to 0x2000; the 24C64 ends at 0x1FFF."},
      {"no chip: the buffer limits",
       {0, 0x100001},
       ChipOfSize(0),
       "image.hex holds data up to 0x100000; the memory buffer ends at 0xFFFFF."},
      {"no chip, inside", {0x810, 0x100000}, ChipOfSize(0), std::nullopt},
      {"no data", {}, chip, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto problem = ImageFitProblem("image.hex", c.Extent, c.Chip, kMemoryBufferSize);
    ASSERT_EQ(problem.has_value(), c.Text.has_value()) << c.Name;
    if (problem) {
      EXPECT_EQ(TImageError(*problem).what(), *c.Text) << c.Name;
    }
  }
}

// A language that lacks an image error's keys shows them in the built-in English, as every other
// error does: never "!! message resource not found !!" nor an empty box.
TEST(ImageError, KeysTheLanguageLacksAreShownInEnglish) {
  const std::string cases[] = {Rec(0, 0, {1}), Rec(0, 0, {1}) + ":0100000001FF\r\n" + kEnd};
  for (const std::string& text : cases) {
    try {
      ReadImageText(text, TImageFormat::Hex, 0, Image(), "a.hex");
      ADD_FAILURE() << text;
    } catch (const TError& e) {
      for (const std::string& missing : {std::string(), std::string(kMessageNotFound)})
        EXPECT_EQ(e.Text([&](const std::string&) { return missing; }), e.what()) << text;
    }
  }
}

// A file read and saved back in its format at its offset holds every byte it held, whatever the
// chip: larger than the chip, far above address 0, or with no chip at all.
TEST(SaveSpan, AFileSavedBackKeepsEveryByte) {
  const struct {
    const char* Name;
    TImageFormat Format;
    std::string Text;
    int32_t ChipSize;
    uint32_t Offset;
  } cases[] = {
      {"8 KiB HEX with a 4 KiB chip", TImageFormat::Hex, Rec(0, 0, {1}) + Rec(0x1FFF, 0, {2}) + kEnd, 0x1000, 0},
      {"HEX at 0x810000", TImageFormat::Hex, Rec(0, 4, {0x00, 0x81}) + Rec(0, 0, {1}) + Rec(0x1FFF, 0, {2}) + kEnd,
       0x1000, 0x810000},
      {".s19 with no chip", TImageFormat::SRec, SRec(1, 0x40, {1, 2, 3}) + SRec(1, 0x5000, {4}) + SRec(9, 0, {}), 0, 0},
      {"binary larger than the chip", TImageFormat::Bin, std::string(5000, 'b'), 0x1000, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TImageExtent data = ReadImageText(c.Text, c.Format, c.Offset, Image());
    const std::vector<uint8_t> loaded = Image();
    const TImageSpan span = SaveSpan(c.Format, ChipOfSize(c.ChipSize), static_cast<uint32_t>(data.First),
                                     static_cast<uint32_t>(data.End), c.Offset);
    const std::string saved = ImageText(c.Format, Image(), span);
    // Read back without the offset: the data sit at the file's own addresses again.
    std::vector<uint8_t> again(kMemoryBufferSize);
    const TImageExtent back = ReadImageText(saved, c.Format, c.Offset, again);
    EXPECT_LE(back.First, data.First);
    EXPECT_GE(back.End, data.End);
    EXPECT_TRUE(std::equal(loaded.begin() + data.First, loaded.begin() + data.End, again.begin() + data.First));
    if (c.Offset) {
      EXPECT_EQ(ReadImageText(saved, c.Format, 0, {}).First, c.Offset);
    }
  }
}
