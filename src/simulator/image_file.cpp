#include "simulator/image_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#define open _open
#define close _close
#define O_CLOEXEC 0
#endif

namespace {

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
#if defined(__unix__)
    const ssize_t n = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
#else
    _lseek(fd, static_cast<long>(done), SEEK_SET);
    const int n = _write(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
#endif
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

#if defined(__unix__)
// Builds the new image aside, locked and whole, then gives it its name: the file the other
// programs find is never a half-written one. EEXIST when another program named one first.
int CreateWhole(const std::string& path, std::span<const uint8_t> whole) {
  std::string aside = path + ".XXXXXX";
  const int fd = mkostemp(aside.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  fchmod(fd, 0644);
  const bool ok = flock(fd, LOCK_EX) == 0 && WriteAll(fd, whole);
  const bool named = ok && link(aside.c_str(), path.c_str()) == 0;
  const int error = errno;
  unlink(aside.c_str());
  if (named) return fd;
  close(fd);
  errno = ok ? error : EIO;
  return -1;
}
#endif

}  // namespace

THidLockResult TLockedImageFile::Open(const std::string& path, std::span<const uint8_t> whole, bool& created) {
  Close();
  created = false;
#if defined(__unix__)
  // Twice at most: a file another program created between our two looks is then there to open.
  for (int attempt = 0; attempt < 2; ++attempt) {
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    // A read-only image can still be read; writing it back fails and says so.
    if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        close(fd);
        return busy ? THidLockResult::Busy : THidLockResult::Failed;
      }
      Fd_ = fd;
      return THidLockResult::Locked;
    }
    if (errno != ENOENT) return THidLockResult::Failed;
    fd = CreateWhole(path, whole);
    if (fd >= 0) {
      Fd_ = fd;
      created = true;
      return THidLockResult::Locked;
    }
    if (errno != EEXIST) return THidLockResult::Failed;
  }
  return THidLockResult::Failed;
#else
  int fd = open(path.c_str(), _O_RDWR | _O_BINARY);
  if (fd < 0 && errno == ENOENT) {
    fd = open(path.c_str(), _O_RDWR | _O_BINARY | _O_CREAT | _O_EXCL, 0644);
    created = fd >= 0 && WriteAll(fd, whole);
  }
  if (fd < 0) return THidLockResult::Failed;
  Fd_ = fd;
  return THidLockResult::Locked;
#endif
}

size_t TLockedImageFile::ReadInto(std::span<uint8_t> chip) {
  size_t done = 0;
  while (done < chip.size()) {
#if defined(__unix__)
    const ssize_t n = pread(Fd_, chip.data() + done, chip.size() - done, static_cast<off_t>(done));
#else
    _lseek(Fd_, static_cast<long>(done), SEEK_SET);
    const int n = _read(Fd_, chip.data() + done, static_cast<unsigned>(chip.size() - done));
#endif
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SIZE_MAX;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  // Bytes past the end of a short file read as blank.
  std::fill(chip.begin() + static_cast<std::ptrdiff_t>(done), chip.end(), 0xFF);
  return done;
}

bool TLockedImageFile::Write(std::span<const uint8_t> bytes) { return Fd_ >= 0 && WriteAll(Fd_, bytes); }

void TLockedImageFile::Close() {
  if (Fd_ >= 0) close(Fd_);
  Fd_ = -1;
}
