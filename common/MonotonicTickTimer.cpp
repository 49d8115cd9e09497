#include "common/MonotonicTickTimer.h"

namespace common {

void MonotonicTickTimer::TickDelay(std::uint16_t count) {
  if (count == 0) {
    return;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + TicksToNanoseconds(count);
  while (Clock::now() < deadline) {
  }
}

} // namespace common
