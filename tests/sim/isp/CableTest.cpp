#include "tests/sim/isp/Rig.h"

#include <gtest/gtest.h>

using namespace sim::isp;
using namespace simtest;

namespace {

std::uint8_t Status(Bench &bench) {
  return bench.Inp32(static_cast<std::uint16_t>(bench.base() + 1));
}

TEST(Port, StatusShowsPullUpsAndTheInversionOfBit7) {
  Bench bench; // no chip
  // Pins 15, 13, 12, 10, 11 high: bits 3..6 set, bit 7 reads the inverse.
  EXPECT_EQ(Status(bench), 0x7F);
  bench.setMisoFault(MisoFault::StuckLow);
  EXPECT_EQ(Status(bench), 0x3F);
  CableWiring onPin11;
  onPin11.miso = 0x80;
  bench.setWiring(onPin11);
  EXPECT_EQ(Status(bench), 0xFF); // pin 11 low reads as bit 7 set
}

TEST(Port, RegistersReadBackAndOtherAddressesAreAbsent) {
  Bench bench("MEGA8", 0x278);
  bench.Out32(0x278, 0x5A);
  bench.Out32(0x27A, 0x04);
  EXPECT_EQ(bench.Inp32(0x278), 0x5A);
  EXPECT_EQ(bench.Inp32(0x27A), 0x04);
  EXPECT_EQ(bench.dataRegister(), 0x5A);
  bench.Out32(0x378, 0x00);
  EXPECT_EQ(bench.dataRegister(), 0x5A);
  for (std::uint16_t port : {0x378, 0x379, 0x37A, 0x3BD})
    EXPECT_EQ(bench.Inp32(port), 0xFF) << std::hex << port;
}

TEST(Port, ChipAnswersAtAnyBaseAddress) {
  for (std::uint16_t base : {0x378, 0x278, 0x3BC, 0xE800}) {
    Bench bench("MEGA8", base);
    RawDriver d(bench.port(), bench.timer(), base);
    d.enterReset(false);
    EXPECT_EQ(d.send({0xAC, 0x53, 0x00, 0x00})[2], 0x53) << std::hex << base;
  }
}

TEST(Cable, BenHighIsolatesTheChip) {
  Rig rig("MEGA8");
  rig.ops.enter();
  ASSERT_TRUE(rig.chip().inProgrammingMode());
  rig.d.release(); // BEN high; SCK, MOSI and RST keep their port levels
  EXPECT_FALSE(rig.bench.bufferEnabled());
  EXPECT_FALSE(rig.chip().inProgrammingMode());
  EXPECT_FALSE(rig.chip().inReset());
  // Clocking behind a disabled buffer reaches nothing; MISO reads the pull-up.
  const auto before = rig.chip().counters().instructions;
  EXPECT_EQ(rig.d.send({0xAC, 0x53, 0x00, 0x00}),
            (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(rig.chip().counters().instructions, before);
  EXPECT_EQ(rig.chip().counters().resets, 1u);
}

TEST(Cable, At89ResetIsActiveHighAndAvrResetActiveLow) {
  for (const char *device : {"AT89S51", "MEGA8"}) {
    Rig rig(device);
    const bool activeHigh = rig.model.resetActiveHigh();
    rig.d.enterReset(!activeHigh); // the wrong level
    EXPECT_FALSE(rig.chip().inReset()) << device;
    rig.ops.enable();
    EXPECT_FALSE(rig.chip().inProgrammingMode()) << device;
    rig.d.enterReset(activeHigh);
    EXPECT_TRUE(rig.chip().inReset()) << device;
  }
}

struct WiringCase {
  const char *name;
  CableWiring wiring;
  // Whether a driver that assumes the default wiring loses the chip. An
  // inverted SCK alone does not: the chip then takes MOSI on the other edge,
  // where it is just as stable, and the answer bits still line up.
  bool defaultDriverFails = true;
};

CableWiring Inverted(bool ben, bool sck, bool mosi, bool rst, bool miso) {
  CableWiring w;
  w.benInverted = ben;
  w.sckInverted = sck;
  w.mosiInverted = mosi;
  w.rstInverted = rst;
  w.misoInverted = miso;
  return w;
}

CableWiring Remapped(std::uint8_t ben, std::uint8_t sck, std::uint8_t mosi, std::uint8_t rst,
                     std::uint8_t miso, bool misoInverted) {
  CableWiring w;
  w.ben = ben;
  w.sck = sck;
  w.mosi = mosi;
  w.rst = rst;
  w.miso = miso;
  w.misoInverted = misoInverted;
  return w;
}

void PrintTo(const WiringCase &c, std::ostream *os) { *os << c.name; }

const WiringCase kWirings[] = {
    {"Default", {}, false},
    {"AllInverted", Inverted(true, true, true, true, true)},
    {"SckInverted", Inverted(false, true, false, false, false), false},
    {"MosiInverted", Inverted(false, false, true, false, false)},
    {"RstInverted", Inverted(false, false, false, true, false)},
    {"BenInverted", Inverted(true, false, false, false, false)},
    {"MisoInverted", Inverted(false, false, false, false, true)},
    {"MisoOnPin11", Remapped(0x08, 0x10, 0x20, 0x80, 0x80, false)},
    {"MisoOnPin11Inverted", Remapped(0x08, 0x10, 0x20, 0x80, 0x80, true)},
    {"MisoOnPin15", Remapped(0x08, 0x10, 0x20, 0x80, 0x08, false)},
    {"LowDataBits", Remapped(0x40, 0x01, 0x02, 0x04, 0x10, false)},
};

class Wiring : public testing::TestWithParam<std::tuple<WiringCase, std::string>> {};

// A driver that knows the wiring talks to the chip; one that assumes the
// default wiring does not (except on the default cable).
TEST_P(Wiring, ChipAnswersThroughTheCableItIsWiredTo) {
  const CableWiring wiring = std::get<0>(GetParam()).wiring;
  const std::string device = std::get<1>(GetParam());
  for (const bool driverKnows : {true, false}) {
    Bench bench(device);
    bench.setWiring(wiring);
    RawDriver d(bench.port(), bench.timer(), bench.base(), driverKnows ? wiring : CableWiring{});
    ChipOps ops(d, bench.chip()->model());
    ops.enter();
    const std::uint8_t sig = d.read4(0x30, 0x00, 0x01);
    if (driverKnows || !std::get<0>(GetParam()).defaultDriverFails) {
      EXPECT_TRUE(bench.chip()->inProgrammingMode());
      EXPECT_EQ(sig, bench.chip()->model().signature[1]);
    } else {
      EXPECT_NE(sig, bench.chip()->model().signature[1]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Wiring,
                         testing::Combine(testing::ValuesIn(kWirings),
                                          testing::Values("MEGA8", "AT90S2313")),
                         [](const auto &p) {
                           return std::string(std::get<0>(p.param).name) + std::get<1>(p.param);
                         });

TEST(Cable, PresenceLoopFollowsD0WhenFitted) {
  for (const bool fitted : {true, false}) {
    Bench bench;
    CableWiring w;
    w.presenceLoop = fitted;
    bench.setWiring(w);
    bench.Out32(0x378, 0x01);
    const bool highWithD0 = (Status(bench) & 0x20) != 0;
    bench.Out32(0x378, 0x00);
    const bool highWithoutD0 = (Status(bench) & 0x20) != 0;
    EXPECT_TRUE(highWithD0);
    EXPECT_EQ(highWithoutD0, !fitted);
  }
}

// The older programmer looks for its cable at three addresses: D0 set must
// show on status bit 5, D0 clear must not. Absent ports read 0xFF.
TEST(Cable, PresenceLoopIsFoundOnlyAtTheCablesPort) {
  Bench bench("MEGA8", 0x278);
  CableWiring w;
  w.presenceLoop = true;
  bench.setWiring(w);
  std::vector<std::uint16_t> found;
  for (std::uint16_t base : {0x378, 0x278, 0x3BC}) {
    bench.Out32(base, 0x01);
    const bool withD0 = (bench.Inp32(static_cast<std::uint16_t>(base + 1)) & 0x20) != 0;
    bench.Out32(base, 0x00);
    const bool withoutD0 = (bench.Inp32(static_cast<std::uint16_t>(base + 1)) & 0x20) != 0;
    if (withD0 && !withoutD0)
      found.push_back(base);
  }
  EXPECT_EQ(found, std::vector<std::uint16_t>{0x278});
}

TEST(Cable, MisoFaultsAndMissingChipGiveFixedAnswers) {
  const struct {
    const char *name;
    std::function<void(Bench &)> fault;
    std::uint8_t answer;
  } cases[] = {
      {"stuck high", [](Bench &b) { b.setMisoFault(MisoFault::StuckHigh); }, 0xFF},
      {"stuck low", [](Bench &b) { b.setMisoFault(MisoFault::StuckLow); }, 0x00},
      {"no chip", [](Bench &b) { b.removeChip(); }, 0xFF},
      {"no power", [](Bench &b) { b.setChipPowered(false); }, 0xFF},
  };
  for (const auto &c : cases) {
    Bench bench("MEGA8");
    c.fault(bench);
    RawDriver d(bench.port(), bench.timer());
    d.enterReset(false);
    const auto answer = d.send({0xAC, 0x53, 0x00, 0x00});
    for (std::uint8_t b : answer)
      EXPECT_EQ(b, c.answer) << c.name;
    if (bench.chip()) {
      EXPECT_EQ(bench.chip()->inProgrammingMode(), std::string(c.name).starts_with("stuck"))
          << c.name;
    }
  }
}

TEST(Cable, ChipPoweredAgainStartsFromReset) {
  Rig rig("TINY13");
  rig.ops.enter();
  rig.bench.setChipPowered(false);
  EXPECT_FALSE(rig.chip().inProgrammingMode());
  EXPECT_FALSE(rig.chip().drivesMiso());
  rig.d.wait(11932);
  rig.bench.setChipPowered(true);
  EXPECT_TRUE(rig.chip().inReset()); // the port still holds reset low
  rig.d.wait(rig.model.timing.resetSettle);
  EXPECT_EQ(rig.ops.enable()[2], 0x53);
}

TEST(Cable, UnknownDeviceLeavesNoChip) {
  Bench bench("ATmega9999");
  EXPECT_EQ(bench.chip(), nullptr);
  EXPECT_TRUE(bench.insertChip("TINY85"));
  ASSERT_NE(bench.chip(), nullptr);
  EXPECT_EQ(bench.chip()->model().name, "ATtiny85");
  EXPECT_FALSE(bench.insertChip("nonsense"));
  EXPECT_EQ(bench.chip(), nullptr);
}

// --- Time ---------------------------------------------------------------

class CountingTimer : public common::TickTimer {
public:
  void TimerSetup() override { ++setups; }
  void TickDelay(std::uint16_t count) override {
    ticks += count;
    ++calls;
  }
  void TimerRestore() override { ++restores; }
  int setups = 0, restores = 0, calls = 0;
  std::uint64_t ticks = 0;
};

TEST(Clock, DelaysAdvanceTheClockAndAreForwarded) {
  Bench bench("MEGA8");
  CountingTimer real;
  bench.TickDelay(100);
  bench.forwardDelaysTo(&real);
  bench.TimerSetup();
  bench.TickDelay(3);
  bench.TickDelay(0);
  bench.TickDelay(11932);
  bench.TimerRestore();
  EXPECT_EQ(bench.now(), 100u + 3 + 11932);
  EXPECT_EQ(real.ticks, 3u + 11932);
  EXPECT_EQ(real.calls, 3);
  EXPECT_EQ(real.setups, 1);
  EXPECT_EQ(real.restores, 1);
  EXPECT_EQ(bench.timerSetups(), 1);
  bench.forwardDelaysTo(nullptr);
  bench.TickDelay(5);
  EXPECT_EQ(real.ticks, 3u + 11932);
}

TEST(Clock, LogRecordsAccessesWithTheirTimes) {
  Bench bench;
  bench.setLogging(true);
  bench.Out32(0x378, 0x08);
  bench.TickDelay(7);
  bench.Inp32(0x379);
  ASSERT_EQ(bench.log().size(), 2u);
  EXPECT_TRUE(bench.log()[0].write);
  EXPECT_EQ(bench.log()[0].value, 0x08);
  EXPECT_EQ(bench.log()[0].time, 0u);
  EXPECT_FALSE(bench.log()[1].write);
  EXPECT_EQ(bench.log()[1].port, 0x379);
  EXPECT_EQ(bench.log()[1].time, 7u);
}

} // namespace
