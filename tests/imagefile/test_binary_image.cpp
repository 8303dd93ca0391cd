// Binary images: files shorter and longer than the chip, empty files, errors, the save's length.
#include <gtest/gtest.h>

#include <cstring>

#include "common/error.h"
#include "hex_test_support.h"
#include "imagefile/image_file.h"
#include "support/temp_dir.h"

namespace {

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
  return s;
}

TEST(BinLoad, EveryByteFromZeroAndTheExtentOfTheFile) {
  TTempDir dir;
  for (size_t bytes : {size_t{1}, size_t{100}, size_t{0x20001}, size_t{0x100000}, size_t{0x100010}}) {
    const std::string content = Pattern(bytes);
    const TImageExtent extent = ReadImage(dir.Write("in.bin", content), TImageFormat::Bin, 0x1000, Image());
    EXPECT_EQ(extent, (TImageExtent{0, bytes})) << bytes;  // no offset for images without addresses
    const size_t stored = std::min(bytes, Image().size());
    EXPECT_EQ(std::memcmp(Image().data(), content.data(), stored), 0) << bytes;
    if (stored < Image().size()) {
      EXPECT_EQ(Image()[stored], 0xFF) << bytes;
    }
  }
}

TEST(BinLoad, EmptyAndMissingFilesAreRefusedNamingThem) {
  TTempDir dir;
  const std::string empty = dir.Write("empty.bin", "");
  const std::string missing = dir.File("missing.bin");
  const std::pair<std::string, std::string> cases[] = {
      {empty, empty + " holds no data."},
      {missing, "File not found: " + missing},
  };
  for (const auto& [file, text] : cases) {
    try {
      ReadImage(file, TImageFormat::Bin, 0, Image());
      ADD_FAILURE() << "no error for " << file;
    } catch (const TError& e) {
      EXPECT_EQ(e.what(), text);
    }
  }
}

TEST(BinSave, WritesExactlySizeBytes) {
  TTempDir dir;
  const std::string content = Pattern(0x20000);
  std::memcpy(Image().data(), content.data(), content.size());
  for (int32_t size : {0, 100, 0x20000}) {
    const TChip chip = ChipOfSize(size);
    WriteImage(dir.File("out.bin"), TImageFormat::Bin, Image(), ChipSpan(TImageFormat::Bin, chip));
    EXPECT_EQ(dir.Read("out.bin"), content.substr(0, static_cast<size_t>(size)));
  }
}

TEST(ImageFormat, ByExtensionAndByName) {
  struct {
    const char* Name;
    TImageFormat Format;
  } names[] = {{"a.hex", TImageFormat::Hex},  {"dir/A.HEX", TImageFormat::Hex}, {"a.Hex", TImageFormat::Hex},
               {"a.bin", TImageFormat::Bin},  {"a.hex.bin", TImageFormat::Bin}, {"hex", TImageFormat::Bin},
               {"a.hexa", TImageFormat::Bin}, {"", TImageFormat::Bin}};
  for (auto n : names) EXPECT_EQ(ImageFormatOf(n.Name), n.Format) << n.Name;
  EXPECT_EQ(ImageFormatById("HEX"), TImageFormat::Hex);
  EXPECT_EQ(ImageFormatById("bin"), TImageFormat::Bin);
  EXPECT_EQ(ImageFormatById("srec"), TImageFormat::SRec);
  EXPECT_EQ(ImageFormatById("ihex"), std::nullopt);
}

}  // namespace
