// The size found by reading alone on the simulated chip: every size of each type from 128 bytes
// on, random and patterned contents, a short block at 0 or data only at the top; uniform contents
// can't tell; a flaky chip is sized right or not at all; nothing is ever written.
#include <gtest/gtest.h>

#include <random>

#include "catalogue/catalogue.h"
#include "chipops/chip_rig.h"
#include "programmer/size_detection.h"

namespace {

enum class TContents { Random, AddressWords, Blank, ShortBlockAtZero, TopOnly, OneBlockPattern };

void Fill(TSimulatedProgrammer& device, TContents contents) {
  std::mt19937 random(3);
  for (size_t i = 0; i < device.Chip.size(); ++i) {
    if (contents == TContents::Random) device.Chip[i] = static_cast<uint8_t>(random());
    if (contents == TContents::Blank) device.Chip[i] = 0xFF;
    if (contents == TContents::AddressWords) device.Chip[i] = static_cast<uint8_t>((i & ~size_t{3}) >> (8 * (i & 3)));
    if (contents == TContents::ShortBlockAtZero || contents == TContents::TopOnly) device.Chip[i] = 0xFF;
    if (contents == TContents::ShortBlockAtZero && i < 12) device.Chip[i] = static_cast<uint8_t>(i * 41 + 3);
    if (contents == TContents::TopOnly && i + 256 >= device.ChipSize && i < device.ChipSize)
      device.Chip[i] = static_cast<uint8_t>(random());
    if (contents == TContents::OneBlockPattern) device.Chip[i] = static_cast<uint8_t>(i % 32);
  }
}

TSizeDetection Detect(int32_t type, size_t physical, TContents contents, TChipRig& rig) {
  rig.Device->ChipSize = physical;
  Fill(*rig.Device, contents);
  return DetectChipSize(rig.Programmer, ChipOf(type, 4096, 32, 0), rig.Ui);
}

TEST(SizeDetection, EverySizeOfEachType) {
  for (const int32_t type : {1, 2}) {
    for (const TContents contents :
         {TContents::Random, TContents::AddressWords, TContents::ShortBlockAtZero, TContents::TopOnly}) {
      for (size_t size = 128; size <= 0x100000; size *= 2) {
        SCOPED_TRACE(std::to_string(type) + " " + std::to_string(static_cast<int>(contents)) + " " +
                     std::to_string(size));
        TChipRig rig;
        const TSizeDetection found = Detect(type, size, contents, rig);
        if (type == 1 && size >= 65536 && contents == TContents::TopOnly) {
          // Data beyond the half that 16-bit addresses probe: nothing to compare.
          EXPECT_EQ(found.Result, TSizeDetection::NoData);
        } else if (type == 1 && size >= 65536) {
          // 16-bit addresses reach 64 KiB and no further.
          EXPECT_EQ(found.Result, TSizeDetection::TypeLimit);
          EXPECT_EQ(found.Size, 65536u);
        } else {
          EXPECT_EQ(found.Result, TSizeDetection::Found);
          EXPECT_EQ(found.Size, size);
        }
        for (const auto& r : rig.Device->Sent) ASSERT_TRUE(r[1] == 0x10 || r[1] == 0x20) << int(r[1]);
        EXPECT_TRUE(rig.Ui.Shown.empty());
      }
    }
  }
}

TEST(SizeDetection, ContentsThatCantTellAndMicrowire) {
  TChipRig rig;
  EXPECT_EQ(Detect(1, 4096, TContents::Blank, rig).Result, TSizeDetection::NoData);
  EXPECT_EQ(SizeDetectionText(Detect(2, 4096, TContents::Blank, rig), ChipOf(2, 4096, 32, 0), rig.Ui),
            "Can't tell the size: the chip holds no data to compare. Sizes can only be told apart by reading when the "
            "chip holds data.");
  EXPECT_EQ(SizeDetectionText(Detect(1, 4096, TContents::OneBlockPattern, rig), ChipOf(1, 4096, 32, 0), rig.Ui),
            "Can't tell the size: the chip's data repeat within themselves, so sizes can't be told apart by reading.");
  rig.Device->Sent.clear();
  EXPECT_EQ(DetectChipSize(rig.Programmer, ChipOf(3, 512, 1, 0), rig.Ui).Result, TSizeDetection::NotByReading);
  EXPECT_TRUE(rig.Device->Sent.empty());
}

// Every block compared is read twice and decided: a flaky chip gets its true size or "can't
// tell", never another size.
TEST(SizeDetection, AFlakyChipIsSizedRightOrNotAtAll) {
  for (const double flaky : {0.001, 0.01, 0.05}) {
    TChipRig rig;
    TSimulatedChipProperties p;
    p.Flaky = flaky;
    rig.Device->SetChipProperties(p);
    for (int run = 0; run < 6; ++run) {
      SCOPED_TRACE(std::to_string(flaky) + " run " + std::to_string(run));
      rig.Device->RecordReports = false;
      const TSizeDetection found = Detect(1, 4096, TContents::Random, rig);
      if (found.Result == TSizeDetection::Unreliable) {
        EXPECT_EQ(SizeDetectionText(found, ChipOf(1, 4096, 32, 0), rig.Ui),
                  "Can't tell: the reads differ (the connection is unreliable).");
        continue;
      }
      EXPECT_EQ(found.Result, TSizeDetection::Found);
      EXPECT_EQ(found.Size, 4096u);
    }
  }
}

TEST(SizeDetection, TheCatalogueChipsOfTheSize) {
  const TCatalogue catalogue({std::string(TESMARO_SOURCE_DIR) + "/data/see.ini"});
  std::vector<std::string> names;
  for (const TChip& c : ChipsOfTypeAndSize(catalogue, 1, 16384)) names.push_back(c.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"24C128", "24AA128"}));
  EXPECT_TRUE(ChipsOfTypeAndSize(catalogue, 2, 16384).empty());
  // 24C01 is listed but not supported.
  EXPECT_TRUE(ChipsOfTypeAndSize(catalogue, 1, 128).empty());
}

}  // namespace
