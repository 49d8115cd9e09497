// The device check's signature-only read, and the calibration bytes copied
// into the buffer before programming.

#include <gtest/gtest.h>

#include "Rig.h"

namespace rindle::optest {
namespace {

TEST(SignatureOnly, ReadsSignatureAndCalibrationButNoFusesAndNoReport) {
  Rig rig(device::kMega8);
  rig.chip().calibration() = {0x11, 0x22, 0x33, 0x44};
  rig.chip().setFuse(sim::isp::kFuseLow, 0x00);
  const FuseState fuses{1, 0xE1, 0xD9, 0xFF, 0xFF};
  rig.Fuses() = fuses;
  rig.engine.ResultText = QStringLiteral("before");
  rig.engine.SignatureOnly = true;

  rig.engine.ReadSignature();
  EXPECT_EQ(rig.engine.ReadSignatureValue, 0x1E9307);
  EXPECT_EQ(rig.engine.CalibrationBytes, (IspSlots{0x11, 0x22, 0x33, 0x44}));
  EXPECT_EQ(rig.engine.ResultText.toStdString(), "before");
  EXPECT_EQ(rig.Fuses(), fuses);
  EXPECT_EQ(rig.instructions(0x50) + rig.instructions(0x58), 0u);
  EXPECT_FALSE(rig.bench.bufferEnabled()) << "the target is released";
}

TEST(SignatureReadBack, TakesTheChipsFusesAndLockState) {
  Rig rig(device::kMega88);
  sim::isp::Chip &chip = rig.chip();
  chip.setFuse(sim::isp::kFuseLow, 0x42);
  chip.setFuse(sim::isp::kFuseHigh, 0xD5);
  chip.setFuse(sim::isp::kFuseExtended, 0xFA);
  chip.setLockByte(0xED); // LB2 programmed, LB1 not
  rig.Fuses() = FuseState{0x05, 0, 0, 0, 0};
  rig.engine.ReadSignature();
  // LB1 is cleared, LB2 set, bit 2 kept.
  EXPECT_EQ(rig.Fuses(), (FuseState{0x06, 0x42, 0xD5, 0xFA, 0xED}));

  Rig tiny(device::kTiny2313); // no lock byte kept, two fuse bytes read
  tiny.chip().setFuse(sim::isp::kFuseExtended, 0xFE);
  tiny.Fuses() = FuseState{0, 0, 0, 0x12, 0x34};
  tiny.engine.ReadSignature();
  EXPECT_EQ(tiny.Fuses(), (FuseState{0, 0x64, 0xDF, 0x12, 0x34}));

  Rig s51(device::kAt89S51);
  s51.chip().setLockByte(0xFD); // LB2
  s51.Fuses().LockBits = 0x05;
  s51.engine.ReadSignature();
  EXPECT_EQ(s51.Fuses().LockBits, 0x02);
  EXPECT_EQ(s51.engine.SignatureBytes[3], 0x08) << "the lock answer is kept";
}

struct CalibrationCase {
  const char *name;
  std::uint16_t device;
  bool toFlash;
  bool toEeprom;
  std::vector<std::pair<std::uint32_t, std::uint8_t>> stored; // buffer address, value
};

TEST(Calibration, CopiedToTheEndOfFlashOrEepromAsTheOptionsSay) {
  const CalibrationCase cases[] = {
      {"mega8 to flash",
       device::kMega8,
       true,
       false,
       {{8188, 0xA1}, {8189, 0xA2}, {8190, 0xA3}, {8191, 0xA4}}},
      {"mega8 to both",
       device::kMega8,
       true,
       true,
       {{8188, 0xA1},
        {8189, 0xA2},
        {8190, 0xA3},
        {8191, 0xA4},
        {8192 + 508, 0xA1},
        {8192 + 509, 0xA2},
        {8192 + 510, 0xA3},
        {8192 + 511, 0xA4}}},
      {"tiny2313 to EEPROM",
       device::kTiny2313,
       false,
       true,
       {{2048 + 126, 0xA1}, {2048 + 127, 0xA2}}},
      {"tiny2313 to flash", device::kTiny2313, true, false, {{2046, 0xA1}, {2047, 0xA2}}},
      {"mega16 has one byte", device::kMega16, true, true, {}},
      {"mega8 with both options off", device::kMega8, false, false, {}},
  };
  for (const CalibrationCase &c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(c.device);
    rig.engine.CalibrationBytes = {0xA1, 0xA2, 0xA3, 0xA4};
    rig.engine.SaveOscCalToFlash = c.toFlash;
    rig.engine.SaveOscCalToEeprom = c.toEeprom;
    std::vector<std::uint8_t> expected(rig.buffer().begin(), rig.buffer().end());
    for (auto [address, value] : c.stored) {
      expected[address] = value;
    }
    rig.engine.StoreCalibrationBytes();
    EXPECT_EQ(Bytes(rig.buffer()), expected);
  }
}

TEST(Calibration, ProgrammingAfterTheDeviceCheckBurnsTheChipsOwnBytes) {
  Rig rig(device::kMega8);
  rig.chip().calibration() = {0x9A, 0x9B, 0x9C, 0x9D};
  rig.engine.SignatureOnly = true;
  rig.engine.ReadSignature();
  rig.engine.SignatureOnly = false;
  rig.buffer()[0] = 0x00;

  rig.Run(&IspEngine::ProgramChip);
  ASSERT_EQ(rig.engine.ResultText.toStdString(), "OK");
  EXPECT_EQ(Bytes(rig.chip().flash().last(4)), (std::vector<std::uint8_t>{0x9A, 0x9B, 0x9C, 0x9D}));
  EXPECT_EQ(Bytes(rig.buffer().subspan(8188, 4)),
            (std::vector<std::uint8_t>{0x9A, 0x9B, 0x9C, 0x9D}));
}

} // namespace
} // namespace rindle::optest
