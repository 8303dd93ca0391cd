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

// A section that stands twice is one section: the later block adds the keys the earlier lacks.
TEST(IniFile, FirstSectionAndFirstKeyWinAndRepeatedSectionsMerge) {
  TTempDir dir;
  auto f = dir.Write("a.ini", "[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nk=4\nj=5\n");
  TIniFile ini(f);
  EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "J", ""), "5");
  EXPECT_EQ(ini.ReadString("B", "k", ""), "3");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"k", "j"}));
  // A write to a key of the later block rewrites it there; a new key joins the first block.
  ini.WriteString("a", "J", "6");
  ini.WriteString("A", "n", "7");
  EXPECT_EQ(dir.Read("a.ini"), "[A]\nk=1\nk=2\nn=7\n[B]\nk=3\n[a]\nk=4\nJ=6\n");
}

// A byte-order mark would hide the first section; it is skipped and kept through a write.
TEST(IniFile, ByteOrderMarkIsSkippedAndKept) {
  TTempDir dir;
  auto f = dir.Write("bom.ini", "\xEF\xBB\xBF[First]\r\ntype=1\r\n[Second]\r\nx=2\r\n");
  TIniFile ini(f);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"First", "Second"}));
  EXPECT_EQ(ini.ReadInteger("first", "type", 0), 1);
  ini.WriteString("Second", "y", "3");
  EXPECT_EQ(dir.Read("bom.ini"), "\xEF\xBB\xBF[First]\r\ntype=1\r\n[Second]\r\nx=2\r\ny=3\r\n");
  // Only at the very start: elsewhere the bytes are part of the text.
  f = dir.Write("mid.ini", "[A]\n\xEF\xBB\xBFk=1\n");
  EXPECT_FALSE(TIniFile(f).ValueExists("A", "k"));
}

TEST(IniFile, WriteUpdatesOneKeyAndLeavesEveryOtherLineAsItWas) {
  TTempDir dir;
  const std::string before =
      "; settings\r\n[Other]\r\nx = 1 ; kept\r\n\r\n[Main]\r\n; a "
      "comment\r\nChip=old\r\nCurrentMemoryAddress=0x10\r\n\r\n[Last]\r\ny=2\r\n";
  auto f = dir.Write("s.ini", before);
  TIniFile ini(f);
  ini.WriteString("MAIN", "chip", "24C64");
  ini.WriteInteger("Main", "LangID", -1);
  EXPECT_EQ(dir.Read("s.ini"),
            "; settings\r\n[Other]\r\nx = 1 ; kept\r\n\r\n[Main]\r\n; a "
            "comment\r\nchip=24C64\r\nCurrentMemoryAddress=0x10\r\n"
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
