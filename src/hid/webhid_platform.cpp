#include "hid/webhid_platform.h"

#include <emscripten.h>

#include <cstring>
#include <string>
#include <vector>

// The JavaScript side is Module.webHid (web/webhid_link.js). Devices are known there by small
// integer ids, open handles by their own ids. Results: 0 done, 1 timed out, 2 failed (3: busy).

// clang-format off
EM_JS(int, WebHidDeviceCount, (), { return Module.webHid.deviceIds().length; });
EM_JS(int, WebHidDeviceIdAt, (int index), { return Module.webHid.deviceIds()[index]; });
EM_JS(int, WebHidGeneration, (), { return Module.webHid.generation(); });
EM_JS(int, WebHidAvailable, (), { return Module.webHid && Module.webHid.available() ? 1 : 0; });
EM_JS(int, WebHidAttributes, (int device, uint16_t* vendor, uint16_t* product, uint16_t* version), {
  const a = Module.webHid.attributes(device);
  if (!a) return 0;
  HEAPU16[vendor >> 1] = a.vendorId; HEAPU16[product >> 1] = a.productId; HEAPU16[version >> 1] = a.version;
  return 1;
});
EM_ASYNC_JS(int, WebHidOpen, (int device), { return await Module.webHid.open(device); });
EM_JS(void, WebHidClose, (int handle), { Module.webHid.close(handle); });
EM_ASYNC_JS(int, WebHidWrite, (int handle, const uint8_t* data, int length, int timeoutMs), {
  return await Module.webHid.write(handle, HEAPU8.slice(data, data + length), timeoutMs);
});
// A report waiting already, without giving the browser a turn: its length, or -1 for none, -2
// for a device gone.
EM_JS(int, WebHidTake, (int handle, uint8_t* data, int length), {
  const r = Module.webHid.take(handle);
  if (typeof r === 'number') return r;
  const n = Math.min(r.length, length);
  HEAPU8.set(r.subarray(0, n), data);
  return n;
});
EM_ASYNC_JS(int, WebHidRead, (int handle, uint8_t* data, int length, int timeoutMs), {
  const r = await Module.webHid.read(handle, timeoutMs);
  if (typeof r === 'number') return r;
  const n = Math.min(r.length, length);
  HEAPU8.set(r.subarray(0, n), data);
  return n;
});
EM_ASYNC_JS(int, WebHidTryLock, (int handle), { return await Module.webHid.tryLock(handle); });
EM_ASYNC_JS(void, WebHidUnlock, (int handle), { await Module.webHid.unlock(handle); });
// clang-format on

namespace {

std::string PathOf(int device) { return "webhid:" + std::to_string(device); }

// The device id of a path of PathOf, or -1.
int DeviceOf(const std::string& path) {
  if (path.rfind("webhid:", 0) != 0) return -1;
  try {
    return std::stoi(path.substr(7));
  } catch (...) {
    return -1;
  }
}

class TWebHidHandle : public THidHandle {
 public:
  TWebHidHandle(int device, int handle) : Device_(device), Handle_(handle) {}
  ~TWebHidHandle() override {
    if (Locked_) WebHidUnlock(Handle_);
    if (Handle_ >= 0) WebHidClose(Handle_);
  }

  bool GetAttributes(THidAttributes& attributes) override {
    return WebHidAttributes(Device_, &attributes.VendorID, &attributes.ProductID, &attributes.VersionNumber) != 0;
  }
  // WebHID moves the report ID apart from the payload; the only devices granted (the chooser's
  // filter) are programmers, whose reports are 64 bytes under ID 0: 65 as the platform counts.
  bool GetCaps(THidCaps& caps) override {
    caps.InputReportByteLength = kReportLength;
    caps.OutputReportByteLength = kReportLength;
    return true;
  }

  THidWriteResult Write(const uint8_t* data, size_t length, size_t& written, int timeoutMs) override {
    written = 0;
    if (Handle_ < 0 || length == 0) return THidWriteResult::Failed;
    switch (WebHidWrite(Handle_, data, static_cast<int>(length), timeoutMs)) {
      case 0: written = length; return THidWriteResult::Ok;
      case 1: return THidWriteResult::TimedOut;
      default: return THidWriteResult::Failed;
    }
  }

  THidReadResult Read(uint8_t* data, size_t length, size_t& read, int timeoutMs) override {
    read = 0;
    if (Handle_ < 0) return THidReadResult::Failed;
    const int n = timeoutMs <= 0 ? WebHidTake(Handle_, data, static_cast<int>(length))
                                 : WebHidRead(Handle_, data, static_cast<int>(length), timeoutMs);
    if (n == -1) return THidReadResult::TimedOut;
    if (n < 0) return THidReadResult::Failed;
    read = static_cast<size_t>(n);
    return THidReadResult::Ok;
  }

  // One operation at a time on a programmer across the browser's tabs and windows.
  THidLockResult TryLock() override {
    if (Locked_) return THidLockResult::Locked;
    switch (WebHidTryLock(Handle_)) {
      case 0: Locked_ = true; return THidLockResult::Locked;
      case 3: return THidLockResult::Busy;
      default: return THidLockResult::Failed;
    }
  }
  void Unlock() override {
    if (!Locked_) return;
    Locked_ = false;
    WebHidUnlock(Handle_);
  }

 private:
  static constexpr uint16_t kReportLength = 65;
  int Device_;
  int Handle_;
  bool Locked_ = false;
};

class TWebHidPlatform : public THidPlatform {
 public:
  bool Loaded() const override { return WebHidAvailable() != 0; }

  void BeginEnumeration() override {
    Ids_.clear();
    const int n = WebHidDeviceCount();
    for (int i = 0; i < n; ++i) Ids_.push_back(WebHidDeviceIdAt(i));
  }
  THidInterfaceResult InterfaceAt(size_t index, THidInterfaceDetail& detail) override {
    if (index >= Ids_.size()) return THidInterfaceResult::End;
    detail = {};
    detail.Path = PathOf(Ids_[index]);
    detail.DevInst = detail.Path;
    return THidInterfaceResult::Found;
  }
  void EndEnumeration() override {}

  std::unique_ptr<THidHandle> Open(const std::string& path, THidAccess access) override {
    const int device = DeviceOf(path);
    if (device < 0) return nullptr;
    if (access == THidAccess::None) return std::make_unique<TWebHidHandle>(device, -1);
    const int handle = WebHidOpen(device);
    if (handle < 0) return nullptr;
    return std::make_unique<TWebHidHandle>(device, handle);
  }

  // The page's link counts every connect and disconnect; the controller polls it.
  int ChangeDescriptor() override { return -1; }
  bool TakeChanges() override {
    const int generation = WebHidGeneration();
    if (generation == Generation_) return false;
    Generation_ = generation;
    return true;
  }

 private:
  std::vector<int> Ids_;
  int Generation_ = 0;
};

}  // namespace

std::unique_ptr<THidPlatform> CreateWebHidPlatform() { return std::make_unique<TWebHidPlatform>(); }
