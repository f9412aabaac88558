#include "send/pumping_delay.h"

#include <cmath>
#include <limits>

namespace moravel {

std::int64_t millisecondsPerUnit(DelayUnit unit) {
  switch (unit) {
    case 0: return 1;
    case 1: return 1000;
    case 2: return 60'000;
    case 3: return 3'600'000;
    default: return unit;
  }
}

std::int64_t PumpingDelay::dueTime() const {
  const double due = static_cast<double>(amount) *
                     static_cast<double>(millisecondsPerUnit(unit)) * -10000.0;
  // 2^63 is exact in double; every double below it converts safely.
  constexpr double kLimit = 9223372036854775808.0;
  if (due >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (due <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::trunc(due));
}

std::int64_t PumpingDelay::milliseconds() const {
  const std::int64_t due = dueTime();
  if (due >= 0) return 0;
  // Negating INT64_MIN would overflow; unsigned arithmetic does not.
  const std::uint64_t ticks = 0 - static_cast<std::uint64_t>(due);
  return static_cast<std::int64_t>((ticks + 9999) / 10000);
}

}  // namespace moravel
