// Helpers of the fuzz targets: a scratch folder per fuzzing process for the readers that take
// a file name, and a cursor that takes typed values off the fuzzer's input.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace fuzz {

// The process's scratch folder, created at first use and removed at exit. It is in memory
// (/dev/shm) where there is one: the safe saves sync and rename their files, which on a disk
// cost milliseconds per input, far more than the code under test.
inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "tesmaro-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    static std::string removeAtExit;
    removeAtExit = pattern;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(removeAtExit, ec);
    });
    return pattern;
  }();
  return folder;
}

// Writes bytes to the named file of the scratch folder and returns its full name.
inline std::string WriteScratchFile(const std::string& name, const void* data, size_t size) {
  std::string path = ScratchFolder() + "/" + name;
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!f) std::abort();
  return path;
}

// Takes values off the front of the input; past its end every value is 0 and every text empty.
class TInput {
 public:
  TInput(const uint8_t* data, size_t size) : P_(data), End_(data + size) {}

  uint8_t Byte() { return P_ < End_ ? *P_++ : 0; }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t Long() { return Word() | static_cast<uint32_t>(Word()) << 16; }
  // The text up to the next LF (which is consumed), at most max bytes.
  std::string_view Line(size_t max = 256) {
    const uint8_t* lf = static_cast<const uint8_t*>(std::memchr(P_, '\n', static_cast<size_t>(End_ - P_)));
    const uint8_t* end = lf ? lf : End_;
    if (static_cast<size_t>(end - P_) > max) end = P_ + max;
    std::string_view s(reinterpret_cast<const char*>(P_), static_cast<size_t>(end - P_));
    P_ = end < End_ && *end == '\n' ? end + 1 : end;
    return s;
  }
  // Everything not taken yet.
  std::string_view Rest() const { return {reinterpret_cast<const char*>(P_), static_cast<size_t>(End_ - P_)}; }
  size_t Left() const { return static_cast<size_t>(End_ - P_); }

 private:
  const uint8_t* P_;
  const uint8_t* End_;
};

}  // namespace fuzz

// Checks a property of the code under test; a violation is a finding like a crash.
#define FUZZ_CHECK(condition)                                                                 \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "%s:%d: property violated: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                           \
    }                                                                                         \
  } while (0)
