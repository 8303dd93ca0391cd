// tesmaro-cli chips: the supported-chips report on the terminal.
#include <gtest/gtest.h>

#include "catalogue/supported_chips.h"
#include "common/user_interface.h"
#include "support/run_process.h"

TEST(CliChips, PrintsTheReportOfTheShippedCatalogueWithPlainNewlines) {
  const std::string catalogue = std::string(TESMARO_SOURCE_DIR) + "/data/see.ini";
  auto r = RunProgram("tesmaro-cli", "--catalogue '" + catalogue + "' chips");
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out.find('\r'), std::string::npos);
  EXPECT_EQ(r.Out.rfind("Supported chips:\n\n24Cxx\n24C32, 24C64, ", 0), 0u) << r.Out;

  std::string expected =
      SupportedChipsReport(catalogue, BuiltInMessageText("SuppChips"), BuiltInMessageText("NotSuppChips"));
  for (size_t at; (at = expected.find(kReportLineBreak)) != std::string::npos;) expected.replace(at, 2, "\n");
  EXPECT_EQ(r.Out, expected + "\n");
}

TEST(CliChips, MissingCatalogueIsAFileError) {
  TTempDir dir;
  auto r = RunProgram("tesmaro-cli", "--catalogue '" + dir.File("none.ini") + "' chips");
  EXPECT_EQ(r.ExitCode, 3);
  EXPECT_TRUE(r.Out.empty());
  EXPECT_NE(r.Err.find("none.ini"), std::string::npos) << r.Err;
}
