#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "common/ini_file.h"
#include "support/temp_dir.h"

TEST(IniFile, ReadsNamesWithoutCaseAndBlanksAroundNamesAndValues) {
  TTempDir dir;
  auto f = dir.Write("a.ini", "; comment\n[ Main ]\n  Chip =  24C64  \nLangID=0x10\n[Other]\nChip=no\n");
  TIniFile ini(f);
  EXPECT_EQ(ini.ReadString("main", "CHIP", "?"), "24C64");
  EXPECT_EQ(ini.ReadInteger("MAIN", "langid", -1), 16);
  EXPECT_EQ(ini.ReadString("main", "missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("main", "Chip", -1), -1);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Main", "Other"}));
  EXPECT_EQ(ini.ReadSection("MAIN"), (std::vector<std::string>{"Chip", "LangID"}));
}

TEST(IniFile, FirstSectionAndFirstKeyWin) {
  TTempDir dir;
  auto f = dir.Write("a.ini", "[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nk=4\nj=5\n");
  TIniFile ini(f);
  EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"k"}));
}

TEST(IniFile, WriteUpdatesOneKeyAndLeavesEveryOtherLineAsItWas) {
  TTempDir dir;
  const std::string before =
      "; settings\r\n[Other]\r\nx = 1 ; kept\r\n\r\n[Main]\r\n; a comment\r\nChip=old\r\nCurrentMemoryAddress=0x10\r\n\r\n[Last]\r\ny=2\r\n";
  auto f = dir.Write("s.ini", before);
  TIniFile ini(f);
  ini.WriteString("MAIN", "chip", "24C64");
  ini.WriteInteger("Main", "LangID", -1);
  EXPECT_EQ(dir.Read("s.ini"),
            "; settings\r\n[Other]\r\nx = 1 ; kept\r\n\r\n[Main]\r\n; a comment\r\nchip=24C64\r\nCurrentMemoryAddress=0x10\r\n"
            "LangID=-1\r\n\r\n[Last]\r\ny=2\r\n");
  EXPECT_EQ(TIniFile(f).ReadString("Main", "Chip", ""), "24C64");
}

TEST(IniFile, WriteCreatesTheFileAndTheSection) {
  TTempDir dir;
  TIniFile ini(dir.File("new.ini"));
  ini.WriteString("Main", "Chip", "");
  ini.WriteInteger("Main", "CurrentMemoryAddress", 0);
  ini.WriteString("Extra", "k", "v");
  EXPECT_EQ(dir.Read("new.ini"), "[Main]\nChip=\nCurrentMemoryAddress=0\n\n[Extra]\nk=v\n");
}

TEST(IniFile, MissingFileReadsEmptyAndFailedWriteNamesTheFile) {
  TTempDir dir;
  TIniFile missing(dir.File("none.ini"));
  EXPECT_TRUE(missing.ReadSections().empty());
  std::filesystem::create_directory(dir.File("adir.ini"));
  TIniFile isDir(dir.File("adir.ini"));
  EXPECT_TRUE(isDir.ReadSections().empty());
  try {
    isDir.WriteString("Main", "Chip", "x");
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.File("adir.ini"));
  }
}
