// The fuse state that Write and Write LBs send, through the main window's
// commands against the simulated chips: a device chosen in the list starts
// from its own fresh state, an unprogrammed state gives way to the factory
// fuses, the stored fuses of the settings file are kept, and fuses that end
// serial programming are only written after a question.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "common/testing/ScriptedPrompter.h"
#include "tests/tollen/engine/QuietView.h"
#include "tests/tollen/engine/TollenRig.h"

namespace tollen::testing {
namespace {

using Kind = common::ScriptedPrompter::Shown::Kind;
using sim::isp::kFuseHigh;
using sim::isp::kFuseLow;

// The factory fuses of the devices that have fuses: low, and high where the
// device has it (0xFF otherwise).
struct Factory {
  std::uint8_t low, high;
};
Factory FactoryFuses(std::uint16_t index) {
  switch (index) {
  case device::kAt90S4433: return {0xDA, 0xFF};
  case device::kAtMega8: return {0xE1, 0xD9};
  case device::kAtTiny26: return {0xE1, 0xF7};
  default: return {0xFF, 0xFF};
  }
}
bool HasFuses(std::uint16_t index) { return FactoryFuses(index).low != 0xFF; }

// Every fuse bit of the chip programmed but those that end serial
// programming, every lock bit unprogrammed: a fuse write shows, and so does
// a lock bit.
void MarkChip(sim::isp::Chip &chip) {
  for (const auto k : {kFuseLow, kFuseHigh}) {
    if (chip.model().fuses[k].present) {
      chip.setFuse(k, chip.model().fuses[k].ispKillers);
    }
  }
  chip.setLockByte(0xFF);
}

// The main window's commands over the engine, with a chip of the selected
// device in the socket.
struct CommandRig {
  Rig rig;
  common::ScriptedPrompter prompter;
  QuietView view;
  MainCommands commands{rig.engine, prompter, view};

  explicit CommandRig(std::uint16_t index) : rig(index) { commands.InitForm1(); }

  sim::isp::Chip &chip() { return rig.chip(); }
  TollenEngine &engine() { return rig.engine; }

  // The list row picked, and its chip put in the socket.
  void Choose(std::uint16_t index) {
    ASSERT_EQ(commands.cboTypeChange(index), index);
    ASSERT_TRUE(rig.bench.insertChip(ChipName(index)));
  }
  // The fuse dialog closed with the boxes showing these bytes.
  void SetFuses(std::uint16_t low, std::uint16_t high, std::uint16_t lockByte) {
    engine().FuseLow = low;
    engine().FuseHigh = high;
    engine().LockByte = lockByte;
    commands.RefreshConfigBits();
    commands.UpdateConfigFuseBytes();
  }
  void SetLockBits(std::uint16_t bits) {
    for (int bit = 0; bit < 3; ++bit) {
      commands.chkLBClick(bit, (bits & (1u << bit)) != 0);
    }
  }
  // A Write of a buffer that is not blank; the message it ended with.
  QString Write() {
    rig.buffer()[0] = 0x12;
    prompter.shown.clear();
    commands.cmdWriteClick();
    return prompter.messages().join(u'|');
  }
  QString WriteLockBits() {
    rig.buffer()[0] = 0x12;
    prompter.shown.clear();
    commands.cmdLockBitsClick();
    return prompter.messages().join(u'|');
  }
};

// ---------------------------------------------------------------- device change

struct CarryCase {
  const char *name;
  std::uint16_t first;
  std::uint16_t lockBits; // chosen in the main window for the first device
  bool fusesChosen;       // the fuse dialog used for the first device
  std::uint16_t low, high, lockByte;
  std::uint16_t second;
};

void PrintTo(const CarryCase &c, std::ostream *os) { *os << c.name; }

class DeviceChange : public ::testing::TestWithParam<CarryCase> {};

TEST_P(DeviceChange, WriteSendsNothingOfTheFirstDevice) {
  const CarryCase &c = GetParam();
  CommandRig r(c.first);
  r.SetLockBits(c.lockBits);
  if (c.fusesChosen) {
    r.SetFuses(c.low, c.high, c.lockByte);
  }
  r.Choose(c.second);
  EXPECT_EQ(r.engine().LockBits, 0);
  EXPECT_EQ(r.commands.LockBoxes, (std::array<bool, 3>{}));
  MarkChip(r.chip());

  const QString shown = r.Write();
  EXPECT_TRUE(shown.startsWith("Programming/Verify OK")) << shown.toStdString();
  EXPECT_EQ(r.prompter.shown.size(), 1u) << "no question on the way";
  EXPECT_EQ(r.chip().lockByte(), 0xFF) << "no lock bit of the first device";
  EXPECT_FALSE(r.chip().serialDisabled());
  if (HasFuses(c.second)) {
    const Factory f = FactoryFuses(c.second);
    EXPECT_EQ(r.chip().fuse(kFuseLow), f.low);
    if (r.chip().model().fuses[kFuseHigh].present) {
      EXPECT_EQ(r.chip().fuse(kFuseHigh), f.high);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, DeviceChange,
    ::testing::Values(
        // Different fuse layouts.
        CarryCase{"Tiny26ChosenThenMega8", device::kAtTiny26, 0, true, 0xE4, 0xF3, 0x3F,
                  device::kAtMega8},
        CarryCase{"Mega8ChosenThenTiny26", device::kAtMega8, 2, true, 0xE4, 0xD1, 0x2F,
                  device::kAtTiny26},
        CarryCase{"At90S4433ChosenThenMega8", device::kAt90S4433, 0, true, 0xC2, 0xFF, 0x3F,
                  device::kAtMega8},
        CarryCase{"Mega8ChosenThenAt90S4433", device::kAtMega8, 0, true, 0xE4, 0xD1, 0x3F,
                  device::kAt90S4433},
        // The same lock-bit layout.
        CarryCase{"At89S51LocksThenAt89S52", device::kAt89S51, 7, false, 0, 0, 0,
                  device::kAt89S52},
        CarryCase{"At90S2313LocksThenAt90S8515", device::kAt90S2313, 3, false, 0, 0, 0,
                  device::kAt90S8515},
        // AT89S and AVR.
        CarryCase{"At89S52LocksThenMega8", device::kAt89S52, 1, false, 0, 0, 0, device::kAtMega8},
        CarryCase{"Mega8LocksThenAt89S51", device::kAtMega8, 3, true, 0xE1, 0xD9, 0x3C,
                  device::kAt89S51}),
    ByName{});

TEST(DeviceChange, TheSameRowKeepsTheChoices) {
  CommandRig r(device::kAtMega8);
  r.SetLockBits(1);
  r.SetFuses(0xE4, 0xD1, 0x3E);
  r.Choose(device::kAtMega8);
  EXPECT_EQ(r.engine().LockBits, 1);
  MarkChip(r.chip());
  r.Write();
  EXPECT_EQ(r.chip().fuse(kFuseLow), 0xE4);
  EXPECT_EQ(r.chip().fuse(kFuseHigh), 0xD1);
  EXPECT_EQ(r.chip().lockByte() & 0x03, 0x02) << "lock bit 1";
}

// The fuses of the settings file are the fuse dialog's at start, so Write
// sends them without the dialog being opened.
TEST(StoredFuses, WriteSendsTheFusesOfTheSettingsFile) {
  QTemporaryDir dir;
  sim::isp::Bench bench("MEGA8");
  TollenEngine engine(bench, bench);
  engine.SettingsPath = dir.filePath(kSettingsFileName);
  QFile f(engine.SettingsPath);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  // Port 0x378, ATmega8, lock bit 2; extended, high, low, lock byte.
  f.write("888\r\n10\r\n2\r\n\r\n255\r\n209\r\n228\r\n61\r\n");
  f.close();
  common::ScriptedPrompter prompter;
  QuietView view;
  MainCommands commands(engine, prompter, view);
  commands.FormCreate();
  MarkChip(*bench.chip());
  engine.Cells.cells[0] = 0x12;
  commands.cmdWriteClick();
  ASSERT_EQ(prompter.messages(),
            QStringList{QStringLiteral("Programming/Verify OK\rLock & Fuse Bits Programmed")});
  EXPECT_EQ(bench.chip()->fuse(kFuseLow), 0xE4);
  EXPECT_EQ(bench.chip()->fuse(kFuseHigh), 0xD1);
  EXPECT_EQ(bench.chip()->lockByte() & 0x03, 0x01) << "lock bit 2";
}

// ---------------------------------------------------------------- safeguard

struct UnprogrammedCase {
  const char *name;
  std::uint16_t device;
  bool lockBitsCommand; // Write LBs instead of Write
};

void PrintTo(const UnprogrammedCase &c, std::ostream *os) { *os << c.name; }

class Unprogrammed : public ::testing::TestWithParam<UnprogrammedCase> {};

// The fuse dialog never used and a buffer that is not blank: the factory
// fuses reach the chip in place of all ones, and stay the fuse state.
TEST_P(Unprogrammed, FactoryFusesAreWrittenInstead) {
  const UnprogrammedCase &c = GetParam();
  CommandRig r(c.device);
  MarkChip(r.chip());
  const QString shown = c.lockBitsCommand ? r.WriteLockBits() : r.Write();
  EXPECT_TRUE(shown.endsWith("Programmed")) << shown.toStdString();
  const Factory f = FactoryFuses(c.device);
  EXPECT_EQ(r.chip().fuse(kFuseLow), f.low);
  EXPECT_EQ(r.engine().FuseLow, f.low);
  if (r.chip().model().fuses[kFuseHigh].present) {
    EXPECT_EQ(r.chip().fuse(kFuseHigh), f.high);
    EXPECT_EQ(r.engine().FuseHigh, f.high);
  }
  EXPECT_FALSE(r.chip().serialDisabled());
}

INSTANTIATE_TEST_SUITE_P(Devices, Unprogrammed,
                         ::testing::Values(UnprogrammedCase{"Mega8Write", device::kAtMega8, false},
                                           UnprogrammedCase{"Mega8LockBits", device::kAtMega8,
                                                            true},
                                           UnprogrammedCase{"Tiny26Write", device::kAtTiny26,
                                                            false},
                                           UnprogrammedCase{"Tiny26LockBits", device::kAtTiny26,
                                                            true},
                                           UnprogrammedCase{"At90S4433Write", device::kAt90S4433,
                                                            false}),
                         ByName{});

TEST(Unprogrammed, FusesTheUserSetAreWrittenAsSet) {
  CommandRig r(device::kAtMega8);
  r.SetFuses(0xFF, 0xD1, 0x3F); // only the high fuse chosen
  MarkChip(r.chip());
  r.Write();
  EXPECT_EQ(r.chip().fuse(kFuseLow), 0xFF);
  EXPECT_EQ(r.chip().fuse(kFuseHigh), 0xD1);
}

// ---------------------------------------------------------------- lockout guard

struct GuardCase {
  const char *name;
  std::uint16_t device;
  std::uint16_t low, high;
  bool lockBitsCommand;
  bool yes;
};

void PrintTo(const GuardCase &c, std::ostream *os) { *os << c.name; }

class LockoutGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(LockoutGuard, AsksBeforeRstdisblAndWritesOnlyOnYes) {
  const GuardCase &c = GetParam();
  CommandRig r(c.device);
  r.SetFuses(c.low, c.high, 0x3F);
  MarkChip(r.chip());
  const std::uint8_t highBefore = r.chip().fuse(kFuseHigh);
  r.rig.buffer()[0] = 0x12;
  r.prompter.answers = {c.yes};
  r.prompter.shown.clear();
  if (c.lockBitsCommand) {
    r.commands.cmdLockBitsClick();
  } else {
    r.commands.cmdWriteClick();
  }
  ASSERT_GE(r.prompter.shown.size(), 1u);
  const auto &q = r.prompter.shown[0];
  EXPECT_EQ(q.kind, Kind::Question);
  EXPECT_EQ(q.caption, c.lockBitsCommand ? "  Lock Bits" : "  Write");
  EXPECT_EQ(q.icon, common::Prompter::Icon::Warning);
  EXPECT_FALSE(q.defaultYes);
  EXPECT_TRUE(q.text.contains("RSTDISBL (Fuse High bit")) << q.text.toStdString();
  if (c.yes) {
    EXPECT_EQ(r.chip().fuse(kFuseHigh), c.high);
    EXPECT_EQ(r.prompter.shown.size(), 2u) << "then the operation's message";
  } else {
    EXPECT_EQ(r.chip().fuse(kFuseHigh), highBefore) << "nothing written";
    EXPECT_EQ(r.chip().counters().fuseWrites, 0u);
    EXPECT_EQ(r.chip().counters().erases, 0u);
    EXPECT_EQ(r.prompter.shown.size(), 1u) << "No ends the command silently";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, LockoutGuard,
    ::testing::Values(GuardCase{"Mega8WriteNo", device::kAtMega8, 0xE1, 0x59, false, false},
                      GuardCase{"Mega8WriteYes", device::kAtMega8, 0xE1, 0x59, false, true},
                      GuardCase{"Tiny26LockBitsNo", device::kAtTiny26, 0xE1, 0xE7, true, false},
                      GuardCase{"Tiny26LockBitsYes", device::kAtTiny26, 0xE1, 0xE7, true, true}),
    ByName{});

} // namespace
} // namespace tollen::testing
