// Progress positions, event pumping and cancel points of the long
// operations.

#include <gtest/gtest.h>

#include "tests/tollen/engine/TollenRig.h"

namespace tollen::testing {
namespace {

struct ProgressCase {
  const char *name;
  std::uint16_t device;
  std::uint32_t eepromStep; // bytes between EEPROM reports
};

void PrintTo(const ProgressCase &c, std::ostream *os) { *os << c.name; }

class ReadProgress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ReadProgress, FlashEvery128BytesAndEepromAtItsOwnStep) {
  const ProgressCase &c = GetParam();
  Rig rig(c.device);
  std::vector<int> positions;
  int pumps = 0;
  rig.engine.UpdateProgressBar = [&](int p) { positions.push_back(p); };
  rig.engine.ProcessEvents = [&] { ++pumps; };
  rig.engine.ReadChip();

  std::vector<int> expected;
  const DeviceInfo &d = rig.device();
  if (d.IsAvr()) {
    expected.push_back(0);
  }
  for (std::uint32_t p = 128; p < d.flashBytes; p += 128) {
    expected.push_back(static_cast<int>(p));
  }
  for (std::uint32_t e = c.eepromStep; e < d.eepromBytes; e += c.eepromStep) {
    expected.push_back(static_cast<int>(d.flashBytes + e));
  }
  EXPECT_EQ(positions, expected);
  EXPECT_EQ(pumps, static_cast<int>(expected.size()) - (d.IsAvr() ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Tollen, ReadProgress,
                         ::testing::Values(ProgressCase{"At89S8252", device::kAt89S8252, 128},
                                           ProgressCase{"At90S1200", device::kAt90S1200, 32},
                                           ProgressCase{"At90S2313", device::kAt90S2313, 64},
                                           ProgressCase{"At90S4433", device::kAt90S4433, 128},
                                           ProgressCase{"AtMega8", device::kAtMega8, 128},
                                           ProgressCase{"AtTiny26", device::kAtTiny26, 64}),
                         ByName{});

TEST(Cancel, ReadKeepsTheResultTextAndStopsWhereItWas) {
  Rig rig(device::kAt89S52);
  std::ranges::fill(rig.chip().flash(), 0x00);
  rig.engine.ResultText = "Verify OK";
  int pumps = 0;
  rig.engine.ProcessEvents = [&] {
    if (++pumps == 3) {
      rig.engine.CancelRequested = true; // the progress window's Cancel
    }
  };
  rig.engine.ReadChip();
  EXPECT_EQ(rig.engine.ResultText, "Verify OK");
  EXPECT_EQ(rig.buffer()[3 * 128 - 1], 0x00);
  EXPECT_EQ(rig.buffer()[3 * 128], 0xFF) << "nothing read after the cancel point";
  EXPECT_FALSE(rig.bench.bufferEnabled());
}

struct EepromCancelCase {
  const char *name;
  std::uint16_t device;
  bool obeyed;
};

void PrintTo(const EepromCancelCase &c, std::ostream *os) { *os << c.name; }

class EepromCancel : public ::testing::TestWithParam<EepromCancelCase> {};

TEST_P(EepromCancel, OnlySomeDevicesStopInTheEeprom) {
  const EepromCancelCase &c = GetParam();
  Rig rig(c.device);
  const std::uint32_t flash = rig.device().flashBytes;
  rig.engine.ResultText = "before";
  rig.engine.UpdateProgressBar = [&](int p) {
    if (static_cast<std::uint32_t>(p) > flash) {
      rig.engine.CancelRequested = true;
    }
  };
  rig.engine.ReadChip();
  EXPECT_EQ(rig.engine.ResultText, c.obeyed ? "before" : "");
}

INSTANTIATE_TEST_SUITE_P(Tollen, EepromCancel,
                         ::testing::Values(EepromCancelCase{"At90S1200", device::kAt90S1200, false},
                                           EepromCancelCase{"At90S2313", device::kAt90S2313, false},
                                           EepromCancelCase{"At90S4433", device::kAt90S4433, false},
                                           EepromCancelCase{"At90S8515", device::kAt90S8515, true},
                                           EepromCancelCase{"At90S8535", device::kAt90S8535, true},
                                           EepromCancelCase{"AtMega8", device::kAtMega8, true},
                                           EepromCancelCase{"AtTiny26", device::kAtTiny26, false}),
                         ByName{});

TEST(Cancel, ProgrammingWritesNoLockOrFuseBitsAfterIt) {
  Rig rig(device::kAtMega8);
  rig.load(RandomImage(rig.engine.TotalSize, 5));
  rig.engine.ResultText = "before";
  rig.engine.ProcessEvents = [&] { rig.engine.CancelRequested = true; };
  rig.engine.ProgramChip();
  EXPECT_EQ(rig.engine.ResultText, "before");
  EXPECT_LE(rig.chip().counters().flashWrites, 2u) << "two pages between cancel points";
  EXPECT_EQ(rig.chip().counters().fuseWrites + rig.chip().counters().lockWrites, 0u);
  EXPECT_FALSE(rig.bench.bufferEnabled());
}

TEST(Progress, PagedProgrammingReportsEvery128BytesOverSkippedPagesToo) {
  Rig rig(device::kAtTiny26);
  rig.buffer()[2047] = 0x00; // only the last page holds data
  std::vector<int> positions;
  rig.engine.UpdateProgressBar = [&](int p) { positions.push_back(p); };
  rig.engine.ProgramChip();
  ASSERT_EQ(rig.engine.ResultText, "OK");
  std::vector<int> expected;
  for (int p = 128; p < 2048; p += 128) {
    expected.push_back(p);
  }
  for (int p = 2048 + 64; p < 2176; p += 64) {
    expected.push_back(p);
  }
  EXPECT_EQ(positions, expected);
}

TEST(Progress, At89S8252ProgrammingMarksTheEepromStart) {
  Rig rig(device::kAt89S8252);
  std::vector<int> positions;
  rig.engine.UpdateProgressBar = [&](int p) { positions.push_back(p); };
  rig.engine.ProgramChip();
  EXPECT_NE(std::ranges::find(positions, 8192), positions.end());
}

} // namespace
} // namespace tollen::testing
