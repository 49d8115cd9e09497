#include <gtest/gtest.h>

#include <vector>

#include "common/testing/RecordingPort.h"

namespace common {
namespace {

using Kind = PortEvent::Kind;

TEST(RecordingPortTest, LogsAccessesAndDelaysInOneSequence) {
  RecordingPort hw;
  hw.Out32(0x378, 0x08);
  hw.TickDelay(3);
  hw.SetIdleRead(0x40);
  EXPECT_EQ(hw.Inp32(0x379), 0x40);
  hw.TimerSetup();
  hw.TimerRestore();

  EXPECT_EQ(hw.Log(), (std::vector<PortEvent>{{Kind::Out, 0x378, 0x08, 0},
                                              {Kind::Delay, 0, 0, 3},
                                              {Kind::In, 0x379, 0x40, 0},
                                              {Kind::TimerSetup},
                                              {Kind::TimerRestore}}));
  EXPECT_EQ(hw.Writes(0x378), (std::vector<std::uint8_t>{0x08}));
  EXPECT_EQ(hw.Delays(), (std::vector<std::uint16_t>{3}));
}

TEST(RecordingPortTest, ReadsComeFromTheQueueThenTheResponderThenTheIdleByte) {
  RecordingPort hw;
  hw.SetIdleRead(0x11);
  EXPECT_EQ(hw.Inp32(0x379), 0x11);
  hw.QueueReads(std::vector<std::uint8_t>{0xA0, 0xB0});
  hw.SetResponder([](std::uint16_t port) { return static_cast<std::uint8_t>(port & 0xFF); });
  EXPECT_EQ(hw.Inp32(0x379), 0xA0);
  EXPECT_EQ(hw.QueuedReads(), 1u);
  EXPECT_EQ(hw.Inp32(0x379), 0xB0);
  EXPECT_EQ(hw.Inp32(0x27A), 0x7A);
  EXPECT_EQ(hw.Count(Kind::In), 4u);
}

} // namespace
} // namespace common
