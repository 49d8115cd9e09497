#include <gtest/gtest.h>

#include <chrono>

#include "common/MonotonicTickTimer.h"

namespace common {
namespace {

TEST(MonotonicTickTimerTest, TicksConvertToNanosecondsRoundedUp) {
  struct Case {
    std::uint16_t ticks;
    std::int64_t ns;
  };
  const Case cases[] = {
      {0, 0}, {1, 839}, {3, 2515}, {836, 700648}, {11932, 10000151}, {65535, 54924564},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(MonotonicTickTimer::TicksToNanoseconds(c.ticks).count(), c.ns) << c.ticks;
    // Never shorter than the exact time.
    EXPECT_GE(static_cast<double>(c.ns), c.ticks / kTicksPerSecond * 1e9) << c.ticks;
  }
}

TEST(MonotonicTickTimerTest, NeverWaitsShorterThanAsked) {
  MonotonicTickTimer timer;
  timer.TimerSetup();
  for (std::uint16_t ticks : {1, 3, 100, 1194, 11932}) {
    for (int repeat = 0; repeat < 5; ++repeat) {
      const auto start = std::chrono::steady_clock::now();
      timer.TickDelay(ticks);
      const auto waited = std::chrono::steady_clock::now() - start;
      EXPECT_GE(std::chrono::duration_cast<std::chrono::nanoseconds>(waited).count(),
                static_cast<std::int64_t>(ticks / kTicksPerSecond * 1e9))
          << ticks << " ticks";
    }
  }
  timer.TimerRestore();
}

} // namespace
} // namespace common
