#include "hid/simulated_platform.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

TSimulatedInput& TSimulatedResponse::Send(const uint8_t* data, size_t length) {
  TSimulatedInput& in = Count < kMaxInputs ? Inputs[Count++] : Overflow;
  in.Length = std::min(length, TSimulatedInput::kMaxReport);
  std::memcpy(in.Bytes.data(), data, in.Length);
  in.DelayMs = 0;
  in.AfterTimeOut = false;
  return in;
}

// --- port ---

namespace {
int64_t Us(int ms) { return int64_t{std::max(0, ms)} * 1000; }
}  // namespace

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

void TSimulatedHidPort::DeliverAt(const uint8_t* data, size_t length, int64_t atMs) {
  DeliverAtUs(data, length, atMs * 1000);
}

void TSimulatedHidPort::DeliverAtUs(const uint8_t* data, size_t length, int64_t atUs) {
  TTimed t;
  t.Slot.Length = std::min<size_t>({length, Info_.InputReportByteLength, kMaxReport});
  std::memcpy(t.Slot.Bytes.data(), data, t.Slot.Length);
  t.AtUs = atUs;
  Timed_.push_back(t);
}

void TSimulatedHidPort::QueueLateInput(const uint8_t* data, size_t length) {
  TSlot s;
  s.Length = std::min<size_t>({length, Info_.InputReportByteLength, kMaxReport});
  std::memcpy(s.Bytes.data(), data, s.Length);
  Late_.push_back(s);
}

void TSimulatedHidPort::LateArrives() {
  for (const TSlot& s : Late_) QueueInput(s.Bytes.data(), s.Length);
  Late_.clear();
}

// Queues, in the order they are due, the timed reports whose time has come.
void TSimulatedHidPort::DeliverDue() {
  const int64_t now = NowUs();
  for (;;) {
    auto due = Timed_.end();
    for (auto it = Timed_.begin(); it != Timed_.end(); ++it)
      if (it->AtUs <= now && (due == Timed_.end() || it->AtUs < due->AtUs)) due = it;
    if (due == Timed_.end()) return;
    QueueInput(due->Slot.Bytes.data(), due->Slot.Length);
    Timed_.erase(due);
  }
}

bool TSimulatedHidPort::NextDue(int64_t& atUs) const {
  bool any = false;
  for (const TTimed& t : Timed_) {
    if (any && t.AtUs >= atUs) continue;
    atUs = t.AtUs;
    any = true;
  }
  return any;
}

// An output report went out: an answer is owed until a read ends.
void TSimulatedHidPort::Written() { AnswerOwed_ = true; }

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
  Timed_.clear();
  Late_.clear();
  // The operation ends with the device: what it stands for is given back.
  if (LockHolder_ && Endpoint_) Endpoint_->EndOperation();
  LockHolder_ = nullptr;
  if (Platform_) Platform_->Changed_ = true;
}

// --- handle ---

class TSimulatedHidHandle : public THidHandle {
 public:
  TSimulatedHidHandle(std::shared_ptr<TSimulatedHidPort> port, bool readWrite)
      : Port_(std::move(port)), ReadWrite_(readWrite) {
    ++Port_->OpenHandles_;
  }
  ~TSimulatedHidHandle() override {
    Unlock();
    --Port_->OpenHandles_;
  }

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

  THidWriteResult Write(const uint8_t* data, size_t length, size_t& written, int timeoutMs) override {
    written = 0;
    TSimulatedHidPort& port = *Port_;
    // Like the platform's driver: one whole report of exactly the output length.
    if (!ReadWrite_ || !port.PluggedIn_ || length != port.Info_.OutputReportByteLength) return THidWriteResult::Failed;
    TSimulatedResponse response;
    if (port.Endpoint_) port.Endpoint_->OutputReport(data, length, response);
    if (response.Unplug) port.Unplug();
    if (!port.PluggedIn_) return THidWriteResult::Failed;
    if (response.Refuse) {
      port.WaitUntil(port.NowUs() + Us(timeoutMs));
      return THidWriteResult::TimedOut;
    }
    port.Written();
    const int64_t now = port.NowUs();
    for (size_t i = 0; i < response.Count; ++i) {
      const TSimulatedInput& in = response.Inputs[i];
      if (in.AfterTimeOut)
        port.QueueLateInput(in.Bytes.data(), in.Length);
      else if (in.DelayMs > 0)
        port.DeliverAtUs(in.Bytes.data(), in.Length, now + Us(in.DelayMs));
      else
        port.QueueInput(in.Bytes.data(), in.Length);
    }
    written = length;
    return THidWriteResult::Ok;
  }

  THidReadResult Read(uint8_t* data, size_t length, size_t& read, int timeoutMs) override {
    return ReadUnlessStopped(data, length, read, timeoutMs, {});
  }

  // One read whose wait looks at stop: a read in slices would let a late answer in after the
  // first slice, where it must come only after the whole time-out.
  THidReadResult ReadUnlessStopped(uint8_t* data, size_t length, size_t& read, int timeoutMs,
                                   const std::function<bool()>& stop) override {
    read = 0;
    TSimulatedHidPort& port = *Port_;
    if (!ReadWrite_ || !port.PluggedIn_) return THidReadResult::Failed;
    // The drain before every output report: nothing is queued or on its way.
    if (timeoutMs <= 0 && port.Count_ == 0 && port.Timed_.empty()) return THidReadResult::TimedOut;
    if (!port.Timed_.empty()) port.DeliverDue();
    if (port.Pop(data, length, read)) {
      port.AnswerOwed_ = false;
      return THidReadResult::Ok;
    }
    const int64_t deadline = port.NowUs() + Us(timeoutMs);
    int64_t due = 0;
    if (port.NextDue(due) && due <= deadline) {
      port.WaitUntil(due);
      port.DeliverDue();
      port.Pop(data, length, read);
      port.AnswerOwed_ = false;
      return THidReadResult::Ok;
    }
    if (timeoutMs <= 0) return THidReadResult::TimedOut;
    // Nothing can come before the deadline. Wait it out where the device owes an answer (or has
    // one on its way) or time is real; otherwise nothing can ever come, and only the clock moves on.
    const bool owed = port.AnswerOwed_ || !port.Late_.empty() || !port.Timed_.empty();
    port.AnswerOwed_ = false;
    if (owed || port.RealTime())
      port.WaitUntil(deadline, stop);
    else
      port.ClockUs_ = deadline;
    // A held-back answer arrives just after the read waiting for it gave up.
    port.LateArrives();
    return THidReadResult::TimedOut;
  }

  // One handle of this process at a time, then the endpoint's own lock, which other programs
  // simulating the same device share.
  THidLockResult TryLock() override {
    if (!Port_->PluggedIn_) return THidLockResult::Failed;
    if (Port_->LockHolder_ == this) return THidLockResult::Locked;
    if (Port_->LockHolder_) return THidLockResult::Busy;
    if (Port_->Endpoint_) {
      const THidLockResult r = Port_->Endpoint_->BeginOperation();
      if (r != THidLockResult::Locked) return r;
    }
    Port_->LockHolder_ = this;
    return THidLockResult::Locked;
  }

  void Unlock() override {
    if (Port_->LockHolder_ != this) return;
    Port_->LockHolder_ = nullptr;
    if (Port_->Endpoint_) Port_->Endpoint_->EndOperation();
  }

 private:
  std::shared_ptr<TSimulatedHidPort> Port_;
  bool ReadWrite_;
};

// --- platform ---

TSimulatedHidPlatform::TSimulatedHidPlatform() = default;

TSimulatedHidPlatform::~TSimulatedHidPlatform() {
  for (auto& p : Ports_) p->Platform_ = nullptr;
}

bool TSimulatedHidPort::RealTime() const { return Platform_ && Platform_->RealTime; }

int64_t TSimulatedHidPort::NowUs() const {
  if (!RealTime()) return ClockUs_;
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - PluggedAt_).count();
}

void TSimulatedHidPort::WaitUntil(int64_t atUs, const std::function<bool()>& stop) {
  if (stop) {
    constexpr int64_t kSliceUs = int64_t{kHidStopCheckMs} * 1000;
    for (;;) {
      if (stop()) return;
      const int64_t now = NowUs();
      if (now + kSliceUs >= atUs) break;
      WaitUntil(now + kSliceUs);
    }
  }
  if (RealTime()) {
    std::this_thread::sleep_until(PluggedAt_ + std::chrono::microseconds(atUs));
    return;
  }
  if (atUs <= ClockUs_) return;
  if (Platform_ && Platform_->WaitOnEmptyRead) std::this_thread::sleep_for(std::chrono::microseconds(atUs - ClockUs_));
  ClockUs_ = atUs;
}

int64_t TSimulatedHidPlatform::NowMs() const {
  int64_t latest = 0;
  for (const auto& p : Ports_) latest = std::max(latest, p->NowUs() / 1000);
  return latest;
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
  port->Timed_.reserve(8);
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
    if (readWrite && (p->Info_.FailOpen || p->Info_.DenyAccess)) return nullptr;
    return std::make_unique<TSimulatedHidHandle>(p, readWrite);
  }
  return nullptr;
}

bool TSimulatedHidPlatform::AccessDenied(const std::string& path) {
  for (auto& p : Ports_)
    if (p->PluggedIn_ && p->Path_ == path) return p->Info_.DenyAccess;
  return false;
}

bool TSimulatedHidPlatform::TakeChanges() { return Changed_.exchange(false); }
