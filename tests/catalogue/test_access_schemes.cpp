// Self-check of the access-scheme table: every row is complete and consistent, each catalogue
// type finds its row, and the catalogue check knows exactly the types the table knows.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "catalogue/access_scheme.h"
#include "catalogue/catalogue_check.h"
#include "support/temp_dir.h"

namespace {

void ExpectConsistent(const TAccessSchemeInfo& s) {
  SCOPED_TRACE(s.Name);
  EXPECT_TRUE(s.AddressBytes == 2 || s.AddressBytes == 3);
  // Byte 9 carries Org or the address's third byte, never both.
  EXPECT_FALSE(s.OrgInCommands && s.AddressBytes == 3);
  EXPECT_TRUE(s.ReadUnit == TTransferUnit::Block || s.ReadUnit == TTransferUnit::Unit);
  EXPECT_NE(s.WriteUnit, TTransferUnit::Block);
  // Units are bytes or words as Org says, and Org travels with them; pages need their size.
  EXPECT_EQ(s.OrgMatters, s.ReadUnit == TTransferUnit::Unit);
  EXPECT_EQ(s.OrgInCommands, s.ReadUnit == TTransferUnit::Unit);
  EXPECT_EQ(s.PageSizeMatters, s.WriteUnit == TTransferUnit::Page);
  // Units are written between write-access open and close, and only they.
  EXPECT_EQ(s.WriteUnit == TTransferUnit::Unit, s.WriteAccess == TWriteAccess::OpenAndClose);
  if (s.WriteUnit == TTransferUnit::None) {
    EXPECT_EQ(s.WriteAccess, TWriteAccess::None);
  }
}

}  // namespace

TEST(AccessSchemes, EveryRowIsConsistentAndFoundByItsType) {
  std::set<int32_t> types;
  std::set<TAccessScheme> schemes;
  std::set<std::string> names;
  for (const TAccessSchemeInfo& s : AccessSchemes()) {
    ExpectConsistent(s);
    EXPECT_GE(s.Type, 1) << s.Name;
    EXPECT_NE(s.Scheme, TAccessScheme::Unknown) << s.Name;
    EXPECT_TRUE(types.insert(s.Type).second) << "type " << s.Type << " stands twice";
    EXPECT_TRUE(schemes.insert(s.Scheme).second) << s.Name;
    EXPECT_TRUE(names.insert(s.Name).second) << s.Name;
    EXPECT_EQ(&AccessSchemeOf(s.Type), &s);
    EXPECT_TRUE(KnownChipType(s.Type));
  }
  // The types the shipped catalogue and the programmer's firmware use.
  EXPECT_EQ(types, (std::set<int32_t>{1, 2, 3}));
}

TEST(AccessSchemes, OtherTypesGetTheUnknownScheme) {
  const TAccessSchemeInfo& unknown = AccessSchemeOf(0);
  ExpectConsistent(unknown);
  EXPECT_EQ(unknown.Scheme, TAccessScheme::Unknown);
  EXPECT_EQ(unknown.WriteUnit, TTransferUnit::None);
  for (int32_t type : {0, -1, 4, 255, 259, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(&AccessSchemeOf(type), &unknown) << type;
    EXPECT_FALSE(KnownChipType(type)) << type;
  }
}

// The catalogue check refuses a family's type exactly when the table has no row for it, and asks
// for a dividing PageSize and for Org 0 or 1 where the row says they matter.
TEST(AccessSchemes, TheCatalogueCheckFollowsTheTable) {
  for (int32_t type = -1; type <= 5; ++type) {
    SCOPED_TRACE(type);
    TTempDir dir;
    // PageSize 3 divides no Size here, Org 2 is neither bytes nor words.
    const std::string file = dir.Write("see.ini", "[F]\ntype=" + std::to_string(type) + "\nC=1,128,3,2,5\n");
    std::set<TCatalogueProblem> found;
    for (const TCatalogueFinding& f : CheckCatalogue(file)) found.insert(f.Problem);
    const TAccessSchemeInfo& s = AccessSchemeOf(type);
    EXPECT_EQ(found.count(TCatalogueProblem::UnknownType), KnownChipType(type) ? 0u : 1u);
    EXPECT_EQ(found.count(TCatalogueProblem::PageNotDividing), s.PageSizeMatters ? 1u : 0u);
    EXPECT_EQ(found.count(TCatalogueProblem::BadOrg), s.OrgMatters ? 1u : 0u);
  }
}
