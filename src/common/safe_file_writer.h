// Writes a file so that a failed write never destroys what was there. A regular file (or a new
// name) is written under a temporary name in its folder and renamed over the target only when
// every byte is on disk, keeping the old file's permissions (and owner, as root). What is not a
// plain file of ours is never replaced: a FIFO, device or socket is written directly, a symbolic
// link is followed to its target (a dangling one creates it), and a file with other hard links
// or in a folder we may not write is rewritten in place once all its data are ready in memory.
// Used by the image files, the settings and language files and the serial-number file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct TFileFailure {
  enum TStage { None, Create, Write };
  TStage Stage = None;
  int Error = 0;  // errno of the failing call
  explicit operator bool() const { return Stage != None; }
};

class TSafeFileWriter {
 public:
  // How the target is written, decided by Open.
  enum class TMode {
    Replace,  // temporary file renamed over the target (or to the new name)
    Direct,   // a FIFO, device or socket: written as the data come
    InPlace,  // an existing file truncated and written at Commit, from memory
  };

  explicit TSafeFileWriter(const std::string& target);
  ~TSafeFileWriter();  // an uncommitted temporary file is removed
  TSafeFileWriter(const TSafeFileWriter&) = delete;
  TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

  // Finds what the target is and prepares the write. A target that may not be written, or a
  // folder, fails here.
  TFileFailure Open();
  TFileFailure Write(const void* data, size_t size);
  // Flushes and syncs, then renames the temporary file over the target (Replace) or writes the
  // target from memory (InPlace).
  TFileFailure Commit();

  TMode Mode() const { return Mode_; }
  // The file written: the target with its links followed.
  const std::string& Resolved() const { return Resolved_; }

 private:
  void Discard();
  TFileFailure OpenTemporary();

  std::string Target_;
  std::string Resolved_;
  std::string Temp_;
  std::string Held_;  // InPlace: the data until Commit
  TMode Mode_ = TMode::Replace;
  std::FILE* File_ = nullptr;
};
