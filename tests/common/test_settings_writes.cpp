// Writing an INI file (the settings file) safely: a write that fails leaves the old file as it
// was, a folder without room for a temporary file still lets a writable file be updated, and
// errors carry their message key.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "common/error.h"
#include "common/ini_file.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

size_t FilesIn(const TTempDir& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Folder())) ++n;
  return n;
}

// Runs body where file permissions bind: in a child process as an unprivileged user when the test
// runs as root (the paths are handed to that user first). True when body returned true.
bool WithPermissionsBinding(const std::vector<std::string>& paths, const std::function<bool()>& body) {
  if (geteuid() != 0) return body();
  const uid_t nobody = 65534;
  for (const auto& p : paths)
    if (chown(p.c_str(), nobody, nobody) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    bool ok = false;
    if (setgid(nobody) == 0 && setuid(nobody) == 0) {
      try {
        ok = body();
      } catch (...) {
      }
    }
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(SettingsWrites, FullDiskKeepsTheOldFileWhole) {
  TTempDir dir;
  // Longer than the limit, so the new file can't be written completely.
  const std::string old = "[Main]\nChip=24C64\nNotes=" + std::string(300, 'x') + "\n";
  const std::string file = dir.Write("tesmaro.ini", old);
  std::string key;
  {
    TFileSizeLimit limit(200);
    try {
      TIniFile(file).WriteString("Main", "Chip", "24C128");
      ADD_FAILURE() << "the failed write is reported";
    } catch (const TError& e) {
      key = e.Key();
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + file);
    }
  }
  EXPECT_EQ(key, "UnableToWrite");
  EXPECT_EQ(dir.Read("tesmaro.ini"), old);
  EXPECT_EQ(FilesIn(dir), 1u) << "no temporary file is left behind";

  // With room again the same write goes through and keeps the other keys.
  TIniFile(file).WriteString("Main", "Chip", "24C128");
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadString("Main", "Chip", ""), "24C128");
  EXPECT_EQ(ini.ReadString("Main", "Notes", "").size(), 300u);
  EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(SettingsWrites, ReadOnlyFolderWithWritableFileIsWrittenInPlace) {
  TTempDir dir;
  const std::string folder = dir.File("conf");
  fs::create_directory(folder);
  const std::string file = dir.Write("conf/tesmaro.ini", "[Main]\r\nChip=a\r\n");
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(WithPermissionsBinding({dir.Folder(), folder, file}, [&] {
    TIniFile(file).WriteString("Main", "Chip", "b");
    TIniFile(file).WriteInteger("Main", "CurrentMemoryAddress", 16);
    return true;
  }));
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_EQ(dir.Read("conf/tesmaro.ini"), "[Main]\r\nChip=b\r\nCurrentMemoryAddress=16\r\n");
}

TEST(SettingsWrites, ReadOnlyFileIsRefusedAndKept) {
  TTempDir dir;
  const std::string file = dir.Write("tesmaro.ini", "[Main]\nChip=a\n");
  fs::permissions(file, fs::perms::owner_read);
  EXPECT_TRUE(WithPermissionsBinding({dir.Folder(), file}, [&] {
    try {
      TIniFile(file).WriteString("Main", "Chip", "b");
    } catch (const TError& e) {
      return e.Key() == "UnableToWrite";
    }
    return false;
  }));
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(dir.Read("tesmaro.ini"), "[Main]\nChip=a\n");
}

TEST(SettingsWrites, ALinkedSettingsFileIsUpdatedThroughItsLink) {
  TTempDir dir;
  const std::string target = dir.Write("real.ini", "[Main]\nChip=a\n");
  fs::create_symlink(target, dir.File("tesmaro.ini"));
  TIniFile(dir.File("tesmaro.ini")).WriteString("Main", "Chip", "b");
  EXPECT_TRUE(fs::is_symlink(dir.File("tesmaro.ini")));
  EXPECT_EQ(dir.Read("real.ini"), "[Main]\nChip=b\n");
}
