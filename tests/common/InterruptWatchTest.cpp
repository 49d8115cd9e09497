#include "common/InterruptWatch.h"

#include <csignal>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

bool Blocked(int signal) {
  sigset_t now;
  pthread_sigmask(SIG_SETMASK, nullptr, &now);
  return sigismember(&now, signal) == 1;
}

TEST(InterruptWatch, NothingAskedWhileNoSignalCame) {
  common::InterruptWatch watch;
  EXPECT_FALSE(watch.interrupted());
  EXPECT_EQ(watch.signal(), 0);
  EXPECT_TRUE(Blocked(SIGINT));
  watch.endBySignal(); // no signal: nothing happens
}

TEST(InterruptWatch, TheMaskIsAsBeforeOnceTheWatchIsGone) {
  ASSERT_FALSE(Blocked(SIGTERM));
  { common::InterruptWatch watch; }
  EXPECT_FALSE(Blocked(SIGINT));
  EXPECT_FALSE(Blocked(SIGTERM));
  EXPECT_FALSE(Blocked(SIGHUP));
}

// Ctrl+C is held for the program to see; from then on the signals act as
// usual again, so that a second one ends the program at once.
TEST(InterruptWatch, ASignalIsSeenNotObeyedAndTheNextOneActs) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    common::InterruptWatch watch;
    std::raise(signal);
    EXPECT_TRUE(watch.interrupted());
    EXPECT_EQ(watch.signal(), signal);
    EXPECT_FALSE(Blocked(signal));
    EXPECT_TRUE(watch.interrupted()); // it stays asked
  }
}

TEST(InterruptWatchDeathTest, TheProgramEndsByTheSignalThatAsked) {
  EXPECT_EXIT(
      {
        common::InterruptWatch watch;
        std::raise(SIGTERM);
        if (watch.interrupted())
          watch.endBySignal();
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
}

TEST(InterruptWatchDeathTest, ASecondCtrlCEndsTheProgramAtOnce) {
  EXPECT_EXIT(
      {
        common::InterruptWatch watch;
        std::raise(SIGINT);
        if (watch.interrupted())
          std::raise(SIGINT);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
}

} // namespace
