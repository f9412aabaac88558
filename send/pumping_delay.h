#pragma once
// The arithmetic of the pumping wait: how long one unit lasts and the due time
// a waitable timer is started with. The wait itself is in pumping_delay_win.h.

#include <cstdint>

namespace moravel {

// Selects the milliseconds one unit of an amount lasts: 0 ms (the default),
// 1 s, 2 min, 3 h; any other value is taken as that many milliseconds.
using DelayUnit = std::int64_t;

std::int64_t millisecondsPerUnit(DelayUnit unit);

struct PumpingDelay {
  int amount = 0;
  DelayUnit unit = 0;

  // In 100-nanosecond intervals, negative for "from now" as the waitable timer
  // takes it: amount x milliseconds per unit x -10000, computed in double and
  // truncated toward zero. A product beyond the 64-bit range is clamped to it
  // (converting it unclamped would be undefined). A due time of 0 or above is
  // not in the future: the wait ends at once.
  std::int64_t dueTime() const;

  // How long the wait lasts in whole milliseconds, rounded up; 0 when the due
  // time is not in the future. This is what a wait without a timer counts.
  std::int64_t milliseconds() const;

  friend bool operator==(const PumpingDelay&, const PumpingDelay&) = default;
};

}  // namespace moravel
