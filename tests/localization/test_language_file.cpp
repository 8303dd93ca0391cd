// Language files: the line rules, lookups, write-back and code-page conversion.
#include <gtest/gtest.h>

#include "localization/language_file.h"
#include "localization/localization_error.h"
#include "support/temp_dir.h"

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

TEST(LanguageFile, ReadsSectionsAndKeysByTheLineRules) {
  TTempDir dir;
  const std::string name = dir.Write("x.lng",
                                     "key=before any section\r\n"
                                     "[ Main ]\n"
                                     "   Greeting   =   Hello there   \r"
                                     "; Greeting=commented out\r\n"
                                     "line without equals\n"
                                     "Twice=first\n"
                                     "Quoted=\"  kept  \"\n"
                                     "Twice=second\n"
                                     "[main]\n"
                                     "Later=yes\n"
                                     "[Other]\n"
                                     "Empty=\n"
                                     "Twice=x\n");
  TQLanguageFile f(QString::fromStdString(name));
  // A repeated section: the later one is found.
  EXPECT_EQ(f.ReadString("MAIN", "later", "-"), "yes");
  EXPECT_EQ(f.ReadString("Main", "Greeting", "-"), "-");
  EXPECT_EQ(f.ReadString("Other", "twice", "-"), "x");
  EXPECT_EQ(f.ReadString("Other", "Empty", "-"), "");
  EXPECT_EQ(f.ReadString("None", "key", "\"def\""), "def");  // the default is decoded too
  EXPECT_EQ(f.ReadSections(), (QStringList{"Main", "main", "Other"}));
}

TEST(LanguageFile, BlanksDuplicatesAndSectionValues) {
  TTempDir dir;
  const std::string name = dir.Write("x.lng",
                                     "[S]\n"
                                     "  A  =  one  \n"
                                     "B=two\n"
                                     "a=three\n"
                                     "C=\"\"\n"
                                     "Q=\"  kept  \"\n");
  TQLanguageFile f(QString::fromStdString(name));
  EXPECT_EQ(f.ReadString("s", "A", "-"), "three");
  EXPECT_EQ(f.ReadString("s", "Q", "-"), "  kept  ");
  QStringList values{"stale"};
  f.ReadSectionValues("S", values);
  // One entry per key at the place of its first line, with the later value; empty texts left out.
  EXPECT_EQ(values, (QStringList{"A=three", "B=two", "Q=  kept  "}));
}

TEST(LanguageFile, ByteOrderMarkHidesTheFirstSection) {
  TTempDir dir;
  const std::string name = dir.Write("x.lng", "\xEF\xBB\xBF[S]\nA=1\n[T]\nB=2\n");
  TQLanguageFile f(QString::fromStdString(name));
  EXPECT_EQ(f.ReadString("S", "A", "-"), "-");
  EXPECT_EQ(f.ReadString("T", "B", "-"), "2");
}

TEST(LanguageFile, MissingFileIsEmpty) {
  TTempDir dir;
  TQLanguageFile f(QString::fromStdString(dir.File("absent.lng")));
  EXPECT_EQ(f.ReadString("S", "A", "def"), "def");
  QStringList values{"x"};
  f.ReadSectionValues("S", values);
  EXPECT_TRUE(values.isEmpty());
}

TEST(LanguageFile, WriteRewritesTheWholeFileWithoutComments) {
  TTempDir dir;
  const std::string name = dir.Write("x.lng",
                                     "; header comment\n"
                                     "orphan=1\n"
                                     "[S]\n"
                                     "; inside\n"
                                     "\n"
                                     "  A =  1 \n"
                                     "A=2\n"
                                     "note\n"
                                     "[T]\n"
                                     "B=3\n");
  TQLanguageFile f(QString::fromStdString(name));
  f.WriteString("s", "a", "new\r\nline");  // replaces the line a read finds (the later one)
  f.WriteString("U", "C", " x ");          // a new section at the end
  EXPECT_EQ(dir.Read("x.lng"),
            "[S]\r\nA=1\r\na=\"new\"#13#10\"line\"\r\nnote\r\n\r\n"
            "[T]\r\nB=3\r\n\r\n"
            "[U]\r\nC=\" x \"\r\n\r\n");
  EXPECT_EQ(f.ReadString("S", "A", "-"), "new\r\nline");

  TQLanguageFile again(QString::fromStdString(name));
  EXPECT_EQ(again.ReadString("U", "C", "-"), " x ");

  again.EraseSection("t");
  EXPECT_EQ(TQLanguageFile(QString::fromStdString(name)).ReadString("T", "B", "-"), "-");
  again.Clear();  // in memory only until the next write
  EXPECT_EQ(again.ReadString("U", "C", "-"), "-");
  EXPECT_EQ(TQLanguageFile(QString::fromStdString(name)).ReadString("U", "C", "-"), " x ");
}

TEST(LanguageFile, FailedWriteIsReported) {
  TTempDir dir;
  TQLanguageFile f(QString::fromStdString(dir.File("no-such-folder/x.lng")));
  EXPECT_THROW(f.WriteString("S", "A", "1"), EQLocalError);
}

TEST(LanguageFile, TextIsInTheCodePageOfItsCharacterSet) {
  TTempDir dir;
  // "Файл" and "Выход" in Windows-1251; an escape run gives a byte of that code page (0xDF = "Я").
  const std::string name = dir.Write("ru.lng",
                                     "[General Settings]\r\nFontCharSet=russian_charset\r\n"
                                     "[\xD4\xE0\xE9\xEB]\r\n"
                                     "\xC2\xFB\xF5\xEE\xE4=\"\xD4\xE0\xE9\xEB \"#223\"\"\r\n");
  TQLanguageFile f(QString::fromStdString(name));
  EXPECT_EQ(f.CharSet(), 204);
  EXPECT_EQ(f.ReadString(U("файл"), U("ВЫХОД"), "-"), U("Файл Я"));

  f.WriteString(U("Файл"), U("Ключ"), U("Текст ü"));  // "ü" is not in Windows-1251
  const std::string bytes = dir.Read("ru.lng");
  EXPECT_NE(bytes.find("\xCA\xEB\xFE\xF7=\"\xD2\xE5\xEA\xF1\xF2 ?\""), std::string::npos);
  EXPECT_EQ(TQLanguageFile(QString::fromStdString(name)).ReadString(U("Файл"), U("Ключ"), "-"), U("Текст ?"));

  // Without "FontCharSet" the text is Windows-1252.
  const std::string west = dir.Write("de.lng",
                                     "[S]\nA=Gr\xFC\xDF"
                                     "e\n");
  EXPECT_EQ(TQLanguageFile(QString::fromStdString(west)).ReadString("S", "A", "-"), U("Grüße"));
}

}  // namespace
