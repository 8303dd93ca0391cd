// The serial numbers of a batch: hands out numbers one chip at a time, takes back the numbers of
// chips that failed and keeps the state in a serial file, so a batch resumes after a restart and
// no number is given to two chips. Safe to use from several threads.
//
// The serial file is text: the next new number, then the numbers given back by failed chips, which
// are handed out first (decimal, separated by blanks; lines starting with '#' are comments). It is
// written, atomically, only when a chip's number has been used for good.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "production/serial_number.h"

class TSerialPool {
 public:
  // Starts at layout.Start, or where file (when not empty and present) says. TError when the file
  // cannot be read or does not hold numbers.
  TSerialPool(const TSerialSpec& layout, std::string file);

  // The number the next Take gives; false when none is left that fits in the field.
  bool Peek(uint64_t& value) const;
  // Takes the next number: the lowest given-back one, else the next new one. False when none
  // fits in the field.
  bool Take(uint64_t& value);
  // value's chip passed: the number is used for good, and the serial file is written. TError when
  // the file cannot be written.
  void Confirm(uint64_t value);
  // value's chip failed: the number goes back into the pool.
  void GiveBack(uint64_t value);

  // The state as the serial file holds it.
  uint64_t NextNew() const;
  std::vector<uint64_t> Spare() const;

  // Reads a serial file's text; false when it does not hold at least the next number.
  static bool ParseFile(const std::string& text, uint64_t& next, std::vector<uint64_t>& spare);
  static std::string FileText(uint64_t next, const std::vector<uint64_t>& spare);

 private:
  bool PeekLocked(uint64_t& value) const;
  void Store();

  TSerialSpec Layout_;
  std::string File_;
  mutable std::mutex Mutex_;
  uint64_t Next_ = 0;
  std::set<uint64_t> Spare_;  // given back, not yet handed out again
  std::set<uint64_t> Out_;    // handed out, neither confirmed nor given back
};
