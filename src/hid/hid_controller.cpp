#include "hid/hid_controller.h"

#include <algorithm>

// --- device ---

THidDevice::THidDevice(THidDeviceController& controller, const THidInterfaceDetail& detail)
    : Controller_(controller), Detail_(detail) {
  THidPlatform& platform = *controller.Platform_;
  std::unique_ptr<THidHandle> h = platform.Open(Detail_.Path, THidAccess::ReadWrite);
  if (!h) h = platform.Open(Detail_.Path, THidAccess::None);
  if (!h) throw EControllerError("Device cannot be opened");
  if (!h->GetAttributes(Attributes_)) throw EControllerError("Device cannot be identified");
}

THidDevice::~THidDevice() = default;

bool THidDevice::OpenFile() {
  THidPlatform& platform = *Controller_.Platform_;
  Handle_ = platform.Open(Detail_.Path, THidAccess::ReadWrite);
  ReadWrite_ = Handle_ != nullptr;
  AccessDenied_ = !ReadWrite_ && platform.AccessDenied(Detail_.Path);
  // A handle without access still lets the layer tell the device apart; its transfers fail.
  if (!Handle_) Handle_ = platform.Open(Detail_.Path, THidAccess::None);
  return Handle_ != nullptr;
}

void THidDevice::CloseFile() {
  Handle_.reset();
  ReadWrite_ = false;
  AwaitLate_ = false;
  UseDepth_ = 0;
}

THidCaps THidDevice::Capabilities() {
  if (CapsKnown_) return Caps_;
  if (!Claimed_ || !PluggedIn_) return {};
  THidCaps caps;
  bool ok;
  if (Handle_) {
    ok = Handle_->GetCaps(caps);
  } else {
    THidPlatform& platform = *Controller_.Platform_;
    std::unique_ptr<THidHandle> h = platform.Open(Detail_.Path, THidAccess::ReadWrite);
    if (!h) h = platform.Open(Detail_.Path, THidAccess::None);
    ok = h && h->GetCaps(caps);
  }
  if (!ok) return {};
  Caps_ = caps;
  CapsKnown_ = true;
  return Caps_;
}

THidReadResult THidHandle::ReadUnlessStopped(uint8_t* data, size_t length, size_t& read, int timeoutMs,
                                             const std::function<bool()>& stop) {
  if (!stop) return Read(data, length, read, timeoutMs);
  int left = timeoutMs;
  for (;;) {
    const int slice = std::min(left, kHidStopCheckMs);
    const THidReadResult r = Read(data, length, read, slice);
    left -= slice;
    if (r != THidReadResult::TimedOut || left <= 0 || stop()) return r;
  }
}

// One wait for an input report of up to the controller's ReadTimeoutMs, cut short by a stop
// request; after the request, what is left of the grace for the closing commands' answers.
THidReadResult THidDevice::ReadWaiting(uint8_t* data, size_t length, size_t& read) {
  ReadStopped_ = false;
  const auto& stop = Controller_.StopWaiting;
  if (!stop) return Handle_->Read(data, length, read, Controller_.ReadTimeoutMs);
  const auto now = std::chrono::steady_clock::now();
  if (!StopSeen_ && stop()) {
    StopSeen_ = true;
    StopSeenAt_ = now;
  }
  THidReadResult r;
  if (StopSeen_) {
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(now - StopSeenAt_).count();
    const int left = static_cast<int>(std::max<int64_t>(kHidStopLeastWaitMs, kHidStopGraceMs - spent));
    r = Handle_->Read(data, length, read, std::min(left, Controller_.ReadTimeoutMs));
  } else {
    r = Handle_->ReadUnlessStopped(data, length, read, Controller_.ReadTimeoutMs, stop);
    if (r == THidReadResult::TimedOut && stop()) {
      StopSeen_ = true;
      StopSeenAt_ = std::chrono::steady_clock::now();
    }
  }
  ReadStopped_ = r == THidReadResult::TimedOut && StopSeen_;
  return r;
}

void THidDevice::DrainInput() {
  uint8_t scratch[256];
  size_t n = 0;
  // The reply to a command that timed out may still come: wait for it once, up to a time-out.
  if (AwaitLate_) {
    AwaitLate_ = false;
    ReadWaiting(scratch, sizeof scratch, n);
  }
  // Bounded, so a device that floods input cannot keep the caller here.
  for (int i = 0; i < 1024; ++i)
    if (Handle_->Read(scratch, sizeof scratch, n, 0) != THidReadResult::Ok) break;
}

THidFailure THidDevice::Acquire() {
  if (!PluggedIn_ || !Claimed_) return Failure_ = THidFailure::NotClaimed;
  // A handle without access is opened again: access may have been granted meanwhile.
  if ((!Handle_ || !ReadWrite_) && !OpenFile()) return Failure_ = THidFailure::Gone;
  if (!ReadWrite_) return Failure_ = AccessDenied_ ? THidFailure::NoAccess : THidFailure::Gone;
  if (UseDepth_ == 0) {
    const THidLockResult r = Handle_->TryLock();
    if (r == THidLockResult::Busy) return Failure_ = THidFailure::Busy;
    if (r != THidLockResult::Locked) return Failure_ = THidFailure::Gone;
  }
  ++UseDepth_;
  return Failure_ = THidFailure::None;
}

void THidDevice::Unacquire() {
  if (UseDepth_ > 0 && --UseDepth_ == 0 && Handle_) Handle_->Unlock();
}

bool THidDevice::WriteReport(const void* buffer, size_t length, size_t& bytesWritten) {
  ReadTimedOut_ = false;
  ReadStopped_ = false;
  bytesWritten = 0;
  if (!PluggedIn_ || !Claimed_) return Fail(THidFailure::NotClaimed);
  if (!Handle_ && !OpenFile()) return Fail(THidFailure::Gone);
  if (!ReadWrite_) return Fail(AccessDenied_ ? THidFailure::NoAccess : THidFailure::Gone);
  DrainInput();
  switch (Handle_->Write(static_cast<const uint8_t*>(buffer), length, bytesWritten, Controller_.ReadTimeoutMs)) {
    case THidWriteResult::Ok: Failure_ = THidFailure::None; return true;
    case THidWriteResult::TimedOut:
      // The report may still be taken and answered: that answer is waited for and dropped.
      AwaitLate_ = true;
      return Fail(THidFailure::TimedOut);
    case THidWriteResult::Failed: break;
  }
  return Fail(THidFailure::Gone);
}

bool THidDevice::PrepareTransfers() {
  if (!PluggedIn_ || !Claimed_) return false;
  Capabilities();
  return Handle_ || OpenFile();
}

bool THidDevice::ReadReport(void* buffer, size_t length, size_t& bytesRead) {
  ReadTimedOut_ = false;
  ReadStopped_ = false;
  bytesRead = 0;
  if (!PluggedIn_ || !Claimed_) return Fail(THidFailure::NotClaimed);
  if (!Handle_ && !OpenFile()) return Fail(THidFailure::Gone);
  if (!ReadWrite_) return Fail(AccessDenied_ ? THidFailure::NoAccess : THidFailure::Gone);
  switch (ReadWaiting(static_cast<uint8_t*>(buffer), length, bytesRead)) {
    case THidReadResult::Ok: Failure_ = THidFailure::None; return true;
    case THidReadResult::TimedOut:
      ReadTimedOut_ = true;
      AwaitLate_ = true;
      return Fail(THidFailure::TimedOut);
    case THidReadResult::Failed: break;
  }
  return Fail(THidFailure::Gone);
}

// --- controller ---

THidDeviceController::THidDeviceController(std::unique_ptr<THidPlatform> platform, THidEventLoop& loop)
    : Platform_(std::move(platform)), Loop_(loop) {
  if (!Platform_->Loaded()) return;
  std::weak_ptr<int> alive = Alive_;
  Loop_.Post([this, alive] {
    if (!alive.expired()) Notify(kStartupNotification);
  });
  int fd = Platform_->ChangeDescriptor();
  auto check = [this, alive] {
    if (!alive.expired()) CheckForChanges();
  };
  if (fd >= 0)
    Loop_.WatchReadable(fd, check);
  else
    Loop_.Every(kHidChangePollIntervalMs, check);
}

THidDeviceController::~THidDeviceController() {
  Destroying_ = true;
  OnDeviceChange = nullptr;
  Alive_.reset();
  Devices_.clear();
}

bool THidDeviceController::ClaimById(THidDevice*& device, int vendorId, int productId) {
  device = nullptr;
  for (auto& d : Devices_) {
    if (d->VendorID() != vendorId) continue;
    if (productId != -1 && d->ProductID() != productId) continue;
    if (d->Claimed_) continue;
    d->Claimed_ = true;
    device = d.get();
    return true;
  }
  return false;
}

bool THidDeviceController::Claim(THidDevice*& device, THidDevice& which) {
  device = nullptr;
  for (auto& d : Devices_) {
    if (d.get() != &which || d->Claimed_ || !d->PluggedIn_) continue;
    d->Claimed_ = true;
    device = d.get();
    return true;
  }
  return false;
}

void THidDeviceController::Release(THidDevice*& device) {
  if (!device) return;
  THidDevice* d = device;
  device = nullptr;
  d->CloseFile();
  if (d->PluggedIn_) {
    d->Claimed_ = false;
    return;
  }
  auto it = std::find_if(Devices_.begin(), Devices_.end(), [d](const auto& p) { return p.get() == d; });
  if (it != Devices_.end()) Devices_.erase(it);
}

std::vector<std::unique_ptr<THidDevice>> THidDeviceController::Enumerate() {
  std::vector<std::unique_ptr<THidDevice>> found;
  if (!Platform_->Loaded()) return found;
  struct TEnumeration {
    THidPlatform& P;
    explicit TEnumeration(THidPlatform& p) : P(p) { P.BeginEnumeration(); }
    ~TEnumeration() { P.EndEnumeration(); }
  } enumeration(*Platform_);
  for (size_t index = 0;; ++index) {
    THidInterfaceDetail detail;
    THidInterfaceResult r = Platform_->InterfaceAt(index, detail);
    if (r == THidInterfaceResult::End) break;
    if (r == THidInterfaceResult::DetailFailed) continue;
    try {
      found.push_back(std::unique_ptr<THidDevice>(new THidDevice(*this, detail)));
    } catch (const EControllerError&) {
      // Left out silently; the enumeration goes on.
    }
  }
  return found;
}

void THidDeviceController::DeviceChange() {
  bool changed = Parameter_ == kStartupNotification;
  std::vector<std::unique_ptr<THidDevice>> found = Enumerate();
  auto inFound = [&found](const std::string& inst) {
    return std::any_of(found.begin(), found.end(), [&](const auto& n) { return n->DevInst() == inst; });
  };
  for (size_t i = Devices_.size(); i-- > 0;) {
    THidDevice& d = *Devices_[i];
    if (d.PluggedIn_ && inFound(d.DevInst())) continue;
    d.CloseFile();
    d.PluggedIn_ = false;
    if (!d.Claimed_) Devices_.erase(Devices_.begin() + static_cast<std::ptrdiff_t>(i));
    changed = true;
  }
  for (auto& n : found) {
    bool duplicate = std::any_of(Devices_.begin(), Devices_.end(),
                                 [&](const auto& d) { return d->PluggedIn_ && d->DevInst() == n->DevInst(); });
    if (duplicate) continue;
    Devices_.push_back(std::move(n));
    changed = true;
  }
  if (changed && OnDeviceChange) OnDeviceChange(*this);
}

void THidDeviceController::Notify(int32_t parameter) {
  if (Destroying_ || InDeviceChange_) return;
  if (Deferrals_ > 0) {
    // The start-up mark survives being merged with later notifications.
    HeldBackParameter_ = HeldBack_ && HeldBackParameter_ == kStartupNotification ? kStartupNotification : parameter;
    HeldBack_ = true;
    return;
  }
  Parameter_ = parameter;
  InDeviceChange_ = true;
  struct TClear {
    bool& Flag;
    ~TClear() { Flag = false; }
  } clear{InDeviceChange_};
  DeviceChange();
}

void THidDeviceController::CheckForChanges() {
  if (Platform_->TakeChanges()) Notify(kDevNodesChanged);
}

void THidDeviceController::DeliverHeldBack() {
  if (!HeldBack_ || Deferrals_ > 0) return;
  HeldBack_ = false;
  Notify(HeldBackParameter_);
}

THidDeviceController::TDeferral::~TDeferral() {
  if (--C_->Deferrals_ > 0 || !C_->HeldBack_) return;
  std::weak_ptr<int> alive = C_->Alive_;
  THidDeviceController* c = C_;
  C_->Loop_.Post([c, alive] {
    if (!alive.expired()) c->DeliverHeldBack();
  });
}
