// The platform operations under the HID layer: enumerating the present HID interfaces, opening one,
// reading its attributes and report lengths, moving one report each way, and noticing device changes.
// Back ends: hidapi (real devices) and the in-memory simulated platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// How long ReadReport waits for an input report, and WriteReport for the device to take an output
// report, before the transfer fails, in milliseconds.
inline constexpr int kHidReadTimeoutMs = 2000;
// How often a read that may be stopped looks at the stop request while it waits.
inline constexpr int kHidStopCheckMs = 50;
// Once a stop was asked for, how long the reads that follow (the answers to the closing commands)
// wait altogether, and at least each: enough for a programmer that answers, short for one that
// does not.
inline constexpr int kHidStopGraceMs = 300;
inline constexpr int kHidStopLeastWaitMs = 100;
// How often the device list is compared when the platform gives no change notification.
inline constexpr int kHidChangePollIntervalMs = 1000;

struct THidAttributes {
  uint16_t VendorID = 0;
  uint16_t ProductID = 0;
  uint16_t VersionNumber = 0;
};

// Report lengths, each counting the report ID byte; zero when they could not be had.
struct THidCaps {
  uint16_t InputReportByteLength = 0;
  uint16_t OutputReportByteLength = 0;
};

// One entry of an enumeration: the path used to open the interface and the id of its device node,
// which stays the same from one enumeration to the next while the device stays plugged in.
// SerialNumber is the device's USB serial number string (UTF-8, empty when it has none); BusPath
// names the USB port it is plugged into ("1-1.2"), empty where the platform cannot tell.
struct THidInterfaceDetail {
  std::string Path;
  std::string DevInst;
  std::string SerialNumber;
  std::string BusPath;
};

enum class THidInterfaceResult { Found, DetailFailed, End };
enum class THidAccess { ReadWrite, None };  // None: enough to read the attributes only
enum class THidReadResult { Ok, TimedOut, Failed };
enum class THidWriteResult { Ok, TimedOut, Failed };
enum class THidLockResult { Locked, Busy, Failed };

// An open device. Transfers on a handle opened with no access fail.
class THidHandle {
 public:
  virtual ~THidHandle() = default;
  virtual bool GetAttributes(THidAttributes& attributes) = 0;
  virtual bool GetCaps(THidCaps& caps) = 0;
  // One whole output report, byte 0 the report ID; waits at most timeoutMs for the device to take it.
  virtual THidWriteResult Write(const uint8_t* data, size_t length, size_t& written, int timeoutMs) = 0;
  // One input report into data, byte 0 the report ID (0 for a device without numbered reports);
  // waits at most timeoutMs for it (0: only takes what is already there).
  virtual THidReadResult Read(uint8_t* data, size_t length, size_t& read, int timeoutMs) = 0;
  // As Read, but the wait also ends, as a time-out, within kHidStopCheckMs of stop() turning true.
  // By default it reads in slices of that length.
  virtual THidReadResult ReadUnlessStopped(uint8_t* data, size_t length, size_t& read, int timeoutMs,
                                           const std::function<bool()>& stop);
  // Takes the device for this program alone, without waiting: an advisory lock that every program
  // of this system honours (Busy while another one holds it). Kept until Unlock or the handle's
  // end. Platforms without such locks grant it always.
  virtual THidLockResult TryLock() { return THidLockResult::Locked; }
  // Releases the lock, but only after every output report written under it has been delivered
  // or abandoned; the handle's end does the same.
  virtual void Unlock() {}
};

class THidPlatform {
 public:
  virtual ~THidPlatform() = default;
  // False when the platform's HID access is missing: no devices and no change notifications.
  virtual bool Loaded() const = 0;
  // The interfaces present now, walked by index from 0 until End, between Begin and End.
  virtual void BeginEnumeration() = 0;
  virtual THidInterfaceResult InterfaceAt(size_t index, THidInterfaceDetail& detail) = 0;
  virtual void EndEnumeration() = 0;
  // Null when the interface cannot be opened with that access.
  virtual std::unique_ptr<THidHandle> Open(const std::string& path, THidAccess access) = 0;
  // True when the interface is there but this user lacks the permission to open it for reading
  // and writing.
  virtual bool AccessDenied(const std::string& path) {
    (void)path;
    return false;
  }
  // A descriptor that becomes readable when devices come or go, or -1 when changes must be polled.
  virtual int ChangeDescriptor() = 0;
  // Takes what is pending on the change descriptor, or compares a fresh enumeration with the last
  // one when polling; true when a device came or went.
  virtual bool TakeChanges() = 0;
};

// The USB bus path ("1-1.2") of the device behind a hidraw node, from udev or sysfs; empty when
// it cannot be found.
std::string UsbBusPathOf(const std::string& hidrawPath);

// The hidapi back end (hidraw on Linux, with a udev monitor for changes where udev runs).
std::unique_ptr<THidPlatform> CreateHidapiPlatform();
