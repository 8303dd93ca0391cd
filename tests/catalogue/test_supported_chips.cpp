// The supported-chips report built from small catalogues.
#include <gtest/gtest.h>

#include "catalogue/supported_chips.h"
#include "support/temp_dir.h"

namespace {

std::string Report(const TTempDir& dir, const std::string& catalogue) {
  return SupportedChipsReport(dir.Write("see.ini", catalogue), "Head", "Tail");
}

// The report of a single family, without the header and the closing line.
std::string FamilyPart(const std::string& report) {
  const std::string head = std::string("Head") + kReportLineBreak + kReportLineBreak;
  const std::string tail = "* - Tail";
  EXPECT_EQ(report.substr(0, head.size()), head);
  EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
  return report.substr(head.size(), report.size() - head.size() - tail.size());
}

}  // namespace

TEST(SupportedChipsReport, BuildsFamiliesInFileOrderWithLfCrBreaks) {
  TTempDir dir;
  const std::string report = Report(dir,
                                    "[Bytes]\ntype=1\nA1=1,128,8,0,5\nB2=0,256,8,0,5\n"
                                    "[Empty]\n"
                                    "[TypeLast]\nC3=1,128,8,0,5\nD4=1,128,8,0,5\ntype=2\n");
  EXPECT_EQ(report,
            "Head\n\r\n\r"
            "Bytes\n\rA1, *B2\n\r\n\r"
            "Empty\n\r\n\r\n\r"
            "TypeLast\n\rC3, D4, \n\r\n\r"
            "* - Tail");
}

TEST(SupportedChipsReport, BreaksLinesAfterFortyCharactersOfNames) {
  TTempDir dir;
  // Thirteen eight-character names after "type": the sixth name takes the count to 48.
  std::string catalogue = "[F]\ntype=1\n";
  for (int i = 1; i <= 13; ++i) catalogue += "CHIP00" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=1\n";
  EXPECT_EQ(FamilyPart(Report(dir, catalogue)),
            "F\n\r"
            "CHIP0001, CHIP0002, CHIP0003, CHIP0004, CHIP0005, CHIP0006, \n\r"
            "CHIP0007, CHIP0008, CHIP0009, CHIP0010, CHIP0011, CHIP0012, \n\r"
            "CHIP0013\n\r\n\r");

  // Marks and separators do not count: five names of 8 make 40, which does not break;
  // the last name never adds to the count.
  EXPECT_EQ(FamilyPart(Report(dir,
                              "[F]\nAAAAAAAA=0\nBBBBBBBB=0\nCCCCCCCC=0\nDDDDDDDD=0\nEEEEEEEE=0\n"
                              "FFFFFFFFF=1\n")),
            "F\n\r*AAAAAAAA, *BBBBBBBB, *CCCCCCCC, *DDDDDDDD, *EEEEEEEE, FFFFFFFFF\n\r\n\r");
  EXPECT_EQ(FamilyPart(Report(dir, "[F]\nAAAAAAAA=1\nBBBBBBBB=1\nCCCCCCCC=1\nDDDDDDDD=1\nEEEEEEEEE=1\nF=1\n")),
            "F\n\rAAAAAAAA, BBBBBBBB, CCCCCCCC, DDDDDDDD, EEEEEEEEE, \n\rF\n\r\n\r");
}

TEST(SupportedChipsReport, MarksChipsWhoseValueDoesNotStartWithOne) {
  struct Case {
    const char* entry;
    const char* listed;
  } cases[] = {
      {"X=1,128,8,0,5", "X"},   {"X=10,128,8,0,5", "X"},  // only the first character is looked at
      {"X=  1,128,8,0,5", "X"},                           // blanks around the value are not part of it
      {"X=0,128,8,0,5", "*X"},  {"X=2,128,8,0,5", "*X"}, {"X=", "*X"},
      {"X=+1,128,8,0,5", "*X"}, {"Type=3", "*Type"},  // only the lower-case "type" is the family's type
      {"TYPE=1", "TYPE"},
  };
  TTempDir dir;
  for (const auto& c : cases)
    EXPECT_EQ(FamilyPart(Report(dir, std::string("[F]\n") + c.entry + "\n")),
              std::string("F\n\r") + c.listed + "\n\r\n\r")
        << c.entry;
}

TEST(SupportedChipsReport, MissingOrEmptyCatalogueGivesTheTwoTextsOnly) {
  TTempDir dir;
  EXPECT_EQ(SupportedChipsReport(dir.File("missing.ini"), "Head", "Tail"), "Head\n\r\n\r* - Tail");
  EXPECT_EQ(Report(dir, "; no families\n"), "Head\n\r\n\r* - Tail");
}
