// The dry run's hardware: the chip it keeps between runs, and delays that
// also pass through a wall clock, so progress and Cancel work as on the cable.

#include "tests/tollen/ui/WindowRig.h"

#include "isp/hardware/IspHardware.h"
#include "isp/widgets/TfrmCmdSts.h"
#include "sim/isp/Chip.h"
#include "sim/isp/ChipModels.h"
#include "tollen/engine/Session.h"

namespace tollen::uitest {
namespace {

// A wall clock that waits for nothing: it adds up what it was asked to wait
// and lets a test act at a chosen point of the wait.
struct WallClock : common::TickTimer {
  std::uint64_t ticks = 0;
  int setups = 0;
  int restores = 0;
  std::uint64_t actAt = 0; // 0: never
  std::function<void()> act;
  void TimerSetup() override { ++setups; }
  void TimerRestore() override { ++restores; }
  void TickDelay(std::uint16_t count) override {
    ticks += count;
    if (actAt != 0 && ticks >= actAt && act) {
      actAt = 0;
      act();
    }
  }
};

// This edition's simulated bench, its delays also passed to `wall`.
rindle::SimulationSetup Cable(const char *device, const QString &stateFile,
                              common::TickTimer *wall) {
  rindle::SimulationSetup setup = SimulatedCable(QString::fromLatin1(device), stateFile);
  setup.realDelays = false;
  setup.wall = wall;
  return setup;
}

struct DryRun {
  QTemporaryDir dir;
  WallClock wall;
  rindle::SimulatedHardware simulation;
  common::ScriptedPrompter prompter;
  TollenEngine engine{simulation.bench(), simulation.bench()};
  std::unique_ptr<ui::MainWindow> window;

  explicit DryRun(const char *device)
      : simulation(Cable(device, dir.filePath("chip.state"), &wall)) {
    engine.SettingsPath = dir.filePath(QString::fromLatin1(kSettingsFileName));
    engine.Messages = &prompter;
    window =
        std::make_unique<ui::MainWindow>(engine, prompter, ui::MainWindow::Options{[] {}, false});
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    SelectDevice(window.get(), device::kAtMega8);
  }
  ~DryRun() { window->close(); }
};

TEST(DryRun, EveryDelayAlsoWaitsOnTheWallClock) {
  DryRun run("ATmega8");
  const std::uint64_t before = run.simulation.bench().now();
  const std::uint64_t wallBefore = run.wall.ticks;
  Click(Child(run.window.get(), "cmdRead"));
  ASSERT_FALSE(run.prompter.shown.empty());
  EXPECT_EQ(run.prompter.shown.back().text, "Data Reading Complete");
  const std::uint64_t waited = run.simulation.bench().now() - before;
  EXPECT_GT(waited, 0u);
  EXPECT_EQ(run.wall.ticks - wallBefore, waited)
      << "the wall clock waits as long as the chip's time runs";
  EXPECT_EQ(run.wall.setups, run.simulation.bench().timerSetups());
}

TEST(DryRun, CancelDuringAWaitStopsTheRead) {
  DryRun run("ATmega8");
  rindle::ui::TfrmCmdSts *progress = run.window->Progress();
  int shownAt = -1;
  // Halfway through the read's time, as a person would, press Cancel.
  Click(Child(run.window.get(), "cmdRead"));
  const std::uint64_t wholeRead = run.wall.ticks;
  run.wall.ticks = 0;
  run.wall.actAt = wholeRead / 2;
  run.wall.act = [&] {
    shownAt = progress->isVisible() ? progress->gauge()->progress() : -1;
    Screenshot(progress, "progress_dry_run");
    Click(Child(progress, "Button1"));
  };
  run.prompter.shown.clear();
  Click(Child(run.window.get(), "cmdRead"));
  EXPECT_GT(shownAt, 0) << "the window shows how far the read got";
  EXPECT_LT(shownAt, 8704);
  EXPECT_LT(run.wall.ticks, wholeRead * 3 / 4) << "the read stopped soon after Cancel";
  EXPECT_TRUE(run.prompter.shown.empty()) << "a cancelled read says nothing";
  EXPECT_FALSE(progress->isVisible());
}

struct StoredCase {
  const char *name;
  const char *firstRun; // nullptr: no earlier run
  const char *secondRun;
  const char *chip;
};
void PrintTo(const StoredCase &c, std::ostream *os) { *os << c.name; }
class StoredChip : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredChip, IsTheOneOfTheLastRunUnlessAnotherIsNamed) {
  const StoredCase &c = GetParam();
  QTemporaryDir dir;
  const QString state = dir.filePath("chip.state");
  if (c.firstRun != nullptr) {
    rindle::SimulatedHardware first(Cable(c.firstRun, state, nullptr));
    first.bench().chip()->flash()[3] = 0x5A;
  }
  rindle::SimulatedHardware second(Cable(c.secondRun, state, nullptr));
  ASSERT_NE(second.bench().chip(), nullptr);
  EXPECT_EQ(second.bench().chip()->model().name, std::string_view(c.chip));
  if (c.firstRun != nullptr && std::string_view(c.chip) == c.firstRun) {
    EXPECT_EQ(second.bench().chip()->flash()[3], 0x5A) << "the chip's memory was kept";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tollen, StoredChip,
    ::testing::Values(StoredCase{"FirstRunGetsAnATmega8", nullptr, "", "ATmega8"},
                      StoredCase{"NamedChipOnTheFirstRun", nullptr, "ATtiny26", "ATtiny26"},
                      StoredCase{"LastRunsChipKept", "ATtiny26", "", "ATtiny26"},
                      StoredCase{"UnknownNameKeepsTheLastChip", "ATtiny26", "ATfoo", "ATtiny26"},
                      StoredCase{"OtherNameReplacesIt", "ATtiny26", "AT89S52", "AT89S52"}),
    [](const auto &param) { return std::string(param.param.name); });

// A state file that cannot be read: a new chip goes in, the file is kept
// beside the new one's, and the notice says so once.
TEST(StoredChip, ADamagedStateFileIsKeptAndToldAbout) {
  QTemporaryDir dir;
  const QString state = dir.filePath("chip.state");
  const QByteArray damaged = "isp-chip-state 1\ndevice ATtiny26\n";
  {
    QFile f(state);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(damaged);
  }
  {
    rindle::SimulatedHardware run(Cable("", state, nullptr));
    ASSERT_NE(run.bench().chip(), nullptr);
    EXPECT_EQ(run.bench().chip()->model().name, std::string_view(kFirstSimulatedChip));
    const QString notice = run.takeNotice();
    EXPECT_TRUE(notice.startsWith("The chip state file " + state + " is damaged: "))
        << notice.toStdString();
    EXPECT_TRUE(notice.endsWith("The file \"" + state + "\" is kept as \"" + state +
                                ".bad\"; a new chip is put in the socket."))
        << notice.toStdString();
    EXPECT_TRUE(run.takeNotice().isEmpty()) << "told once";
    run.bench().chip()->flash()[3] = 0x5A;
  }
  QFile kept(state + ".bad");
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), damaged);
  rindle::SimulatedHardware next(Cable("", state, nullptr));
  EXPECT_TRUE(next.takeNotice().isEmpty());
  EXPECT_EQ(next.bench().chip()->flash()[3], 0x5A);
}

} // namespace
} // namespace tollen::uitest
