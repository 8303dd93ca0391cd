#include "production/serial_pool.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "common/error.h"
#include "imagefile/safe_file_writer.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

int64_t OwnPid() {
#ifdef _WIN32
  return _getpid();
#else
  return getpid();
#endif
}

std::string OwnHost() {
  char name[256] = {};
#ifdef _WIN32
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return "-";
#else
  if (gethostname(name, sizeof name - 1) != 0 || !name[0]) return "-";
#endif
  std::string host = name;
  for (char& c : host)
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') c = '_';
  return host;
}

// Whether a process of this host is still running.
bool ProcessAlive(int64_t pid) {
#ifdef _WIN32
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
  CloseHandle(h);
  return running;
#else
  if (pid <= 0 || pid > INT32_MAX) return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

bool Number(const std::string& word, uint64_t& n) {
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), n);
  return ec == std::errc() && end == word.data() + word.size();
}

// An exclusive lock on a file beside the serial file, which is never replaced (the serial file is,
// by every atomic write). flock: per open file, so two pools of one process keep out of each
// other too; on network folders the system maps it to the server's locks.
class TFileLock {
 public:
  TFileLock(const std::string& file, int timeoutMs) : File_(file) {
#ifdef _WIN32
    Handle_ = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Handle_ == INVALID_HANDLE_VALUE) Fail(std::strerror(EACCES));
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      OVERLAPPED o = {};
      if (LockFileEx(Handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &o)) return;
      if (std::chrono::steady_clock::now() >= end) TimedOut(timeoutMs);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
#else
    Fd_ = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (Fd_ < 0) Fail(std::strerror(errno));
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (flock(Fd_, LOCK_EX | LOCK_NB) == 0) return;
      if (errno != EWOULDBLOCK && errno != EINTR) Fail(std::strerror(errno));
      if (std::chrono::steady_clock::now() >= end) TimedOut(timeoutMs);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
#endif
  }
  ~TFileLock() { Close(); }  // closing releases the lock
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

 private:
  // The constructor gives up: its destructor will not run.
  void Close() {
#ifdef _WIN32
    if (Handle_ != INVALID_HANDLE_VALUE) CloseHandle(Handle_);
    Handle_ = INVALID_HANDLE_VALUE;
#else
    if (Fd_ >= 0) close(Fd_);
    Fd_ = -1;
#endif
  }
  [[noreturn]] void Fail(const std::string& why) {
    Close();
    throw TError("Cannot lock the serial file's lock file " + File_ + ": " + why);
  }
  [[noreturn]] void TimedOut(int timeoutMs) {
    Close();
    throw TError("The serial file's lock " + File_ + " has been held by another station for more than " +
                 std::to_string(timeoutMs / 1000) + " s");
  }

  std::string File_;
#ifdef _WIN32
  HANDLE Handle_ = INVALID_HANDLE_VALUE;
#else
  int Fd_ = -1;
#endif
};

// The serial file's text; false when it does not exist.
bool ReadText(const std::string& file, std::string& text) {
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) throw TError("The serial file " + file + " is a folder, not a file");
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) return false;
    throw TError("Cannot read the serial file " + file + ": " + std::strerror(errno));
  }
  std::stringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

void WriteText(const std::string& file, const std::string& text) {
  TSafeFileWriter writer(file);
  TFileFailure f = writer.Open();
  if (!f) f = writer.Write(text.data(), text.size());
  if (!f) f = writer.Commit();
  if (f) throw TError("Cannot write the serial file " + file + ": " + std::strerror(f.Error));
}

}  // namespace

TSerialPool::TSerialPool(const TSerialSpec& layout, std::string file) : Layout_(layout), File_(std::move(file)) {
  Next_ = layout.Start;
  if (File_.empty()) return;
  std::string text;
  if (ReadText(File_, text)) Load(text);
}

void TSerialPool::Load(const std::string& text) {
  TSerialFileState state;
  if (!ParseFile(text, state)) throw TError("The serial file " + File_ + " does not hold a serial number");
  Next_ = state.Next;
  Spare_ = {state.Spare.begin(), state.Spare.end()};
  Pending_ = std::move(state.Pending);
  Unknown_ = {state.Unknown.begin(), state.Unknown.end()};
}

void TSerialPool::CheckWritable() const {
  if (File_.empty()) return;
  TFileLock lock(File_ + ".lock", LockTimeoutMs);
  TSafeFileWriter writer(File_);  // its temporary file goes again when the writer ends
  if (TFileFailure f = writer.Open())
    throw TError("Cannot write the serial file " + File_ + ": " + std::strerror(f.Error));
}

bool TSerialPool::ParseFile(const std::string& text, TSerialFileState& state) {
  std::istringstream lines(text);
  std::string line;
  std::vector<uint64_t> numbers;
  std::vector<TSerialLease> pending;
  std::vector<uint64_t> unknown;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] == '#') continue;
    std::istringstream words(line);
    std::string w;
    if (!(words >> w)) continue;
    if (w == "pending" || w == "writing") {
      TSerialLease lease;
      lease.Writing = w == "writing";
      std::string number, pid;
      uint64_t p = 0;
      if (!(words >> number >> pid >> lease.Host) || !Number(number, lease.Number) || !Number(pid, p) || p > INT64_MAX)
        return false;
      lease.Pid = static_cast<int64_t>(p);
      pending.push_back(lease);
      continue;
    }
    if (w == "unknown") {
      uint64_t n = 0;
      if (!(words >> w) || !Number(w, n)) return false;
      unknown.push_back(n);
      continue;
    }
    do {
      uint64_t n = 0;
      if (!Number(w, n)) return false;
      numbers.push_back(n);
    } while (words >> w);
  }
  if (numbers.empty()) return false;
  state.Next = numbers[0];
  state.Spare.assign(numbers.begin() + 1, numbers.end());
  state.Pending = std::move(pending);
  state.Unknown = std::move(unknown);
  return true;
}

bool TSerialPool::ParseFile(const std::string& text, uint64_t& next, std::vector<uint64_t>& spare) {
  TSerialFileState state;
  if (!ParseFile(text, state)) return false;
  next = state.Next;
  spare = std::move(state.Spare);
  return true;
}

std::string TSerialPool::FileText(const TSerialFileState& state) {
  std::string t = "# next serial number, then numbers given back by failed chips\n" + std::to_string(state.Next);
  for (uint64_t n : state.Spare) t += " " + std::to_string(n);
  t += "\n";
  if (!state.Pending.empty())
    t += "# numbers on chips not done yet (pending: not written yet): number, process id, host\n";
  for (const auto& p : state.Pending)
    t += (p.Writing ? "writing " : "pending ") + std::to_string(p.Number) + " " + std::to_string(p.Pid) + " " + p.Host +
         "\n";
  if (!state.Unknown.empty()) t += "# written by a station that ended before its chip's result was recorded\n";
  for (uint64_t n : state.Unknown) t += "unknown " + std::to_string(n) + "\n";
  return t;
}

std::string TSerialPool::FileText(uint64_t next, const std::vector<uint64_t>& spare) {
  return FileText(TSerialFileState{next, spare, {}, {}});
}

namespace {

// Removes the temporary files that writes of file left when their process was killed
// (".NAME.NUMBER.tmp" beside it). Called under the file's lock, which every write holds, so none
// of them is being written.
void RemoveStaleTemporaries(const std::string& file) {
  namespace fs = std::filesystem;
  const fs::path path(file);
  const std::string prefix = "." + path.filename().string() + ".";
  std::error_code ec;
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() + 4 || name.rfind(prefix, 0) != 0 || !name.ends_with(".tmp")) continue;
    const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    if (number.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code ignored;
    fs::remove(it->path(), ignored);
  }
}

}  // namespace

template <class Change>
void TSerialPool::UpdateFile(Change&& change) {
  TFileLock lock(File_ + ".lock", LockTimeoutMs);
  if (!Written_) RemoveStaleTemporaries(File_);
  std::string text;
  if (ReadText(File_, text)) {
    Load(text);
  } else if (Written_) {
    // Starting again from the first number would hand out numbers that chips carry already.
    throw TError("The serial file " + File_ + " has disappeared during the batch");
  }
  // Numbers of stations of this host that died before their chips were written are free again;
  // those that died during or after the write may be on a chip: unknown, never handed out again.
  const std::string host = OwnHost();
  const int64_t pid = OwnPid();
  std::vector<uint64_t> found;
  std::erase_if(Pending_, [&](const TSerialLease& l) {
    if (l.Host != host || l.Pid == pid || ProcessAlive(l.Pid)) return false;
    if (l.Writing) {
      if (Unknown_.insert(l.Number).second) found.push_back(l.Number);
    } else {
      Spare_.insert(l.Number);
    }
    return true;
  });
  for (uint64_t n : Unknown_) Spare_.erase(n);
  change(host, pid);
  WriteText(File_, FileText(TSerialFileState{
                       Next_, {Spare_.begin(), Spare_.end()}, Pending_, {Unknown_.begin(), Unknown_.end()}}));
  Written_ = true;
  // Reported once: by the step that wrote them down as unknown.
  FoundUnknown_.insert(FoundUnknown_.end(), found.begin(), found.end());
}

bool TSerialPool::PeekLocked(uint64_t& value) const {
  // A number pending on some station's chip is never handed out, whatever else the file says.
  auto pending = [this](uint64_t n) {
    return Unknown_.count(n) ||
           std::any_of(Pending_.begin(), Pending_.end(), [n](const TSerialLease& l) { return l.Number == n; });
  };
  for (uint64_t n : Spare_)
    if (n <= SerialLimit(Layout_) && !pending(n)) {
      value = n;
      return true;
    }
  uint64_t next = Next_;
  while (pending(next) && next <= UINT64_MAX - Layout_.Step) next += Layout_.Step;
  // The last 64-bit numbers are not handed out: the file could not name the number after them.
  if (next > SerialLimit(Layout_) || next > UINT64_MAX - Layout_.Step) return false;
  value = next;
  return true;
}

bool TSerialPool::Peek(uint64_t& value) const {
  std::lock_guard lock(Mutex_);
  return PeekLocked(value);
}

bool TSerialPool::Take(uint64_t& value) {
  std::lock_guard lock(Mutex_);
  bool taken = false;
  auto take = [&] {
    if (!PeekLocked(value)) return false;
    if (Spare_.erase(value) == 0) Next_ = value + Layout_.Step;
    Out_.insert(value);
    return true;
  };
  if (File_.empty()) return take();
  try {
    UpdateFile([&](const std::string& host, int64_t pid) {
      taken = take();
      if (taken) Pending_.push_back({value, pid, host});
    });
  } catch (const TError& e) {
    // Not written: the number was not taken (the next step reads the file afresh).
    if (taken) Out_.erase(value);
    throw TError(std::string(e.what()) + "; no number was taken");
  } catch (...) {
    if (taken) Out_.erase(value);
    throw;
  }
  return taken;
}

namespace {

// This process's lease of value, pending or writing.
auto OwnLease(uint64_t value, const std::string& host, int64_t pid) {
  return [=](const TSerialLease& l) { return l.Number == value && l.Pid == pid && l.Host == host; };
}

}  // namespace

void TSerialPool::MarkWriting(uint64_t value) {
  std::lock_guard lock(Mutex_);
  if (File_.empty() || !Out_.count(value)) return;
  UpdateFile([&](const std::string& host, int64_t pid) {
    auto it = std::find_if(Pending_.begin(), Pending_.end(), OwnLease(value, host, pid));
    if (it != Pending_.end())
      it->Writing = true;
    else
      Pending_.push_back({value, pid, host, true});
  });
}

void TSerialPool::Confirm(uint64_t value) { Settle(value, false); }

void TSerialPool::Spend(uint64_t value) { Settle(value, false); }

void TSerialPool::GiveBack(uint64_t value) { Settle(value, true); }

void TSerialPool::Settle(uint64_t value, bool giveBack) {
  std::lock_guard lock(Mutex_);
  if (!Out_.count(value)) return;
  if (File_.empty()) {
    Out_.erase(value);
    if (giveBack) Spare_.insert(value);
    return;
  }
  UpdateFile([&](const std::string& host, int64_t pid) {
    std::erase_if(Pending_, OwnLease(value, host, pid));
    if (giveBack) Spare_.insert(value);
  });
  // Only once the file says so: a failed step leaves the number this pool's to settle again.
  Out_.erase(value);
}

std::vector<uint64_t> TSerialPool::TakeFoundUnknown() {
  std::lock_guard lock(Mutex_);
  return std::exchange(FoundUnknown_, {});
}

uint64_t TSerialPool::NextNew() const {
  std::lock_guard lock(Mutex_);
  return Next_;
}

std::vector<uint64_t> TSerialPool::Spare() const {
  std::lock_guard lock(Mutex_);
  return {Spare_.begin(), Spare_.end()};
}
