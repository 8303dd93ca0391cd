#include <gtest/gtest.h>

#include "common/error.h"
#include "common/paths.h"

TEST(Paths, SettingsFileReplacesTheExtensionOrAppendsIt) {
  EXPECT_EQ(SettingsFileNameFor("/opt/t/tesmaro"), "/opt/t/tesmaro.ini");
  EXPECT_EQ(SettingsFileNameFor("/opt/t/tesmaro.exe"), "/opt/t/tesmaro.ini");
  EXPECT_EQ(SettingsFileNameFor("/opt/t.d/tesmaro"), "/opt/t.d/tesmaro.ini");
  EXPECT_EQ(SettingsFileNameFor("/opt/t/a.b.c"), "/opt/t/a.b.ini");
}

TEST(Paths, FolderPartKeepsTheSeparator) {
  EXPECT_EQ(FolderPart("/a/b/file.hex"), "/a/b/");
  EXPECT_EQ(FolderPart("file.hex"), "");
}

TEST(FormatText, FillsPlaceholdersInTurn) {
  EXPECT_EQ(FormatText("Unable to write to %s", {"/x.ini"}), "Unable to write to /x.ini");
  EXPECT_EQ(FormatText("%d%% of %s", {"5", "n"}), "5% of n");
}
