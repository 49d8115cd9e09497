// The question before fuse bytes that end serial programming, and the list of
// such bits held against the simulated chips.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/testing/ScriptedPrompter.h"
#include "rindle/engine/IspEngine.h"
#include "isp/core/FuseGuard.h"
#include "sim/isp/Bench.h"

namespace rindle {
namespace {

std::string ChipName(std::uint16_t index) {
  const DeviceEntry *entry = FindDevice(index);
  return entry != nullptr ? std::string(entry->Name()) : std::string();
}

// An engine on a simulated cable with a chip of the device, its fuse state
// at the device's defaults.
struct Target {
  sim::isp::Bench bench;
  IspEngine engine;
  explicit Target(std::uint16_t index)
      : bench(ChipName(index)), engine(bench.port(), bench.timer()) {
    engine.Device.DeviceIndex = index;
    engine.SelectDevice();
    engine.ApplyDefaultFuses();
    engine.ReleaseTarget();
  }
  // Whether the chip still answers serial programming: its signature reads.
  bool Answers() {
    engine.SignatureOnly = true;
    engine.ReadSignature();
    engine.SignatureOnly = false;
    return engine.ReadSignatureValue == engine.Device.ExpectedSignature;
  }
};

// The guard on the engine's own device and fuse state, as the window asks it.
bool ConfirmFuseWrite(const IspEngine &engine, common::Prompter &prompter,
                      const QString &caption) {
  return rindle::ConfirmFuseWrite(*engine.CurrentDevice(), engine.Fuses, prompter, caption);
}
QString FuseLockoutQuestion(const IspEngine &engine) {
  return rindle::FuseLockoutQuestion(*engine.CurrentDevice(), engine.Fuses);
}

// One fuse bit of a device, flipped from the device's defaults.
struct FlippedBit {
  std::uint16_t device;
  FuseField byte;
  std::uint8_t bit;
};

void PrintTo(const FlippedBit &c, std::ostream *os) {
  *os << ChipName(c.device) << " byte " << static_cast<int>(c.byte) << " bit "
      << static_cast<int>(c.bit);
}

// Every bit of every fuse byte each device's lock-bit write sends.
std::vector<FlippedBit> EveryWrittenFuseBit() {
  std::vector<FlippedBit> cases;
  for (std::uint16_t row = 0; row < kDeviceListRows; ++row) {
    const DeviceEntry *entry = FindDevice(row);
    if (entry == nullptr) {
      continue;
    }
    const int bytes = row == device::kAt89S8253 ? 1 : entry->fuseCount;
    const FuseField fields[] = {FuseField::FuseLow, FuseField::FuseHigh, FuseField::FuseExtended};
    for (int k = 0; k < bytes; ++k) {
      for (std::uint8_t bit = 0; bit < 8; ++bit) {
        cases.push_back({row, fields[k], bit});
      }
    }
  }
  return cases;
}

std::string FlippedBitName(const ::testing::TestParamInfo<FlippedBit> &info) {
  static const char *const kBytes[] = {"Low", "High", "Ext", "Lock"};
  return ChipName(info.param.device) + "_" + kBytes[static_cast<int>(info.param.byte)] +
         std::to_string(info.param.bit);
}

class LockoutAgreesWithTheChip : public ::testing::TestWithParam<FlippedBit> {};

// Writing the flipped bit through the engine ends serial programming on the
// simulated chip exactly when the catalogue names that bit.
TEST_P(LockoutAgreesWithTheChip, FlippingOneBit) {
  const FlippedBit &c = GetParam();
  Target t(c.device);
  std::uint16_t &value = FuseByte(t.engine.Fuses, c.byte);
  value = static_cast<std::uint16_t>(value ^ (1u << c.bit));

  const std::vector<SerialLockoutBit> named = SerialLockoutBits(c.device, t.engine.Fuses);
  ASSERT_LE(named.size(), 1u) << "the defaults alone are safe";
  const bool guarded = !named.empty();
  if (guarded) {
    EXPECT_EQ(named[0].byte, c.byte);
    EXPECT_EQ(named[0].bit, c.bit);
    EXPECT_EQ(named[0].endsWhenProgrammed, (value & (1u << c.bit)) == 0);
  }

  t.engine.WriteLockBits();
  ASSERT_EQ(t.engine.ResultText.toStdString(), "OK");
  t.engine.ReleaseTarget();
  EXPECT_EQ(!t.Answers(), guarded) << (guarded ? std::string(named[0].name) : "an ordinary bit");
}

INSTANTIATE_TEST_SUITE_P(Bits, LockoutAgreesWithTheChip, ::testing::ValuesIn(EveryWrittenFuseBit()),
                         FlippedBitName);

TEST(Lockout, NoDeviceDefaultEndsSerialProgramming) {
  for (std::uint16_t row = 0; row < kDeviceListRows; ++row) {
    const DeviceEntry *entry = FindDevice(row);
    if (entry == nullptr || !entry->defaults.low) {
      continue;
    }
    SCOPED_TRACE(ChipName(row));
    const FuseDefaults &d = entry->defaults;
    const FuseState defaults{0, *d.low, d.high.value_or(0xFF), d.extended.value_or(0xFF), 0xFF};
    EXPECT_TRUE(SerialLockoutBits(row, defaults).empty());
  }
}

TEST(Lockout, NamesEveryDangerousBitOfTheState) {
  // MEGA88 high fuse 0x1F: RSTDISBL and DWEN both programmed.
  const std::vector<SerialLockoutBit> both =
      SerialLockoutBits(device::kMega88, FuseState{0, 0x62, 0x1F, 0xF9, 0xFF});
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].name, "RSTDISBL");
  EXPECT_EQ(both[1].name, "DWEN");
  // The same byte on a device without those bits names nothing.
  EXPECT_TRUE(SerialLockoutBits(device::kMega16, FuseState{0, 0xE1, 0x1F, 0xFF, 0xFF}).empty());
  // Not a device.
  EXPECT_TRUE(SerialLockoutBits(5, FuseState{0, 0x00, 0x00, 0x00, 0x00}).empty());
}

struct QuestionCase {
  const char *name;
  std::uint16_t device;
  FuseState fuses;
  std::vector<std::string> named; // texts the question must hold
};

void PrintTo(const QuestionCase &c, std::ostream *os) { *os << c.name; }

class Guard : public ::testing::TestWithParam<QuestionCase> {};

TEST_P(Guard, AsksOnceWarnsAndDefaultsToNo) {
  const QuestionCase &c = GetParam();
  for (const bool yes : {false, true}) {
    Target t(c.device);
    t.engine.Fuses = c.fuses;
    t.bench.chip()->resetCounters();
    common::ScriptedPrompter prompter;
    prompter.answers.push_back(yes);

    EXPECT_EQ(ConfirmFuseWrite(t.engine, prompter, QStringLiteral("  Lock Bits")), yes);
    ASSERT_EQ(prompter.shown.size(), 1u);
    const auto &q = prompter.shown[0];
    EXPECT_EQ(q.kind, common::ScriptedPrompter::Shown::Kind::Question);
    EXPECT_EQ(q.caption.toStdString(), "  Lock Bits");
    EXPECT_EQ(q.icon, common::Prompter::Icon::Warning);
    EXPECT_FALSE(q.defaultYes);
    const std::string text = q.text.toStdString();
    for (const std::string &part : c.named) {
      EXPECT_NE(text.find(part), std::string::npos) << part << " in: " << text;
    }
    EXPECT_NE(text.find("high-voltage programmer"), std::string::npos);
    EXPECT_EQ(t.bench.chip()->counters().instructions, 0u) << "the question touches no chip";
  }
}

INSTANTIATE_TEST_SUITE_P(States, Guard,
                         ::testing::Values(QuestionCase{"Mega8Rstdisbl",
                                                        device::kMega8,
                                                        {0, 0xE1, 0x59, 0xFF, 0xFF},
                                                        {"RSTDISBL (Fuse High bit 7) programmed"}},
                                           QuestionCase{"Mega168Both",
                                                        device::kMega168,
                                                        {0, 0x62, 0x1F, 0xF9, 0xFF},
                                                        {"RSTDISBL (Fuse High bit 7) programmed",
                                                         "DWEN (Fuse High bit 6) programmed"}},
                                           // Not offered by the fuse dialog, but a fuse
                                           // file can still program it.
                                           QuestionCase{"Mega165HiddenExtended",
                                                        device::kMega165,
                                                        {0, 0x62, 0x99, 0xFE, 0xFF},
                                                        {"RSTDISBL (Fuse Ext bit 0) programmed"}},
                                           QuestionCase{"Mega169Extended",
                                                        device::kMega169,
                                                        {0, 0x62, 0x99, 0xFE, 0xFF},
                                                        {"RSTDISBL (Fuse Ext bit 0) programmed"}},
                                           QuestionCase{"Tiny15FuseByte",
                                                        device::kTiny15,
                                                        {0, 0x4C, 0xFF, 0xFF, 0xFF},
                                                        {"RSTDISBL (Fuse Low bit 4) programmed"}},
                                           QuestionCase{"At89S8253Spien",
                                                        device::kAt89S8253,
                                                        {0, 0xF7, 0xFF, 0xFF, 0xFF},
                                                        {"SPIEN (Fuse Low bit 0) unprogrammed"}}),
                         [](const ::testing::TestParamInfo<QuestionCase> &row) {
                           return std::string(row.param.name);
                         });

TEST(Guard, ASafeStateAsksNothing) {
  for (std::uint16_t index :
       {device::kMega8, device::kTiny2313, device::kAt89S8253, device::kAt89S51}) {
    SCOPED_TRACE(ChipName(index));
    Target t(index);
    common::ScriptedPrompter prompter;
    EXPECT_TRUE(ConfirmFuseWrite(t.engine, prompter, QStringLiteral("  Write")));
    EXPECT_TRUE(prompter.shown.empty());
  }
}

TEST(Guard, TheWholeQuestion) {
  Target t(device::kTiny2313);
  t.engine.Fuses.FuseHigh = 0xDE; // RSTDISBL
  EXPECT_EQ(FuseLockoutQuestion(t.engine).toStdString(),
            "The fuse bytes to be written end serial programming:\r"
            "\r   RSTDISBL (Fuse High bit 0) programmed: the RESET pin becomes an I/O pin"
            "\r\rThe chip will no longer answer this programmer and can then only be recovered "
            "with a high-voltage programmer.\r\rDo you want to continue ?");
}

} // namespace
} // namespace rindle
