// Update files: the length rules, the deciphered content in the image, the dialog's settings.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "common/error.h"
#include "common/paths.h"
#include "common/scripted_user_interface.h"
#include "firmware/firmware_file.h"
#include "support/temp_dir.h"

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Pattern(size_t n, uint8_t seed) {
  TBytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 13 + seed + (i >> 8));
  return b;
}

std::string WriteFile(const TTempDir& dir, const std::string& name, const TBytes& bytes) {
  return dir.Write(name, std::string(bytes.begin(), bytes.end()));
}

TEST(FirmwareFile, IdentificationText) {
  const uint8_t a[] = {0x01, 0x02, 0x03, 0x04}, b[] = {0x12, 0x34, 0x56, 0x78}, c[] = {0xAB, 0x0C, 0xFF, 0x00};
  EXPECT_EQ(FirmwareIdText(a), "01.0203.04");
  EXPECT_EQ(FirmwareIdText(b), "12.3456.78");
  EXPECT_EQ(FirmwareIdText(c), "AB.0CFF.00");
}

TEST(FirmwareFile, LengthRules) {
  TTempDir dir;
  struct {
    const char* Name;
    TBytes File;
    bool Loads;
  } cases[] = {
      {"short", Pattern(16383, 1), false},                         // below 16384 bytes
      {"ragged", Pattern(16390, 2), false},                        // not whole blocks
      {"image16384", EncipherFirmware(Pattern(16384, 3)), true},   // 16392 bytes, content 16384
      {"image16385", EncipherFirmware(Pattern(16385, 4)), true},   // fills the image exactly
      {"image16386", EncipherFirmware(Pattern(16386, 5)), false},  // would run past the image
      {"image16376", EncipherFirmware(Pattern(16376, 6)), true},   // the shortest file: 16384 bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> loaded(kFirmwareImageSize, 0xA5);
    EXPECT_EQ(LoadFirmwareFileNamed(WriteFile(dir, c.Name, c.File), loaded), c.Loads);
    if (!c.Loads) {
      EXPECT_EQ(loaded[0], 0xA5) << "image touched by a refused file";
    }
  }
  std::vector<uint8_t> loaded(kFirmwareImageSize);
  EXPECT_FALSE(LoadFirmwareFileNamed(dir.File("missing"), loaded));
}

TEST(FirmwareFile, ContentOverTheFileBytes) {
  TTempDir dir;
  // 16376 bytes of content in a 16384-byte file: the image's bytes 16376 to 16383 keep the
  // file's own bytes, and byte 16384 keeps what it held.
  TBytes image = Pattern(16376, 7);
  TBytes file = EncipherFirmware(image);
  ASSERT_EQ(file.size(), 16384u);
  std::vector<uint8_t> loaded(kFirmwareImageSize, 0x5A);
  ASSERT_TRUE(LoadFirmwareFileNamed(WriteFile(dir, "f", file), loaded));
  EXPECT_EQ(std::memcmp(loaded.data(), image.data(), image.size()), 0);
  EXPECT_EQ(std::memcmp(loaded.data() + 16376, file.data() + 16376, 8), 0);
  EXPECT_EQ(loaded[16384], 0x5A);

  // The whole image when the content fills it.
  image = Pattern(16385, 8);
  ASSERT_TRUE(LoadFirmwareFileNamed(WriteFile(dir, "g", EncipherFirmware(image)), loaded));
  EXPECT_EQ(std::memcmp(loaded.data(), image.data(), image.size()), 0);
}

TEST(FirmwareFile, RefusalsSayWhy) {
  TTempDir dir;
  uint8_t image[kFirmwareImageSize] = {};
  struct {
    TBytes File;
    const char* Text;
  } cases[] = {
      {Pattern(100, 1), "The firmware update file is shorter than 16384 bytes."},
      {Pattern(16390, 1), "This is not a firmware update file: its size of 16390 bytes is not a multiple of 8."},
      {EncipherFirmware(Pattern(16386, 1)), "The firmware update file deciphers to more than 16385 bytes."},
  };
  for (const auto& c : cases) {
    try {
      ReadFirmwareFile(WriteFile(dir, "f", c.File), image);
      ADD_FAILURE() << c.Text;
    } catch (const TError& e) {
      EXPECT_STREQ(e.what(), c.Text);
    }
  }
}

TEST(FirmwareFile, OtherKeyAndRoundTrip) {
  const TBytes image = Pattern(16384, 9);
  const TBytes key(8, 0x42);
  TBytes file = EncipherFirmware(image, key);
  EXPECT_EQ(DecipherFirmware(file, key), image);
  EXPECT_NE(DecipherFirmware(file), image);  // under UpdateKey it is noise
  EXPECT_EQ(DecipherFirmware(EncipherFirmware(image)), image);
}

TEST(FirmwareFile, DialogAsksForUpdateFilesInTheProgramFolder) {
  TTempDir dir;
  TScriptedUserInterface ui;
  TFileDialog dialog;
  std::vector<uint8_t> loaded(kFirmwareImageSize);
  EXPECT_FALSE(LoadFirmwareFile(ui, dialog, loaded));  // cancelled
  ASSERT_EQ(ui.Dialogs.size(), 1u);
  EXPECT_EQ(ui.Dialogs[0].Filter, "TesmaroUpdatePart|*.TesmaroUpdatePart");
  EXPECT_EQ(ui.Dialogs[0].DefaultExt, "TesmaroUpdatePart");
  std::string folder = FolderPart(ExecutablePath());
  folder.pop_back();
  EXPECT_EQ(ui.Dialogs[0].InitialDir, folder);
  EXPECT_TRUE(ui.Shown.empty());

  // A chosen folder stays; a good file loads, and the next dialog starts where it was.
  TTempDir other;
  dialog.InitialDir = dir.Folder();
  ui.FileNames.push_back(WriteFile(other, "u.TesmaroUpdatePart", EncipherFirmware(Pattern(16384, 10))));
  EXPECT_TRUE(LoadFirmwareFile(ui, dialog, loaded));
  EXPECT_EQ(ui.Dialogs[1].InitialDir, dir.Folder());
  EXPECT_EQ(loaded[1], Pattern(16384, 10)[1]);
  EXPECT_EQ(dialog.InitialDir, other.Folder());

  // The caller's filter, in the user's language, is kept.
  dialog.Filter = "Firmware (*.TesmaroUpdatePart)|*.TesmaroUpdatePart";
  EXPECT_FALSE(LoadFirmwareFile(ui, dialog, loaded));
  EXPECT_EQ(ui.Dialogs[2].Filter, dialog.Filter);
}

}  // namespace
