// The fuse state that reaches the chip: default fuses in place of an
// unprogrammed state, lock bits of a chip lost on the way, and an erase that
// finds no chip.

#include <gtest/gtest.h>

#include "Rig.h"

namespace rindle::optest {
namespace {

std::vector<std::uint16_t> DevicesWithDefaults() {
  std::vector<std::uint16_t> rows;
  for (std::uint16_t row : AllDevices()) {
    if (FindDevice(row)->defaults.low) {
      rows.push_back(row);
    }
  }
  return rows;
}

// The fuse bytes the device's lock-bit write sends, as the chip stores them
// (index into the chip's low, high, extended bytes).
int WrittenFuseBytes(const IspEngine &e) {
  return e.Device.DeviceIndex == device::kAt89S8253 ? 1 : e.Device.FuseCount;
}

class FreshStart : public ::testing::TestWithParam<std::uint16_t> {};

// No settings file: the fuse state is what start-up and the device's
// selection leave. Program must write the defaults, never that state.
TEST_P(FreshStart, ProgramWritesTheDefaultFuses) {
  Rig rig(GetParam());
  IspEngine &e = rig.engine;
  ASSERT_TRUE(FusesUnprogrammed(*e.CurrentDevice(), e.Fuses));
  // A chip whose fuses differ from the defaults, so that a write shows.
  ProgramEveryFuseBit(rig.chip());
  rig.buffer()[0] = 0x12;

  e.ApplyDefaultFuses();
  rig.Run(&IspEngine::ProgramChip);
  ASSERT_EQ(e.ResultText.toStdString(), "OK");

  const FuseDefaults &d = e.CurrentDevice()->defaults;
  const std::optional<std::uint8_t> wanted[] = {d.low, d.high, d.extended};
  const int written = WrittenFuseBytes(e);
  ASSERT_GE(written, 1);
  for (int k = 0; k < written; ++k) {
    const auto byte = static_cast<sim::isp::FuseIndex>(k);
    ASSERT_TRUE(wanted[k].has_value()) << "fuse byte " << k;
    EXPECT_EQ(rig.chip().fuse(byte), *wanted[k]) << "fuse byte " << k;
  }
  EXPECT_NE(rig.chip().fuse(sim::isp::kFuseLow), 0xFF);
  EXPECT_FALSE(rig.chip().serialDisabled());
}

INSTANTIATE_TEST_SUITE_P(Devices, FreshStart, ::testing::ValuesIn(DevicesWithDefaults()), RowName);

TEST(DefaultFuses, AStateWithOnlyTheForcedBitsCountsAsUnprogrammed) {
  struct Case {
    const char *name;
    std::uint16_t device;
    FuseState before;
    FuseState after;
  };
  const Case cases[] = {
      {"mega8 SPIEN kept by the selection",
       device::kMega8,
       {0, 0xFF, 0xDF, 0xFF, 0xC0},
       {0, 0xE1, 0xD9, 0xFF, 0xFF}},
      {"mega8 not yet selected",
       device::kMega8,
       {0, 0xFF, 0xFF, 0xFF, 0xFF},
       {0, 0xE1, 0xD9, 0xFF, 0xFF}},
      {"mega8 one low bit programmed",
       device::kMega8,
       {0, 0xFE, 0xDF, 0xFF, 0xC0},
       {0, 0xFE, 0xDF, 0xFF, 0xC0}},
      {"mega8 BOOTRST programmed",
       device::kMega8,
       {1, 0xFF, 0xDE, 0xFF, 0xC0},
       {1, 0xFF, 0xDE, 0xFF, 0xC0}},
      {"tiny12 SPIEN in the low byte",
       device::kTiny12,
       {0, 0xDF, 0xFF, 0xFF, 0xFF},
       {0, 0x52, 0xFF, 0xFF, 0xFF}},
      {"tiny15 unused bits set too",
       device::kTiny15,
       {0, 0xDF, 0xFF, 0xFF, 0xFF},
       {0, 0x5C, 0xFF, 0xFF, 0xFF}},
      {"tiny13 SPIEN is low bit 7",
       device::kTiny13,
       {0, 0x7F, 0xFF, 0xFF, 0xFC},
       {0, 0x6A, 0xFF, 0xFF, 0xFF}},
      {"tiny26 SPIEN is high bit 3",
       device::kTiny26,
       {0, 0xFF, 0xF7, 0xFF, 0xFC},
       {0, 0xE1, 0xF7, 0xFF, 0xFF}},
      {"tiny26 EESAVE programmed",
       device::kTiny26,
       {0, 0xFF, 0xF3, 0xFF, 0xFC},
       {0, 0xFF, 0xF3, 0xFF, 0xFC}},
      {"mega88 extended kept by the selection",
       device::kMega88,
       {0, 0xFF, 0xDF, 0xFF, 0xC0},
       {0, 0x62, 0xDF, 0xF9, 0xFF}},
      {"mega168 extended programmed",
       device::kMega168,
       {0, 0xFF, 0xFF, 0xF9, 0xC0},
       {0, 0xFF, 0xFF, 0xF9, 0xC0}},
      {"tiny2313 looks at low and high only",
       device::kTiny2313,
       {2, 0xFF, 0xFF, 0xFE, 0xFC},
       {2, 0x64, 0xDF, 0xFF, 0xFF}},
      {"89S8253 user fuses unprogrammed",
       device::kAt89S8253,
       {1, 0xFF, 0x12, 0x34, 0x56},
       {1, 0xF6, 0xFF, 0xFF, 0xFF}},
      {"89S8253 SPIEN programmed",
       device::kAt89S8253,
       {1, 0xFE, 0xFF, 0xFF, 0xFF},
       {1, 0xFE, 0xFF, 0xFF, 0xFF}},
      {"90S2313 has no defaults",
       device::kAt90S2313,
       {0, 0xFF, 0xFF, 0xFF, 0xFF},
       {0, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(c.device);
    rig.Fuses() = c.before;
    rig.engine.ApplyDefaultFuses();
    EXPECT_EQ(rig.Fuses(), c.after);
    EXPECT_EQ(rig.chip().counters().instructions, 0u) << "the chip is not touched";
  }
}

// A timer that cuts the chip's power once the wait after the n-th lock-bit
// write is over.
class LoseChipAfterLockWrite : public common::TickTimer {
public:
  LoseChipAfterLockWrite(sim::isp::Bench &bench, std::uint16_t writeTicks, int writes)
      : bench_(bench), writeTicks_(writeTicks), left_(writes) {}
  void TimerSetup() override {}
  void TickDelay(std::uint16_t count) override {
    if (count == writeTicks_ && --left_ == 0) {
      bench_.setChipPowered(false);
    }
  }
  void TimerRestore() override {}

private:
  sim::isp::Bench &bench_;
  std::uint16_t writeTicks_;
  int left_;
};

struct LostChipCase {
  const char *name;
  std::uint16_t device;
  int writesBeforeLoss;
};

class LockBitsOfALostChip : public ::testing::TestWithParam<LostChipCase> {};

TEST_P(LockBitsOfALostChip, EndWithNoResponseAndSendNothingMore) {
  const LostChipCase &c = GetParam();
  Rig rig(c.device);
  rig.Fuses().LockBits = 0x07;
  LoseChipAfterLockWrite timer(rig.bench, 1194, c.writesBeforeLoss);
  rig.bench.forwardDelaysTo(&timer);
  rig.bench.setLogging(true);

  rig.engine.WriteLockBits();
  rig.bench.forwardDelaysTo(nullptr);
  EXPECT_EQ(rig.engine.ResultText.toStdString(), "No response from uC . . .");
  EXPECT_FALSE(rig.engine.ChipResponded);
  EXPECT_EQ(rig.chip().counters().lockWrites, static_cast<std::uint64_t>(c.writesBeforeLoss));
  EXPECT_FALSE(rig.bench.bufferEnabled()) << "the target is released";

  // Nothing is clocked out while the buffer is off (the default port
  // settings drive BEN and SCK without inversion).
  const PortSettings &p = rig.engine.Port;
  int edgesWithBufferOff = 0;
  bool sck = false;
  for (const sim::isp::PortAccess &a : rig.bench.log()) {
    if (!a.write || a.port != rig.bench.base()) {
      continue;
    }
    const bool high = (a.value & p.SckMask) != 0;
    if (high && !sck && (a.value & p.BenMask) != 0) {
      ++edgesWithBufferOff;
    }
    sck = high;
  }
  EXPECT_EQ(edgesWithBufferOff, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, LockBitsOfALostChip,
                         ::testing::Values(LostChipCase{"AT89S51_after_LB1", device::kAt89S51, 1},
                                           LostChipCase{"AT89S52_after_LB1", device::kAt89S52, 1},
                                           LostChipCase{"AT89S52_after_LB2", device::kAt89S52, 2}),
                         [](const ::testing::TestParamInfo<LostChipCase> &row) {
                           return std::string(row.param.name);
                         });

// (The AT89S8253 and AT89S53/8252 enables cannot tell a missing chip.)
TEST(Erase, WithNoChipKeepsTheUsersLockAndFuseChoices) {
  for (std::uint16_t index :
       {device::kMega8, device::kMega168, device::kAt90S4433, device::kTiny13, device::kAt89S52}) {
    SCOPED_TRACE(ChipName(index));
    Rig rig(index, /*withChip=*/false);
    rig.Fuses() = FuseState{0x03, 0xC4, 0x9F, 0xF8, 0xCF};
    const FuseState chosen = rig.Fuses();
    rig.Run(&IspEngine::EraseChip);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), "No response from uC . . .");
    EXPECT_EQ(rig.Fuses(), chosen);
  }
}

TEST(Erase, AnAnsweringChipGetsTheDefaultsAndLosesItsLockBits) {
  Rig rig(device::kMega168);
  rig.Fuses() = FuseState{0x03, 0xC4, 0x9F, 0xF8, 0xCF};
  rig.Run(&IspEngine::EraseChip);
  ASSERT_EQ(rig.engine.ResultText.toStdString(), "OK");
  EXPECT_EQ(rig.Fuses(), (FuseState{0, 0x62, 0xDF, 0xF9, 0xCF}));
  EXPECT_EQ(rig.chip().fuse(sim::isp::kFuseHigh), 0xDF);
  EXPECT_EQ(rig.chip().lockByte() & 0x03, 0x03);
}

} // namespace
} // namespace rindle::optest
