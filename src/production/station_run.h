// One chip on each of several programmers at once: every programmer ("station") in its own thread
// with its own report buffer and image, serial numbers taken in station order, a log line and the
// serial file's update the moment a station's chip is done.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/chip.h"
#include "production/chip_job.h"
#include "production/serial_pool.h"

using TJobRun = TJobOutcome (*)(TProgrammer&, const TChip&, std::span<const uint8_t>, TUserInterface&,
                                std::span<const TAddressRange> ignored, const TCheckOptions& checks,
                                const TBeforeWrite& beforeWrite);

// What every station does with which chip, image, serial numbers and log.
struct TStationJob {
  const char* Operation = "";  // its name in the log
  TJobRun Run = nullptr;
  bool TakesImage = false;
  TChip Chip;
  std::string ImageFile;
  uint64_t ImageSize = 0;
  std::string Checksum;
  std::string ImageWarning;    // the image was cut to the chip (--cut): why
  std::string Sha256;          // of Image
  std::vector<uint8_t> Image;  // as loaded, before any serial number
  std::optional<TSerialSpec> Serial;
  std::unique_ptr<TSerialPool> Pool;   // with Serial
  std::string Log;                     // empty: no log
  std::vector<TAddressRange> Ignored;  // left out of every comparison (a serial number field, --ignore)
  TCheckOptions Checks;                // how reads are checked; a backup is tagged with the station
  // Polled between two exchanges on every station: true ends each station's operation after its
  // current exchange (the chip closed, the log line written, the serial number given back).
  std::function<bool()> StopRequested;
};

// One programmer of the run.
struct TStation {
  std::unique_ptr<TProgrammer> Own;   // when the run claimed the programmer itself
  TProgrammer* Programmer = nullptr;  // claimed, its transfers prepared
  std::string Node, Serial;           // device node and USB serial number string
  std::string BusPath;                // the USB port: where the station's programmer is found again
  // The last chip's:
  std::vector<uint8_t> Image;
  std::optional<uint64_t> SerialNumber;
  // What became of SerialNumber: "used" (the chip passed), "spent" (some byte of it reached a chip
  // that did not pass) or "given-back" (none did); empty without a number.
  std::string NumberFate;
  TJobOutcome Outcome;
  int64_t DurationMs = 0;
  std::string Failure;  // an error that ended the operation or its bookkeeping
  // Told each position of the progress (0 to 100) from the station's thread.
  std::function<void(int)> OnProgress;
  // The serial file or the log could not be written (Failure says why): the batch must stop, as
  // what was done can no longer be recorded.
  bool RecordFailed = false;
  bool SerialFileFailed = false;  // of those, the serial file
};

// Takes the station's newly claimed programmer's names and opens it for the threads' transfers.
void StationClaimed(TStation& station);

// Between two chips: a station whose programmer was unplugged takes it again from connected once
// it is back on the same USB port (where ports are unknown: with the same serial number string,
// else the same node). A station that finds none stays without a programmer.
void FindUnpluggedAgain(THidDeviceController& controller, const std::vector<THidDevice*>& connected,
                        std::vector<TStation>& stations);

// Gives every station its copy of the image and, with serial numbers, its own number stamped in.
// False, with every number taken given back, when the pool runs out; TError, likewise, when the
// serial file cannot be locked, read or written.
bool TakeSerialNumbers(TStationJob& job, std::vector<TStation>& stations);

// Runs the job on one station: the serial number marked as being written just before the chip's
// write, the operation, the log line, then the number settled in the serial file: used (the chip
// passed), spent (some byte of its field reached a chip that did not pass) or given back.
void RunStation(const TStationJob& job, TStation& station);

// Runs the job on every station, each in its own thread when there are several; returns when all
// have ended. Device changes are held back meanwhile.
void RunStations(const TStationJob& job, std::vector<TStation>& stations);
