// Lock bits and fuse bytes after a programming run and on their own, with
// the rule that a blank buffer writes the factory fuses instead.

#include <gtest/gtest.h>

#include "tests/tollen/engine/TollenRig.h"

namespace tollen::testing {
namespace {

using sim::isp::kFuseHigh;
using sim::isp::kFuseLow;

// The ATtiny26's high fuse goes out with its own instruction, so the value
// asked for reaches the chip.
TEST(Tiny26, HighFuseIsReallyWritten) {
  Rig rig(device::kAtTiny26);
  rig.buffer()[0] = 0x00; // not blank: the asked-for fuses are written
  rig.engine.FuseLow = 0xE4;
  rig.engine.FuseHigh = 0xF4; // BODEN and BODLEVEL programmed
  rig.engine.LockBits = 0x02;
  rig.engine.ProgramChip();
  ASSERT_EQ(rig.engine.ResultText, "OK");
  EXPECT_EQ(rig.chip().fuse(kFuseHigh), 0xF4);
  EXPECT_EQ(rig.chip().fuse(kFuseLow), 0xE4);
  EXPECT_EQ(rig.chip().lockByte() & 0x03, 0x01) << "lock bit 2 programmed, lock bit 1 not";
  EXPECT_EQ(rig.chip().counters().ignoredUnknown, 0u);
}

struct BlankCase {
  const char *name;
  std::uint16_t device;
  std::uint16_t low, high; // expected in the engine after the run; 0xFF = untouched
  std::uint8_t chipLow, chipHigh;
};

void PrintTo(const BlankCase &c, std::ostream *os) { *os << c.name; }

class BlankBufferRun : public ::testing::TestWithParam<BlankCase> {};

// A run over a blank buffer only erases, then writes the factory fuses and
// no lock bits, though lock bits were asked for.
TEST_P(BlankBufferRun, WritesFactoryFusesAndNoLockBits) {
  const BlankCase &c = GetParam();
  Rig rig(c.device);
  // Every fuse bit programmed but those that would end serial programming.
  for (const auto k : {kFuseLow, kFuseHigh}) {
    rig.chip().setFuse(k, rig.chip().model().fuses[k].ispKillers);
  }
  rig.engine.FuseLow = rig.engine.FuseHigh = 0x00;
  rig.engine.LockBits = 0x03;
  rig.engine.LockByte = 0x3C;
  // Data beyond the device's cells does not count.
  rig.buffer()[rig.engine.TotalSize] = 0x00;

  rig.engine.ProgramChip();
  ASSERT_EQ(rig.engine.ResultText, "OK");
  EXPECT_EQ(rig.chip().counters().flashWrites + rig.chip().counters().eepromWrites, 0u);
  EXPECT_EQ(rig.chip().counters().lockWrites, 0u);
  EXPECT_EQ(rig.chip().lockByte(), 0xFF);
  EXPECT_EQ(rig.engine.FuseLow, c.low);
  EXPECT_EQ(rig.engine.FuseHigh, c.high);
  EXPECT_EQ(rig.chip().fuse(kFuseLow), c.chipLow);
  if (rig.chip().model().fuses[kFuseHigh].present) {
    EXPECT_EQ(rig.chip().fuse(kFuseHigh), c.chipHigh);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tollen, BlankBufferRun,
    ::testing::Values(BlankCase{"At90S4433", device::kAt90S4433, 0xDA, 0x00, 0xDA, 0xFF},
                      BlankCase{"AtMega8", device::kAtMega8, 0xE1, 0xD9, 0xE1, 0xD9},
                      BlankCase{"AtTiny26", device::kAtTiny26, 0xE1, 0xF7, 0xE1, 0xF7}),
    ByName{});

TEST(BlankBuffer, At90S8535WritesFstrtOnly) {
  Rig rig(device::kAt90S8535);
  rig.engine.LockBits = 0x07; // LB1, LB2 and FSTRT
  rig.engine.ProgramChip();
  ASSERT_EQ(rig.engine.ResultText, "OK");
  EXPECT_EQ(rig.chip().fuse(kFuseLow) & 0x01, 0) << "FSTRT programmed";
  EXPECT_EQ(rig.chip().lockByte(), 0xFF);
}

TEST(BlankBuffer, OnlyTheDevicesCellsCount) {
  Rig rig(device::kAtMega8);
  rig.buffer()[rig.engine.TotalSize] = 0x12;
  EXPECT_TRUE(rig.engine.BlankBuffer());
  rig.buffer()[rig.engine.TotalSize - 1] = 0xFE;
  EXPECT_FALSE(rig.engine.BlankBuffer());
}

// The ATmega8 on its own: without the fuse dialog the fuse bytes are all
// ones; the lock byte is the one the window built (lock bit 1 chosen).
TEST(WriteLockBits, AtMega8WritesFusesAsGivenAndTheLockByte) {
  Rig rig(device::kAtMega8);
  rig.buffer()[3] = 0x00;
  rig.chip().setFuse(kFuseLow, 0x00);
  rig.engine.FuseLow = 0xFF;
  rig.engine.FuseHigh = 0xFF;
  rig.engine.LockByte = 0x3E; // bits 7, 6 cleared by the window; LB1 programmed
  rig.engine.WriteLockBits();
  EXPECT_EQ(rig.engine.ResultText, "OK");
  EXPECT_EQ(rig.chip().fuse(kFuseLow), 0xFF);
  EXPECT_EQ(rig.chip().fuse(kFuseHigh), 0xDF) << "all ones but SPIEN, which stays programmed";
  EXPECT_EQ(rig.chip().lockByte() & 0x03, 0x02);
  EXPECT_FALSE(rig.bench.bufferEnabled());
}

struct LockCase {
  const char *name;
  std::uint16_t device;
  std::uint16_t lockBits;
  std::uint8_t firstByte; // of the lock instructions
  std::uint64_t lockWrites;
};

void PrintTo(const LockCase &c, std::ostream *os) { *os << c.name; }

class LockBitsAsked : public ::testing::TestWithParam<LockCase> {};

TEST_P(LockBitsAsked, ReachTheChip) {
  const LockCase &c = GetParam();
  Rig rig(c.device);
  rig.buffer()[0] = 0x00;
  rig.engine.LockBits = c.lockBits;
  rig.engine.WriteLockBits();
  EXPECT_EQ(rig.engine.ResultText, "OK");
  EXPECT_EQ(rig.chip().counters().lockWrites, c.lockWrites);
  const std::uint8_t lock = rig.chip().lockByte();
  EXPECT_EQ(lock & rig.chip().model().lockMask & c.lockBits, 0) << "asked-for bits programmed";
  EXPECT_FALSE(rig.bench.bufferEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Tollen, LockBitsAsked,
    ::testing::Values(LockCase{"At89S51AllThree", device::kAt89S51, 0x07, 0xAC, 3},
                      LockCase{"At89S53LockBit2", device::kAt89S53, 0x02, 0xAC, 1},
                      LockCase{"At90S1200LockBit1", device::kAt90S1200, 0x01, 0xAC, 1},
                      LockCase{"At90S2313Both", device::kAt90S2313, 0x03, 0xAC, 2},
                      LockCase{"At90S4433LockBit2", device::kAt90S4433, 0x02, 0xAC, 1}),
    ByName{});

TEST(WriteLockBits, At89S52WithoutChipFailsAtTheFirstEnable) {
  Rig rig(device::kAt89S52, false);
  rig.engine.LockBits = 0x07;
  rig.engine.WriteLockBits();
  EXPECT_EQ(rig.engine.ResultText, "No response from uC . . .");
}

} // namespace
} // namespace tollen::testing
