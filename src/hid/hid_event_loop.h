// The owner's event loop as the HID controller sees it: posted tasks, descriptor watches and a
// periodic tick, all run later on the owner's thread. The GUI supplies a Qt one; the CLI and
// tests use TManualHidEventLoop and pump it themselves.
#pragma once

#include <functional>
#include <vector>

class THidEventLoop {
 public:
  virtual ~THidEventLoop() = default;
  // Runs task once, later, from the event loop.
  virtual void Post(std::function<void()> task) = 0;
  // Runs onReadable whenever fd is readable.
  virtual void WatchReadable(int fd, std::function<void()> onReadable) = 0;
  // Runs tick every intervalMs.
  virtual void Every(int intervalMs, std::function<void()> tick) = 0;
};

// An event loop that runs only when asked to.
class TManualHidEventLoop : public THidEventLoop {
 public:
  void Post(std::function<void()> task) override { Posted_.push_back(std::move(task)); }
  void WatchReadable(int fd, std::function<void()> onReadable) override;
  void Every(int intervalMs, std::function<void()> tick) override;

  // Runs the posted tasks, also those posted meanwhile.
  void RunPosted();
  // Runs the watches whose descriptors are readable now, every periodic tick once, then RunPosted.
  void PollOnce();

 private:
  struct TWatch {
    int Fd;
    std::function<void()> OnReadable;
  };
  std::vector<std::function<void()>> Posted_;
  std::vector<TWatch> Watches_;
  std::vector<std::function<void()>> Ticks_;
};
