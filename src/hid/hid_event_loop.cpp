#include "hid/hid_event_loop.h"

#ifndef _WIN32
#include <poll.h>
#endif

void TManualHidEventLoop::WatchReadable(int fd, std::function<void()> onReadable) {
  Watches_.push_back({fd, std::move(onReadable)});
}

void TManualHidEventLoop::Every(int, std::function<void()> tick) { Ticks_.push_back(std::move(tick)); }

void TManualHidEventLoop::RunPosted() {
  while (!Posted_.empty()) {
    std::vector<std::function<void()>> tasks;
    tasks.swap(Posted_);
    for (auto& t : tasks) t();
  }
}

void TManualHidEventLoop::PollOnce() {
#ifndef _WIN32
  for (auto& w : Watches_) {
    pollfd p{w.Fd, POLLIN, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) w.OnReadable();
  }
#endif
  for (auto& t : Ticks_) t();
  RunPosted();
}
