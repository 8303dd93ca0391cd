#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "common/paths.h"
#include "support/temp_dir.h"

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

// The settings stay beside the executable only in a portable copy; an installed program, or a
// folder that merely happens to be writable, keeps them in the per-user folder.
TEST(Paths, SettingsBesideTheExecutableOnlyInAPortableCopy) {
  TTempDir dir;
  const std::string perUser = UserConfigFolder() + "tesmaro.ini";
  const std::string exe = dir.File("tesmaro");
  EXPECT_EQ(SettingsFileFor(exe), perUser) << "a writable folder without settings or marker";

  dir.Write(kPortableMarker, "");
  EXPECT_EQ(SettingsFileFor(exe), dir.File("tesmaro.ini")) << "the marker";
  std::filesystem::remove(dir.File(kPortableMarker));

  dir.Write("tesmaro.ini", "[Main]\n");
  EXPECT_EQ(SettingsFileFor(exe), dir.File("tesmaro.ini")) << "a settings file already there";

  // A system folder never holds settings, even for a user who may write there.
  EXPECT_EQ(SettingsFileFor("/usr/bin/tesmaro"), perUser);
  EXPECT_EQ(SettingsFileFor("/bin/tesmaro"), perUser);
  EXPECT_FALSE(IsPortableCopy("/usr/local/bin/tesmaro"));
}
