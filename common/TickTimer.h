#pragma once

#include <cstdint>

namespace common {

// One tick is one period of the PC interval timer's input clock.
inline constexpr double kTicksPerSecond = 1193182.0;

// The delay every bit and every write wait of the ISP programmers is timed
// with. TickDelay may wait longer than asked, never shorter; a count of 0
// returns at once.
class TickTimer {
public:
  virtual ~TickTimer() = default;
  virtual void TimerSetup() = 0;
  virtual void TickDelay(std::uint16_t count) = 0;
  virtual void TimerRestore() = 0;
};

} // namespace common
