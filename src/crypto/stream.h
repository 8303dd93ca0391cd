// Sequential byte streams with a size and a current position: a file and a memory implementation.
// The cipher's stream operations and the firmware update read and write through them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

class TStream {
 public:
  virtual ~TStream() = default;

  virtual int64_t Size() = 0;
  virtual int64_t Position() = 0;
  // Moves the position, counted from the beginning; a position past the end is allowed.
  virtual void Seek(int64_t position) = 0;
  // Reads up to count bytes at the position and returns how many were delivered (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes all count bytes at the position or fails with an error.
  virtual void Write(const void* buffer, size_t count) = 0;

  // Reads exactly count bytes or fails with "Stream read error".
  void ReadBuffer(void* buffer, size_t count);
};

class TFileStream : public TStream {
 public:
  enum class TMode {
    OpenRead,  // an existing file, read only
    Create,    // a new or emptied file, read and write
  };

  // Fails with "Cannot open file "<name>"." when the file can't be opened in that mode.
  TFileStream(const std::string& fileName, TMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Size() override;
  int64_t Position() override;
  void Seek(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;

  const std::string& FileName() const { return FileName_; }

 private:
  std::string FileName_;
  std::FILE* File_ = nullptr;
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  // A stream holding a copy of these bytes, positioned at 0.
  explicit TMemoryStream(std::vector<uint8_t> bytes) : Data_(std::move(bytes)) {}

  int64_t Size() override { return static_cast<int64_t>(Data_.size()); }
  int64_t Position() override { return Position_; }
  void Seek(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;
  // Writing past the end grows the stream; a gap before the position is filled with 0.
  void Write(const void* buffer, size_t count) override;

  const std::vector<uint8_t>& Bytes() const { return Data_; }
  const uint8_t* Memory() const { return Data_.data(); }

 private:
  std::vector<uint8_t> Data_;
  int64_t Position_ = 0;
};
