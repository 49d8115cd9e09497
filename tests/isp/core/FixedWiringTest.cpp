#include <gtest/gtest.h>

#include <vector>

#include "common/testing/RecordingPort.h"
#include "isp/core/Instructions.h"
#include "isp/core/IspLines.h"
#include "tests/rindle/engine/WireLog.h"

// The line layer driven by an engine of its own, as the older edition's is:
// a fixed wiring it keeps itself, MISO sampled before the rising edge and
// nine-tick clock halves.
namespace rindle {
namespace {

using common::PortEvent;
using Kind = common::PortEvent::Kind;

constexpr BitTiming kNineTickEarlySampling{0, 9, 9, MisoSampling::BeforeRisingEdge};

class FixedWiring : public ::testing::Test {
protected:
  FixedWiring() { wiring.PortBase = 0x278; }

  common::RecordingPort hw;
  PortSettings wiring; // the standard masks, nothing inverted
  IspLines lines{hw, hw, wiring, kNineTickEarlySampling};
};

TEST_F(FixedWiring, AFourByteInstructionGoesOutAndItsAnswerComesBack) {
  IspSlots instruction{};
  isp::avrpage::WriteFlashPage(instruction, 5 * 64); // ATmega8 page 5
  IspSlots response{0, 0, 0, 0x1234};
  hw.QueueReads(testing::MisoReads({0x11, 0x22, 0x33, 0x44}));

  lines.Transfer(instruction, response, 4);

  EXPECT_EQ(testing::ClockedBytes(hw.Log(), {.base = 0x278}),
            (std::vector<std::uint8_t>{0x4C, 0x00, 0xA0, 0x00}));
  EXPECT_EQ(response, (IspSlots{0x11, 0x22, 0x33, 0x44}));

  IspSlots three{0xAC, 0x53, 0x00, 0x00};
  response[3] = 0x1234;
  hw.QueueReads(testing::MisoReads({1, 2, 3}));
  lines.Transfer(three, response, 3);
  EXPECT_EQ(response[3], 0x1234) << "a three-byte transfer keeps the fourth answer";
}

// Only SCK and MOSI move during a transfer: D6 and the unassigned bits keep
// the levels the engine left, and the control port is never written.
TEST_F(FixedWiring, ATransferTouchesOnlyClockAndDataOnTheDataPort) {
  wiring.DataPortValue = 0x41; // D6 and the detection loop's D0 high
  IspSlots instruction{0xFF, 0x00, 0xA5, 0x5A};
  IspSlots response{};
  lines.Transfer(instruction, response, 4);

  int delays = 0;
  for (const PortEvent &e : hw.Log()) {
    if (e.kind == Kind::Out) {
      EXPECT_EQ(e.port, 0x278);
      EXPECT_EQ(e.value & ~0x30, 0x41) << "write of " << int(e.value);
    } else if (e.kind == Kind::In) {
      EXPECT_EQ(e.port, 0x279);
    } else {
      EXPECT_EQ(e.ticks, 9);
      ++delays;
    }
  }
  EXPECT_EQ(delays, 4 * 8 * 2);
}

TEST_F(FixedWiring, OpeningThePortUsesTheWiringsAddress) {
  struct OpenedAt : common::RecordingPort {
    common::PortReach Open(std::uint16_t base) override {
      opened.push_back(base);
      return {"/dev/parport1", true, ""};
    }
    std::vector<std::uint16_t> opened;
  } port;
  IspLines own(port, port, wiring, kNineTickEarlySampling);
  for (const std::uint16_t candidate : {0x378, 0x278, 0x3BC}) {
    wiring.PortBase = candidate;
    EXPECT_TRUE(own.OpenPort().ok);
  }
  EXPECT_EQ(port.opened, (std::vector<std::uint16_t>{0x378, 0x278, 0x3BC}));
  EXPECT_TRUE(port.Log().empty()) << "opening writes nothing";
}

} // namespace
} // namespace rindle
