// A device chosen in the list starts from its own fresh fuse state: the lock
// and fuse choices made for one chip never reach the next, so Program writes
// the new device's default fuses unless the user sets fuses for it. Held
// against the simulated chips, whose fuses are read after Program.

#include "AppRig.h"

#include <optional>

namespace rindle::apptest {
namespace {

using namespace rindle::device;
using sim::isp::FuseIndex;

// How the first device left the fuse state.
enum class Before {
  Untouched, // the fuse dialog never opened
  Chosen,    // the user set `chosen` for it (dialog, lock boxes)
  Programmed // the first chip was programmed, its defaults put in place
};

struct CarryCase {
  const char *name;
  std::uint16_t first;
  Before before;
  FuseState chosen;
  std::uint16_t second;
};

void PrintTo(const CarryCase &c, std::ostream *os) { *os << c.name; }

// The fuse bytes the device's lock-bit write sends, in chip order.
int WrittenFuseBytes(std::uint16_t index) {
  return index == kAt89S8253 ? 1 : FindDevice(index)->fuseCount;
}

// Every fuse bit of the chip programmed but those that end serial
// programming, and every lock bit unprogrammed: a write of the defaults
// shows, and so does a lock bit written.
void MarkChip(sim::isp::Chip &chip) {
  for (int k = 0; k < 3; ++k) {
    const sim::isp::FuseModel &fuse = chip.model().fuses[static_cast<std::size_t>(k)];
    if (fuse.present)
      chip.setFuse(static_cast<FuseIndex>(k), fuse.ispKillers);
  }
  chip.setLockByte(0xFF);
}

void Program(AppRig &rig) {
  rig.engine.Buffer.all()[0] = 0x12;
  rig.prompter.shown.clear();
  rig.app.ProgramChip();
  ASSERT_EQ(rig.prompter.messages(), QStringList{QStringLiteral("Program, Verify  OK")});
  ASSERT_EQ(rig.prompter.shown.size(), 1u) << "no question on the way";
}

class DeviceChange : public ::testing::TestWithParam<CarryCase> {};

TEST_P(DeviceChange, ProgramWritesTheNewDevicesDefaults) {
  const CarryCase &c = GetParam();
  AppRig rig(c.first);
  switch (c.before) {
  case Before::Untouched: break;
  case Before::Chosen: rig.engine.Fuses = c.chosen; break;
  case Before::Programmed: Program(rig); break;
  }

  ASSERT_TRUE(rig.app.SelectRow(c.second));
  const DeviceEntry &entry = *FindDevice(c.second);
  EXPECT_EQ(rig.engine.Fuses, ApplyForcedFuses(entry, FuseState{}))
      << "the fresh state of " << entry.Name();
  EXPECT_FALSE(rig.app.LockBits().lb1);
  EXPECT_FALSE(rig.app.LockBits().lb2);

  MarkChip(rig.chip());
  Program(rig);

  const sim::isp::Chip &chip = rig.chip();
  EXPECT_EQ(chip.lockByte(), 0xFF) << "no lock bit of the first device";
  EXPECT_FALSE(chip.serialDisabled());
  if (!entry.defaults.low) {
    return; // a device without fuses: nothing more to write
  }
  const std::optional<std::uint8_t> wanted[] = {entry.defaults.low, entry.defaults.high,
                                                entry.defaults.extended};
  for (int k = 0; k < WrittenFuseBytes(c.second); ++k) {
    ASSERT_TRUE(wanted[k].has_value());
    EXPECT_EQ(chip.fuse(static_cast<FuseIndex>(k)), *wanted[k]) << "fuse byte " << k;
  }
}

constexpr FuseState kNone{};

INSTANTIATE_TEST_SUITE_P(
    Pairs, DeviceChange,
    ::testing::Values(
        // Different fuse layouts: the first device's forced bits made the
        // state look chosen.
        CarryCase{"Tiny13ThenMega8", kTiny13, Before::Untouched, kNone, kMega8},
        CarryCase{"Tiny12ThenMega8", kTiny12, Before::Untouched, kNone, kMega8},
        CarryCase{"Tiny15ThenMega128", kTiny15, Before::Untouched, kNone, kMega128},
        CarryCase{"Tiny13ThenTiny2313", kTiny13, Before::Untouched, kNone, kTiny2313},
        CarryCase{"Mega88ChosenThenTiny26", kMega88, Before::Chosen, {0, 0xE2, 0xD7, 0xF9, 0xFF},
                  kTiny26},
        CarryCase{"Mega8ProgrammedThenMega16", kMega8, Before::Programmed, kNone, kMega16},
        // The same layout: the user's choices were for the other chip.
        CarryCase{"Mega16ChosenThenMega32", kMega16, Before::Chosen, {3, 0xE4, 0x89, 0xFF, 0xEF},
                  kMega32},
        CarryCase{"Mega88ChosenThenMega168", kMega88, Before::Chosen, {0, 0xE2, 0xDF, 0xF9, 0xFF},
                  kMega168},
        CarryCase{"Tiny45ChosenThenTiny85", kTiny45, Before::Chosen, {2, 0xE2, 0xD7, 0xFF, 0xFD},
                  kTiny85},
        CarryCase{"At89S51LocksThenAt89S52", kAt89S51, Before::Chosen, {3, 0xFF, 0xFF, 0xFF, 0xFF},
                  kAt89S52},
        // AT89S and AVR.
        CarryCase{"At89S8253ProgrammedThenMega8", kAt89S8253, Before::Programmed, kNone, kMega8},
        CarryCase{"At89S8253ChosenThenMega8", kAt89S8253, Before::Chosen,
                  {1, 0xF4, 0xFF, 0xFF, 0xFF}, kMega8},
        CarryCase{"Mega8ProgrammedThenAt89S8253", kMega8, Before::Programmed, kNone, kAt89S8253},
        CarryCase{"Mega8LocksThenAt89S52", kMega8, Before::Chosen, {1, 0xE1, 0xD9, 0xFF, 0xFE},
                  kAt89S52},
        CarryCase{"At89S52LocksThenTiny2313", kAt89S52, Before::Chosen, {3, 0xFF, 0xFF, 0xFF, 0xFF},
                  kTiny2313}),
    CaseName());

// Picking the device already selected is no change: what the user set for
// it stays.
TEST(DeviceChange, TheSameRowKeepsTheChoices) {
  AppRig rig(kMega8);
  const FuseState chosen{1, 0xE4, 0xD1, 0xFF, 0xEF};
  rig.engine.Fuses = chosen;
  ASSERT_TRUE(rig.app.SelectRow(kMega8));
  EXPECT_EQ(rig.engine.Fuses, chosen);
  EXPECT_TRUE(rig.app.LockBits().lb1);
}

// The device and fuses the settings file holds are taken as they are at
// start, and reach the chip.
TEST(DeviceChange, StartKeepsTheStoredFuses) {
  QTemporaryDir folder;
  const FuseState stored{0, 0xE4, 0xD1, 0xFF, 0xFF};
  {
    AppRig first(kMega8, {}, folder.path());
    first.engine.Fuses = stored;
    first.app.FormClose();
  }
  AppRig rig(kMega8, {}, folder.path());
  EXPECT_EQ(rig.engine.Fuses, stored);
  MarkChip(rig.chip());
  Program(rig);
  EXPECT_EQ(rig.chip().fuse(sim::isp::kFuseLow), 0xE4);
  EXPECT_EQ(rig.chip().fuse(sim::isp::kFuseHigh), 0xD1);
}

} // namespace
} // namespace rindle::apptest
