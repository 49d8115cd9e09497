#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "isp/core/ProgressPoint.h"

namespace rindle::isp {
namespace {

struct LoopCase {
  std::string name;
  std::uint32_t interval;
  std::uint32_t unit; // bytes per step of the loop
  CancelCheck cancel;
  int cancelAtReport;        // the event pump sets the cancel flag at this report (0: never)
  std::vector<int> reported; // positions the progress hook receives
  std::uint32_t stepsRun;    // steps the loop completes
};

void PrintTo(const LoopCase &c, std::ostream *os) { *os << c.name; }

// A loop of 16 steps, run the way the chip operations run theirs.
class ProgressPointLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(ProgressPointLoop, ReportsAtItsIntervalAndStopsOnlyWhenItObeysCancel) {
  const LoopCase &c = GetParam();
  std::vector<int> reported;
  bool cancelRequested = false;
  const std::function<void(int)> update = [&](int position) { reported.push_back(position); };
  const std::function<void()> pump = [&] {
    if (int(reported.size()) == c.cancelAtReport) {
      cancelRequested = true;
    }
  };
  ProgressPoint progress({update, pump, cancelRequested}, c.interval, c.cancel);
  std::uint32_t steps = 0;
  for (std::uint32_t position = 0; position < 16 * c.unit; position += c.unit) {
    if (!progress.Go(position)) {
      break;
    }
    ++steps;
    progress.Handled(c.unit);
  }
  EXPECT_EQ(reported, c.reported);
  EXPECT_EQ(steps, c.stepsRun);
}

INSTANTIATE_TEST_SUITE_P(
    Loops, ProgressPointLoop,
    ::testing::Values(
        LoopCase{"EveryFourBytes", 4, 1, CancelCheck::Obey, 0, {4, 8, 12}, 16},
        LoopCase{"PagesLargerThanTheInterval",
                 4,
                 8,
                 CancelCheck::Obey,
                 0,
                 {8, 16, 24, 32, 40, 48, 56, 64, 72, 80, 88, 96, 104, 112, 120},
                 16},
        LoopCase{"IntervalZeroNeverReports", 0, 1, CancelCheck::Obey, 1, {}, 16},
        LoopCase{"CancelStopsAtTheReportThatSawIt", 4, 1, CancelCheck::Obey, 2, {4, 8}, 8},
        LoopCase{"CancelIgnoredRunsToTheEnd", 4, 1, CancelCheck::Ignore, 2, {4, 8, 12}, 16}),
    [](const ::testing::TestParamInfo<LoopCase> &param) { return param.param.name; });

TEST(ProgressPointTest, EmptyHooksStillObeyCancel) {
  const std::function<void(int)> noUpdate;
  const std::function<void()> noPump;
  const bool cancelRequested = true;
  ProgressPoint progress({noUpdate, noPump, cancelRequested}, 2);
  EXPECT_TRUE(progress.Go(0));
  progress.Handled(2);
  EXPECT_FALSE(progress.Go(2));
}

} // namespace
} // namespace rindle::isp
