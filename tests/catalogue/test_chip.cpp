#include <gtest/gtest.h>

#include "buffer/memory_buffer.h"
#include "catalogue/chip.h"
#include "common/error.h"
#include "support/temp_dir.h"

TEST(NextField, TakesFieldsAndRepeatsTheLastOne) {
  std::string list = "1,,x,7";
  EXPECT_EQ(NextField(list), 1);
  EXPECT_EQ(NextField(list), -1);
  EXPECT_EQ(NextField(list), -1);
  EXPECT_EQ(list, "7");
  EXPECT_EQ(NextField(list), 7);
  EXPECT_EQ(NextField(list), 7);
  std::string empty;
  EXPECT_EQ(NextField(empty), -1);
}

class LoadChipTest : public ::testing::Test {
 protected:
  std::string Catalogue() {
    return Dir.Write("see.ini",
                     "[Fam A]\ntype=1\nfull=1,256,16,0,5\nshort=1,256,16\nlong=1,256,16,0,5,9,9\n"
                     "nosize=1,,16,0,5\nempty=\nboth=1,128,8,0,3\n"
                     "[Fam B]\nboth=0,512,32,1,5\ntyped=1,64,8,0,5\n[NoType]\nbare=1,16,8,0,3\n"
                     "huge=1,2097152,32,0,5\nneg=1,-16,32,0,5\n[Fam C]\ntype=$3\n");
  }
  TTempDir Dir;
};

TEST_F(LoadChipTest, FillsTheRecordFromTheValue) {
  struct Case {
    const char* name;
    TChip expected;
  } cases[] = {
      {"full", {"Fam A", 1, "full", 256, 16, 0, 5, 1}},     {"short", {"Fam A", 1, "short", 256, 16, 16, 16, 1}},
      {"long", {"Fam A", 1, "long", 256, 16, 0, 5, 1}},     {"nosize", {"Fam A", 1, "nosize", -1, 16, 0, 5, 1}},
      {"empty", {"Fam A", 1, "empty", -1, -1, -1, -1, -1}}, {"both", {"Fam A", 1, "both", 128, 8, 0, 3, 1}},
      {"BOTH", {"Fam A", 1, "BOTH", 128, 8, 0, 3, 1}},      {"bare", {"NoType", 0, "bare", 16, 8, 0, 3, 1}},
      {"neg", {"NoType", 0, "neg", -16, 32, 0, 5, 1}},
  };
  auto cat = Catalogue();
  for (const auto& c : cases) {
    TChip chip;
    EXPECT_TRUE(LoadChip(cat, c.name, chip)) << c.name;
    EXPECT_EQ(chip, c.expected) << c.name;
  }
}

TEST_F(LoadChipTest, UnknownNameOrMissingCatalogueLeavesTheRecordAlone) {
  TChip chip{"F", 2, "keep", 100, 8, 1, 5, 1};
  const TChip before = chip;
  EXPECT_FALSE(LoadChip(Catalogue(), "nothing", chip));
  EXPECT_FALSE(LoadChip(Catalogue(), "", chip));
  EXPECT_FALSE(LoadChip(Dir.File("missing.ini"), "full", chip));
  EXPECT_EQ(chip, before);
}

TEST_F(LoadChipTest, SizeAboveTheBufferIsRefusedWithItsNameAndSize) {
  TChip chip{"F", 2, "keep", 100, 8, 1, 5, 1};
  const TChip before = chip;
  try {
    LoadChip(Catalogue(), "huge", chip);
    FAIL() << "no error";
  } catch (const TError& e) {
    std::string text = e.what();
    EXPECT_NE(text.find("huge"), std::string::npos);
    EXPECT_NE(text.find("2097152"), std::string::npos);
  }
  EXPECT_EQ(chip, before);
}
