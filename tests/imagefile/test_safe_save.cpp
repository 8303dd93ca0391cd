// Saving never destroys the file it replaces: failed saves leave it intact and no litter.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "hex_test_support.h"
#include "imagefile/image_file.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using TSave = void (*)(const std::string&, const TChip&);

struct TSaver {
  const char* Name;
  TSave Save;
};
const TSaver kSavers[] = {{"hex", SaveHexFile}, {"bin", SaveBinFile}};

size_t FileCount(const TTempDir& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir.Folder()), fs::directory_iterator()));
}

TEST(SafeSave, FailedWriteLeavesTheOldFileIntact) {
  std::memset(MemoryBuffer, 0x5A, sizeof MemoryBuffer);
  for (const TSaver& s : kSavers) {
    TTempDir dir;
    const std::string old = "the old image";
    const std::string file = dir.Write("image.out", old);
    std::string error;
    {
      TFileSizeLimit limit(4096);
      try {
        s.Save(file, ChipOfSize(0x100000));
      } catch (const TError& e) {
        error = e.what();
      }
    }
    EXPECT_FALSE(error.empty()) << s.Name << ": the failure is reported";
    if (std::string(s.Name) == "bin") {
      EXPECT_EQ(error, "Stream write error");
    }
    EXPECT_EQ(dir.Read("image.out"), old) << s.Name;
    EXPECT_EQ(FileCount(dir), 1u) << s.Name << ": no temporary file left";
  }
}

TEST(SafeSave, UnwritableFolderLeavesTheOldFileIntact) {
  if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind root";
  std::memset(MemoryBuffer, 0x5A, 256);
  for (const TSaver& s : kSavers) {
    TTempDir dir;
    const std::string file = dir.Write("image.out", "old");
    fs::permissions(dir.Folder(), fs::perms::owner_read | fs::perms::owner_exec);
    try {
      s.Save(file, ChipOfSize(256));
      ADD_FAILURE() << s.Name << ": no error";
    } catch (const TError& e) {
      const std::string expected = std::string(s.Name) == "hex"
                                       ? "File access denied"
                                       : "Cannot create file \"" + file + "\". Permission denied";
      EXPECT_EQ(std::string(e.what()), expected);
    }
    fs::permissions(dir.Folder(), fs::perms::owner_all);
    EXPECT_EQ(dir.Read("image.out"), "old") << s.Name;
  }
}

TEST(SafeSave, MissingFolderIsReported) {
  TTempDir dir;
  const std::string file = dir.File("no/such/image.out");
  EXPECT_THROW(
      try { SaveHexFile(file, ChipOfSize(16)); } catch (const TError& e) {
        EXPECT_STREQ(e.what(), "Path not found");
        throw;
      },
      TError);
  EXPECT_THROW(
      try { SaveBinFile(file, ChipOfSize(16)); } catch (const TError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + file + "\". No such file or directory");
        throw;
      },
      TError);
}

// A replaced file keeps its permissions, a longer old file is not left over at the end,
// and a link is written through rather than replaced.
TEST(SafeSave, ReplacesContentsKeepingModeAndLinks) {
  std::memset(MemoryBuffer, 0xA5, 256);
  for (const TSaver& s : kSavers) {
    TTempDir dir;
    const std::string file = dir.Write("image.out", std::string(100000, 'x'));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string link = dir.File("link.out");
    fs::create_symlink(file, link);
    s.Save(link, ChipOfSize(256));
    EXPECT_TRUE(fs::is_symlink(link)) << s.Name;
    std::string expected = std::string(s.Name) == "hex" ? HexText(ChipOfSize(256)) : std::string(256, '\xA5');
    EXPECT_EQ(dir.Read("image.out"), expected) << s.Name;
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
        << s.Name;
    EXPECT_EQ(FileCount(dir), 2u) << s.Name;
  }
}

}  // namespace
