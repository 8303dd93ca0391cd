// The position of a progress bar that runs from 0 to 100 over a number of equal steps.
#pragma once

#include <cstdint>

// (step + 1) * 100 / steps, computed exactly and rounded to the nearest integer, halves to the
// even neighbour: with 8 steps, step 0 gives 12 and step 2 gives 38. steps must be above 0.
int ProgressPosition(int64_t step, int64_t steps);
