// The simulated HID platform: devices that live in memory, plugged in and unplugged by tests and
// by --simulate, each with an endpoint that plays the device's side of the reports.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_platform.h"

class TSimulatedHidPort;
class TSimulatedHidPlatform;

// The device's side: gets every output report and answers through the port.
class TSimulatedHidEndpoint {
 public:
  virtual ~TSimulatedHidEndpoint() = default;
  virtual void OutputReport(const uint8_t* data, size_t length, TSimulatedHidPort& port) = 0;
};

struct TSimulatedHidDeviceInfo {
  uint16_t VendorID = 0;
  uint16_t ProductID = 0;
  uint16_t VersionNumber = 0;
  uint16_t InputReportByteLength = 65;   // with the report ID byte
  uint16_t OutputReportByteLength = 65;
  std::string SerialNumber;     // the USB serial number string; empty: none
  std::string BusPath;          // the port it is plugged into; empty: "sim-" and its number
  bool FailDetail = false;      // the enumeration cannot read the interface's detail
  bool FailAttributes = false;  // the attributes cannot be read
  bool FailOpen = false;        // opening for reading and writing fails (no access still works)
};

// One plugged-in (or formerly plugged-in) simulated device: its identity and its input queue.
class TSimulatedHidPort {
 public:
  static constexpr size_t kMaxReport = 256;
  static constexpr size_t kQueueSize = 64;  // input reports kept; the oldest is dropped past that

  const TSimulatedHidDeviceInfo& Info() const { return Info_; }
  const std::string& DevInst() const { return DevInst_; }
  const std::string& Path() const { return Path_; }
  bool PluggedIn() const { return PluggedIn_; }
  int OpenHandles() const { return OpenHandles_; }
  size_t PendingInput() const { return Count_; }

  // Queues one input report (byte 0 the report ID), cut to the input report length.
  void QueueInput(const uint8_t* data, size_t length);
  // Holds one input report back until a read has waited for it in vain: it arrives late.
  void QueueLateInput(const uint8_t* data, size_t length);
  // The device leaves the platform; transfers on its handles fail from now on.
  void Unplug();

 private:
  friend class TSimulatedHidPlatform;
  friend class TSimulatedHidHandle;
  struct TSlot {
    std::array<uint8_t, kMaxReport> Bytes;
    size_t Length;
  };
  bool Pop(uint8_t* data, size_t length, size_t& read);
  void LateArrives();

  TSimulatedHidPlatform* Platform_ = nullptr;
  TSimulatedHidDeviceInfo Info_;
  std::string DevInst_, Path_;
  std::shared_ptr<TSimulatedHidEndpoint> Endpoint_;
  bool PluggedIn_ = true;
  int OpenHandles_ = 0;
  std::array<TSlot, kQueueSize> Queue_{};
  size_t Head_ = 0, Count_ = 0;
  TSlot Late_{};
  bool HasLate_ = false;
};

class TSimulatedHidPlatform : public THidPlatform {
 public:
  TSimulatedHidPlatform();
  ~TSimulatedHidPlatform() override;

  // False: behaves like a platform whose HID libraries are missing.
  bool LibrariesLoaded = true;
  // Whether reads that find no input wait out their time-out (true) or fail at once.
  bool WaitOnEmptyRead = true;

  // Plugs a device in at the end of the enumeration order. endpoint may be null: a device that
  // never answers. The port stays valid for the platform's life.
  TSimulatedHidPort& PlugIn(const TSimulatedHidDeviceInfo& info, std::shared_ptr<TSimulatedHidEndpoint> endpoint = {});
  void Unplug(TSimulatedHidPort& port) { port.Unplug(); }
  // The ports plugged in now, in enumeration order.
  std::vector<TSimulatedHidPort*> Present() const;

  bool Loaded() const override { return LibrariesLoaded; }
  void BeginEnumeration() override;
  THidInterfaceResult InterfaceAt(size_t index, THidInterfaceDetail& detail) override;
  void EndEnumeration() override { Snapshot_.clear(); }
  std::unique_ptr<THidHandle> Open(const std::string& path, THidAccess access) override;
  int ChangeDescriptor() override { return -1; }
  bool TakeChanges() override;

 private:
  friend class TSimulatedHidPort;
  std::vector<std::shared_ptr<TSimulatedHidPort>> Ports_;  // every port ever plugged in
  std::vector<TSimulatedHidPort*> Snapshot_;
  std::atomic<bool> Changed_{false};  // set by an unplug, which may happen on a worker thread
  int Next_ = 1;
};
