#include "tests/sim/isp/Rig.h"

#include <gtest/gtest.h>

using namespace sim::isp;
using namespace simtest;

namespace {

class EnableEveryDevice
    : public testing::TestWithParam<std::tuple<std::string, RawDriver::Sample>> {};

TEST_P(EnableEveryDevice, AnswersAsItsFamilyDoes) {
  Rig rig(std::get<0>(GetParam()));
  const RawDriver::Sample sample = std::get<1>(GetParam());
  rig.d.setSample(sample);
  // The older programmer also runs its clock slower: 9 ticks a half bit.
  rig.d.setHalfBit(sample == RawDriver::Sample::BeforeRise ? 9 : 3);
  const auto answer = rig.ops.enter();
  const ChipModel &m = rig.model;
  switch (m.family) {
  case Family::At89S51:
  case Family::At89S8253: EXPECT_EQ(answer[3], 0x69); break;
  case Family::At89S8252: EXPECT_EQ(answer.size(), 3u); break;
  case Family::AvrByteMode:
  case Family::AvrPageMode:
    if (m.variant == ByteVariant::At90S1200)
      EXPECT_NE(answer[2], 0x53);
    else
      EXPECT_EQ(answer[2], 0x53);
    break;
  }
  EXPECT_TRUE(rig.chip().inProgrammingMode());
  EXPECT_EQ(rig.chip().counters().enables, 1u);

  // The signature answers through both sampling points alike.
  for (int k = 0; k < m.signatureCount; ++k) {
    std::uint8_t got = 0;
    if (m.family == Family::At89S51)
      got = rig.d.read4(0x28, static_cast<std::uint8_t>(k), 0x00);
    else if (m.family == Family::At89S8253)
      got = rig.d.read4(0x28, 0x00, static_cast<std::uint8_t>(0x30 + k));
    else
      got = rig.d.read4(0x30, 0x00, static_cast<std::uint8_t>(k));
    EXPECT_EQ(got, m.signature[static_cast<std::size_t>(k)]) << "signature byte " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Devices, EnableEveryDevice,
                         testing::Combine(testing::ValuesIn(AllDevices()),
                                          testing::Values(RawDriver::Sample::WhileHigh,
                                                          RawDriver::Sample::BeforeRise)),
                         [](const auto &p) {
                           return std::get<0>(p.param) +
                                  (std::get<1>(p.param) == RawDriver::Sample::WhileHigh
                                       ? "SampledHigh"
                                       : "SampledBeforeRise");
                         });

// Edges that come before the reset settle time are lost, so an enable sent
// too early is out of step and not recognised; one at the settle time is.
TEST(Enable, NeedsTheResetSettleTime) {
  for (const char *device : {"MEGA8", "AT89S51", "AT90S2313"}) {
    for (const bool early : {true, false}) {
      Rig rig(device);
      const std::uint32_t settle = rig.model.timing.resetSettle;
      // The first rising edge comes 3 ticks after the wait.
      rig.d.enterReset(rig.model.resetActiveHigh(), settle - 3 - (early ? 1 : 0));
      const auto answer = rig.ops.enable();
      SCOPED_TRACE(std::string(device) + (early ? " early" : " in time"));
      EXPECT_EQ(rig.chip().inProgrammingMode(), !early);
      if (rig.model.isAvr())
        EXPECT_EQ(answer[2] == 0x53, !early);
      else
        EXPECT_EQ(answer[3] == 0x69, !early);
    }
  }
}

TEST(Enable, ChipThatSynchronisesOnlyOnTheThirdAttempt) {
  for (const char *device : {"MEGA8", "AT89S52"}) {
    Rig rig(device);
    rig.chip().setSyncOnAttempt(3);
    const bool avr = rig.model.isAvr();
    for (int attempt = 1; attempt <= 3; ++attempt) {
      const auto answer = rig.ops.enter();
      const bool answered = avr ? answer[2] == 0x53 : answer[3] == 0x69;
      EXPECT_EQ(answered, attempt == 3) << device << " attempt " << attempt;
      EXPECT_EQ(rig.chip().inProgrammingMode(), attempt == 3);
      if (attempt < 3)
        rig.d.release();
    }
    EXPECT_EQ(rig.chip().counters().resets, 3u);
  }
}

TEST(Enable, OnlyTheEnableIsUnderstoodBeforeProgrammingMode) {
  Rig rig("MEGA8");
  rig.d.enterReset(false);
  EXPECT_EQ(rig.d.read4(0x30, 0x00, 0x00), 0xFF); // signature read refused
  rig.d.send({0xAC, 0x80, 0x00, 0x00});           // erase refused
  rig.chip().flash()[0] = 0x12;
  EXPECT_FALSE(rig.chip().inProgrammingMode());
  EXPECT_EQ(rig.chip().counters().ignoredUnknown, 2u);
  EXPECT_EQ(rig.chip().counters().erases, 0u);
  EXPECT_EQ(rig.ops.enable()[2], 0x53);
  EXPECT_EQ(rig.ops.readFlash(0), 0x12);
}

TEST(Enable, LeavingResetEndsProgrammingMode) {
  for (const char *device : {"ATtiny13", "AT89S8253"}) {
    Rig rig(device);
    rig.ops.enter();
    ASSERT_TRUE(rig.chip().inProgrammingMode());
    // Reset inactive with the buffer still on.
    rig.d.set(0x80, false, !rig.model.resetActiveHigh());
    rig.d.write();
    EXPECT_FALSE(rig.chip().inProgrammingMode()) << device;
    EXPECT_FALSE(rig.chip().inReset());
  }
}

TEST(Enable, AnAvrEchoesEachByteOneByteLater) {
  Rig rig("MEGA16");
  rig.ops.enter();
  const auto answer = rig.d.send({0x30, 0x00, 0x01, 0x00});
  EXPECT_EQ(answer[1], 0x30);
  EXPECT_EQ(answer[2], 0x00);
  EXPECT_EQ(answer[3], 0x94);
}

} // namespace

namespace {

// An instruction the chip does not know changes nothing, and the next one is
// understood again.
TEST(Enable, UnknownInstructionsAreIgnoredAndFramingKept) {
  const struct {
    const char *device;
    std::vector<std::uint8_t> unknown;
  } cases[] = {
      {"AT89S52", {0x99, 0x00, 0x00, 0x00}},
      {"AT89S52", {0xAC, 0x40, 0x00, 0x00}},
      {"AT89S8252", {0x03, 0x00, 0x00}},
      {"AT89S53", {0xAC, 0x00, 0x00}},
      {"AT89S8253", {0x77, 0x00, 0x00, 0x00}},
      {"AT90S8515", {0x4C, 0x00, 0x00, 0x00}}, // page write on a byte-mode chip
      {"TINY45", {0x99, 0x12, 0x34, 0x56}},
      {"TINY45", {0xAC, 0x00, 0x00, 0x00}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.device);
    Rig rig(c.device);
    rig.ops.enter();
    rig.chip().flash()[0] = 0x5A;
    const auto flash =
        std::vector<std::uint8_t>(rig.chip().flash().begin(), rig.chip().flash().end());
    const std::uint8_t lock = rig.chip().lockByte();
    const std::uint8_t fuse = rig.chip().fuse(kFuseLow);
    if (c.unknown.size() == 3)
      rig.d.send({c.unknown[0], c.unknown[1], c.unknown[2]});
    else
      rig.d.send({c.unknown[0], c.unknown[1], c.unknown[2], c.unknown[3]});
    EXPECT_EQ(rig.chip().counters().ignoredUnknown, 1u);
    EXPECT_TRUE(std::ranges::equal(rig.chip().flash(), flash));
    EXPECT_EQ(rig.chip().lockByte(), lock);
    EXPECT_EQ(rig.chip().fuse(kFuseLow), fuse);
    EXPECT_EQ(rig.chip().busyUntil(), 0u);
    EXPECT_EQ(rig.ops.readFlash(0), 0x5A);
  }
}

} // namespace
