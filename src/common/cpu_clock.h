// Measures the processor clock over 400 ms of the millisecond tick, with the time-stamp counter
// (or the finest other counter where there is none).
#pragma once

#include <string>

// Busy-waits about 0.4 s on the calling thread; returns MHz.
long double MeasureCpuMHz();
// "%f MHz": two decimals in the locale's decimal separator, then " MHz".
std::string FormatCpuMHz(long double mhz);
