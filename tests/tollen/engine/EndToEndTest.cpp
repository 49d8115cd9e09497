// Every device against its simulated chip through the fixed wiring: program
// random data with blank bytes and blank pages, verify, read back; and the
// first difference each family reports.

#include <gtest/gtest.h>

#include "tests/tollen/engine/TollenRig.h"

namespace tollen::testing {
namespace {

class EveryDevice : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(EveryDevice, ProgramVerifyAndReadBackTheWholeImage) {
  Rig rig(GetParam());
  const auto image = RandomImage(rig.engine.TotalSize, 1000u + GetParam());
  rig.load(image);
  // Garbage the erase must clear where the image is blank.
  std::ranges::fill(rig.chip().flash(), 0x00);

  rig.engine.ProgramChip();
  ASSERT_EQ(rig.engine.ResultText, "OK");
  EXPECT_EQ(rig.chipImage(), image);
  EXPECT_FALSE(rig.bench.bufferEnabled()) << "target released after the run";
  EXPECT_EQ(rig.chip().counters().erases, 1u);

  rig.engine.VerifyChip();
  EXPECT_EQ(rig.engine.ResultText, "OK");

  std::ranges::fill(rig.engine.Cells.cells, 0x5A);
  rig.engine.ResultText = "left from before";
  rig.engine.ReadChip();
  EXPECT_EQ(rig.engine.ResultText, "") << "a read that completes clears the result";
  EXPECT_EQ(rig.bufferImage(), image);
  EXPECT_EQ(rig.engine.Cells.cells[rig.engine.TotalSize], 0x5A)
      << "cells past the device untouched";
}

// Nothing of the control port or of D6 (SS on the newer cable) ever moves.
TEST_P(EveryDevice, OnlyTheWiredDataLinesMove) {
  Rig rig(GetParam());
  rig.load(RandomImage(rig.engine.TotalSize, 7));
  rig.bench.setLogging(true);
  rig.engine.ProgramChip();
  rig.engine.ReadSignature();
  for (const sim::isp::PortAccess &a : rig.bench.log()) {
    if (a.write) {
      ASSERT_EQ(a.port, rig.bench.base()) << "only the data port is written";
      ASSERT_EQ(a.value & 0x47, 0) << "D0..D2 and D6 stay low";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tollen, EveryDevice, ::testing::ValuesIn(AllDevices()), DeviceCaseName);

// Only the blank pages of a paged device are left out of the run.
TEST(PagedProgramming, BlankPagesAreSkippedAndOthersWrittenWhole) {
  Rig rig(device::kAtMega8);
  rig.buffer()[64 * 3 + 5] = 0x12; // page 3 only, one byte
  rig.engine.ProgramChip();
  ASSERT_EQ(rig.engine.ResultText, "OK");
  EXPECT_EQ(rig.chip().counters().flashWrites, 1u);
  EXPECT_EQ(rig.instructions(0x4C), 1u);
  EXPECT_EQ(rig.instructions(0x40), 32u) << "every word of the page loaded";
  EXPECT_EQ(rig.chip().flash()[64 * 3 + 5], 0x12);
}

struct DifferenceCase {
  const char *name;
  std::uint16_t device;
  bool eeprom;
  std::uint32_t address; // within its memory
  const char *report;
};

void PrintTo(const DifferenceCase &c, std::ostream *os) { *os << c.name; }

class VerifyDifference : public ::testing::TestWithParam<DifferenceCase> {};

TEST_P(VerifyDifference, StopsAtTheFirstWithItsReport) {
  const DifferenceCase &c = GetParam();
  Rig rig(c.device);
  const auto image = RandomImage(rig.engine.TotalSize, 3);
  rig.load(image);
  std::ranges::copy(std::span(image).first(rig.device().flashBytes), rig.chip().flash().begin());
  std::ranges::copy(std::span(image).subspan(rig.device().flashBytes), rig.chip().eeprom().begin());
  const std::uint32_t cell = (c.eeprom ? rig.device().flashBytes : 0) + c.address;
  rig.buffer()[cell] = 0xA5;
  (c.eeprom ? rig.chip().eeprom() : rig.chip().flash())[c.address] = 0x3C;
  // A later difference must not be the one reported.
  rig.buffer()[rig.engine.TotalSize - 1] ^= 0x01;

  rig.engine.VerifyChip();
  EXPECT_EQ(rig.engine.ResultText, c.report);
  EXPECT_FALSE(rig.bench.bufferEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Tollen, VerifyDifference,
    ::testing::Values(
        DifferenceCase{"At89S52Flash", device::kAt89S52, false, 0x1234,
                       "Buffer Verify Error @ Address  1234\rData Read  =  3C\rProg Data   =  A5"},
        DifferenceCase{"At89S8252EepromShowsItsCell", device::kAt89S8252, true, 0x10,
                       "Buffer Verify Error @ Address  2010\rData Read  =  3C\rProg Data   =  A5"},
        DifferenceCase{"At90S2313LowByteAtItsWord", device::kAt90S2313, false, 0x100,
                       "Buffer Verify Error @ Address  0080\rData Read Low Byte  =  3C\r"
                       "Prog Data Low Byte  =  A5"},
        DifferenceCase{"AtMega8HighByteAtItsWord", device::kAtMega8, false, 0x1FFF,
                       "Buffer Verify Error @ Address  0FFF\rData Read High Byte  =  3C\r"
                       "Prog Data High Byte  =  A5"},
        DifferenceCase{"AtTiny26EepromShowsItsCell", device::kAtTiny26, true, 0x7E,
                       "Buffer Verify Error @ Address  087E\rData Read =  3C\rProg Data  =  A5"}),
    ByName{});

TEST(ProgramReadBack, At89S51SaysProgramAndStopsThere) {
  Rig rig(device::kAt89S51);
  rig.buffer()[0x20] = 0x11;
  rig.buffer()[0x21] = 0x22;
  rig.buffer()[0x30] = 0x33;
  rig.chip().addBadRead(sim::isp::Memory::Flash, 0x21, 0x80);
  rig.engine.LockBits = 0x01;
  rig.engine.ProgramChip();
  EXPECT_EQ(rig.engine.ResultText,
            "Program Verify Error @ Address  0021\rData Read  =  A2\rProg Data   =  22");
  EXPECT_EQ(rig.chip().flash()[0x30], 0xFF) << "nothing written after the difference";
  EXPECT_EQ(rig.chip().counters().lockWrites, 0u) << "no lock bits after a failed run";
}

TEST(ProgramReadBack, PagedAvrReportsTheWordOfThePage) {
  Rig rig(device::kAtMega8);
  rig.load(RandomImage(rig.engine.TotalSize, 9));
  rig.buffer()[0x83] = 0x10;
  rig.chip().addBadRead(sim::isp::Memory::Flash, 0x83, 0x01);
  rig.engine.ProgramChip();
  EXPECT_EQ(rig.engine.ResultText, "Buffer Verify Error @ Address  0041\rData Read High Byte  =  "
                                   "11\rProg Data High Byte  =  10");
  EXPECT_EQ(rig.chip().counters().fuseWrites, 0u);
}

struct NoChipCase {
  const char *name;
  std::uint16_t device;
  const char *result; // of a read with no chip on the cable
};

void PrintTo(const NoChipCase &c, std::ostream *os) { *os << c.name; }

class NoChip : public ::testing::TestWithParam<NoChipCase> {};

// The AT89S51/52 and the AVRs but the AT90S1200 are checked; the others run
// against whatever MISO shows (the pull-up: all ones).
TEST_P(NoChip, ReadEitherFailsOnceOrReadsThePullUp) {
  const NoChipCase &c = GetParam();
  Rig rig(c.device, false);
  std::ranges::fill(rig.engine.Cells.cells, 0x00);
  const std::uint64_t before = rig.bench.now();
  rig.engine.ReadChip();
  EXPECT_EQ(rig.engine.ResultText, c.result);
  EXPECT_FALSE(rig.bench.bufferEnabled());
  if (!rig.engine.ChipResponded) {
    EXPECT_EQ(rig.buffer()[0], 0x00) << "nothing read";
    // One try: the settle waits, one instruction, then the release.
    const std::uint64_t settle = rig.device().IsAvr() ? 10 * 29829 : 3 * 29829 + 29829;
    EXPECT_EQ(rig.bench.now() - before, settle + 32 * 18 + 10 * 29829);
  } else {
    EXPECT_EQ(rig.buffer()[0], 0xFF);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tollen, NoChip,
    ::testing::Values(NoChipCase{"At89S51", device::kAt89S51, "No response from uC . . ."},
                      NoChipCase{"AtMega8", device::kAtMega8, "No response from uC . . ."},
                      NoChipCase{"At90S8535", device::kAt90S8535, "No response from uC . . ."},
                      NoChipCase{"At90S1200", device::kAt90S1200, ""},
                      NoChipCase{"At89S53", device::kAt89S53, ""}),
    ByName{});

} // namespace
} // namespace tollen::testing
