#include <gtest/gtest.h>

#include <vector>

#include "EngineFixture.h"
#include "WireLog.h"
#include "common/testing/RecordingPort.h"
#include "rindle/engine/IspEngine.h"

namespace rindle {
namespace {

using common::PortEvent;
using Kind = common::PortEvent::Kind;
using testing::ClockedBits;
using testing::ClockedBytes;
using testing::MisoReads;

using testing::Delay;
using testing::In;
using testing::Out;

using TransferTest = testing::EngineTest;

TEST_F(TransferTest, EachBitIsMosiWaitRiseWaitSampleFallInThatOrder) {
  engine.InstructionBytes[0] = 0xAC;
  hw.QueueReads(MisoReads({0x5A}));

  engine.ShiftByte();

  std::vector<PortEvent> expected;
  const int sent[] = {1, 0, 1, 0, 1, 1, 0, 0};
  const int answered[] = {0, 1, 0, 1, 1, 0, 1, 0};
  for (int i = 0; i < 8; ++i) {
    const std::uint8_t mosi = sent[i] != 0 ? 0x20 : 0x00;
    expected.push_back(Out(0x378, mosi));
    expected.push_back(Delay(3));
    expected.push_back(Out(0x378, mosi | 0x10));
    expected.push_back(Delay(3));
    expected.push_back(In(0x379, answered[i] != 0 ? 0x40 : 0x00));
    expected.push_back(Out(0x378, mosi));
  }
  EXPECT_EQ(hw.Log(), expected);
  EXPECT_EQ(engine.ResponseBytes[0], 0x5A);
  EXPECT_EQ(engine.Port.DataPortValue & 0x10, 0) << "SCK idles low";
}

TEST_F(TransferTest, OnlyTheLowByteOfASlotIsSentAndSlotsGoOutInOrder) {
  struct Case {
    const char *name;
    void (IspEngine::*transfer)();
    std::vector<std::uint8_t> sent;
  };
  const Case cases[] = {
      {"ShiftByte", &IspEngine::ShiftByte, {0xAC}},
      {"Transfer3", &IspEngine::Transfer3, {0xAC, 0x53, 0x34}},
      {"Transfer4", &IspEngine::Transfer4, {0xAC, 0x53, 0x34, 0x5A}},
  };
  for (const Case &c : cases) {
    hw.ClearLog();
    engine.InstructionBytes = {0x01AC, 0x53, 0x1234, 0xFF5A};
    (engine.*c.transfer)();
    EXPECT_EQ(ClockedBytes(hw.Log()), c.sent) << c.name;
    EXPECT_EQ(engine.InstructionBytes, (IspSlots{0x01AC, 0x53, 0x1234, 0xFF5A}))
        << c.name << " leaves the instruction for the next one";
  }
}

TEST_F(TransferTest, ResponsesFillOnlyTheTransferredSlotsWithEightBits) {
  struct Case {
    const char *name;
    void (IspEngine::*transfer)();
    IspSlots after;
  };
  const Case cases[] = {
      {"ShiftByte", &IspEngine::ShiftByte, {0x11, 0xBEEF, 0xBEEF, 0xBEEF}},
      {"Transfer3", &IspEngine::Transfer3, {0x11, 0x22, 0x33, 0xBEEF}},
      {"Transfer4", &IspEngine::Transfer4, {0x11, 0x22, 0x33, 0x44}},
  };
  for (const Case &c : cases) {
    engine.ResponseBytes = {0xBEEF, 0xBEEF, 0xBEEF, 0xBEEF};
    hw.QueueReads(MisoReads({0x11, 0x22, 0x33, 0x44}));
    (engine.*c.transfer)();
    EXPECT_EQ(engine.ResponseBytes, c.after) << c.name;
    hw = common::RecordingPort{};
  }
}

TEST_F(TransferTest, MisoHeldAtOneLevelGivesAllOnesOrAllZeros) {
  struct Case {
    std::uint8_t status;
    std::uint16_t misoInvert;
    std::uint16_t expected;
  };
  const Case cases[] = {
      {0xFF, 0x00, 0xFF}, {0x40, 0x00, 0xFF}, {0x00, 0x00, 0x00},
      {0xBF, 0x00, 0x00}, {0x40, 0x40, 0x00}, {0x00, 0x40, 0xFF},
  };
  for (const Case &c : cases) {
    hw.SetIdleRead(c.status);
    engine.Port.MisoInvert = c.misoInvert;
    engine.Transfer4();
    EXPECT_EQ(engine.ResponseBytes, (IspSlots{c.expected, c.expected, c.expected, c.expected}))
        << "status " << int(c.status) << " invert " << c.misoInvert;
  }
}

TEST_F(TransferTest, InvertedClockAndDataStillCarryTheByteAndNeverTouchResetOrBuffer) {
  engine.Port.SckInvert = engine.Port.SckMask;
  engine.Port.MosiInvert = engine.Port.MosiMask;
  engine.Port.DataPortValue = 0x80 | 0x10; // RST high, BEN low, SCK pin high = idle
  engine.InstructionBytes = {0xAC, 0x53, 0x00, 0xFF};

  engine.Transfer4();

  testing::Wiring inverted;
  inverted.sckInvert = 0x10;
  inverted.mosiInvert = 0x20;
  EXPECT_EQ(ClockedBytes(hw.Log(), inverted), (std::vector<std::uint8_t>{0xAC, 0x53, 0x00, 0xFF}));
  for (const PortEvent &e : hw.Log()) {
    if (e.kind == Kind::Out) {
      EXPECT_EQ(e.port, 0x378);
      EXPECT_EQ(e.value & 0x88, 0x80) << "RST and BEN keep their levels";
    }
  }
  EXPECT_EQ(engine.Port.DataPortValue & 0x10, 0x10) << "inverted SCK idles with the pin high";
}

TEST_F(TransferTest, SendsMosiOneZeroOneZeroOneOneZeroZeroForAc) {
  engine.InstructionBytes[0] = 0xAC;
  engine.ShiftByte();
  EXPECT_EQ(ClockedBits(hw.Log(), {}), (std::vector<int>{1, 0, 1, 0, 1, 1, 0, 0}));
}

TEST_F(TransferTest, TickDelayZeroTouchesNoPort) {
  engine.TickDelay(0);
  EXPECT_EQ(hw.Count(Kind::Out) + hw.Count(Kind::In), 0u);
}

TEST_F(TransferTest, TimerSetupAndRestoreReachTheTimer) {
  engine.TimerSetup();
  engine.TimerRestore();
  EXPECT_EQ(hw.Log(), (std::vector<PortEvent>{{Kind::TimerSetup}, {Kind::TimerRestore}}));
}

// The older edition's cable samples MISO before the rising edge and spends
// nine ticks in each clock half.
TEST(IspLinesTest, AnEarlySamplingTimingReadsBeforeTheRisingEdge) {
  common::RecordingPort hw;
  PortSettings wiring;
  IspLines lines(hw, hw, wiring, BitTiming{0, 9, 9, MisoSampling::BeforeRisingEdge});
  hw.QueueReads(MisoReads({0x80}));

  EXPECT_EQ(lines.ShiftBits(0x80), 0x80);

  const std::vector<PortEvent> firstBit(hw.Log().begin(), hw.Log().begin() + 6);
  EXPECT_EQ(firstBit, (std::vector<PortEvent>{Out(0x378, 0x20), In(0x379, 0x40), Out(0x378, 0x30),
                                              Delay(9), Out(0x378, 0x20), Delay(9)}));
  EXPECT_EQ(hw.Log().size(), 8u * 6u);
}

} // namespace
} // namespace rindle
