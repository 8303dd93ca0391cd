// Finding a byte pattern in a buffer forward or backward from a position, wrapping round once.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

struct TFound {
  int32_t Address = 0;
  bool Wrapped = false;  // found only after going round past the end (or the start, backward)
};

// Forward: the first match starting at `from` or later, else the first one before it.
// Backward: the last match starting at `from` or earlier, else the last one after it.
// `from` may lie outside [0, size): the search then starts at the nearest end and wraps.
std::optional<TFound> FindBytes(const uint8_t* data, int32_t size, std::span<const uint8_t> pattern, int64_t from,
                                bool forward);
