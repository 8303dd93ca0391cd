#include "crypto/stream.h"

#include <algorithm>
#include <cstring>

#include "common/error.h"

namespace {

int SeekFile(std::FILE* f, int64_t offset, int origin) {
#ifdef _WIN32
  return _fseeki64(f, offset, origin);
#else
  return fseeko(f, static_cast<off_t>(offset), origin);
#endif
}

int64_t TellFile(std::FILE* f) {
#ifdef _WIN32
  return _ftelli64(f);
#else
  return static_cast<int64_t>(ftello(f));
#endif
}

}  // namespace

void TStream::ReadBuffer(void* buffer, size_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    size_t n = Read(p, count);
    if (n == 0) throw TError(TMessageKey{"StreamReadError"});
    p += n;
    count -= n;
  }
}

TFileStream::TFileStream(const std::string& fileName, TMode mode) : FileName_(fileName) {
  File_ = std::fopen(fileName.c_str(), mode == TMode::OpenRead ? "rb" : "w+b");
  if (!File_) throw TError(TMessageKey{"CannotOpenStream"}, {fileName});
}

TFileStream::~TFileStream() {
  if (File_) std::fclose(File_);
}

int64_t TFileStream::Size() {
  int64_t here = TellFile(File_);
  if (here < 0 || SeekFile(File_, 0, SEEK_END) != 0) throw TError(TMessageKey{"StreamReadError"});
  int64_t size = TellFile(File_);
  if (size < 0 || SeekFile(File_, here, SEEK_SET) != 0) throw TError(TMessageKey{"StreamReadError"});
  return size;
}

int64_t TFileStream::Position() {
  int64_t here = TellFile(File_);
  if (here < 0) throw TError(TMessageKey{"StreamReadError"});
  return here;
}

void TFileStream::Seek(int64_t position) {
  if (position < 0 || SeekFile(File_, position, SEEK_SET) != 0) throw TError(TMessageKey{"StreamSeekError"});
}

size_t TFileStream::Read(void* buffer, size_t count) {
  size_t n = std::fread(buffer, 1, count, File_);
  if (n < count && std::ferror(File_)) throw TError(TMessageKey{"StreamReadError"});
  return n;
}

void TFileStream::Write(const void* buffer, size_t count) {
  // A write may follow a read only after a positioning call on the same C stream.
  if (SeekFile(File_, 0, SEEK_CUR) != 0) throw TError(TMessageKey{"StreamWriteError"});
  if (std::fwrite(buffer, 1, count, File_) != count || std::fflush(File_) != 0)
    throw TError(TMessageKey{"StreamWriteError"});
}

void TMemoryStream::Seek(int64_t position) {
  if (position < 0) throw TError(TMessageKey{"StreamSeekError"});
  Position_ = position;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  int64_t size = Size();
  if (Position_ >= size) return 0;
  size_t n = std::min(count, static_cast<size_t>(size - Position_));
  if (n > 0) std::memcpy(buffer, Data_.data() + Position_, n);
  Position_ += static_cast<int64_t>(n);
  return n;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  size_t at = static_cast<size_t>(Position_), end = at + count;
  if (at == Data_.size()) {
    Data_.insert(Data_.end(), bytes, bytes + count);  // appending: no zero-fill first
  } else {
    if (end > Data_.size()) Data_.resize(end);
    std::memcpy(Data_.data() + at, bytes, count);
  }
  Position_ = static_cast<int64_t>(end);
}
