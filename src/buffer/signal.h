// A list of callbacks to tell about a change, for GUI-free objects that views follow: each
// listener connects a function and may disconnect it by the id it got.
#pragma once

#include <functional>
#include <utility>
#include <vector>

template <class... Args>
class TSignal {
 public:
  using TSlot = std::function<void(Args...)>;

  int Connect(TSlot slot) {
    Slots_.emplace_back(++LastId_, std::move(slot));
    return LastId_;
  }
  void Disconnect(int id) {
    std::erase_if(Slots_, [id](const auto& s) { return s.first == id; });
  }

  // Calls every listener connected now; one that connects or disconnects meanwhile is safe.
  void operator()(Args... args) const {
    const auto listeners = Slots_;
    for (const auto& s : listeners) s.second(args...);
  }

 private:
  std::vector<std::pair<int, TSlot>> Slots_;
  int LastId_ = 0;
};
