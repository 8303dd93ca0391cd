// The signs of a wrong read: each found where the bytes show it, none on random, text-like or
// uniform data of another value, and none that the expected bytes show themselves.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "analysis/read_signs.h"

namespace {

std::vector<uint8_t> Random(size_t n, uint32_t seed = 7) {
  std::mt19937 r(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(r());
  return v;
}

// The first period bytes repeated up to size.
std::vector<uint8_t> Mirrored(size_t size, size_t period) {
  std::vector<uint8_t> v = Random(period);
  v.resize(size);
  for (size_t i = period; i < size; ++i) v[i] = v[i - period];
  return v;
}

using Signs = std::vector<TReadSign>;

TEST(ReadSigns, EachSignOnlyWhereTheBytesShowIt) {
  std::vector<uint8_t> stuck = Random(4096);
  for (auto& b : stuck) b |= 0x08;
  std::vector<uint8_t> text(4096);
  for (size_t i = 0; i < text.size(); ++i) text[i] = "The quick brown fox, 1234567890 jumps. "[i % 39];
  std::vector<uint8_t> lastDiffers(0x100000, 0xFF);
  lastDiffers.back() = 0x7F;
  std::vector<uint8_t> mirroredStuck = Mirrored(32768, 4096);
  for (auto& b : mirroredStuck) b &= 0xDF;
  // Realistic images whose reads are right: NUL-padded text, upper-case text, a short configuration
  // in a blank chip, a 55/AA test pattern, a 128-byte table stored twice.
  std::vector<uint8_t> nulText(8192, 0x00);
  for (size_t i = 0; i < nulText.size(); i += 64)
    for (size_t j = 0; j < 40; ++j) nulText[i + j] = "Serial 00417 Model K-9 rev C calibrated "[j];
  std::vector<uint8_t> upperText(4096);
  for (size_t i = 0; i < upperText.size(); ++i) upperText[i] = "HELLOWORLDQUICKBROWNFOX"[i % 23];
  std::vector<uint8_t> config(4096, 0xFF);
  for (size_t i = 0; i < 40; ++i) config[i] = static_cast<uint8_t>(0x80 | (i * 7));
  std::vector<uint8_t> pattern(8192);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = i % 2 ? 0xAA : 0x55;
  std::vector<uint8_t> twice = Random(256);
  std::copy(twice.begin(), twice.begin() + 128, twice.begin() + 128);
  twice.resize(8192, 0xFF);
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Data;
    Signs Expected;
  } cases[] = {
      {"random", Random(32768), {}},
      {"all FF", std::vector<uint8_t>(32768, 0xFF), {{TReadSignKind::AllFF}}},
      {"all 00", std::vector<uint8_t>(32768, 0x00), {{TReadSignKind::All00}}},
      {"uniform 5A: no repeat", std::vector<uint8_t>(32768, 0x5A), {}},
      {"mirrored at 128", Mirrored(32768, 128), {{TReadSignKind::Repeats, 128}}},
      {"mirrored at 4096", Mirrored(32768, 4096), {{TReadSignKind::Repeats, 4096}}},
      {"mirrored at 512 KiB", Mirrored(0x100000, 0x80000), {{TReadSignKind::Repeats, 0x80000}}},
      {"bit 3 stuck at 1", stuck, {{TReadSignKind::StuckBit, 0, 3, 1}}},
      {"stuck bit and mirrored", mirroredStuck, {{TReadSignKind::StuckBit, 0, 5, 0}, {TReadSignKind::Repeats, 4096}}},
      // Text keeps bit 7 at 0 and repeats with a period that is no power of two.
      {"text", text, {}},
      {"blank but the last byte", lastDiffers, {}},
      {"a few bytes: no stuck bit", {0x01, 0x03, 0x05, 0x07}, {}},
      {"text padded with NUL", nulText, {}},
      {"upper-case text", upperText, {}},
      {"configuration and FF", config, {}},
      {"55/AA pattern: below the smallest chip", pattern, {}},
      {"a table stored twice in a blank chip", twice, {}},
      {"blank but bit 3", std::vector<uint8_t>(4096, 0xF7), {{TReadSignKind::UniformStuckBit, 0, 3, 0}}},
      {"all 00 but bit 6", std::vector<uint8_t>(4096, 0x40), {{TReadSignKind::UniformStuckBit, 0, 6, 1}}},
  };
  for (const auto& c : cases) EXPECT_EQ(FindReadSigns(c.Data), c.Expected) << c.Name;
}

TEST(ReadSigns, SignsTheExpectedBytesShowAreNotNew) {
  const std::vector<uint8_t> mirrored = Mirrored(8192, 1024);
  EXPECT_EQ(NewReadSigns(mirrored, mirrored), Signs{});
  EXPECT_EQ(NewReadSigns(mirrored, Random(8192)), (Signs{{TReadSignKind::Repeats, 1024}}));
  const std::vector<uint8_t> blank(8192, 0xFF);
  EXPECT_EQ(NewReadSigns(blank, blank), Signs{});
  EXPECT_EQ(NewReadSigns(blank, Random(8192)), (Signs{{TReadSignKind::AllFF}}));
}

TEST(ReadSigns, TextsNameThePeriodAndTheChip) {
  TChip chip;
  chip.Name = "24C256";
  struct TUi : TUserInterface {
    void ShowMessage(const std::string&) override {}
    void ShowInformation(const std::string&) override {}
    void ShowError(const std::string&) override {}
    TAnswer AskWarning(const std::string&) override { return TAnswer::No; }
    TAnswer AskYesNo(const std::string&, TAnswer) override { return TAnswer::No; }
    TAnswer AskSaveChanges(const std::string&) override { return TAnswer::No; }
    bool ExecuteOpenDialog(TFileDialog&) override { return false; }
    bool ExecuteSaveDialog(TFileDialog&) override { return false; }
    std::string MessageText(const std::string& key) override { return BuiltInMessageText(key); }
    void SetProgress(int) override {}
  } ui;
  EXPECT_EQ(ReadSignText({TReadSignKind::Repeats, 4096}, chip, ui),
            "The data repeat every 4096 bytes. If the image is not meant to repeat, the chip is smaller than 24C256 "
            "(4096 bytes), or its address pins are strapped differently.");
  EXPECT_EQ(ReadSignText({TReadSignKind::UniformStuckBit, 0, 3, 0}, chip, ui),
            "Every byte reads F7: bit 3 is stuck at 0, or the chip holds F7.");
  EXPECT_EQ(ReadSignText({TReadSignKind::StuckBit, 0, 3, 1}, chip, ui),
            "Bit 3 reads 1 in every byte: check the data line and the clip.");
}

}  // namespace
