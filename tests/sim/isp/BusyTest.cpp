#include "tests/sim/isp/Rig.h"

#include <functional>
#include <gtest/gtest.h>

using namespace sim::isp;
using namespace simtest;

namespace {

// A write keeps the chip busy for a fixed time from the rising edge that
// completed it. A read whose first edge comes 1 tick too early answers 0xFF
// and is ignored; one at the busy time answers the data. (The AVRs' times
// are checked against their data sheets in WriteTimesTest.)
struct BusyCase {
  const char *name;
  const char *device;
  std::uint32_t ticks; // the busy time the chip must keep
  std::function<void(Rig &)> write;
  std::function<std::uint8_t(Rig &)> read; // reads what the write changed
  std::uint8_t expected;
};

void PrintTo(const BusyCase &c, std::ostream *os) { *os << c.name; }

const std::uint32_t kMs10 = 11932;

const BusyCase kCases[] = {
    {"S51FlashByte", "AT89S51", 836,
     [](Rig &r) {
       r.d.send({0x40, 0x01, 0x23, 0x5A});
     },
     [](Rig &r) { return r.d.read4(0x20, 0x01, 0x23); }, 0x5A},
    {"S51Lock", "AT89S52", 1194,
     [](Rig &r) {
       r.d.send({0xAC, 0xE2, 0x00, 0x00});
     },
     [](Rig &r) { return r.d.read4(0x24, 0x00, 0x00); }, 0x08},
    {"S51Erase", "AT89S51", 51 * kMs10,
     [](Rig &r) {
       r.chip().flash()[7] = 0x00;
       r.d.send({0xAC, 0x80, 0x00, 0x00});
     },
     [](Rig &r) { return r.d.read4(0x20, 0x00, 0x07); }, 0xFF},
    {"S8252FlashByte", "AT89S8252", 2983,
     [](Rig &r) {
       r.d.send({0x0A, 0x10, 0x33});
     },
     [](Rig &r) { return r.d.read3(0x09, 0x10); }, 0x33},
    {"S8252EepromByte", "AT89S8252", 2983,
     [](Rig &r) {
       r.d.send({0x0E, 0x10, 0x44});
     },
     [](Rig &r) { return r.d.read3(0x0D, 0x10); }, 0x44},
    {"S53Erase", "AT89S53", 29830,
     [](Rig &r) {
       r.chip().flash()[0x10] = 0x00;
       r.d.send({0xAC, 0x04, 0x00});
     },
     [](Rig &r) { return r.d.read3(0x01, 0x10); }, 0xFF},
    {"S8253FlashPage", "AT89S8253", 5966,
     [](Rig &r) {
       r.d.send({0x50, 0x00, 0x40});
       for (int i = 0; i < 64; ++i)
         r.d.byte(static_cast<std::uint8_t>(i));
     },
     [](Rig &r) { return r.d.read4(0x28, 0x00, 0x30); }, 0x1E},
    {"S8253Fuses", "AT89S8253", kMs10,
     [](Rig &r) {
       r.d.send({0xAC, 0x13, 0x00, 0x00});
     },
     [](Rig &r) { return r.d.read4(0x21, 0x00, 0x00); }, 0xF3},
};

class Busy : public testing::TestWithParam<std::tuple<BusyCase, bool>> {};

TEST_P(Busy, ReadOneTickEarlyIsIgnoredAndAtTheWaitAnswers) {
  const BusyCase &c = std::get<0>(GetParam());
  const bool early = std::get<1>(GetParam());
  Rig rig(c.device);
  rig.ops.enter();
  c.write(rig);
  // The driver returns 3 ticks after the completing rising edge.
  const std::uint64_t completed = rig.bench.now() - 3;
  ASSERT_EQ(rig.chip().busyUntil(), completed + c.ticks);
  // The read's first rising edge comes 3 ticks after the wait.
  rig.d.wait(c.ticks - 3 - 3 - (early ? 1 : 0));
  const auto ignoredBefore = rig.chip().counters().ignoredBusy;
  const std::uint8_t got = c.read(rig);
  if (early) {
    EXPECT_EQ(got, 0xFF);
    EXPECT_EQ(rig.chip().counters().ignoredBusy, ignoredBefore + 1);
    // Once the time is over the data is there.
    EXPECT_EQ(c.read(rig), c.expected);
  } else {
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(rig.chip().counters().ignoredBusy, ignoredBefore);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Busy, testing::Combine(testing::ValuesIn(kCases), testing::Bool()),
                         [](const auto &p) {
                           return std::string(std::get<0>(p.param).name) +
                                  (std::get<1>(p.param) ? "Early" : "OnTime");
                         });

TEST(Busy, WritesDuringTheBusyTimeAreLost) {
  Rig rig("MEGA8");
  rig.ops.enter();
  rig.d.send({0xC0, 0x00, 0x01, 0x11});
  rig.d.send({0xC0, 0x00, 0x02, 0x22}); // no wait in between
  rig.d.wait(kMs10);
  EXPECT_EQ(rig.chip().eeprom()[1], 0x11);
  EXPECT_EQ(rig.chip().eeprom()[2], 0xFF);
  EXPECT_EQ(rig.chip().counters().eepromWrites, 1u);
}

TEST(Busy, PageStreamDuringTheBusyTimeIsClockedThroughUnused) {
  Rig rig("AT89S8253");
  rig.ops.enter();
  rig.d.send({0xAC, 0x80, 0x00, 0x00}); // erase, then at once a page write
  rig.d.send({0x50, 0x00, 0x00});
  for (int i = 0; i < 64; ++i)
    rig.d.byte(0x00);
  rig.d.wait(kMs10);
  EXPECT_EQ(rig.chip().flash()[0], 0xFF);
  // The stream's bytes were not taken for instructions.
  EXPECT_EQ(rig.chip().counters().ignoredUnknown, 0u);
  EXPECT_EQ(rig.d.read4(0x28, 0x00, 0x30), 0x1E);
}

} // namespace
