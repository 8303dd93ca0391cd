#include "cli/stop_signals.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch a lock-free flag");

extern "C" void OnStopSignal(int signal) {
  int none = 0;
  gSignal.compare_exchange_strong(none, signal);
}

constexpr int kSignals[] = {SIGINT, SIGTERM};

}  // namespace

// The signals are blocked in the calling thread and taken by a watcher thread that does nothing
// else, so the handler never interrupts a system call of the command (a HID read would fail with
// EINTR instead of finishing its exchange).
struct TStopOnSignals::TState {
  struct sigaction Old[2] = {};
  bool Installed[2] = {};
  sigset_t OldMask;
  std::mutex Mutex;
  std::condition_variable Wake;
  bool Quit = false;
  std::thread Watcher;
};

TStopOnSignals::TStopOnSignals() : State_(std::make_unique<TState>()) {
  TState& s = *State_;
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kSignals) sigaddset(&set, signal);
  pthread_sigmask(SIG_BLOCK, &set, &s.OldMask);
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 2; ++i) {
    sigaction(kSignals[i], nullptr, &s.Old[i]);
    if (s.Old[i].sa_handler == SIG_IGN) continue;
    s.Installed[i] = sigaction(kSignals[i], &action, nullptr) == 0;
  }
  s.Watcher = std::thread([&s, set] {
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    std::unique_lock<std::mutex> lock(s.Mutex);
    s.Wake.wait(lock, [&s] { return s.Quit; });
  });
}

TStopOnSignals::~TStopOnSignals() {
  TState& s = *State_;
  {
    std::lock_guard<std::mutex> lock(s.Mutex);
    s.Quit = true;
  }
  s.Wake.notify_all();
  s.Watcher.join();
  // A signal that came after the watcher ended is still pending: it reaches the handler here.
  pthread_sigmask(SIG_SETMASK, &s.OldMask, nullptr);
  for (int i = 0; i < 2; ++i)
    if (s.Installed[i]) sigaction(kSignals[i], &s.Old[i], nullptr);
}

int TStopOnSignals::Signal() { return gSignal.load(); }
