// Device-change notification on Linux: a udev monitor on the hidraw subsystem.
#pragma once

#include <memory>

class TUdevMonitor {
 public:
  // Null where udev is missing (no libudev at build time, or no udev daemon running).
  static std::unique_ptr<TUdevMonitor> Create();
  virtual ~TUdevMonitor() = default;
  // Readable when events are pending.
  virtual int Descriptor() const = 0;
  // Reads every pending event; true when a hidraw device was added or removed.
  virtual bool TakeEvents() = 0;
};
