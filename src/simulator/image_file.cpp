#include "simulator/image_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

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

// Moves count bytes between the file's start and memory, one call of transfer(offset, bytes)
// after the other; the bytes moved, up to the end of the file, or SIZE_MAX after an error.
template <typename TTransfer>
size_t MoveAll(size_t count, TTransfer transfer) {
  size_t done = 0;
  while (done < count) {
    const auto n = transfer(done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SIZE_MAX;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

#if defined(__unix__)
auto WriteAt(int fd, const uint8_t* data) {
  return [=](size_t at, size_t n) { return pwrite(fd, data + at, n, static_cast<off_t>(at)); };
}
auto ReadAt(int fd, uint8_t* data) {
  return [=](size_t at, size_t n) { return pread(fd, data + at, n, static_cast<off_t>(at)); };
}
#else
auto WriteAt(int fd, const uint8_t* data) {
  return [=](size_t at, size_t n) {
    _lseek(fd, static_cast<long>(at), SEEK_SET);
    return _write(fd, data + at, static_cast<unsigned>(n));
  };
}
auto ReadAt(int fd, uint8_t* data) {
  return [=](size_t at, size_t n) {
    _lseek(fd, static_cast<long>(at), SEEK_SET);
    return _read(fd, data + at, static_cast<unsigned>(n));
  };
}
#endif

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  return MoveAll(bytes.size(), WriteAt(fd, bytes.data())) == bytes.size();
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
  const size_t done = MoveAll(chip.size(), ReadAt(Fd_, chip.data()));
  // Bytes past the end of a short file read as blank.
  if (done != SIZE_MAX) std::fill(chip.begin() + static_cast<std::ptrdiff_t>(done), chip.end(), 0xFF);
  return done;
}

bool TLockedImageFile::Write(std::span<const uint8_t> bytes) { return Fd_ >= 0 && WriteAll(Fd_, bytes); }

void TLockedImageFile::Close() {
  if (Fd_ >= 0) close(Fd_);
  Fd_ = -1;
}
