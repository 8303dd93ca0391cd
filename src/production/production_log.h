// The production log: one JSON object per line for each operation on each programmer, appended so
// that lines of several writers never mix and an existing log is never rewritten.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TLogRecord {
  std::chrono::system_clock::time_point Time;  // when the operation started
  std::string Operation;                       // "write", "verify", ...
  std::string Chip;
  std::string ProgrammerNode;
  std::string ProgrammerSerial;
  std::string ImageFile;                    // empty: the operation takes no image
  uint64_t ImageSize = 0;                   // bytes of the image file
  std::string ImageChecksum;                // as the status bar shows it: four hex digits
  std::string ImageWarning;                 // the image was cut to the chip (--cut): why
  std::string ImageSha256;                  // of the chip's bytes of the image, before any serial number
  std::optional<uint64_t> Serial;           // the serial number written
  std::string Result;                       // JobResultName: "ok", "different", "no-answer", ...
  std::string NumberFate;                   // with Serial: "used", "spent" or "given-back"
  std::optional<uint64_t> FirstDifference;  // the first differing address
  // The first and last address a write may have changed ("written": [first, last]); none when
  // the operation wrote nothing.
  std::optional<std::pair<uint64_t, uint64_t>> Written;
  std::vector<std::string> Warnings;  // what the checks of the reads found
  int64_t DurationMs = 0;
};

// text as a JSON string with its quotes; control characters escaped, bytes that are not UTF-8
// replaced by U+FFFD.
std::string JsonString(const std::string& text);

// ISO 8601 local time with milliseconds and the zone's offset: "2026-12-10T14:03:07.125+02:00".
std::string IsoTime(std::chrono::system_clock::time_point time);

// The record as one line of JSON, ending with a newline.
std::string LogLine(const TLogRecord& record);

// Opens file for appending (created when missing) and closes it again: TError naming the file
// when that fails. True when the file does not end with a newline (its last line was cut short).
bool CheckLogWritable(const std::string& file);

// Appends line to file (created when missing) with one write in append mode, whole or not at all:
// a write that fails part of the way is cut off again. A file that does not end with a newline
// gets one before the line, so the line stays whole; true then. TError when the file cannot be
// opened or the line cannot be written whole.
bool AppendLogLine(const std::string& file, const std::string& line);
