#include "hid/simulated_platform.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

// --- port ---

void TSimulatedHidPort::QueueInput(const uint8_t* data, size_t length) {
  if (Count_ == kQueueSize) {
    Head_ = (Head_ + 1) % kQueueSize;
    --Count_;
  }
  TSlot& s = Queue_[(Head_ + Count_) % kQueueSize];
  s.Length = std::min<size_t>({length, Info_.InputReportByteLength, kMaxReport});
  std::memcpy(s.Bytes.data(), data, s.Length);
  ++Count_;
}

void TSimulatedHidPort::QueueLateInput(const uint8_t* data, size_t length) {
  Late_.Length = std::min<size_t>({length, Info_.InputReportByteLength, kMaxReport});
  std::memcpy(Late_.Bytes.data(), data, Late_.Length);
  HasLate_ = true;
}

void TSimulatedHidPort::LateArrives() {
  if (!HasLate_) return;
  HasLate_ = false;
  QueueInput(Late_.Bytes.data(), Late_.Length);
}

bool TSimulatedHidPort::Pop(uint8_t* data, size_t length, size_t& read) {
  if (Count_ == 0) return false;
  const TSlot& s = Queue_[Head_];
  read = std::min(length, s.Length);
  std::memcpy(data, s.Bytes.data(), read);
  Head_ = (Head_ + 1) % kQueueSize;
  --Count_;
  return true;
}

void TSimulatedHidPort::Unplug() {
  if (!PluggedIn_) return;
  PluggedIn_ = false;
  Count_ = 0;
  HasLate_ = false;
  if (Platform_) Platform_->Changed_ = true;
}

// --- handle ---

class TSimulatedHidHandle : public THidHandle {
 public:
  TSimulatedHidHandle(std::shared_ptr<TSimulatedHidPort> port, bool readWrite, const TSimulatedHidPlatform& platform)
      : Port_(std::move(port)), ReadWrite_(readWrite), Platform_(platform) {
    ++Port_->OpenHandles_;
  }
  ~TSimulatedHidHandle() override { --Port_->OpenHandles_; }

  bool GetAttributes(THidAttributes& a) override {
    if (!Port_->PluggedIn_ || Port_->Info_.FailAttributes) return false;
    a = {Port_->Info_.VendorID, Port_->Info_.ProductID, Port_->Info_.VersionNumber};
    return true;
  }

  bool GetCaps(THidCaps& caps) override {
    if (!Port_->PluggedIn_) return false;
    caps = {Port_->Info_.InputReportByteLength, Port_->Info_.OutputReportByteLength};
    return true;
  }

  bool Write(const uint8_t* data, size_t length, size_t& written) override {
    written = 0;
    // Like the platform's driver: one whole report of exactly the output length.
    if (!ReadWrite_ || !Port_->PluggedIn_ || length != Port_->Info_.OutputReportByteLength) return false;
    if (Port_->Endpoint_) Port_->Endpoint_->OutputReport(data, length, *Port_);
    if (!Port_->PluggedIn_) return false;
    written = length;
    return true;
  }

  THidReadResult Read(uint8_t* data, size_t length, size_t& read, int timeoutMs) override {
    read = 0;
    if (!ReadWrite_ || !Port_->PluggedIn_) return THidReadResult::Failed;
    if (Port_->Pop(data, length, read)) return THidReadResult::Ok;
    // Nothing else can answer while this thread waits: wait out the time-out, then let a
    // held-back answer arrive after it.
    if (timeoutMs > 0 && Platform_.WaitOnEmptyRead) std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    Port_->LateArrives();
    return THidReadResult::TimedOut;
  }

 private:
  std::shared_ptr<TSimulatedHidPort> Port_;
  bool ReadWrite_;
  const TSimulatedHidPlatform& Platform_;
};

// --- platform ---

TSimulatedHidPlatform::TSimulatedHidPlatform() = default;

TSimulatedHidPlatform::~TSimulatedHidPlatform() {
  for (auto& p : Ports_) p->Platform_ = nullptr;
}

TSimulatedHidPort& TSimulatedHidPlatform::PlugIn(const TSimulatedHidDeviceInfo& info,
                                                 std::shared_ptr<TSimulatedHidEndpoint> endpoint) {
  auto port = std::make_shared<TSimulatedHidPort>();
  port->Platform_ = this;
  port->Info_ = info;
  int n = Next_++;
  port->DevInst_ = "SIM\\" + std::to_string(n);
  port->Path_ = "sim:" + std::to_string(n);
  port->Endpoint_ = std::move(endpoint);
  Ports_.push_back(port);
  Changed_ = true;
  return *port;
}

std::vector<TSimulatedHidPort*> TSimulatedHidPlatform::Present() const {
  std::vector<TSimulatedHidPort*> out;
  for (auto& p : Ports_)
    if (p->PluggedIn_) out.push_back(p.get());
  return out;
}

void TSimulatedHidPlatform::BeginEnumeration() { Snapshot_ = Present(); }

THidInterfaceResult TSimulatedHidPlatform::InterfaceAt(size_t index, THidInterfaceDetail& detail) {
  if (index >= Snapshot_.size()) return THidInterfaceResult::End;
  const TSimulatedHidPort& p = *Snapshot_[index];
  if (p.Info_.FailDetail) return THidInterfaceResult::DetailFailed;
  detail = {p.Path_, p.DevInst_, p.Info_.SerialNumber,
            p.Info_.BusPath.empty() ? "sim-" + p.Path_.substr(p.Path_.find(':') + 1) : p.Info_.BusPath};
  return THidInterfaceResult::Found;
}

std::unique_ptr<THidHandle> TSimulatedHidPlatform::Open(const std::string& path, THidAccess access) {
  for (auto& p : Ports_) {
    if (!p->PluggedIn_ || p->Path_ != path) continue;
    bool readWrite = access == THidAccess::ReadWrite;
    if (readWrite && p->Info_.FailOpen) return nullptr;
    return std::make_unique<TSimulatedHidHandle>(p, readWrite, *this);
  }
  return nullptr;
}

bool TSimulatedHidPlatform::TakeChanges() {
  return Changed_.exchange(false);
}
