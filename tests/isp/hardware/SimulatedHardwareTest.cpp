// The one hardware factory of both ISP editions: a dry run's chips kept the
// way each edition keeps them, one file per chip that follows the device
// list, or one file with the last run's chip that stays whatever is chosen.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "isp/core/DeviceCatalogue.h"
#include "isp/hardware/IspHardware.h"
#include "sim/isp/Chip.h"

namespace rindle {
namespace {

std::uint16_t Row(const char *name) { return RowOf(*FindDevice(name)); }

std::string ChipIn(SimulatedHardware &hardware) {
  const sim::isp::Chip *chip = hardware.bench().chip();
  return chip == nullptr ? std::string() : std::string(chip->model().name);
}

struct KeepingCase {
  const char *name;
  ChipKeeping keeping;
  const char *afterChoosingATtiny26;
  QStringList filesAfterwards;
};
void PrintTo(const KeepingCase &c, std::ostream *os) { *os << c.name; }

class Keeping : public ::testing::TestWithParam<KeepingCase> {};

TEST_P(Keeping, ChipsAreKeptAsTheEditionKeepsThem) {
  const KeepingCase &c = GetParam();
  QTemporaryDir dir;
  SimulationSetup setup;
  setup.keeping = c.keeping;
  setup.place = c.keeping == ChipKeeping::LastChip ? dir.filePath("chip.state") : dir.path();
  setup.firstChip = QStringLiteral("ATmega8");
  {
    auto made = MakeHardware(true, setup);
    auto &hardware = dynamic_cast<SimulatedHardware &>(*made);
    EXPECT_TRUE(hardware.simulated());
    hardware.deviceSelected(Row("ATmega8"));
    ASSERT_EQ(ChipIn(hardware), "ATmega8");
    hardware.bench().chip()->flash()[3] = 0x5A;
    hardware.operationDone();
    hardware.deviceSelected(Row("ATtiny26"));
    EXPECT_EQ(ChipIn(hardware), c.afterChoosingATtiny26);
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), c.filesAfterwards);

  // The next run finds the ATmega8 as it was left.
  SimulatedHardware next(setup);
  next.deviceSelected(Row("ATmega8"));
  ASSERT_EQ(ChipIn(next), "ATmega8");
  EXPECT_EQ(next.bench().chip()->flash()[3], 0x5A);
  EXPECT_TRUE(next.takeNotice().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Editions, Keeping,
                         ::testing::Values(KeepingCase{"FilePerChipFollowsTheList",
                                                       ChipKeeping::FilePerChip,
                                                       "ATtiny26",
                                                       {"simulated-MEGA8.chip",
                                                        "simulated-TINY26.chip"}},
                                           KeepingCase{"LastChipStaysWhateverIsChosen",
                                                       ChipKeeping::LastChip,
                                                       "ATmega8",
                                                       {"chip.state"}}),
                         [](const auto &param) { return std::string(param.param.name); });

TEST(Factory, MakesTheParallelPortWhenNotSimulating) {
  const auto made = MakeHardware(false, SimulationSetup{});
  EXPECT_FALSE(made->simulated());
  EXPECT_NE(dynamic_cast<ParallelPortHardware *>(made.get()), nullptr);
}

} // namespace
} // namespace rindle
