// Waits for something another process or thread does (a file appears, a log grows), checking
// every few milliseconds, instead of sleeping for a guessed time.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

// True once condition holds; false when timeout passed first.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}
