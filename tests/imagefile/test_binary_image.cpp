// Binary images: the pre-fill, files shorter and longer than the chip, errors.
#include <gtest/gtest.h>

#include <cstring>

#include "buffer/memory_buffer.h"
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

TEST(BinLoad, ShortAndLongFiles) {
  struct {
    int32_t Size;
    size_t FileBytes;
  } cases[] = {{256, 100}, {256, 300}, {256, 0}, {0x20000, 0x20000}, {0x20000, 0x20001}, {0, 10}};
  TTempDir dir;
  for (auto c : cases) {
    std::memset(MemoryBuffer, 0x00, sizeof MemoryBuffer);
    const std::string content = Pattern(c.FileBytes);
    LoadBinFile(dir.Write("in.bin", content), ChipOfSize(c.Size));
    for (int32_t i = 0; i < c.Size; ++i) {
      const uint8_t expected = static_cast<size_t>(i) < content.size() ? static_cast<uint8_t>(content[i]) : 0xFF;
      ASSERT_EQ(MemoryBuffer[i], expected) << "size " << c.Size << " at " << i;
    }
    EXPECT_EQ(MemoryBuffer[c.Size], 0x00) << "nothing stored past Size " << c.Size;
  }
}

TEST(BinLoad, MissingFileNamesItAndLeavesTheBufferUnchanged) {
  std::memset(MemoryBuffer, 0x00, sizeof MemoryBuffer);
  TTempDir dir;
  const std::string file = dir.File("missing.bin");
  try {
    LoadBinFile(file, ChipOfSize(256));
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + file + "\". No such file or directory");
  }
  EXPECT_EQ(MemoryBuffer[0], 0x00);
  EXPECT_EQ(MemoryBuffer[255], 0x00);
}

TEST(BinSave, WritesExactlySizeBytes) {
  TTempDir dir;
  const std::string content = Pattern(0x20000);
  std::memcpy(MemoryBuffer, content.data(), content.size());
  for (int32_t size : {0, 100, 0x20000}) {
    SaveBinFile(dir.File("out.bin"), ChipOfSize(size));
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
  TImageFormat f = TImageFormat::Bin;
  EXPECT_TRUE(ParseImageFormat("HEX", f));
  EXPECT_EQ(f, TImageFormat::Hex);
  EXPECT_TRUE(ParseImageFormat("bin", f));
  EXPECT_EQ(f, TImageFormat::Bin);
  EXPECT_FALSE(ParseImageFormat("ihex", f));
}

}  // namespace
