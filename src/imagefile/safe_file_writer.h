// Writes a file under a temporary name in the target's folder and renames it over the target
// only when every byte is on disk, so a failed save never destroys the existing file.
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
  TFileFailure Write(const void* data, size_t size);
  // Flushes and syncs the temporary file, gives it the target's permissions and renames it
  // over the target.
  TFileFailure Commit();

 private:
  void Discard();

  std::string Target_;
  std::string Temp_;
  std::FILE* File_ = nullptr;
};
