#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "WireLog.h"
#include "common/testing/RecordingPort.h"
#include "rindle/engine/IspEngine.h"

namespace rindle {
namespace {

using common::PortEvent;

using testing::Delay;
using testing::Out;

using LinesTest = testing::EngineTest;

TEST_F(LinesTest, ReleaseTargetSetsBenWritesControlAndWaitsTenTimesTenMilliseconds) {
  engine.ReleaseTarget();

  std::vector<PortEvent> expected{Out(0x378, 0x08), Out(0x37A, 0x04)};
  expected.insert(expected.end(), 10, Delay(11932));
  EXPECT_EQ(hw.Log(), expected);
  EXPECT_EQ(engine.Port.DataPortValue, 0x08);
}

TEST_F(LinesTest, ReleaseTargetKeepsOtherLinesAndUsesTheConfiguredPort) {
  engine.Port.PortBase = 0x278;
  engine.Port.ControlPortValue = 0x0C;
  engine.Port.DataPortValue = 0xB5; // RST, SCK, MOSI and unassigned bits high
  engine.Port.BenMask = 0x02;

  engine.ReleaseTarget();

  EXPECT_EQ(hw.Writes(0x278), (std::vector<std::uint8_t>{0xB7}));
  EXPECT_EQ(hw.Writes(0x27A), (std::vector<std::uint8_t>{0x0C}));
}

struct LineCase {
  const char *what;
  std::uint16_t start;
  std::uint16_t mask;
  std::uint16_t invert;
  bool set;
  std::uint16_t pins; // DataPortValue afterwards: the electrical levels
};

void PrintTo(const LineCase &c, std::ostream *os) { *os << c.what; }

class LinePrimitiveTest : public LinesTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LinePrimitiveTest, ChangesOnlyItsOwnBitToTheElectricalLevel) {
  const LineCase &c = GetParam();
  engine.Port.DataPortValue = c.start;
  if (c.set) {
    engine.SetLine(c.mask, c.invert);
  } else {
    engine.ClearLine(c.mask, c.invert);
  }
  EXPECT_EQ(engine.Port.DataPortValue, c.pins) << c.what;
  EXPECT_TRUE(hw.Log().empty()) << "a primitive changes the image only";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinePrimitiveTest,
    ::testing::Values(
        LineCase{"set plain SCK drives pin 6 high", 0x00, 0x10, 0x00, true, 0x10},
        LineCase{"clear plain SCK drives pin 6 low", 0xFF, 0x10, 0x00, false, 0xEF},
        LineCase{"set inverted SCK drives pin 6 low", 0x00, 0x10, 0x10, true, 0x00},
        LineCase{"clear inverted SCK drives pin 6 high", 0x00, 0x10, 0x10, false, 0x10},
        LineCase{"set inverted keeps the other pins", 0xC5, 0x10, 0x10, true, 0xC5},
        LineCase{"clear inverted keeps the other pins", 0xC5, 0x10, 0x10, false, 0xD5},
        LineCase{"set on D0", 0x80, 0x01, 0x00, true, 0x81}),
    [](const ::testing::TestParamInfo<LineCase> &param) {
      std::string name = param.param.what;
      for (char &ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
          ch = '_';
        }
      }
      return name;
    });

TEST_F(LinesTest, TwoLinesOnOneBitLetTheLaterPrimitiveWin) {
  engine.Port.SckMask = 0x20; // same bit as MOSI
  engine.SetLine(engine.Port.MosiMask, engine.Port.MosiInvert);
  engine.ClearLine(engine.Port.SckMask, engine.Port.SckInvert);
  EXPECT_EQ(engine.Port.DataPortValue, 0x00);
  engine.SetLine(engine.Port.SckMask, engine.Port.SckInvert);
  EXPECT_EQ(engine.Port.DataPortValue, 0x20);
}

TEST_F(LinesTest, HoldResetDrivesResetHighOnlyForTheAt89SDevices) {
  for (std::size_t row = 0; row < kDeviceList.size(); ++row) {
    if (!kDeviceList[row].isDevice) {
      continue;
    }
    hw.ClearLog();
    engine.Port.DataPortValue = 0x08 | 0x40; // buffer off, SS high
    engine.Device.DeviceIndex = static_cast<std::uint16_t>(row);

    engine.HoldReset();

    // BEN low (buffer on), SCK high, SS untouched; RST high on rows 0 to 4.
    const std::uint8_t expected = 0x40 | 0x10 | (row <= 4 ? 0x80 : 0x00);
    EXPECT_EQ(hw.Log(), (std::vector<PortEvent>{Out(0x378, expected)})) << "row " << row;
  }
}

TEST_F(LinesTest, HoldResetHonoursInvertedLines) {
  engine.Port.RstInvert = engine.Port.RstMask;
  engine.Port.BenInvert = engine.Port.BenMask;
  engine.Device.DeviceIndex = device::kMega8;
  engine.Port.DataPortValue = 0x00;

  engine.HoldReset();

  // Inverted BEN clear and inverted RST clear both drive their pins high.
  EXPECT_EQ(hw.Writes(0x378), (std::vector<std::uint8_t>{0x80 | 0x10 | 0x08}));
}

TEST_F(LinesTest, ReleaseResetSetsBenAndClearsResetAndClockInOneWrite) {
  engine.Port.DataPortValue = 0x80 | 0x40 | 0x20 | 0x10;
  engine.ReleaseReset();
  EXPECT_EQ(hw.Log(), (std::vector<PortEvent>{Out(0x378, 0x40 | 0x20 | 0x08)}));
}

TEST_F(LinesTest, ApplyWritesThePresetWithInvertedLinesFlippedButKeepsThePreset) {
  struct Case {
    std::uint16_t preset;
    std::uint16_t sck, mosi, rst, ben, ss;
    std::uint8_t written;
  };
  const Case cases[] = {
      {0x00, 0x10, 0, 0, 0, 0, 0x10},
      {0x00, 0, 0, 0, 0, 0, 0x00},
      {0x08, 0x10, 0x20, 0x80, 0x08, 0x40, 0x08 ^ 0xF8},
      {0xFF, 0, 0x20, 0, 0, 0x40, 0x9F},
  };
  for (const Case &c : cases) {
    hw.ClearLog();
    engine.Port.DataPortValue = c.preset;
    engine.Port.ControlPortValue = 0x05;
    engine.Port.SckInvert = c.sck;
    engine.Port.MosiInvert = c.mosi;
    engine.Port.RstInvert = c.rst;
    engine.Port.BenInvert = c.ben;
    engine.Port.SsInvert = c.ss;

    engine.ApplyPortOptions();

    EXPECT_EQ(hw.Log(), (std::vector<PortEvent>{Out(0x378, c.written), Out(0x37A, 0x05)}))
        << "preset " << c.preset;
    EXPECT_EQ(engine.Port.DataPortValue, c.preset);
  }
}

TEST_F(LinesTest, DefaultRestoresTheWiringAndWritesBothPortsAtTheStandardAddress) {
  engine.Port = PortSettings{0x2F8, 0x33, 0x0F, 0x01, 0x02, 0x04, 0x08, 0x10,
                             0x80,  0x01, 0x02, 0x04, 0x08, 0x10, 0x00};
  engine.DefaultPortOptions();

  PortSettings expected; // start-up defaults, but the Default preset is 0x08
  expected.DataPortValue = 0x08;
  EXPECT_EQ(engine.Port, expected);
  EXPECT_EQ(hw.Log(), (std::vector<PortEvent>{Out(0x378, 0x08), Out(0x37A, 0x04)}));
}

TEST(PortSettingsTest, StartUpDefaults) {
  const PortSettings s;
  EXPECT_EQ(s.PortBase, 0x378);
  EXPECT_EQ(s.DataPortValue, 0x00);
  EXPECT_EQ(s.ControlPortValue, 0x04);
  EXPECT_EQ(s.BenMask, 0x08);
  EXPECT_EQ(s.SckMask, 0x10);
  EXPECT_EQ(s.MosiMask, 0x20);
  EXPECT_EQ(s.SsMask, 0x40);
  EXPECT_EQ(s.RstMask, 0x80);
  EXPECT_EQ(s.MisoMask, 0x40);
  EXPECT_EQ(s.BenInvert | s.SckInvert | s.MosiInvert | s.SsInvert | s.RstInvert | s.MisoInvert, 0);
}

// Whatever MISO input and Invert box, the bit read is the pin level, or its
// inverse when the box is ticked; the port hardware inverts status bit 7.
TEST_F(LinesTest, MisoReadsThePinLevelOnEveryInputWithTheInvertBoxRule) {
  for (std::uint16_t mask : {0x08, 0x10, 0x20, 0x40, 0x80}) {
    for (bool ticked : {false, true}) {
      for (bool pinHigh : {false, true}) {
        engine.Port.MisoMask = mask;
        engine.Port.MisoInvert = MisoInvertFor(mask, ticked);
        const bool registerBit = mask == 0x80 ? !pinHigh : pinHigh;
        // Noise on the other status bits must not matter.
        const std::uint8_t status = static_cast<std::uint8_t>((registerBit ? mask : 0) | 0x07);
        hw.QueueReads(std::vector<std::uint8_t>{status});

        EXPECT_EQ(engine.Lines().ReadMiso(), pinHigh != ticked)
            << "mask " << mask << " ticked " << ticked << " pin " << pinHigh;
        EXPECT_EQ(MisoInvertTicked(mask, engine.Port.MisoInvert), ticked);
      }
    }
  }
  EXPECT_EQ(MisoInvertFor(0x80, false), 0x80);
  EXPECT_EQ(MisoInvertFor(0x80, true), 0x00);
  EXPECT_EQ(MisoInvertFor(0x08, true), 0x08);
  EXPECT_EQ(MisoInvertFor(0x40, false), 0x00);
}

} // namespace
} // namespace rindle
