#include "production/station_run.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/scripted_user_interface.h"
#include "production/production_log.h"

namespace {

// Messages are left to the result line; progress goes to the station's listener; the operation
// stops with the run.
class TStationUserInterface : public TScriptedUserInterface {
 public:
  TStationUserInterface(const std::function<void(int)>& onProgress, const std::function<bool()>& stop)
      : OnProgress_(onProgress), Stop_(stop) {}
  void SetProgress(int position) override {
    if (OnProgress_) OnProgress_(position);
  }
  bool StopRequested() override { return Stop_ && Stop_(); }

 private:
  const std::function<void(int)>& OnProgress_;
  const std::function<bool()>& Stop_;
};

}  // namespace

void StationClaimed(TStation& s) {
  THidDevice& d = *s.Programmer->HeldDevice;
  s.Node = d.DevicePath();
  s.Serial = d.SerialNumber();
  s.BusPath = d.BusPath();
  // Opened here, so that the threads' transfers never reach the controller's device list.
  d.PrepareTransfers();
}

void FindUnpluggedAgain(THidDeviceController& controller, const std::vector<THidDevice*>& connected,
                        std::vector<TStation>& stations) {
  // Releasing an unplugged device frees it: connected may still name it, so it is skipped unread.
  std::vector<const THidDevice*> released;
  for (auto& s : stations) {
    if (s.Programmer->HeldDevice && s.Programmer->HeldDevice->PluggedIn()) continue;
    released.push_back(s.Programmer->HeldDevice);
    controller.Release(s.Programmer->HeldDevice);
    for (THidDevice* d : connected) {
      if (std::find(released.begin(), released.end(), d) != released.end()) continue;
      if (d->Claimed() || !d->PluggedIn()) continue;
      const bool same = !s.BusPath.empty()  ? d->BusPath() == s.BusPath
                        : !s.Serial.empty() ? d->SerialNumber() == s.Serial
                                            : d->DevicePath() == s.Node;
      if (same && controller.Claim(s.Programmer->HeldDevice, *d)) {
        StationClaimed(s);
        break;
      }
    }
  }
}

bool TakeSerialNumbers(TStationJob& job, std::vector<TStation>& stations) {
  for (auto& s : stations) {
    s.Image = job.Image;
    s.SerialNumber.reset();
  }
  if (!job.Serial) return true;
  auto giveBackAll = [&] {
    for (auto& t : stations) {
      if (t.SerialNumber) try {
          job.Pool->GiveBack(*t.SerialNumber);
        } catch (const std::exception&) {
          // Stays pending in the serial file: a gap, never a number given twice.
        }
      t.SerialNumber.reset();
    }
  };
  try {
    for (auto& s : stations) {
      uint64_t n = 0;
      if (!job.Pool->Take(n)) {
        giveBackAll();
        return false;
      }
      StampSerial(*job.Serial, n, s.Image);
      s.SerialNumber = n;
    }
  } catch (...) {
    giveBackAll();
    throw;
  }
  return true;
}

namespace {

// Whether some byte of the serial number's field may have reached the chip.
bool FieldWritten(const TSerialSpec& layout, const TWrittenRange& written) {
  if (written.Empty) return false;
  const uint64_t first = layout.Address, last = uint64_t{layout.Address} + layout.Width - 1;
  return written.First <= last && first <= written.Last;
}

}  // namespace

void RunStation(const TStationJob& job, TStation& s) {
  const auto started = std::chrono::system_clock::now();
  const auto clock = std::chrono::steady_clock::now();
  s.Failure.clear();
  s.RecordFailed = false;
  s.SerialFileFailed = false;
  s.NumberFate.clear();
  // Each thread its own: the result line tells the outcome.
  TStationUserInterface quiet(s.OnProgress, job.StopRequested);
  TCheckOptions checks = job.Checks;
  checks.BackupTag = !s.Serial.empty() ? s.Serial : s.Node;
  checks.KeptIn = nullptr;
  // Write-ahead: the serial file says the number may be on the chip before any byte of it is.
  bool marked = false, markFailed = false;
  const TBeforeWrite beforeWrite = [&] {
    if (!s.SerialNumber) return;
    try {
      job.Pool->MarkWriting(*s.SerialNumber);
    } catch (...) {
      markFailed = true;
      throw;
    }
    marked = true;
  };
  bool escaped = false;
  try {
    s.Outcome = job.Run(*s.Programmer, job.Chip, s.Image, quiet, job.Ignored, checks, beforeWrite);
  } catch (const std::exception& e) {
    s.Failure = e.what();
    s.Outcome = TJobOutcome{TJobResult::NoAnswer};
    escaped = true;
  }
  // The checks' notices are the chip's warnings; reads that disagreed were shown as an error.
  s.Outcome.Warnings = quiet.Texts(TScriptedUserInterface::TKind::Notice);
  if (s.Outcome.Result == TJobResult::Unreliable)
    for (const auto& t : quiet.Texts(TScriptedUserInterface::TKind::Error)) s.Outcome.Warnings.push_back(t);
  s.DurationMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - clock).count();
  if (markFailed) {
    s.RecordFailed = s.SerialFileFailed = true;
    s.Failure += "; nothing was written to the chip";
  }
  // A number is given back only when no byte of its field reached the chip; a write that ended in
  // an exception after the mark may have written anything.
  if (s.SerialNumber)
    s.NumberFate = s.Outcome.Result == TJobResult::Ok                                    ? "used"
                   : (escaped && marked) || FieldWritten(*job.Serial, s.Outcome.Written) ? "spent"
                                                                                         : "given-back";
  bool logged = true;
  if (!job.Log.empty()) {
    TLogRecord r;
    r.Time = started;
    r.Operation = job.Operation;
    r.Chip = job.Chip.Name;
    r.ProgrammerNode = s.Node;
    r.ProgrammerSerial = s.Serial;
    if (job.TakesImage) {
      r.ImageFile = job.ImageFile;
      r.ImageSize = job.ImageSize;
      r.ImageChecksum = job.Checksum;
      r.ImageWarning = job.ImageWarning;
      r.ImageSha256 = job.Sha256;
    }
    r.Serial = s.SerialNumber;
    r.Result = JobResultName(s.Outcome.Result);
    r.NumberFate = s.NumberFate;
    r.FirstDifference = s.Outcome.FirstDifference;
    r.Warnings = s.Outcome.Warnings;
    if (!s.Outcome.Written.Empty) r.Written = std::make_pair(s.Outcome.Written.First, s.Outcome.Written.Last);
    r.DurationMs = s.DurationMs;
    try {
      AppendLogLine(job.Log, LogLine(r));
    } catch (const std::exception& e) {
      if (s.Failure.empty()) s.Failure = e.what();
      s.RecordFailed = true;
      logged = false;
    }
  }
  if (!s.SerialNumber) return;
  // The serial file is settled after the log line: a station that ends between the two leaves the
  // number "writing", which the next run reports as unknown while the log tells its result. A
  // number on a chip whose line could not be logged stays "writing" likewise, so that it is
  // accounted for.
  if (!logged && s.NumberFate != "given-back") return;
  try {
    if (s.NumberFate == "used")
      job.Pool->Confirm(*s.SerialNumber);
    else if (s.NumberFate == "spent")
      job.Pool->Spend(*s.SerialNumber);
    else
      job.Pool->GiveBack(*s.SerialNumber);
  } catch (const std::exception& e) {
    if (s.Failure.empty()) s.Failure = e.what();
    s.RecordFailed = s.SerialFileFailed = true;
  }
}

void RunStations(const TStationJob& job, std::vector<TStation>& stations) {
  if (stations.empty()) return;
  std::optional<THidDeviceController::TDeferral> hold;
  if (THidDeviceController* c = stations.front().Programmer->Controller()) hold.emplace(*c);
  if (stations.size() == 1) {
    RunStation(job, stations.front());
    return;
  }
  std::vector<std::thread> threads;
  threads.reserve(stations.size());
  for (auto& s : stations) threads.emplace_back([&job, &s] { RunStation(job, s); });
  for (auto& t : threads) t.join();
}
