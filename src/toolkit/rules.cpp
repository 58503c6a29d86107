#include "rules.hpp"

int shortened_period(int period) {
  if (period > 40000) return period - 10000;
  if (period > 20000) return period - 5000;
  return period;
}
