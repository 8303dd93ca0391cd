// The HID layer: the controller keeps the list of present HID devices in the order they were
// first found, tells its owner when the list changes, and lends one device at a time for
// exclusive use; a device moves one report at a time in each direction.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "hid/hid_event_loop.h"
#include "hid/hid_platform.h"

class THidDeviceController;

// A device that could not be opened or identified while the devices were enumerated.
class EControllerError : public TError {
 public:
  using TError::TError;
};

// One present or formerly present HID device, owned by the controller.
class THidDevice {
 public:
  ~THidDevice();
  THidDevice(const THidDevice&) = delete;
  THidDevice& operator=(const THidDevice&) = delete;

  bool PluggedIn() const { return PluggedIn_; }
  bool Claimed() const { return Claimed_; }
  const std::string& DevicePath() const { return Detail_.Path; }
  const std::string& DevInst() const { return Detail_.DevInst; }
  const std::string& SerialNumber() const { return Detail_.SerialNumber; }
  const std::string& BusPath() const { return Detail_.BusPath; }
  uint16_t VendorID() const { return Attributes_.VendorID; }
  uint16_t ProductID() const { return Attributes_.ProductID; }
  uint16_t VersionNumber() const { return Attributes_.VersionNumber; }

  // The report lengths; fetched on first use and kept. All zero while they cannot be had
  // (the device is not claimed or cannot be opened).
  THidCaps Capabilities();

  // One output report. False without a transfer unless the device is plugged in and claimed
  // and can be opened; otherwise the platform transfer's success.
  bool WriteReport(const void* buffer, size_t length, size_t& bytesWritten);
  // One input report, waiting at most the controller's ReadTimeoutMs. After a read that timed
  // out, the next WriteReport first drops input reports that arrived late, so a late reply is
  // never taken for the answer to the next command.
  bool ReadReport(void* buffer, size_t length, size_t& bytesRead);
  // Opens the device for transfers now, when it is claimed and plugged in, so that the transfers
  // of a worker thread never reach the platform's device list. True when it is open.
  bool PrepareTransfers();
  // The last ReadReport failed because no report came in time.
  bool ReadTimedOut() const { return ReadTimedOut_; }

 private:
  friend class THidDeviceController;
  THidDevice(THidDeviceController& controller, const THidInterfaceDetail& detail);
  bool OpenFile();
  void CloseFile();
  void DropLateInput();

  THidDeviceController& Controller_;
  THidInterfaceDetail Detail_;
  THidAttributes Attributes_;
  bool PluggedIn_ = true;
  bool Claimed_ = false;
  std::unique_ptr<THidHandle> Handle_;
  THidCaps Caps_;
  bool CapsKnown_ = false;
  bool ReadTimedOut_ = false;
  bool DropLateInput_ = false;
};

class THidDeviceController {
 public:
  // The parameter of the controller's own start-up notification, and of every later one.
  static constexpr int32_t kStartupNotification = -1;
  static constexpr int32_t kDevNodesChanged = 7;

  // Posts the start-up notification to loop and watches the platform for device changes, unless
  // the platform's HID access is missing. No enumeration happens here.
  THidDeviceController(std::unique_ptr<THidPlatform> platform, THidEventLoop& loop);
  // Destroys every device: holders release theirs first.
  ~THidDeviceController();
  THidDeviceController(const THidDeviceController&) = delete;
  THidDeviceController& operator=(const THidDeviceController&) = delete;

  // Raised on the owner's thread after the device list changed (and once after start-up).
  std::function<void(THidDeviceController& sender)> OnDeviceChange;
  // How long a device's ReadReport waits for its input report.
  int ReadTimeoutMs = kHidReadTimeoutMs;

  // Takes the first device in list order with this vendor id and product id (-1: any product)
  // that is not claimed. device is null when none qualifies.
  bool ClaimById(THidDevice*& device, int vendorId, int productId);
  // Takes this listed device when it is plugged in and not claimed. device is null otherwise.
  bool Claim(THidDevice*& device, THidDevice& which);
  // Gives a claimed device back: it stays listed while plugged in and is destroyed otherwise.
  // device becomes null; nothing happens when it is null already.
  void Release(THidDevice*& device);
  // Re-enumerates and raises OnDeviceChange when anything changed.
  void DeviceChange();

  // A change notification with its parameter. Dropped while the controller is being destroyed or
  // DeviceChange runs; held back while changes are deferred.
  void Notify(int32_t parameter);
  // Asks the platform whether devices came or went, and notifies if so.
  void CheckForChanges();
  // Holds change notifications back while the returned guard lives (a long operation that
  // lets the event loop run); one held-back notification is posted when the last guard ends.
  class TDeferral {
   public:
    explicit TDeferral(THidDeviceController& c) : C_(&c) { ++C_->Deferrals_; }
    ~TDeferral();
    TDeferral(const TDeferral&) = delete;
    TDeferral& operator=(const TDeferral&) = delete;

   private:
    THidDeviceController* C_;
  };
  TDeferral DeferChanges() { return TDeferral(*this); }

  // The device list in the order the devices were first found.
  const std::vector<std::unique_ptr<THidDevice>>& Devices() const { return Devices_; }
  int32_t NotificationParameter() const { return Parameter_; }
  THidPlatform& Platform() { return *Platform_; }

 private:
  friend class THidDevice;
  std::vector<std::unique_ptr<THidDevice>> Enumerate();
  void DeliverHeldBack();

  std::unique_ptr<THidPlatform> Platform_;
  THidEventLoop& Loop_;
  std::shared_ptr<int> Alive_ = std::make_shared<int>(0);  // tasks handed to the loop check it
  std::vector<std::unique_ptr<THidDevice>> Devices_;
  int32_t Parameter_ = 0;
  bool InDeviceChange_ = false;
  bool Destroying_ = false;
  std::atomic<int> Deferrals_{0};  // guards may live on worker threads
  bool HeldBack_ = false;
  int32_t HeldBackParameter_ = 0;
};
