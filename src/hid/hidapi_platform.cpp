// The hidapi back end: real HID devices. Only opening, attributes, report lengths and the two
// transfers touch hidapi; the device list and its rules are the controller's, shared with the
// simulated platform.
#include <hidapi/hidapi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "hid/hid_platform.h"
#include "hid/report_descriptor.h"
#include "hid/udev_monitor.h"

#ifdef __linux__
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace {

struct TEntry {
  std::string Path;
  std::string DevInst;
  std::string SerialNumber;
  std::string BusPath;
  THidAttributes Attributes;
  bool DetailOk = false;
};

// hidapi's wide serial number string as UTF-8.
std::string Utf8Of(const wchar_t* w) {
  std::string out;
  for (; w && *w; ++w) {
    const auto c = static_cast<uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(*w));
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// hid_init and hid_exit are process-wide: the last platform ends hidapi.
int HidapiUsers = 0;

// The id of the device node behind a path. On Linux the device number and inode of its node:
// a device that comes back gets a new node, while permission changes leave both alone.
bool DevInstOf(const std::string& path, std::string& id) {
#ifdef __linux__
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  id = std::to_string(static_cast<unsigned long long>(st.st_rdev)) + ":" +
       std::to_string(static_cast<unsigned long long>(st.st_ino));
#else
  id = path;
#endif
  return true;
}

std::vector<TEntry> Scan() {
  std::vector<TEntry> out;
  hid_device_info* list = hid_enumerate(0, 0);
  for (hid_device_info* d = list; d; d = d->next) {
    if (!d->path) continue;
    // One entry per interface, though hidapi lists an interface once per top-level collection.
    if (std::any_of(out.begin(), out.end(), [d](const TEntry& e) { return e.Path == d->path; })) continue;
    TEntry e;
    e.Path = d->path;
    e.Attributes = {d->vendor_id, d->product_id, d->release_number};
    e.DetailOk = DevInstOf(e.Path, e.DevInst);
    e.SerialNumber = Utf8Of(d->serial_number);
    e.BusPath = UsbBusPathOf(e.Path);
    out.push_back(std::move(e));
  }
  hid_free_enumeration(list);
  return out;
}

// The report layout from the device's report descriptor where the platform gives it; else the
// programmer's: 64-byte reports without report IDs, 65 bytes with the report ID byte.
TReportLayout LayoutOf(const std::string& path, hid_device* dev) {
  std::vector<uint8_t> descriptor;
#ifdef __linux__
  auto slash = path.rfind('/');
  std::ifstream f(
      "/sys/class/hidraw/" + path.substr(slash == std::string::npos ? 0 : slash + 1) + "/device/report_descriptor",
      std::ios::binary);
  if (f) descriptor.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
#endif
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 14, 0)
  if (descriptor.empty() && dev) {
    unsigned char buf[HID_API_MAX_REPORT_DESCRIPTOR_SIZE];
    int n = hid_get_report_descriptor(dev, buf, sizeof buf);
    if (n > 0) descriptor.assign(buf, buf + n);
  }
#else
  (void)dev;
#endif
  TReportLayout layout;
  if (!descriptor.empty() && ParseReportDescriptor(descriptor.data(), descriptor.size(), layout)) return layout;
  return {65, 65, false};
}

// Sends output reports on a thread of its own, so that a device that does not take a report
// cannot hold the caller longer than its time-out. A write left behind blocks only the next write,
// until the driver gives up on it (the kernel's USB drivers do so within seconds). The destructor
// returns only after the report in flight was delivered or abandoned. The device is used by one
// thread at a time: the write holds the handle's device lock, which a read takes too.
class TReportWriter {
 public:
  TReportWriter(hid_device* dev, std::timed_mutex& device) : Dev_(dev), Device_(device), Thread_([this] { Run(); }) {}
  ~TReportWriter() {
    {
      std::lock_guard<std::mutex> lock(M_);
      Stop_ = true;
    }
    Cv_.notify_all();
    Thread_.join();
  }

  THidWriteResult Write(const uint8_t* data, size_t length, size_t& written, int timeoutMs) {
    std::unique_lock<std::mutex> lock(M_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    // A write that timed out before must end before the next one starts.
    if (!Cv_.wait_until(lock, deadline, [this] { return !Busy_; })) return THidWriteResult::TimedOut;
    Data_.assign(data, data + length);
    Busy_ = true;
    Done_ = false;
    Cv_.notify_all();
    if (!Cv_.wait_until(lock, deadline, [this] { return Done_; })) return THidWriteResult::TimedOut;
    if (Result_ < 0) return THidWriteResult::Failed;
    written = static_cast<size_t>(Result_);
    return THidWriteResult::Ok;
  }

  // Waits until no report is in flight: the one left behind by a write that timed out has been
  // delivered, or the driver has given up on it.
  void Settle() {
    std::unique_lock<std::mutex> lock(M_);
    Cv_.wait(lock, [this] { return !Busy_; });
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(M_);
    for (;;) {
      Cv_.wait(lock, [this] { return Stop_ || (Busy_ && !Done_); });
      if (Stop_) return;
      // Data_ stays untouched while Busy_: Write waits for the end of this one.
      lock.unlock();
      int r;
      {
        std::lock_guard<std::timed_mutex> device(Device_);
        r = hid_write(Dev_, Data_.data(), Data_.size());
      }
      lock.lock();
      Result_ = r;
      Done_ = true;
      Busy_ = false;
      Cv_.notify_all();
    }
  }

  hid_device* Dev_;
  std::timed_mutex& Device_;
  std::mutex M_;
  std::condition_variable Cv_;
  std::vector<uint8_t> Data_;
  bool Busy_ = false, Done_ = false, Stop_ = false;
  int Result_ = 0;
  std::thread Thread_;
};

class THidapiHandle : public THidHandle {
 public:
  THidapiHandle(hid_device* dev, std::string path, const THidAttributes* attributes)
      : Dev_(dev), Path_(std::move(path)), HasAttributes_(attributes != nullptr) {
    if (attributes) Attributes_ = *attributes;
  }
  // The writer ends first: its report in flight belongs to the operation the lock covers.
  ~THidapiHandle() override {
    Writer_.reset();
    Unlock();
    if (Dev_) hid_close(Dev_);
  }

  // An exclusive flock on the device node, through a descriptor of its own (hidapi keeps its
  // own out of reach); every program of this system takes it for an operation.
  THidLockResult TryLock() override {
#ifdef __linux__
    if (LockFd_ >= 0) return THidLockResult::Locked;
    int fd = open(Path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fd = open(Path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return THidLockResult::Failed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const bool busy = errno == EWOULDBLOCK;
      close(fd);
      return busy ? THidLockResult::Busy : THidLockResult::Failed;
    }
    LockFd_ = fd;
#endif
    return THidLockResult::Locked;
  }

  // Released only once no output report of the operation is still on its way: a report that
  // timed out must not reach the device inside another program's operation.
  void Unlock() override {
    if (Writer_) Writer_->Settle();
#ifdef __linux__
    if (LockFd_ >= 0) close(LockFd_);
    LockFd_ = -1;
#endif
  }

  bool GetAttributes(THidAttributes& a) override {
    if (!HasAttributes_) return false;
    a = Attributes_;
    return true;
  }

  bool GetCaps(THidCaps& caps) override {
    const TReportLayout& layout = Layout();
    caps = {layout.InputReportByteLength, layout.OutputReportByteLength};
    return true;
  }

  THidWriteResult Write(const uint8_t* data, size_t length, size_t& written, int timeoutMs) override {
    written = 0;
    if (!Dev_) return THidWriteResult::Failed;
    if (!Writer_) Writer_ = std::make_unique<TReportWriter>(Dev_, Device_);
    return Writer_->Write(data, length, written, timeoutMs);
  }

  THidReadResult Read(uint8_t* data, size_t length, size_t& read, int timeoutMs) override {
    read = 0;
    if (!Dev_ || length == 0) return THidReadResult::Failed;
    // A write left behind by a time-out still holds the device: the read waits for it no longer
    // than for its answer.
    std::unique_lock<std::timed_mutex> device(Device_, std::defer_lock);
    if (!device.try_lock_for(std::chrono::milliseconds(std::max(0, timeoutMs)))) return THidReadResult::TimedOut;
    int r;
    if (Layout().NumberedReports) {
      r = hid_read_timeout(Dev_, data, length, timeoutMs);
    } else {
      // hidapi hands unnumbered reports over without their report ID byte: keep byte 0 the ID.
      r = hid_read_timeout(Dev_, data + 1, length - 1, timeoutMs);
      if (r > 0) {
        data[0] = 0;
        ++r;
      }
    }
    if (r < 0) return THidReadResult::Failed;
    if (r == 0) return THidReadResult::TimedOut;
    read = static_cast<size_t>(r);
    return THidReadResult::Ok;
  }

 private:
  // Read from the descriptor on first use only: enumeration opens every device but needs no lengths.
  const TReportLayout& Layout() {
    if (!LayoutKnown_) {
      Layout_ = LayoutOf(Path_, Dev_);
      LayoutKnown_ = true;
    }
    return Layout_;
  }

  hid_device* Dev_;
  std::string Path_;
  bool HasAttributes_;
  THidAttributes Attributes_;
  TReportLayout Layout_;
  bool LayoutKnown_ = false;
  std::timed_mutex Device_;  // held by the one hid_write or hid_read on the device
  std::unique_ptr<TReportWriter> Writer_;
  int LockFd_ = -1;
};

class THidapiPlatform : public THidPlatform {
 public:
  THidapiPlatform() {
    Loaded_ = hid_init() == 0;
    if (!Loaded_) return;
    ++HidapiUsers;
    Monitor_ = TUdevMonitor::Create();
    if (!Monitor_) LastSeen_ = Ids(Scan());
  }
  ~THidapiPlatform() override {
    Monitor_.reset();
    if (Loaded_ && --HidapiUsers == 0) hid_exit();
  }

  bool Loaded() const override { return Loaded_; }

  void BeginEnumeration() override {
    Snapshot_ = Scan();
    for (const auto& e : Snapshot_) Known_[e.Path] = e.Attributes;
  }

  THidInterfaceResult InterfaceAt(size_t index, THidInterfaceDetail& detail) override {
    if (index >= Snapshot_.size()) return THidInterfaceResult::End;
    const TEntry& e = Snapshot_[index];
    if (!e.DetailOk) return THidInterfaceResult::DetailFailed;
    detail = {e.Path, e.DevInst, e.SerialNumber, e.BusPath};
    return THidInterfaceResult::Found;
  }

  void EndEnumeration() override { Snapshot_.clear(); }

  std::unique_ptr<THidHandle> Open(const std::string& path, THidAccess access) override {
    auto known = Known_.find(path);
    const THidAttributes* attributes = known == Known_.end() ? nullptr : &known->second;
    if (access == THidAccess::None) {
      // Without access rights only what the enumeration learnt is available.
      if (!attributes) return nullptr;
      return std::make_unique<THidapiHandle>(nullptr, path, attributes);
    }
    hid_device* dev = hid_open_path(path.c_str());
    if (!dev) return nullptr;
    THidAttributes own;
    if (hid_device_info* info = hid_get_device_info(dev)) {
      own = {info->vendor_id, info->product_id, info->release_number};
      attributes = &own;
    }
    return std::make_unique<THidapiHandle>(dev, path, attributes);
  }

  bool AccessDenied(const std::string& path) override {
#ifdef __linux__
    return access(path.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM);
#else
    (void)path;
    return false;
#endif
  }

  int ChangeDescriptor() override { return Monitor_ ? Monitor_->Descriptor() : -1; }

  bool TakeChanges() override {
    if (!Loaded_) return false;
    if (Monitor_) return Monitor_->TakeEvents();
    std::vector<std::string> now = Ids(Scan());
    bool changed = now != LastSeen_;
    LastSeen_ = std::move(now);
    return changed;
  }

 private:
  static std::vector<std::string> Ids(const std::vector<TEntry>& entries) {
    std::vector<std::string> ids;
    ids.reserve(entries.size());
    for (const auto& e : entries) ids.push_back(e.Path + "|" + e.DevInst);
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  bool Loaded_ = false;
  std::unique_ptr<TUdevMonitor> Monitor_;
  std::vector<TEntry> Snapshot_;
  std::map<std::string, THidAttributes> Known_;
  std::vector<std::string> LastSeen_;
};

}  // namespace

std::unique_ptr<THidPlatform> CreateHidapiPlatform() { return std::make_unique<THidapiPlatform>(); }
