// The serial numbers of a batch: hands out numbers one chip at a time, takes back the numbers of
// chips that failed and keeps the state in a serial file, so a batch resumes after a restart and
// no number is given to two chips. Safe to use from several threads, and from several processes
// (stations, also on other machines) that share one serial file.
//
// The serial file is text: the next new number, then the numbers given back by failed chips, which
// are handed out first (decimal, separated by blanks; lines starting with '#' are comments), then
// one "pending NUMBER PID HOST" line per number that a station has taken and whose chip is not
// written yet, one "writing NUMBER PID HOST" line per number that may be on a chip whose result is
// not known yet (recorded before the chip's write: write-ahead), and one "unknown NUMBER" line per
// number that was written by a station that ended before its result was recorded. Every step
// reads the file, changes it and writes it back (atomically) under an exclusive lock on FILE.lock,
// held for that step only, never for a chip.
// A pending number whose process has died on this host (killed outright) is handed out again; a
// writing one becomes unknown (it may be on a chip) and is never handed out again. Leases of a
// process on another host stay until that station settles them.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "production/serial_number.h"

// A number that a station has taken and not yet confirmed or given back.
struct TSerialLease {
  uint64_t Number = 0;
  int64_t Pid = 0;
  std::string Host;
  bool Writing = false;  // its chip's write has begun: the number may be on the chip
  bool operator==(const TSerialLease&) const = default;
};

// What a serial file holds.
struct TSerialFileState {
  uint64_t Next = 0;
  std::vector<uint64_t> Spare;
  std::vector<TSerialLease> Pending;
  std::vector<uint64_t> Unknown;  // written by a station that ended before recording the result
};

class TSerialPool {
 public:
  // Starts at layout.Start, or where file (when not empty and present) says. TError when the file
  // cannot be read or does not hold numbers.
  TSerialPool(const TSerialSpec& layout, std::string file);

  // TError naming the file when the serial file (or its lock file) could not be written; nothing
  // in the file changes.
  void CheckWritable() const;

  // The number the next Take gives, as far as this pool knows; false when none is left that fits
  // in the field.
  bool Peek(uint64_t& value) const;
  // Takes the next number: the lowest given-back one, else the next new one. False when none
  // fits in the field. With a file: TError when it cannot be locked, read or written (no number
  // is taken then).
  bool Take(uint64_t& value);
  // value's chip is about to be written: from now on the number may be on the chip, so a station
  // that ends without settling it leaves it unknown, never free. TError when the file cannot be
  // written (the number then stays pending: nothing may be written to the chip).
  void MarkWriting(uint64_t value);
  // value's chip passed: the number is used for good. TError when the file cannot be written (the
  // number then stays "writing" in it, so it is never handed out again).
  void Confirm(uint64_t value);
  // value's chip failed after some byte of the number reached it: the number is used up, as
  // Confirm. TError likewise.
  void Spend(uint64_t value);
  // value's chip failed before any byte of the number reached it: the number goes back into the
  // pool. TError when the file cannot be written (the number then stays pending or writing in
  // it: a gap, never a duplicate).
  void GiveBack(uint64_t value);

  // The numbers that steps of this pool found left "writing" by a station that has ended (they
  // became unknown), since the last call.
  std::vector<uint64_t> TakeFoundUnknown();

  const std::string& File() const { return File_; }

  // The state as the serial file held it after this pool's last step.
  uint64_t NextNew() const;
  std::vector<uint64_t> Spare() const;

  // Reads a serial file's text; false when it does not hold at least the next number.
  static bool ParseFile(const std::string& text, TSerialFileState& state);
  static bool ParseFile(const std::string& text, uint64_t& next, std::vector<uint64_t>& spare);
  static std::string FileText(const TSerialFileState& state);
  static std::string FileText(uint64_t next, const std::vector<uint64_t>& spare);

  // How long a step waits for another station's lock before it gives up with TError.
  int LockTimeoutMs = 10000;

 private:
  bool PeekLocked(uint64_t& value) const;
  // Runs change on the file's state between reading and writing it, under the file's lock.
  template <class Change>
  void UpdateFile(Change&& change);
  void Load(const std::string& text);
  // Ends value's lease of this process; with giveBack the number is free again.
  void Settle(uint64_t value, bool giveBack);

  TSerialSpec Layout_;
  std::string File_;
  mutable std::mutex Mutex_;
  uint64_t Next_ = 0;
  std::set<uint64_t> Spare_;            // given back, not yet handed out again
  std::set<uint64_t> Out_;              // handed out by this pool, neither confirmed nor given back
  std::vector<TSerialLease> Pending_;   // every station's pending numbers, as the file held them
  std::set<uint64_t> Unknown_;          // written, result unknown: never handed out again
  std::vector<uint64_t> FoundUnknown_;  // became unknown in this pool's steps, not yet reported
  bool Written_ = false;                // this pool has written the file
};
