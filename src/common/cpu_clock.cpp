#include "common/cpu_clock.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define TESMARO_HAVE_TSC 1
#endif

namespace {

uint32_t TickCount() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t CycleCount() {
#ifdef TESMARO_HAVE_TSC
  return __rdtsc();
#else
  // No time-stamp counter: nanoseconds of the steady clock stand in (the panel then shows ~1000 MHz).
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
#endif
}

}  // namespace

long double MeasureCpuMHz() {
  uint32_t t0 = TickCount();
  while (TickCount() == t0) {
  }
  uint64_t c0 = CycleCount();
  // Unsigned 32-bit comparison counted from t0, the value before the edge.
  while (TickCount() - t0 < 400u) {
  }
  uint64_t c1 = CycleCount();
  int64_t d = static_cast<int64_t>(c1 - c0);
  return static_cast<long double>(d) * 2.5e-6L;
}

std::string FormatCpuMHz(long double mhz) {
  // printf's %f follows the C locale's decimal separator (the user's, once the program set it).
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2Lf MHz", mhz);
  return buf;
}
