// The catalogue that ships: every entry loads, fits the buffer and can be driven by the programmer.
#include <gtest/gtest.h>

#include "buffer/memory_buffer.h"
#include "catalogue/access_scheme.h"
#include "catalogue/chip.h"
#include "common/ini_file.h"

TEST(ShippedCatalogue, EveryChipIsUsable) {
  const std::string file = std::string(TESMARO_SOURCE_DIR) + "/data/see.ini";
  TIniFile ini(file);
  int chips = 0;
  for (const auto& family : ini.ReadSections()) {
    const int type = ini.ReadInteger(family, "type", 0);
    EXPECT_TRUE(KnownChipType(type)) << family;
    const TAccessSchemeInfo& scheme = AccessSchemeOf(type);
    for (const auto& name : ini.ReadSection(family)) {
      if (name == "type") continue;
      ++chips;
      TChip chip;
      ASSERT_TRUE(LoadChip(file, name, chip)) << name;
      EXPECT_EQ(chip.Family, family) << name << " stands in an earlier family too";
      EXPECT_TRUE(chip.Status == 0 || chip.Status == 1) << name;
      EXPECT_GT(chip.Size, 0) << name;
      EXPECT_LE(chip.Size, kMemoryBufferSize) << name;
      EXPECT_TRUE(chip.Jumper == 5 || chip.Jumper == 3) << name;
      if (scheme.PageSizeMatters) {
        EXPECT_GT(chip.PageSize, 0) << name;
        EXPECT_LE(chip.PageSize, 32) << name;
        EXPECT_EQ(chip.Size % chip.PageSize, 0) << name;
        EXPECT_EQ(chip.Size % 32, 0) << name;
      }
      // Three address bytes are for chips that two can't address.
      if (scheme.AddressBytes == 3) {
        EXPECT_GT(chip.Size, 65536) << name;
      }
      if (scheme.OrgMatters) {
        EXPECT_TRUE(chip.Org == 0 || chip.Org == 1) << name;
      }
    }
  }
  EXPECT_GE(chips, 20);
}
