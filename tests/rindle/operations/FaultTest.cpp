// A chip that does not answer, and one that answers late.

#include <gtest/gtest.h>

#include "Rig.h"

namespace rindle::optest {
namespace {

struct Operation {
  const char *name;
  void (IspEngine::*run)();
};

const Operation kOperations[] = {
    {"read", &IspEngine::ReadChip},           {"program", &IspEngine::ProgramChip},
    {"verify", &IspEngine::VerifyChip},       {"blank check", &IspEngine::BlankCheckChip},
    {"erase", &IspEngine::EraseChip},         {"lock bits", &IspEngine::WriteLockBits},
    {"signature", &IspEngine::ReadSignature},
};

// No chip on the cable, an unpowered one, or one that never gets in step.
enum class Silence { NoChip, Unpowered, NeverInStep };

TEST(NoAnswer, EveryOperationReportsItAndTouchesNothing) {
  for (std::uint16_t device : {device::kAt89S52, device::kTiny15, device::kMega8}) {
    for (Silence silence : {Silence::NoChip, Silence::Unpowered, Silence::NeverInStep}) {
      for (const Operation &op : kOperations) {
        SCOPED_TRACE(ChipName(device) + " " + op.name + " case " +
                     std::to_string(static_cast<int>(silence)));
        Rig rig(device, silence != Silence::NoChip);
        std::vector<std::uint8_t> chipFlash;
        if (silence != Silence::NoChip) {
          std::ranges::fill(rig.chip().flash(), 0x00);
          chipFlash = Bytes(rig.chip().flash());
          if (silence == Silence::Unpowered) {
            rig.bench.setChipPowered(false);
          } else {
            rig.chip().setSyncOnAttempt(4);
          }
        }
        std::ranges::fill(rig.buffer(), 0x5A);
        rig.Fuses().LockBits = 0x03;

        rig.Run(op.run);
        EXPECT_EQ(rig.engine.ResultText.toStdString(), "No response from uC . . .");
        EXPECT_FALSE(rig.engine.ChipResponded);
        EXPECT_EQ(Bytes(rig.buffer()), std::vector<std::uint8_t>(rig.buffer().size(), 0x5A));
        if (silence != Silence::NoChip) {
          const auto &n = rig.chip().counters();
          EXPECT_EQ(n.enables, 0u);
          EXPECT_EQ(n.erases + n.flashWrites + n.eepromWrites + n.fuseWrites + n.lockWrites, 0u);
          EXPECT_EQ(Bytes(rig.chip().flash()), chipFlash);
        }
      }
    }
  }
}

TEST(NoAnswer, TheSignatureOfAnAbsentChipIsZero) {
  Rig rig(device::kMega8, false);
  rig.engine.ReadSignatureValue = 0x1E9307;
  rig.engine.SignatureOnly = true;
  rig.Run(&IspEngine::ReadSignature);
  EXPECT_EQ(rig.engine.ReadSignatureValue, 0);
  EXPECT_EQ(rig.engine.ResultText.toStdString(), "No response from uC . . .");
}

TEST(LateAnswer, AChipInStepOnlyAtTheThirdAttemptIsProgrammed) {
  for (std::uint16_t device : {device::kAt89S51, device::kAt90S8515, device::kMega16}) {
    SCOPED_TRACE(ChipName(device));
    Rig rig(device);
    rig.chip().setSyncOnAttempt(3);
    const auto image = RandomImage(rig.imageSize(), 11);
    std::ranges::copy(image, rig.buffer().begin());
    rig.engine.ApplyDefaultFuses();

    rig.Run(&IspEngine::ProgramChip);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), "OK");
    EXPECT_GE(rig.chip().counters().resets, 3u);
    EXPECT_EQ(Bytes(rig.chip().flash()), Slice(image, 0, rig.flashSize()));
  }
}

} // namespace
} // namespace rindle::optest

namespace rindle::optest {
namespace {

// Sizes no device has (a damaged settings file) never reach past the buffer.
TEST(DamagedSizes, OperationsStayInsideTheBuffer) {
  Rig tiny(device::kTiny2313);
  tiny.engine.Device.FlashSize = 1 << 30;
  tiny.engine.Device.EepromSize = 0xFFFF;
  tiny.engine.SaveOscCalToEeprom = true;
  tiny.engine.CalibrationBytes = {0x01, 0x02, 0x03, 0x04};
  tiny.engine.StoreCalibrationBytes();
  const auto cells = tiny.buffer();
  EXPECT_EQ(cells[cells.size() - 2], 0x01);
  EXPECT_EQ(cells[cells.size() - 1], 0x02);

  Rig s8253(device::kAt89S8253);
  s8253.engine.Device.FlashSize = -100;
  s8253.chip().eeprom()[0] = 0x44;
  s8253.Run(&IspEngine::ReadChip);
  EXPECT_EQ(s8253.buffer()[0], 0x44) << "the EEPROM follows an empty flash";
}

} // namespace
} // namespace rindle::optest
