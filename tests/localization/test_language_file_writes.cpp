// A language file that can't be written completely (a full disk) keeps its old contents.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "localization/language_file.h"
#include "localization/localization_error.h"
#include "support/temp_dir.h"

TEST(LanguageFileWrites, FullDiskKeepsTheOldFileWhole) {
  TTempDir dir;
  const std::string old = "[f]\r\nCaption=Tesmaro\r\nNotes=" + std::string(300, 'x') + "\r\n";
  const std::string file = dir.Write("russian.lng", old);
  TQLanguageFile lng(QString::fromStdString(file));
  const auto saved = std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  rlimit limit = before;
  limit.rlim_cur = 200;
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_THROW(lng.WriteString("f", "Caption", "Other"), EQLocalError);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, saved);
  EXPECT_EQ(dir.Read("russian.lng"), old);
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Folder())) ++files;
  EXPECT_EQ(files, 1u) << "no temporary file is left behind";
}
