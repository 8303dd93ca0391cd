// The merged catalogue (the shipped file, then the user's own) and the catalogue check.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_check.h"
#include "catalogue/chip.h"
#include "catalogue/supported_chips.h"
#include "support/temp_dir.h"

namespace {

const char* const kShipped =
    "[24Cxx]\ntype=1\n24C32=1,4096,32,0,5\n24C64=1,8192,32,0,5\n"
    "[93Cxx]\ntype=3\n93C46=1,128,0,1,5\n";
// Replaces 24C64, adds a chip to 24Cxx and a family of its own; its 93C46 is taken from the
// shipped family only when looked up there first.
const char* const kUser =
    "\xEF\xBB\xBF[24cxx]\n24C64=1,8192,16,0,3\n24C65=1,8192,64,0,5\n"
    "[Mine]\ntype=2\nBIG=1,131072,32,0,5\n";

}  // namespace

TEST(MergedCatalogue, UserEntriesReplaceAndExtendTheShippedOnes) {
  TTempDir dir;
  const TCatalogue cat({dir.Write("see.ini", kShipped), dir.Write("user.ini", kUser), dir.File("missing.ini")});
  EXPECT_EQ(cat.Families(), (std::vector<std::string>{"24Cxx", "93Cxx", "Mine"}));
  EXPECT_EQ(cat.Keys("24CXX"), (std::vector<std::string>{"type", "24C32", "24C64", "24C65"}));
  EXPECT_EQ(cat.Type("24cxx"), 1);

  TChip chip;
  ASSERT_TRUE(LoadChip(cat, "24c64", chip));
  EXPECT_EQ(chip, (TChip{"24Cxx", 1, "24c64", 8192, 16, 0, 3, 1}));
  ASSERT_TRUE(LoadChip(cat, "BIG", chip));
  EXPECT_EQ(chip, (TChip{"Mine", 2, "BIG", 131072, 32, 0, 5, 1}));
  ASSERT_TRUE(LoadChip(cat, "24C65", chip));
  EXPECT_EQ(chip.Family, "24Cxx");
  EXPECT_EQ(chip.ChipType, 1);

  const std::string report = SupportedChipsReport(cat, "H", "N");
  EXPECT_NE(report.find("24Cxx\n\r24C32, 24C64, 24C65\n\r"), std::string::npos) << report;
  EXPECT_NE(report.find("Mine\n\rBIG\n\r"), std::string::npos) << report;

  // Without the user's file the shipped entry stands.
  ASSERT_TRUE(LoadChip(TCatalogue({dir.File("see.ini")}), "24C64", chip));
  EXPECT_EQ(chip.PageSize, 32);
}

TEST(CatalogueCheck, FindsEveryEntryThatWouldBeReadWronglyWithItsLine) {
  TTempDir dir;
  const std::string file = dir.Write("see.ini",
                                     "; comment\n"                     // 1
                                     "[A]\n"                           // 2
                                     "type=1\n"                        // 3
                                     "OK=1,4096,32,0,5\n"              // 4
                                     "K32=1,32K,32,0,5\n"              // 5
                                     "CMT=1,4096,32,0,5 ; fast one\n"  // 6
                                     "FEW=1,4096,32\n"                 // 7
                                     "ZERO=1,0,32,0,5\n"               // 8
                                     "HUGE=1,2097152,32,0,5\n"         // 9
                                     "PAGE=1,100,32,0,5\n"             // 10
                                     "ok=1,4096,32,0,5\n"              // 11
                                     "[B]\n"                           // 12
                                     "type=3\n"                        // 13
                                     "ORG=1,128,0,2,5\n"               // 14
                                     "ORG1=1,128,0,1,5\n"              // 15
                                     "[C]\n"                           // 16
                                     "type=7\n"                        // 17
                                     "X=1,128,8,0,5\n"                 // 18
                                     "[D]\n"                           // 19
                                     "Y=1,128,8,0,5\n"                 // 20
                                     "[a]\n"                           // 21
                                     "K32=1,4096,32,0,5\n"             // 22
                                     "NEW=1,256,0,0,5\n");             // 23
  using P = TCatalogueProblem;
  struct TExpected {
    int Line;
    P Problem;
    std::string Key;
    std::vector<std::string> Values;
  };
  const std::vector<TExpected> expected = {
      {5, P::NotInteger, "K32", {"Size", "32K"}},
      {6, P::NotInteger, "CMT", {"Jumper", "5 ; fast one"}},
      {7, P::TooFewFields, "FEW", {"3"}},
      {8, P::BadSize, "ZERO", {"0"}},
      {9, P::BadSize, "HUGE", {"2097152"}},
      {10, P::PageNotDividing, "PAGE", {"32", "100"}},
      {10, P::SizeNotBlocks, "PAGE", {"100"}},
      {11, P::RepeatedKey, "ok", {"4"}},
      {14, P::BadOrg, "ORG", {"2"}},
      {17, P::UnknownType, "type", {"7"}},
      {19, P::NoType, "", {}},
      {22, P::RepeatedKey, "K32", {"5"}},
      {23, P::PageNotDividing, "NEW", {"0", "256"}},
  };
  const auto found = CheckCatalogue(file);
  ASSERT_EQ(found.size(), expected.size());
  for (size_t i = 0; i < found.size(); ++i) {
    SCOPED_TRACE(expected[i].Line);
    EXPECT_EQ(found[i].File, file);
    EXPECT_EQ(found[i].Line, expected[i].Line);
    EXPECT_EQ(found[i].Problem, expected[i].Problem);
    EXPECT_EQ(found[i].Key, expected[i].Key);
    EXPECT_EQ(found[i].Values, expected[i].Values);
  }
  EXPECT_EQ(found[11].Family, "A");  // the repeated section is the first one's family
}

// A user's file checked as part of the merged catalogue: the shipped file types its families,
// and a chip it holds in another family is flagged; lines the reader passes over are named.
TEST(CatalogueCheck, UserFileAgainstTheMergedCatalogue) {
  TTempDir dir;
  const std::string shipped = dir.Write("see.ini", "[24Cxx]\ntype=1\n24C64=1,8192,32,0,5\n");
  const std::string user = dir.Write("user.ini",
                                     "STRAY=1,128,8,0,5\n"     // 1
                                     "[24cxx]\n"               // 2
                                     "MINE=1,2048,16,0,3\n"    // 3
                                     "BIG=1,131072,32,0,5\n"   // 4
                                     "ODD=1,100,4,0,5\n"       // 5
                                     "# OLD=1,256,8,0,5\n"     // 6
                                     "# a comment\n"           // 7
                                     "just words\n"            // 8
                                     "[Other]\n"               // 9
                                     "type=2\n"                // 10
                                     "24C64=1,8192,32,0,5\n"   // 11
                                     "MINE=1,4096,32,0,5\n");  // 12
  using P = TCatalogueProblem;
  const std::vector<std::pair<int, P>> expected = {
      {1, P::KeyBeforeSection}, {4, P::Type1Above64K},      {5, P::SizeNotBlocks},      {6, P::HashLine},
      {8, P::NoEquals},         {11, P::NameInTwoFamilies}, {12, P::NameInTwoFamilies},
  };
  const auto found = CheckCatalogue(user, {shipped});
  std::vector<std::pair<int, P>> got;
  for (const auto& f : found) got.emplace_back(f.Line, f.Problem);
  EXPECT_EQ(got, expected);
  ASSERT_EQ(found.size(), expected.size());
  EXPECT_EQ(found[5].Values, (std::vector<std::string>{"24Cxx", shipped + ":3"}));
  EXPECT_EQ(found[6].Values, (std::vector<std::string>{"24cxx", user + ":3"}));
  EXPECT_EQ(found[3].Key, "# OLD");
  // Alone, the user's family has no type.
  EXPECT_EQ(CheckCatalogue(user).at(1).Problem, P::NoType);
}

TEST(CatalogueCheck, ShippedCatalogueIsClean) {
  const std::string file = std::string(TESMARO_SOURCE_DIR) + "/data/see.ini";
  const auto found = CheckCatalogue(file);
  for (const auto& f : found) ADD_FAILURE() << f.Line << ": " << CatalogueProblemKey(f.Problem) << " " << f.Key;
  EXPECT_FALSE(TCatalogue({file}).Families().empty());
}
