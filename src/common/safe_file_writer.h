// Writes a file under a temporary name in the target's folder and renames it over the target
// only when every byte is on disk, so a failed save never destroys the existing file.
// Used by the image files and the settings file.
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
  explicit TSafeFileWriter(const std::string& target);
  ~TSafeFileWriter();  // an uncommitted temporary file is removed
  TSafeFileWriter(const TSafeFileWriter&) = delete;
  TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

  // Creates the temporary file. An existing target that may not be written fails here too,
  // as a direct write into it would.
  TFileFailure Open();
  // Where the folder refuses the temporary file but the existing target may be written, Open
  // writes the target in place instead (no protection against a partial write then).
  bool DirectWriteFallback = false;
  TFileFailure Write(const void* data, size_t size);
  // Flushes and syncs the temporary file, gives it the target's permissions and renames it
  // over the target.
  TFileFailure Commit();

 private:
  void Discard();

  std::string Target_;
  std::string Temp_;
  bool Direct_ = false;  // writing the target itself
  std::FILE* File_ = nullptr;
};
