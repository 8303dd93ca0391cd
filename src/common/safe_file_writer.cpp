#include "common/safe_file_writer.h"

#include <cerrno>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
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
  return fsync(fileno(f)) == 0 || errno == EINVAL ? 0 : errno;
#endif
}

}  // namespace

TSafeFileWriter::TSafeFileWriter(const std::string& target) : Target_(target) {}

TSafeFileWriter::~TSafeFileWriter() { Discard(); }

void TSafeFileWriter::Discard() {
  if (File_) std::fclose(File_);
  File_ = nullptr;
  if (!Temp_.empty()) std::remove(Temp_.c_str());
  Temp_.clear();
}

TFileFailure TSafeFileWriter::Open() {
  std::error_code ec;
  // A link is followed so that the file it points to is replaced, not the link.
  if (fs::is_symlink(Target_, ec)) {
    fs::path resolved = fs::weakly_canonical(Target_, ec);
    if (!ec) Target_ = resolved.string();
  }
  fs::file_status status = fs::status(Target_, ec);
  if (fs::exists(status)) {
    if (fs::is_directory(status)) return Fail(TFileFailure::Create, EISDIR);
    if (!MayWrite(Target_)) return Fail(TFileFailure::Create, EACCES);
  }
  fs::path target(Target_);
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    fs::path temp = target;
    temp.replace_filename("." + target.filename().string() + "." + std::to_string(random() % 1000000) + ".tmp");
    errno = 0;
    File_ = std::fopen(temp.string().c_str(), "wbx");
    if (File_) {
      Temp_ = temp.string();
      return {};
    }
    if (errno != EEXIST) break;
  }
  const int error = errno;
  if (DirectWriteFallback && (error == EACCES || error == EPERM) && fs::exists(status)) {
    errno = 0;
    File_ = std::fopen(Target_.c_str(), "wb");
    if (File_) {
      Direct_ = true;
      return {};
    }
    return Fail(TFileFailure::Create, errno);
  }
  return Fail(TFileFailure::Create, error);
}

TFileFailure TSafeFileWriter::Write(const void* data, size_t size) {
  if (!File_) return Fail(TFileFailure::Write, EBADF);
  errno = 0;
  if (std::fwrite(data, 1, size, File_) != size) return Fail(TFileFailure::Write, errno);
  return {};
}

TFileFailure TSafeFileWriter::Commit() {
  if (!File_) return Fail(TFileFailure::Write, EBADF);
  errno = 0;
  if (std::fflush(File_) != 0) return Fail(TFileFailure::Write, errno);
  if (int e = SyncToDisk(File_)) return Fail(TFileFailure::Write, e);
  std::FILE* f = File_;
  File_ = nullptr;
  errno = 0;
  if (std::fclose(f) != 0) return Fail(TFileFailure::Write, errno);
  if (Direct_) return {};

  std::error_code ec;
  fs::file_status old = fs::status(Target_, ec);
  if (!ec && fs::exists(old)) fs::permissions(Temp_, old.permissions(), ec);
  fs::rename(Temp_, Target_, ec);
  if (ec) return Fail(TFileFailure::Create, ec.value());
  Temp_.clear();
  return {};
}
