// Files far outside what the program expects: each gets a clear error or works, without a
// crash, a hang or an unbounded allocation.
#include <gtest/gtest.h>

#include <QString>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "buffer/memory_buffer.h"
#include "catalogue/chip.h"
#include "catalogue/supported_chips.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "firmware/firmware_file.h"
#include "imagefile/image_file.h"
#include "localization/language_file.h"
#include "localization/value_encoding.h"
#include "support/temp_dir.h"

namespace {

TChip ChipOfSize(int32_t size) {
  TChip c;
  c.ChipType = 2;
  c.Size = size;
  c.PageSize = 32;
  return c;
}

// A file of 2 GiB that holds no data blocks: reads give zero bytes.
std::string SparseFile(const TTempDir& dir, const std::string& name) {
  const std::string path = dir.File(name);
  std::ofstream(path, std::ios::binary).close();
  std::filesystem::resize_file(path, 2ull << 30);
  return path;
}

}  // namespace

TEST(HostileInputs, TwoGibibyteSparseFile) {
  TTempDir dir;
  const std::string file = SparseFile(dir, "huge.bin");

  // As a binary image it fills the image and is known to reach 2 GiB: it doesn't fit.
  std::vector<uint8_t> memory(kMemoryBufferSize, 0x5A);
  const TImageExtent extent = ReadImage(file, TImageFormat::Bin, 0, memory);
  EXPECT_EQ(extent.End, uint64_t{1} << 31);
  EXPECT_EQ(memory[0], 0);
  EXPECT_EQ(memory[kMemoryBufferSize - 1], 0);
  EXPECT_TRUE(ImageFitProblem(file, extent, ChipOfSize(kMemoryBufferSize), kMemoryBufferSize));

  // As Intel HEX it is one line of NUL characters: no Intel HEX file.
  EXPECT_THROW(ReadImage(file, TImageFormat::Hex, 0, memory), TError);

  // As an update file it is refused, and the firmware image stays as it was.
  std::vector<uint8_t> image(kFirmwareImageSize, 0xA5);
  try {
    ReadFirmwareFile(file, image.data());
    ADD_FAILURE() << "a 2 GiB update file was accepted";
  } catch (const TError& e) {
    EXPECT_NE(std::string(e.what()).find("more than 16385 bytes"), std::string::npos) << e.what();
  }
  EXPECT_EQ(image, std::vector<uint8_t>(kFirmwareImageSize, 0xA5));
}

TEST(HostileInputs, IntelHexLineOfAMegabyte) {
  // A record with a megabyte of digits after it is refused at its line (characters after a
  // checksum could hide a record), without reading the megabyte as data.
  std::string text = ":0400000001020304F2" + std::string(1 << 20, '7') + "\r\n";
  text += ":0100040055A6\r\n:00000001FF\r\n";
  std::vector<uint8_t> image(kMemoryBufferSize);
  try {
    ReadImageText(text, TImageFormat::Hex, 0, image);
    ADD_FAILURE() << "a record followed by a megabyte of digits was accepted";
  } catch (const TImageError& e) {
    EXPECT_NE(std::string(e.what()).find("Line 1: characters follow the record's checksum"), std::string::npos)
        << e.what();
  }

  // A megabyte with no line end at all, from a file: its first characters are not a record.
  TTempDir dir;
  const std::string file = dir.Write("long.hex", ":" + std::string(1 << 20, 'G'));
  EXPECT_THROW(ReadImage(file, TImageFormat::Hex, 0, image), TError);
}

TEST(HostileInputs, CatalogueOfAHundredThousandChips) {
  struct TShape {
    const char* Name;
    int Families;
    int ChipsPerFamily;
  };
  for (const TShape& shape : {TShape{"one family", 1, 100000}, TShape{"a family per chip", 100000, 1},
                              TShape{"a thousand families", 1000, 100}}) {
    SCOPED_TRACE(shape.Name);
    TTempDir dir;
    std::string text;
    for (int f = 0; f < shape.Families; ++f) {
      text += "[Family" + std::to_string(f) + "]\ntype=1\n";
      for (int c = 0; c < shape.ChipsPerFamily; ++c)
        text += "C" + std::to_string(f * shape.ChipsPerFamily + c) + "=1,256,16,0,5\n";
    }
    const std::string file = dir.Write("see.ini", text);

    TChip chip;
    ASSERT_TRUE(LoadChip(file, "c99999", chip));
    EXPECT_EQ(chip.Family, "Family" + std::to_string(99999 / shape.ChipsPerFamily));
    EXPECT_EQ(chip.Size, 256);
    EXPECT_FALSE(LoadChip(file, "C100000", chip));

    TIniFile ini(file);
    EXPECT_EQ(ini.ReadSections().size(), static_cast<size_t>(shape.Families));
    EXPECT_EQ(ini.ReadSection("family0").size(), static_cast<size_t>(shape.ChipsPerFamily + 1));
    const std::string report = SupportedChipsReport(file, "Supported chips:", "not supported yet");
    EXPECT_NE(report.find("C99999"), std::string::npos);
  }
}

TEST(HostileInputs, LanguageFileWithATenMegabyteValue) {
  TTempDir dir;
  const int kPieces = 10 << 20 >> 3;
  // Plain text, and the quoted form with a line break every eight characters.
  std::string plain, quoted = "\"";
  for (int i = 0; i < kPieces; ++i) {
    plain += "abcdefgh";
    quoted += "abc\"#13\"d";
  }
  quoted += "\"";
  const std::string file = dir.Write(
      "big.lng", "[Additional messages]\r\nPlain=" + plain + "\r\nQuoted=" + quoted + "\r\nAfter=still read\r\n");
  TQLanguageFile lang(QString::fromStdString(file));
  EXPECT_EQ(lang.ReadString("Additional messages", "Plain", "").size(), static_cast<qsizetype>(plain.size()));
  const QString text = lang.ReadString("Additional messages", "Quoted", "");
  ASSERT_EQ(text.size(), kPieces * 5);
  EXPECT_EQ(text.left(10), QStringLiteral("abc\rdabc\rd"));
  EXPECT_EQ(lang.ReadString("Additional messages", "After", ""), QStringLiteral("still read"));

  // One escape run of ten megabytes.
  QString run = QStringLiteral("\"#65");
  for (int i = 1; i < kPieces * 2; ++i) run += QStringLiteral("#65");
  run += u'"';
  EXPECT_EQ(DecodeValue(run), QString(kPieces * 2, u'A'));
}

TEST(HostileInputs, SettingsFileThatIsADirectory) {
  TTempDir dir;
  const std::string settings = dir.File("tesmaro.ini");
  std::filesystem::create_directory(settings);
  TIniFile ini(settings);
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_EQ(ini.ReadString("Main", "Chip", "none"), "none");
  try {
    ini.WriteString("Main", "Chip", "24C64");
    ADD_FAILURE() << "a write into a directory succeeded";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + settings);
  }
  EXPECT_TRUE(std::filesystem::is_directory(settings));
}
