// The HID layer: the controller keeps the list of present HID devices in the order they were
// first found, tells its owner when the list changes, and lends one device at a time for
// exclusive use; a device moves one report at a time in each direction.
#pragma once

#include <atomic>
#include <chrono>
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

// Why the last transfer, or the last Acquire, of a device failed.
enum class THidFailure {
  None,
  NotClaimed,  // the device is not claimed or no longer plugged in
  NoAccess,    // the device is there but this user may not open it for reading and writing
  Busy,        // another program holds the device for an operation
  TimedOut,    // the device did not take the output report, or did not answer, in time
  Gone,        // the device went away (a transfer failed, or it could not be opened)
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
  // and can be opened; otherwise the platform transfer's success. The device has at most the
  // controller's ReadTimeoutMs to take the report. Every input report already waiting is dropped
  // first (other programs that have the device open get every report too, and the protocol has
  // no sequence numbers); after a transfer that timed out it first waits up to one more time-out
  // for the late reply and drops it, so the next command gets its own answer.
  bool WriteReport(const void* buffer, size_t length, size_t& bytesWritten);
  // One input report, waiting at most the controller's ReadTimeoutMs.
  bool ReadReport(void* buffer, size_t length, size_t& bytesRead);
  // Opens the device for transfers now, when it is claimed and plugged in, so that the transfers
  // of a worker thread never reach the platform's device list. True when it is open.
  bool PrepareTransfers();
  // The reply just read is not the device's answer (its caller found it malformed): as after a
  // time-out, the next WriteReport first waits up to one time-out for a late reply and drops it.
  void AwaitLateReply() { AwaitLate_ = Handle_ != nullptr; }
  // The last ReadReport failed because no report came in time.
  bool ReadTimedOut() const { return ReadTimedOut_; }
  // The last ReadReport timed out after a stop was asked for (see the controller's StopWaiting):
  // its wait may have been cut short.
  bool ReadStopped() const { return ReadStopped_; }
  // Why the last WriteReport, ReadReport or Acquire failed (None after a success).
  THidFailure LastFailure() const { return Failure_; }

  // Takes the device for one operation of this program: opens it for reading and writing and
  // takes the platform's exclusive lock, shared by every program of this system. Calls nest; the
  // lock goes with the outermost Unacquire (or when the device is closed). None on success.
  THidFailure Acquire();
  void Unacquire();

 private:
  friend class THidDeviceController;
  THidDevice(THidDeviceController& controller, const THidInterfaceDetail& detail);
  bool OpenFile();
  void CloseFile();
  void DrainInput();
  THidReadResult ReadWaiting(uint8_t* data, size_t length, size_t& read);
  bool Fail(THidFailure failure) {
    Failure_ = failure;
    return false;
  }

  THidDeviceController& Controller_;
  THidInterfaceDetail Detail_;
  THidAttributes Attributes_;
  bool PluggedIn_ = true;
  bool Claimed_ = false;
  std::unique_ptr<THidHandle> Handle_;
  THidCaps Caps_;
  bool CapsKnown_ = false;
  bool ReadWrite_ = false;     // Handle_ was opened for reading and writing
  bool AccessDenied_ = false;  // opening for reading and writing was refused for lack of permission
  bool ReadTimedOut_ = false;
  bool ReadStopped_ = false;
  bool StopSeen_ = false;  // a read saw the stop request at StopSeenAt_
  std::chrono::steady_clock::time_point StopSeenAt_;
  bool AwaitLate_ = false;  // a transfer timed out: its reply may still come
  THidFailure Failure_ = THidFailure::None;
  int UseDepth_ = 0;
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
  // How long a device's ReadReport waits for its input report, and WriteReport for the device
  // to take its output report.
  int ReadTimeoutMs = kHidReadTimeoutMs;
  // Whether the user asked the running command to stop; null: never. While it is false a read
  // waits its whole time-out, looking at it now and then; once it is true, the reads that follow
  // wait kHidStopGraceMs altogether, so a programmer that does not answer cannot hold a stop up.
  std::function<bool()> StopWaiting;

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
