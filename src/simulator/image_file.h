// The simulated chip's image file as one program holds it for an operation: opened and locked
// without waiting, read whole at the start, written back before the lock goes. A missing image is
// created whole and locked before it takes its name, so no other program ever sees it empty.
// The lock is an exclusive advisory lock (flock) that every program of this system takes on the
// image it simulates; where the platform has none, the file is used unlocked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "hid/hid_platform.h"

class TLockedImageFile {
 public:
  TLockedImageFile() = default;
  ~TLockedImageFile() { Close(); }
  TLockedImageFile(const TLockedImageFile&) = delete;
  TLockedImageFile& operator=(const TLockedImageFile&) = delete;

  // Opens and locks path. A missing file is created with all of whole's bytes first; created
  // then says so. Busy while another program holds the file; Failed when it can be neither
  // opened nor created.
  THidLockResult Open(const std::string& path, std::span<const uint8_t> whole, bool& created);
  bool IsOpen() const { return Fd_ >= 0; }
  // Reads the file from its start into chip, 0xFF past the file's end; the bytes the file holds
  // (at most chip's size), or SIZE_MAX when it cannot be read.
  size_t ReadInto(std::span<uint8_t> chip);
  // Writes bytes at the file's start, keeping whatever follows them; false when that fails.
  bool Write(std::span<const uint8_t> bytes);
  // Releases the lock.
  void Close();

 private:
  int Fd_ = -1;
};
