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
using testing::ClockedBytes;
using testing::MisoReads;

constexpr std::uint16_t kData = 0x378;
constexpr std::uint16_t kControl = 0x37A;

// A wire log cut into what a scope on the cable would show: every release
// (a control port write), every 100 ms wait and every instruction clocked.
struct Phases {
  int releases = 0;
  int waits100ms = 0;
  std::vector<std::vector<std::uint8_t>> instructions;
};

Phases Read(const std::vector<PortEvent> &log, std::size_t bytesPerInstruction) {
  Phases p;
  int tenMs = 0;
  for (const PortEvent &e : log) {
    if (e.kind == Kind::Out && e.port == kControl) {
      ++p.releases;
    }
    if (e.kind == Kind::Delay && e.ticks == 11932 && ++tenMs % 10 == 0) {
      ++p.waits100ms;
    }
  }
  const std::vector<std::uint8_t> bytes = ClockedBytes(log);
  for (std::size_t i = 0; i + bytesPerInstruction <= bytes.size(); i += bytesPerInstruction) {
    p.instructions.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                                bytes.begin() +
                                    static_cast<std::ptrdiff_t>(i + bytesPerInstruction));
  }
  return p;
}

// The data port value of the write that put the chip in reset, i.e. the
// write before the first 10 ms wait.
std::uint8_t ResetWrite(const std::vector<PortEvent> &log) {
  std::uint8_t last = 0;
  for (const PortEvent &e : log) {
    if (e.kind == Kind::Delay) {
      return last;
    }
    if (e.kind == Kind::Out && e.port == kData) {
      last = e.value;
    }
  }
  return last;
}

class EnableTest : public testing::EngineTest {
protected:
};

TEST_F(EnableTest, AnAvrAnsweringOnTheSecondAttemptIsReleasedOnceInBetween) {
  Select(device::kMega8);
  engine.InstructionBytes = {0, 0, 0x11, 0x22};
  std::vector<std::uint8_t> reads(32, 0x00); // first attempt: silence
  const std::vector<std::uint8_t> answer = MisoReads({0x00, 0xAC, 0x53, 0x00});
  reads.insert(reads.end(), answer.begin(), answer.end());
  hw.QueueReads(reads);

  engine.EnterProgrammingAvr();

  EXPECT_TRUE(engine.ChipResponded);
  EXPECT_TRUE(engine.ResultText.isEmpty());
  const Phases p = Read(hw.Log(), 4);
  EXPECT_EQ(p.releases, 1);
  EXPECT_EQ(p.waits100ms, 3) << "100 ms before each attempt and one in the release";
  EXPECT_EQ(p.instructions, (std::vector<std::vector<std::uint8_t>>{{0xAC, 0x53, 0x11, 0x22},
                                                                    {0xAC, 0x53, 0x11, 0x22}}));
  // Left in programming mode: buffer on, reset held (low), SCK low.
  EXPECT_EQ(engine.Port.DataPortValue & 0x98, 0x00);
}

TEST_F(EnableTest, AChipThatNeverAnswersGetsThreeAttemptsAndFourReleases) {
  struct Case {
    std::uint16_t index;
    void (IspEngine::*enter)();
  };
  const Case cases[] = {
      {device::kMega8, &IspEngine::EnterProgrammingAvr},
      {device::kTiny12, &IspEngine::EnterProgrammingAvr},
      {device::kAt89S51, &IspEngine::EnterProgramming89},
      {device::kAt89S52, &IspEngine::EnterProgramming},
  };
  for (const Case &c : cases) {
    hw = common::RecordingPort{};
    Select(c.index);
    engine.ChipResponded = true;
    engine.ResultText.clear();

    (engine.*c.enter)();

    SCOPED_TRACE(c.index);
    EXPECT_FALSE(engine.ChipResponded);
    EXPECT_EQ(engine.ResultText, "No response from uC . . .");
    const Phases p = Read(hw.Log(), 4);
    EXPECT_EQ(p.instructions.size(), 3u);
    for (const auto &instruction : p.instructions) {
      EXPECT_EQ(instruction[0], 0xAC);
      EXPECT_EQ(instruction[1], 0x53);
    }
    EXPECT_EQ(p.releases, 4);
    EXPECT_EQ(p.waits100ms, 7) << "three before the attempts, four in the releases";
    EXPECT_EQ(engine.Port.DataPortValue & 0x08, 0x08) << "left released";
  }
}

TEST_F(EnableTest, TheAnswerMustComeInTheFamilysOwnSlot) {
  struct Case {
    const char *what;
    std::uint16_t index;
    std::vector<std::uint8_t> answer;
    bool responded;
  };
  const Case cases[] = {
      {"AVR echo in byte 3", device::kMega16, {0x00, 0x00, 0x53, 0x00}, true},
      {"AVR echo in byte 4 only", device::kMega16, {0x00, 0x00, 0x00, 0x53}, false},
      {"AVR answering 69 in byte 4", device::kAt90S2313, {0x00, 0x00, 0x00, 0x69}, false},
      {"AT89S answer in byte 4", device::kAt89S52, {0x00, 0x00, 0x00, 0x69}, true},
      {"AT89S echo in byte 3 only", device::kAt89S51, {0x00, 0x00, 0x53, 0x00}, false},
  };
  for (const Case &c : cases) {
    hw = common::RecordingPort{};
    Select(c.index);
    const std::vector<std::uint8_t> reads = MisoReads(c.answer);
    for (int attempt = 0; attempt < 3; ++attempt) {
      hw.QueueReads(reads);
    }
    engine.EnterProgramming();
    EXPECT_EQ(engine.ChipResponded, c.responded) << c.what;
  }
}

TEST_F(EnableTest, ChipsWhoseAnswerIsNeverExaminedEnterAtOnce) {
  struct Case {
    std::uint16_t index;
    std::size_t bytes;
  };
  // No chip at all: MISO idles low.
  const Case cases[] = {{device::kAt90S1200, 4},
                        {device::kAt89S8253, 4},
                        {device::kAt89S53, 3},
                        {device::kAt89S8252, 3}};
  for (const Case &c : cases) {
    hw = common::RecordingPort{};
    Select(c.index);
    engine.ChipResponded = false;
    engine.ResultText = "earlier";
    engine.InstructionBytes = {0, 0, 0x77, 0x66};

    engine.EnterProgramming();

    SCOPED_TRACE(c.index);
    EXPECT_TRUE(engine.ChipResponded);
    EXPECT_EQ(engine.ResultText, "earlier");
    const Phases p = Read(hw.Log(), c.bytes);
    EXPECT_EQ(p.releases, 0);
    EXPECT_EQ(p.waits100ms, 1);
    const std::vector<std::uint8_t> sent{0xAC, 0x53, 0x77, 0x66};
    EXPECT_EQ(p.instructions,
              (std::vector<std::vector<std::uint8_t>>{{sent.begin(), sent.begin() + c.bytes}}));
  }
}

TEST_F(EnableTest, ResetIsHeldHighForAt89SAndLowForAvrWithTheBufferOnAndClockLow) {
  struct Case {
    std::uint16_t index;
    std::uint8_t pins;
  };
  const Case cases[] = {{device::kAt89S51, 0x80},
                        {device::kAt89S8252, 0x80},
                        {device::kAt89S8253, 0x80},
                        {device::kMega8, 0x00},
                        {device::kAt90S1200, 0x00}};
  for (const Case &c : cases) {
    hw = common::RecordingPort{};
    Select(c.index);
    engine.Port.DataPortValue = 0x08 | 0x10 | 0x40 | (c.pins ^ 0x80); // released, SCK high
    engine.EnterProgramming();
    EXPECT_EQ(ResetWrite(hw.Log()), 0x40 | c.pins) << "row " << c.index;
  }
}

TEST_F(EnableTest, EnableAfterAFailureReportsSuccessAgain) {
  Select(device::kMega8);
  engine.EnterProgrammingAvr();
  ASSERT_FALSE(engine.ChipResponded);

  hw.QueueReads(MisoReads({0x00, 0x00, 0x53, 0x00}));
  engine.EnterProgrammingAvr();
  EXPECT_TRUE(engine.ChipResponded);
}

} // namespace
} // namespace rindle
