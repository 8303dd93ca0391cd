// The simulated HID platform: devices that live in memory, plugged in and unplugged by tests and
// by --simulate, each with an endpoint that plays the device's side of the reports.
//
// Time on the platform is a clock of its own: it moves on only while a read waits (for an input
// report that is due later, or for its time-out), and with WaitOnEmptyRead the platform also
// sleeps that long, so a user sees the pace of the device. With RealTime the clock is the real one
// instead: every wait takes as long as on hardware. The endpoint never calls the platform: it says
// in a TSimulatedResponse what it sends back and when.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_platform.h"

class TSimulatedHidPlatform;
class TSimulatedHidHandle;

// One input report as the device sends it, and when it arrives.
struct TSimulatedInput {
  static constexpr size_t kMaxReport = 256;
  // Only the first Length bytes count; left uninitialised, as a response is made per exchange.
  std::array<uint8_t, kMaxReport> Bytes;
  size_t Length = 0;
  int DelayMs = 0;            // after the output report that caused it
  bool AfterTimeOut = false;  // held back until a read has waited for it in vain, then arrives
};

// What the device does with one output report.
struct TSimulatedResponse {
  static constexpr size_t kMaxInputs = 4;
  std::array<TSimulatedInput, kMaxInputs> Inputs;
  size_t Count = 0;     // input reports sent; 0: no answer
  bool Refuse = false;  // the output report is not taken: the write waits out its time-out and fails
  bool Unplug = false;  // the device leaves the platform; the output report is lost

  // Adds one input report (byte 0 the report ID), cut to kMaxReport; ignored past kMaxInputs.
  TSimulatedInput& Send(const uint8_t* data, size_t length);
  TSimulatedInput Overflow;  // what Send fills past kMaxInputs; never sent
};

// The device's side: gets every output report and says what it does in response.
class TSimulatedHidEndpoint {
 public:
  virtual ~TSimulatedHidEndpoint() = default;
  virtual void OutputReport(const uint8_t* data, size_t length, TSimulatedResponse& response) = 0;
  // A program takes the device for one operation (THidHandle::TryLock), once no other handle of
  // this process holds it: Busy while another program holds what the device stands for (a
  // simulated programmer's chip image), Failed when it can't be had.
  virtual THidLockResult BeginOperation() { return THidLockResult::Locked; }
  // The operation ended: the lock was released, or the device went away under it.
  virtual void EndOperation() {}
};

struct TSimulatedHidDeviceInfo {
  uint16_t VendorID = 0;
  uint16_t ProductID = 0;
  uint16_t VersionNumber = 0;
  uint16_t InputReportByteLength = 65;  // with the report ID byte
  uint16_t OutputReportByteLength = 65;
  std::string SerialNumber{};   // the USB serial number string; empty: none
  std::string BusPath{};        // the port it is plugged into; empty: "sim-" and its number
  bool FailDetail = false;      // the enumeration cannot read the interface's detail
  bool FailAttributes = false;  // the attributes cannot be read
  bool FailOpen = false;        // opening for reading and writing fails (no access still works)
  bool DenyAccess = false;      // as FailOpen, because the user lacks permission on the node
};

// One plugged-in (or formerly plugged-in) simulated device: its identity and its input queue.
class TSimulatedHidPort {
 public:
  static constexpr size_t kMaxReport = TSimulatedInput::kMaxReport;
  static constexpr size_t kQueueSize = 64;  // input reports kept; the oldest is dropped past that

  const TSimulatedHidDeviceInfo& Info() const { return Info_; }
  const std::string& DevInst() const { return DevInst_; }
  const std::string& Path() const { return Path_; }
  bool PluggedIn() const { return PluggedIn_; }
  int OpenHandles() const { return OpenHandles_; }
  size_t PendingInput() const { return Count_; }
  bool Locked() const { return LockHolder_ != nullptr; }

  // Queues one input report now (byte 0 the report ID), cut to the input report length.
  void QueueInput(const uint8_t* data, size_t length);
  // One input report that arrives when the device's clock reaches atMs.
  void DeliverAt(const uint8_t* data, size_t length, int64_t atMs);
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
  struct TTimed {
    TSlot Slot;
    int64_t AtUs;  // when it arrives
  };
  bool Pop(uint8_t* data, size_t length, size_t& read);
  void DeliverAtUs(const uint8_t* data, size_t length, int64_t atUs);
  void LateArrives();
  void DeliverDue();
  bool NextDue(int64_t& atUs) const;
  void Written();
  // The device's clock in microseconds: the real time since its plugging in when the platform
  // keeps real time, else its own.
  int64_t NowUs() const;
  bool RealTime() const;
  // Moves the device's clock on to atUs, sleeping as long when the platform's waits take real time;
  // stops early, within kHidStopCheckMs, once stop() is true.
  void WaitUntil(int64_t atUs, const std::function<bool()>& stop = {});

  TSimulatedHidPlatform* Platform_ = nullptr;
  TSimulatedHidDeviceInfo Info_;
  std::string DevInst_, Path_;
  std::shared_ptr<TSimulatedHidEndpoint> Endpoint_;
  bool PluggedIn_ = true;
  int OpenHandles_ = 0;
  std::array<TSlot, kQueueSize> Queue_{};
  size_t Head_ = 0, Count_ = 0;
  std::vector<TTimed> Timed_;  // reports on their way, in no particular order
  std::vector<TSlot> Late_;    // reports held back until a read times out
  bool AnswerOwed_ = false;    // an output report was sent and no read has ended since
  const void* LockHolder_ = nullptr;
  // Each device keeps its own clock, so devices used from several threads at once each wait
  // their own time and never race on a shared one.
  int64_t ClockUs_ = 0;
  std::chrono::steady_clock::time_point PluggedAt_ = std::chrono::steady_clock::now();
};

class TSimulatedHidPlatform : public THidPlatform {
 public:
  TSimulatedHidPlatform();
  ~TSimulatedHidPlatform() override;

  // False: behaves like a platform whose HID libraries are missing.
  bool LibrariesLoaded = true;
  // Whether waits take real time (true) or only move the devices' clocks on.
  bool WaitOnEmptyRead = true;
  // The devices' clocks are the real clock: a read waits out its whole time-out also where no
  // answer can come, as with a dead device, and answers arrive their delay after their report
  // however long the program took meanwhile. --sim-latency runs this way.
  bool RealTime = false;

  // Plugs a device in at the end of the enumeration order. endpoint may be null: a device that
  // never answers. The port stays valid for the platform's life.
  TSimulatedHidPort& PlugIn(const TSimulatedHidDeviceInfo& info, std::shared_ptr<TSimulatedHidEndpoint> endpoint = {});
  void Unplug(TSimulatedHidPort& port) { port.Unplug(); }
  // The ports plugged in now, in enumeration order.
  std::vector<TSimulatedHidPort*> Present() const;
  // The latest of its devices' clocks, in milliseconds from their plugging in.
  int64_t NowMs() const;

  bool Loaded() const override { return LibrariesLoaded; }
  void BeginEnumeration() override;
  THidInterfaceResult InterfaceAt(size_t index, THidInterfaceDetail& detail) override;
  void EndEnumeration() override { Snapshot_.clear(); }
  std::unique_ptr<THidHandle> Open(const std::string& path, THidAccess access) override;
  bool AccessDenied(const std::string& path) override;
  int ChangeDescriptor() override { return -1; }
  bool TakeChanges() override;

 private:
  friend class TSimulatedHidPort;
  friend class TSimulatedHidHandle;

  std::vector<std::shared_ptr<TSimulatedHidPort>> Ports_;  // every port ever plugged in
  std::vector<TSimulatedHidPort*> Snapshot_;
  std::atomic<bool> Changed_{false};  // set by an unplug, which may happen on a worker thread
  int Next_ = 1;
};
