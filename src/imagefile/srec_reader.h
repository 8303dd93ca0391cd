// The Motorola S-record reader: stores the bytes of S1/S2/S3 records in a 1 MiB buffer,
// checks every checksum and the S5/S6 record counts, and stops at S7/S8/S9.
#pragma once

#include <cstdint>
#include <string_view>

class TSRecordReader {
 public:
  enum class TStep { More, End };

  // Each byte goes to its address less offset. With no buffer the reader only checks the
  // records and notes the lowest address.
  explicit TSRecordReader(uint8_t* buffer, uint32_t offset = 0) : Buffer_(buffer), Offset_(offset) {}

  // One line without its line end; blank lines are skipped. Throws TImageError for a line
  // that is no S-record, a field that isn't hexadecimal, a wrong length, count or checksum,
  // and a byte outside the buffer.
  TStep Line(std::string_view line);

  int64_t LineNumber() const { return LineNumber_; }
  uint64_t LowestAddress() const { return Lowest_; }

 private:
  uint8_t* Buffer_;
  uint32_t Offset_;
  uint64_t Lowest_ = UINT64_MAX;
  int64_t LineNumber_ = 0;
  uint32_t DataRecords_ = 0;
};
