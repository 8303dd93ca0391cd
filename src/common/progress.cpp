#include "common/progress.h"

int ProgressPosition(int64_t step, int64_t steps) {
  const int64_t numerator = (step + 1) * 100;
  int64_t q = numerator / steps;
  const int64_t twiceRest = 2 * (numerator % steps);
  if (twiceRest > steps || (twiceRest == steps && q % 2 == 1)) ++q;
  return static_cast<int>(q);
}
