// The Intel HEX reader: splits text into lines and stores each record's bytes in an image sink.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class TImageSink;

// Cuts a stream of text, fed in pieces of any size, into lines. A line ends at LF, CR LF or
// CR (a run of CRs counts once); a Ctrl-Z where a line would begin ends the text. Only the
// first kKeptLineLength characters of a line are kept: no record field lies further out.
class THexLineSplitter {
 public:
  static constexpr size_t kKeptLineLength = 1024;

  // Calls onLine(std::string_view) for each complete line while it returns true.
  // Returns false once onLine returned false or the text ended at a Ctrl-Z.
  template <class OnLine>
  bool Feed(const char* data, size_t size, OnLine&& onLine);
  // The last line when the text does not end with a line end.
  template <class OnLine>
  bool Finish(OnLine&& onLine);

 private:
  std::string Pending_;  // a line cut by the end of the previous piece
  bool PendingLine_ = false;
  bool AfterCR_ = false;
  bool Ended_ = false;
};

// Reads records one line at a time into the sink. Blank lines are skipped and data records of
// no bytes too; the end-of-file record ends the file.
class THexRecordReader {
 public:
  explicit THexRecordReader(TImageSink& sink) : Sink_(sink) {}

  // One line without its line end; false once the end-of-file record was read. Throws TError
  // for a field that isn't hexadecimal, a wrong checksum, an unknown record type or a malformed
  // address record, and "not an Intel HEX file" for a line that is no record at all.
  bool Line(std::string_view line);

  // The number of the line read last, from 1.
  int64_t LineNumber() const { return LineNumber_; }
  // The end-of-file record was read.
  bool Ended() const { return Ended_; }
  // The name the "not an Intel HEX file" error gives the file.
  std::string Name;

 private:
  enum class TMode { Wrap16, Segment, Linear };

  TImageSink& Sink_;
  TMode Mode_ = TMode::Wrap16;
  uint32_t Base_ = 0;
  int64_t LineNumber_ = 0;
  bool Ended_ = false;
};

// Whether line is one well-formed Intel HEX record with a right checksum (blanks around it
// allowed).
bool IsHexRecord(std::string_view line);

// Blanks (spaces and tabs) off both ends.
inline std::string_view TrimImageLine(std::string_view line) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!line.empty() && blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && blank(line.back())) line.remove_suffix(1);
  return line;
}

template <class OnLine>
bool THexLineSplitter::Feed(const char* data, size_t size, OnLine&& onLine) {
  if (Ended_) return false;
  const char* p = data;
  const char* end = data + size;
  const char* lf = data;  // the next LF at or after p, or end; searched again only once passed
  while (p < end) {
    if (AfterCR_) {
      // The LF of a CR LF, or more CRs, end nothing more.
      if (*p == '\n' || *p == '\r') {
        if (*p == '\n') AfterCR_ = false;
        ++p;
        continue;
      }
      AfterCR_ = false;
    }
    if (!PendingLine_ && *p == '\x1A') {
      Ended_ = true;
      return false;
    }
    if (lf < p) lf = p;
    if (lf < end && *lf != '\n') {
      lf = static_cast<const char*>(std::memchr(lf, '\n', static_cast<size_t>(end - lf)));
      if (!lf) lf = end;
    }
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(lf - p)));
    const char* q = cr ? cr : lf;
    if (q == end) {
      size_t room = kKeptLineLength - std::min(Pending_.size(), kKeptLineLength);
      Pending_.append(p, std::min(static_cast<size_t>(q - p), room));
      PendingLine_ = true;
      return true;
    }
    bool more;
    if (PendingLine_) {
      size_t room = kKeptLineLength - std::min(Pending_.size(), kKeptLineLength);
      Pending_.append(p, std::min(static_cast<size_t>(q - p), room));
      more = onLine(std::string_view(Pending_));
      Pending_.clear();
      PendingLine_ = false;
    } else {
      more = onLine(std::string_view(p, std::min(static_cast<size_t>(q - p), kKeptLineLength)));
    }
    AfterCR_ = *q == '\r';
    p = q + 1;
    if (!more) {
      Ended_ = true;
      return false;
    }
  }
  return true;
}

template <class OnLine>
bool THexLineSplitter::Finish(OnLine&& onLine) {
  if (Ended_ || !PendingLine_) return !Ended_;
  PendingLine_ = false;
  Ended_ = true;
  return onLine(std::string_view(Pending_));
}
