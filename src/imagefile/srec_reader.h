// The Motorola S-record reader: stores the bytes of S1/S2/S3 records in an image sink, checks
// every checksum and the S5/S6 record counts, and stops at S7/S8/S9.
#pragma once

#include <cstdint>
#include <string_view>

class TImageSink;

class TSRecordReader {
 public:
  explicit TSRecordReader(TImageSink& sink) : Sink_(sink) {}

  // One line without its line end; blank lines are skipped. False once an end record was read.
  // Throws TImageError for a line that is no S-record, a field that isn't hexadecimal, a wrong
  // length, count or checksum.
  bool Line(std::string_view line);

  int64_t LineNumber() const { return LineNumber_; }
  // An end record was read, or a record count that covers every data record read (some tools
  // end their files with the count alone).
  bool Complete() const { return Ended_ || Counted_; }
  // Only data records were read: no header, count or end record (as some tools write files).
  bool DataOnly() const { return DataRecords_ > 0 && !Framed_; }

 private:
  TImageSink& Sink_;
  int64_t LineNumber_ = 0;
  uint32_t DataRecords_ = 0;
  bool Ended_ = false;
  bool Counted_ = false;
  bool Framed_ = false;  // a header or count record was read
};

// Whether line is one well-formed S-record with a right checksum (blanks around it allowed).
bool IsSRecord(std::string_view line);
