#pragma once

#include <chrono>
#include <cstdint>

#include "common/TickTimer.h"

namespace common {

// The tick delay as a busy wait on the monotonic clock. Each wait is rounded
// up to whole nanoseconds, so it is never shorter than the ticks asked for.
// There is no hardware timer to prepare or give back.
class MonotonicTickTimer : public TickTimer {
public:
  void TimerSetup() override {}
  void TickDelay(std::uint16_t count) override;
  void TimerRestore() override {}

  static constexpr std::chrono::nanoseconds TicksToNanoseconds(std::uint16_t count) {
    constexpr std::uint64_t kTickRate = 1193182; // kTicksPerSecond
    constexpr std::uint64_t kNsPerSecond = 1000000000;
    return std::chrono::nanoseconds(
        (static_cast<std::uint64_t>(count) * kNsPerSecond + kTickRate - 1) / kTickRate);
  }
};

} // namespace common
