#include "common/safe_file_writer.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

TFileFailure Fail(TFileFailure::TStage stage, int error) { return {stage, error ? error : EIO}; }

bool MayWrite(const std::string& path) {
#ifdef _WIN32
  return _access(path.c_str(), 2) == 0;
#else
  return access(path.c_str(), W_OK) == 0;
#endif
}

int SyncToDisk(std::FILE* f) {
#ifdef _WIN32
  return _commit(_fileno(f)) == 0 ? 0 : errno;
#else
  // Special files (a device given as target) can't be synced; that is no failure.
  return fsync(fileno(f)) == 0 || errno == EINVAL || errno == EROFS || errno == ENOTSUP ? 0 : errno;
#endif
}

// The target with every symbolic link on its last component followed: a dangling link gives the
// name it points to. Links within the folders are left to the system.
std::string FollowLinks(const std::string& target) {
  fs::path path(target);
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(path, ec)); ++hops) {
    const fs::path to = fs::read_symlink(path, ec);
    if (ec) break;
    path = to.is_absolute() ? to : path.parent_path() / to;
  }
  return path.string();
}

// The longest file name the folder takes.
size_t NameLimit(const fs::path& folder) {
#ifdef _WIN32
  (void)folder;
  return 255;
#else
  const long limit = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<size_t>(limit) : 255;
#endif
}

// The temporary name beside target: "." + name + "." + number + ".tmp", the name shortened (at a
// character's start) where the whole would pass the folder's limit.
fs::path TemporaryName(const fs::path& target, unsigned number) {
  const std::string tail = "." + std::to_string(number) + ".tmp";
  std::string name = target.filename().string();
  const size_t limit = NameLimit(target.parent_path());
  if (1 + name.size() + tail.size() > limit) {
    size_t keep = limit > 1 + tail.size() ? limit - 1 - tail.size() : 0;
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    name.resize(keep);
  }
  fs::path temp = target;
  temp.replace_filename("." + name + tail);
  return temp;
}

}  // namespace

TSafeFileWriter::TSafeFileWriter(const std::string& target) : Target_(target), Resolved_(target) {}

TSafeFileWriter::~TSafeFileWriter() { Discard(); }

void TSafeFileWriter::Discard() {
  if (File_) std::fclose(File_);
  File_ = nullptr;
  if (!Temp_.empty()) std::remove(Temp_.c_str());
  Temp_.clear();
}

TFileFailure TSafeFileWriter::OpenTemporary() {
  std::random_device random;
  const fs::path target(Resolved_);
  for (int attempt = 0; attempt < 16; ++attempt) {
    const fs::path temp = TemporaryName(target, static_cast<unsigned>(random() % 1000000));
    errno = 0;
    File_ = std::fopen(temp.string().c_str(), "wbx");
    if (File_) {
      Temp_ = temp.string();
      return {};
    }
    if (errno != EEXIST) break;
  }
  return Fail(TFileFailure::Create, errno);
}

TFileFailure TSafeFileWriter::Open() {
  std::error_code ec;
  // The system follows every link here, /proc's too.
  const fs::file_status status = fs::status(Target_, ec);
  if (!fs::exists(status)) {
    // A new file, or the target that a dangling link names: created.
    Resolved_ = FollowLinks(Target_);
    Mode_ = TMode::Replace;
    return OpenTemporary();
  }
  if (fs::is_directory(status)) return Fail(TFileFailure::Create, EISDIR);
  if (!MayWrite(Target_)) return Fail(TFileFailure::Create, EACCES);
  if (!fs::is_regular_file(status)) {
    // Nothing is renamed over a FIFO, a device or a socket: the data go straight to it.
    Mode_ = TMode::Direct;
    errno = 0;
    File_ = std::fopen(Target_.c_str(), "wb");
    return File_ ? TFileFailure{} : Fail(TFileFailure::Create, errno);
  }
  // A link is followed, so that its target gets the data and the link stays.
  const fs::path real = fs::canonical(Target_, ec);
  Resolved_ = ec ? Target_ : real.string();
  // A file with other names keeps them: it is rewritten, not replaced.
  if (fs::hard_link_count(Resolved_, ec) > 1 && !ec) {
    Mode_ = TMode::InPlace;
    return {};
  }
  Mode_ = TMode::Replace;
  const TFileFailure failure = OpenTemporary();
  if (failure && (failure.Error == EACCES || failure.Error == EPERM || failure.Error == EROFS)) {
    // The folder refuses new files, the file itself may be written.
    Mode_ = TMode::InPlace;
    return {};
  }
  return failure;
}

TFileFailure TSafeFileWriter::Write(const void* data, size_t size) {
  if (Mode_ == TMode::InPlace) {
    Held_.append(static_cast<const char*>(data), size);
    return {};
  }
  if (!File_) return Fail(TFileFailure::Write, EBADF);
  errno = 0;
  if (std::fwrite(data, 1, size, File_) != size) return Fail(TFileFailure::Write, errno);
  return {};
}

TFileFailure TSafeFileWriter::Commit() {
  if (Mode_ == TMode::InPlace) {
    errno = 0;
    File_ = std::fopen(Resolved_.c_str(), "wb");
    if (!File_) return Fail(TFileFailure::Create, errno);
    errno = 0;
    if (std::fwrite(Held_.data(), 1, Held_.size(), File_) != Held_.size()) return Fail(TFileFailure::Write, errno);
  }
  if (!File_) return Fail(TFileFailure::Write, EBADF);
  errno = 0;
  if (std::fflush(File_) != 0) return Fail(TFileFailure::Write, errno);
  if (int e = SyncToDisk(File_)) return Fail(TFileFailure::Write, e);
  std::FILE* f = File_;
  File_ = nullptr;
  errno = 0;
  if (std::fclose(f) != 0) return Fail(TFileFailure::Write, errno);
  if (Mode_ != TMode::Replace) return {};

  std::error_code ec;
  const fs::file_status old = fs::status(Resolved_, ec);
  if (!ec && fs::exists(old)) {
    fs::permissions(Temp_, old.permissions(), ec);
#ifndef _WIN32
    // The owner stays too where we may give the file away (as root); elsewhere it can't change.
    struct stat st {};
    if (stat(Resolved_.c_str(), &st) == 0 && chown(Temp_.c_str(), st.st_uid, st.st_gid) != 0) {
    }
#endif
  }
  fs::rename(Temp_, Resolved_, ec);
  if (ec) return Fail(TFileFailure::Create, ec.value());
  Temp_.clear();
  return {};
}
