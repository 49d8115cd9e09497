// Programming rules: blank bytes and pages skipped, EEPROM pages always
// written, AutoVerify, EraseOnly, and the erase with its default fuses.

#include <gtest/gtest.h>

#include "Rig.h"

namespace rindle::optest {
namespace {

using sim::isp::FuseIndex;
using sim::isp::Memory;

TEST(Program, AllBlankBufferErasesWritesNothingButStillLockBitsAndFuses) {
  struct Case {
    std::uint16_t device;
    std::uint64_t fuseWrites;
  };
  const Case cases[] = {{device::kAt89S52, 0},   {device::kAt89S8252, 0}, {device::kAt89S8253, 1},
                        {device::kAt90S4433, 1}, {device::kMega8, 2},     {device::kMega64, 3}};
  for (const Case &c : cases) {
    SCOPED_TRACE(ChipName(c.device));
    Rig rig(c.device);
    std::ranges::fill(rig.chip().flash(), 0x00);
    rig.engine.SaveOscCalToFlash = false; // no calibration bytes to burn
    rig.engine.ApplyDefaultFuses();
    rig.Fuses().LockBits = 0x01;

    rig.Run(&IspEngine::ProgramChip);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), "OK");
    const auto &n = rig.chip().counters();
    EXPECT_EQ(n.erases, 1u);
    EXPECT_EQ(n.flashWrites, 0u);
    EXPECT_EQ(n.eepromWrites, 0u);
    EXPECT_EQ(n.userSignatureWrites, 0u);
    EXPECT_EQ(n.fuseWrites, c.fuseWrites);
    EXPECT_EQ(n.lockWrites, 1u);
    EXPECT_EQ(rig.chip().lockByte() & 0x01, 0) << "LB1 programmed";
    EXPECT_EQ(rig.chip().flash()[0], 0xFF) << "erased";
  }
}

TEST(Program, BlankFlashPagesAreSkippedAndOthersWrittenAtTheirOwnAddress) {
  Rig rig(device::kMega8);
  // Pages 1 and 127 hold data; page 1 only in its last byte.
  rig.buffer()[64 + 63] = 0x12;
  rig.buffer()[127 * 64] = 0x34;
  rig.Run(&IspEngine::ProgramChip);
  ASSERT_EQ(rig.engine.ResultText.toStdString(), "OK");
  EXPECT_EQ(rig.chip().counters().flashWrites, 2u);
  EXPECT_EQ(rig.instructions(0x4C), 2u);
  EXPECT_EQ(rig.instructions(0x40), 64u) << "32 words loaded per written page";
  EXPECT_EQ(rig.chip().flash()[127], 0x12);
  EXPECT_EQ(rig.chip().flash()[127 * 64], 0x34);
}

TEST(Program, ByteModeWordWithOnlyItsHighByteSendsOnlyTheHighWrite) {
  Rig rig(device::kAt90S2313);
  rig.buffer()[0x101] = 0x42; // word 0x80, high byte
  rig.bench.setLogging(true);
  rig.Run(&IspEngine::ProgramChip);
  ASSERT_EQ(rig.engine.ResultText.toStdString(), "OK");
  EXPECT_EQ(rig.instructions(0x40), 0u);
  EXPECT_EQ(rig.instructions(0x48), 1u);
  EXPECT_EQ(rig.instructions(0x20), 0u) << "the blank low byte is not read back";
  EXPECT_EQ(rig.instructions(0x28), 1u);
  EXPECT_EQ(rig.chip().flash()[0x100], 0xFF);
  EXPECT_EQ(rig.chip().flash()[0x101], 0x42);
  EXPECT_EQ(rig.chip().counters().flashWrites, 1u);
}

TEST(Program, ByteModeReentersProgrammingModeAfterTheErase) {
  Rig rig(device::kTiny12);
  rig.buffer()[0] = 0x01;
  rig.Run(&IspEngine::ProgramChip);
  ASSERT_EQ(rig.engine.ResultText.toStdString(), "OK");
  // The first enable, the one after the erase and the lock bits' one; only
  // the first two with a reset of their own.
  EXPECT_EQ(rig.chip().counters().enables, 3u);
  EXPECT_EQ(rig.chip().counters().resets, 2u);
}

TEST(Program, EepromPagesAreWrittenEvenWhenBlank) {
  Rig rig(device::kMega88);
  std::ranges::fill(rig.chip().eeprom(), 0x00);
  rig.Run(&IspEngine::ProgramChip);
  ASSERT_EQ(rig.engine.ResultText.toStdString(), "OK");
  EXPECT_EQ(rig.chip().counters().eepromWrites, 128u);
  EXPECT_EQ(rig.instructions(0xC1), 512u);
  EXPECT_EQ(rig.instructions(0xC2), 128u);
  EXPECT_EQ(rig.chip().counters().flashWrites, 0u);
}

TEST(Program, ByteEepromSkipsBlankBytes) {
  Rig rig(device::kMega8);
  rig.buffer()[8192 + 3] = 0x77;
  rig.Run(&IspEngine::ProgramChip);
  ASSERT_EQ(rig.engine.ResultText.toStdString(), "OK");
  EXPECT_EQ(rig.chip().counters().eepromWrites, 1u);
  EXPECT_EQ(rig.chip().eeprom()[3], 0x77);
}

// With AutoVerify off nothing is read back: a chip that reads back wrong
// still programs "OK"; with it on the same chip fails.
TEST(Program, AutoVerifyOffNeverReadsBack) {
  struct Case {
    std::uint16_t device;
    std::vector<std::uint8_t> readInstructions;
  };
  const Case cases[] = {
      {device::kAt89S51, {0x20}},
      {device::kAt89S8252, {}},
      {device::kAt89S8253, {0x30, 0xB0, 0x32}},
      {device::kAt90S8515, {0x20, 0x28, 0xA0}},
      {device::kMega48, {0x20, 0x28, 0xA0}},
  };
  for (const Case &c : cases) {
    for (bool autoVerify : {false, true}) {
      SCOPED_TRACE(ChipName(c.device) + (autoVerify ? " verify on" : " verify off"));
      Rig rig(c.device);
      const auto image = RandomImage(rig.imageSize(), 7);
      std::ranges::copy(image, rig.buffer().begin());
      rig.buffer()[0] = 0x00;
      rig.chip().addBadRead(Memory::Flash, 0, 0x01);
      rig.engine.AutoVerify = autoVerify;
      rig.Run(&IspEngine::ProgramChip);
      if (autoVerify) {
        EXPECT_NE(rig.engine.ResultText.toStdString(), "OK");
        continue;
      }
      EXPECT_EQ(rig.engine.ResultText.toStdString(), "OK");
      for (std::uint8_t op : c.readInstructions) {
        EXPECT_EQ(rig.instructions(op), 0u) << "read instruction " << int(op);
      }
      auto expected = Slice(image, 0, rig.flashSize());
      expected[0] = 0x00;
      EXPECT_EQ(Bytes(rig.chip().flash()), expected);
    }
  }
}

TEST(Program, EraseOnlyStopsRightAfterTheErase) {
  for (std::uint16_t device :
       {device::kAt89S51, device::kAt89S8253, device::kAt90S1200, device::kMega8}) {
    SCOPED_TRACE(ChipName(device));
    Rig rig(device);
    std::ranges::fill(rig.buffer().first(rig.imageSize()), 0x00);
    rig.engine.EraseOnly = true;
    rig.Run(&IspEngine::ProgramChip);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), "");
    EXPECT_EQ(rig.chip().counters().erases, 1u);
    EXPECT_EQ(rig.chip().counters().flashWrites, 0u);
    EXPECT_EQ(rig.chip().counters().lockWrites, 0u);
    EXPECT_EQ(rig.chip().counters().enables, 1u) << "no second programming mode";
  }
}

TEST(Erase, Mega8GetsItsDefaultFusesAndUnprogrammedLockBits) {
  Rig rig(device::kMega8);
  ProgramEveryFuseBit(rig.chip());
  std::ranges::fill(rig.chip().flash(), 0x00);
  rig.Fuses().LockBits = 0x03;

  rig.Run(&IspEngine::EraseChip);
  EXPECT_EQ(rig.engine.ResultText.toStdString(), "OK");
  EXPECT_EQ(rig.Fuses().LockBits, 0);
  EXPECT_EQ(rig.Fuses().FuseLow, 0xE1);
  EXPECT_EQ(rig.Fuses().FuseHigh, 0xD9);
  EXPECT_EQ(rig.chip().fuse(sim::isp::kFuseLow), 0xE1);
  EXPECT_EQ(rig.chip().fuse(sim::isp::kFuseHigh), 0xD9);
  EXPECT_EQ(rig.chip().counters().lockWrites, 1u);
  EXPECT_EQ(rig.chip().lockByte() & 0x03, 0x03) << "LB1 and LB2 unprogrammed";
  EXPECT_EQ(rig.chip().flash()[100], 0xFF);
}

TEST(Erase, At89S52EntersProgrammingModeThreeTimesAndWritesNoLockBit) {
  Rig rig(device::kAt89S52);
  rig.Fuses().LockBits = 0x07;
  std::ranges::fill(rig.chip().flash(), 0x00);
  rig.Run(&IspEngine::EraseChip);
  EXPECT_EQ(rig.engine.ResultText.toStdString(), "OK");
  EXPECT_EQ(rig.Fuses().LockBits, 0);
  EXPECT_EQ(rig.chip().counters().erases, 1u);
  EXPECT_EQ(rig.chip().counters().enables, 4u) << "the erase's and three for the lock bits";
  EXPECT_EQ(rig.chip().counters().resets, 3u);
  EXPECT_EQ(rig.chip().counters().lockWrites, 0u);
  EXPECT_EQ(rig.chip().flash()[0], 0xFF);
}

TEST(Erase, KeepsTheLockByteAndSetsOnlyTheFuseBytesTheDeviceHas) {
  Rig rig(device::kMega48);
  rig.Fuses().LockByte = 0xF0;
  rig.Fuses().FuseExtended = 0xFE;
  rig.Run(&IspEngine::EraseChip);
  EXPECT_EQ(rig.Fuses().LockByte, 0xF0);
  EXPECT_EQ(rig.Fuses().FuseLow, 0x62);
  EXPECT_EQ(rig.Fuses().FuseHigh, 0xDF);
  EXPECT_EQ(rig.Fuses().FuseExtended, 0xFF);

  Rig s51(device::kAt89S51);
  s51.Fuses() = FuseState{3, 0x12, 0x34, 0x56, 0x78};
  s51.Run(&IspEngine::EraseChip);
  EXPECT_EQ(s51.Fuses(), (FuseState{0, 0x12, 0x34, 0x56, 0x78})) << "no defaults to apply";
}

// A timer that, once the chip erase's wait is over, leaves MISO stuck low:
// the chip is lost between the erase and the fuse and lock writes.
class LoseChipAfterErase : public common::TickTimer {
public:
  LoseChipAfterErase(sim::isp::Bench &bench, std::uint16_t eraseTicks)
      : bench_(bench), eraseTicks_(eraseTicks) {}
  void TimerSetup() override {}
  void TickDelay(std::uint16_t count) override {
    if (count == eraseTicks_) {
      bench_.setMisoFault(sim::isp::MisoFault::StuckLow);
    }
  }
  void TimerRestore() override {}

private:
  sim::isp::Bench &bench_;
  std::uint16_t eraseTicks_;
};

TEST(Erase, AChipLostAfterTheEraseIsNotReportedAsDone) {
  Rig rig(device::kMega8);
  LoseChipAfterErase timer(rig.bench, 13125);
  rig.bench.forwardDelaysTo(&timer);
  rig.Run(&IspEngine::EraseChip);
  rig.bench.forwardDelaysTo(nullptr);
  EXPECT_EQ(rig.chip().counters().erases, 1u);
  EXPECT_EQ(rig.chip().counters().fuseWrites, 0u);
  EXPECT_FALSE(rig.engine.ChipResponded);
  EXPECT_EQ(rig.engine.ResultText.toStdString(), "No response from uC . . .");
}

} // namespace
} // namespace rindle::optest
