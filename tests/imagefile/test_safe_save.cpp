// Saving never destroys what it writes to: failed saves leave the old file intact and no litter,
// and what is not a plain file of ours (a FIFO, a device, a link, a file with other names, a
// file in a folder we may not write) is written, never replaced.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "common/error.h"
#include "common/safe_file_writer.h"
#include "hex_test_support.h"
#include "imagefile/image_file.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const TImageFormat kFormats[] = {TImageFormat::Hex, TImageFormat::Bin};

void Save(const std::string& file, TImageFormat format, int32_t size) {
  WriteImage(file, format, Image(), ChipSpan(format, ChipOfSize(size)));
}

size_t FileCount(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

ino_t Inode(const std::string& file) {
  struct stat st {};
  stat(file.c_str(), &st);
  return st.st_ino;
}

// Runs save as an ordinary user, so that permissions bind: as root in a child process that
// becomes nobody (the paths given to it first), else here. The error's text; empty when it saved.
std::string AsOrdinaryUser(const std::function<void()>& save, const std::vector<std::string>& giveAway) {
  auto run = [&]() -> std::string {
    try {
      save();
      return {};
    } catch (const std::exception& e) {
      return e.what();
    }
  };
  if (geteuid() != 0) return run();
  for (const std::string& p : giveAway) EXPECT_EQ(chown(p.c_str(), 65534, 65534), 0) << p;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    std::string text = setgid(65534) == 0 && setuid(65534) == 0 ? run() : "could not become nobody";
    if (write(pipeEnds[1], text.data(), text.size()) < 0) _exit(2);
    _exit(0);
  }
  close(pipeEnds[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return text;
}

}  // namespace

TEST(SafeSave, FailedWriteLeavesTheOldFileIntact) {
  std::fill(Image().begin(), Image().end(), 0x5A);
  for (TImageFormat format : kFormats) {
    TTempDir dir;
    const std::string old = "the old image";
    const std::string file = dir.Write("image.out", old);
    std::string error;
    {
      TFileSizeLimit limit(4096);
      try {
        Save(file, format, 0x100000);
      } catch (const TError& e) {
        error = e.what();
      }
    }
    EXPECT_EQ(error, "Disk full: " + file);
    EXPECT_EQ(dir.Read("image.out"), old);
    EXPECT_EQ(FileCount(dir.Folder()), 1u) << "no temporary file left";
  }
}

TEST(SafeSave, AFileThatMayNotBeWrittenIsLeftAndNamed) {
  TTempDir dir;
  const std::string file = dir.Write("image.out", "old");
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(dir.Folder(),
                  fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
  for (TImageFormat format : kFormats)
    EXPECT_EQ(AsOrdinaryUser([&] { Save(file, format, 256); }, {dir.Folder(), file}), "File access denied: " + file);
  fs::permissions(dir.Folder(), fs::perms::owner_all);
  EXPECT_EQ(dir.Read("image.out"), "old");
}

TEST(SafeSave, MissingFolderIsNamed) {
  TTempDir dir;
  const std::string file = dir.File("no/such/image.out");
  for (TImageFormat format : kFormats) {
    try {
      Save(file, format, 16);
      ADD_FAILURE() << "no error";
    } catch (const TError& e) {
      EXPECT_EQ(std::string(e.what()), "Path not found: " + file);
    }
  }
}

// What each kind of target becomes after a save of four bytes.
TEST(SafeSave, EachKindOfTargetIsWrittenAndKeptWhatItIs) {
  std::memcpy(Image().data(), "\x01\x02\x03\x04", 4);
  const std::string data = "\x01\x02\x03\x04";
  struct TCase {
    const char* Name;
    // Makes the target in dir; returns the name to save to.
    std::function<std::string(TTempDir&)> Make;
    // Checks dir afterwards.
    std::function<void(TTempDir&, const std::string&)> Check;
    TSafeFileWriter::TMode Mode;
    bool RootOnly = false;
  };
  const TCase cases[] = {
      {"regular file: replaced, its permission bits kept",
       [](TTempDir& d) {
         const std::string f = d.Write("a.bin", std::string(100000, 'x'));
         fs::permissions(f, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
         return f;
       },
       [&](TTempDir& d, const std::string& f) {
         EXPECT_EQ(d.Read("a.bin"), data);
         EXPECT_EQ(fs::status(f).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
       },
       TSafeFileWriter::TMode::Replace},
      {"new name: created", [](TTempDir& d) { return d.File("new.bin"); },
       [&](TTempDir& d, const std::string&) { EXPECT_EQ(d.Read("new.bin"), data); }, TSafeFileWriter::TMode::Replace},
      {"symlink: its target written, the link kept",
       [](TTempDir& d) {
         d.Write("target.bin", "old");
         fs::create_symlink("target.bin", d.File("link.bin"));
         return d.File("link.bin");
       },
       [&](TTempDir& d, const std::string& f) {
         EXPECT_TRUE(fs::is_symlink(f));
         EXPECT_EQ(d.Read("target.bin"), data);
       },
       TSafeFileWriter::TMode::Replace},
      {"dangling symlink: its target created",
       [](TTempDir& d) {
         fs::create_symlink("made.bin", d.File("dangling.bin"));
         return d.File("dangling.bin");
       },
       [&](TTempDir& d, const std::string& f) {
         EXPECT_TRUE(fs::is_symlink(f));
         EXPECT_EQ(d.Read("made.bin"), data);
       },
       TSafeFileWriter::TMode::Replace},
      {"hard link: written in place, both names see it",
       [](TTempDir& d) {
         const std::string f = d.Write("one.bin", "old");
         fs::create_hard_link(f, d.File("two.bin"));
         return f;
       },
       [&](TTempDir& d, const std::string& f) {
         EXPECT_EQ(d.Read("two.bin"), data);
         EXPECT_EQ(Inode(f), Inode(d.File("two.bin")));
       },
       TSafeFileWriter::TMode::InPlace},
      {"FIFO: written directly, still a FIFO",
       [](TTempDir& d) {
         const std::string f = d.File("fifo");
         mkfifo(f.c_str(), 0600);
         return f;
       },
       [&](TTempDir&, const std::string& f) { EXPECT_TRUE(fs::is_fifo(f)); }, TSafeFileWriter::TMode::Direct},
      {"character device: written directly, still a device", [](TTempDir&) { return std::string("/dev/null"); },
       [&](TTempDir&, const std::string& f) { EXPECT_TRUE(fs::is_character_file(f)); }, TSafeFileWriter::TMode::Direct},
      {"a name as long as the folder takes", [](TTempDir& d) { return d.Write(std::string(251, 'n') + ".bin", "old"); },
       [&](TTempDir& d, const std::string& f) {
         EXPECT_EQ(TTempDir::ReadFile(f), data);
         EXPECT_EQ(FileCount(d.Folder()), 1u);
       },
       TSafeFileWriter::TMode::Replace},
      {"as root: the owner kept",
       [](TTempDir& d) {
         const std::string f = d.Write("owned.bin", "old");
         EXPECT_EQ(chown(f.c_str(), 65534, 65534), 0);
         return f;
       },
       [&](TTempDir&, const std::string& f) {
         struct stat st {};
         stat(f.c_str(), &st);
         EXPECT_EQ(st.st_uid, 65534u);
         EXPECT_EQ(st.st_gid, 65534u);
         EXPECT_EQ(TTempDir::ReadFile(f), data);
       },
       TSafeFileWriter::TMode::Replace, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.RootOnly && geteuid() != 0) continue;
    TTempDir dir;
    const std::string target = c.Make(dir);
    std::string read;
    std::thread reader;
    if (fs::is_fifo(target)) reader = std::thread([&] { read = TTempDir::ReadFile(target); });
    if (!reader.joinable()) {
      // Opening a FIFO waits for its reader, so only the other kinds are asked how they are written.
      TSafeFileWriter writer(target);
      EXPECT_FALSE(writer.Open());
      EXPECT_EQ(writer.Mode(), c.Mode);
    }
    WriteImage(target, TImageFormat::Bin, Image(), {0, 4, 0, ""});
    if (reader.joinable()) {
      reader.join();
      EXPECT_EQ(read, data);
    }
    c.Check(dir, target);
  }
}

// A folder that refuses new files: a file in it that may be written is rewritten in place.
TEST(SafeSave, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
  std::memcpy(Image().data(), "\x01\x02\x03\x04", 4);
  TTempDir dir;
  const std::string file = dir.Write("image.bin", "old content");
  const ino_t inode = Inode(file);
  fs::permissions(dir.Folder(),
                  fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
  EXPECT_EQ(AsOrdinaryUser(
                [&] {
                  WriteImage(file, TImageFormat::Bin, Image(), {0, 4, 0, ""});
                },
                {dir.Folder(), file}),
            "");
  fs::permissions(dir.Folder(), fs::perms::owner_all);
  EXPECT_EQ(dir.Read("image.bin"), "\x01\x02\x03\x04");
  EXPECT_EQ(Inode(file), inode);
}
