// Programs straight from the compiler, as a user writes them from the main
// window: each committed ELF file opened through Open File's ELF filter and
// programmed with the Program button, then the simulated chip's flash,
// EEPROM, fuse and lock bytes compared with the HEX files avr-objcopy made
// of the same file.

#include "WindowRig.h"

#include <QLabel>

#include "isp/core/DeviceCatalogue.h"

namespace rindle::uitest {
namespace {

using namespace rindle::device;

constexpr int kElfFilter = 3;

QString ElfFixture(const QString &name) { return Fixture(QStringLiteral("elf/") + name); }

// The first `count` bytes a HEX file made by avr-objcopy holds from address
// 0, blank where it has none.
QByteArray HexImage(const QString &file, int count) {
  IspBuffer buffer;
  EXPECT_EQ(files::LoadProgramHex(buffer.all(), file), QStringLiteral("OK")) << file.toStdString();
  return QByteArray(reinterpret_cast<const char *>(buffer.cells.data()), count);
}

QByteArray Bytes(std::span<const std::uint8_t> memory) {
  return QByteArray(reinterpret_cast<const char *>(memory.data()),
                    static_cast<qsizetype>(memory.size()));
}

void OpenElf(WindowRig &rig, const QString &file) {
  rig.prompter.fileNames.push_back(file);
  rig.prompter.filterChoices.push_back(kElfFilter);
  rig.click("cmdOpenFile");
}

struct ElfProgramCase {
  const char *name;
  std::uint16_t device;
  const char *stem;
  bool eeprom;
  int fuseBytes;           // from the file's .fuse.hex; 0: the device's defaults below
  std::uint8_t low, high;  // the defaults, for a file without fuses
  bool lock;               // from the file's .lock.hex; false: left unprogrammed
  const char *taken;       // what the status bar says was taken
};
void PrintTo(const ElfProgramCase &c, std::ostream *os) { *os << c.name; }
class ElfProgramWindow : public ::testing::TestWithParam<ElfProgramCase> {};

TEST_P(ElfProgramWindow, TheChipHoldsWhatTheCompilerPutInTheFile) {
  const ElfProgramCase &c = GetParam();
  WindowRig rig;
  rig.chooseDevice(c.device);
  const QString stem = ElfFixture(QString::fromLatin1(c.stem));
  OpenElf(rig, stem + ".elf");
  EXPECT_EQ(rig.prompter.messages(), QStringList{});
  EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  " + (stem + ".elf").toLower());
  EXPECT_EQ(rig.find<QLabel>("stsBarTaken")->text(), QString::fromLatin1(c.taken));
  EXPECT_TRUE(rig.find<QLabel>("stsBarTaken")->isVisible());
  Screenshot(&rig.main(), QStringLiteral("elf_opened_%1").arg(QString::fromLatin1(c.name)));

  rig.click("cmdWrite");
  EXPECT_EQ(rig.lastShown(), "  Write|Program, Verify  OK");
  const sim::isp::Chip &chip = *rig.sim->bench().chip();
  // Devices with several calibration bytes keep them at the end of flash
  // (the option is on by default).
  QByteArray flash = HexImage(stem + ".hex", static_cast<int>(chip.flash().size()));
  const int calibration = FindDevice(c.device)->calibrationCount;
  if (calibration > 1) {
    for (int i = 0; i < calibration; ++i)
      flash[flash.size() - calibration + i] = static_cast<char>(chip.calibration()[i]);
  }
  EXPECT_EQ(Bytes(chip.flash()), flash);
  if (c.eeprom) {
    IspBuffer eeprom;
    ASSERT_EQ(files::LoadEepromHex(eeprom.all(), 0, stem + ".eep"), QStringLiteral("OK"));
    EXPECT_EQ(Bytes(chip.eeprom()), Bytes(std::span(eeprom.cells).first(chip.eeprom().size())));
  } else {
    EXPECT_EQ(Bytes(chip.eeprom()), QByteArray(static_cast<qsizetype>(chip.eeprom().size()), '\xFF'));
  }
  if (c.fuseBytes > 0) {
    const QByteArray fuses = HexImage(stem + ".fuse.hex", c.fuseBytes);
    for (int i = 0; i < c.fuseBytes; ++i)
      EXPECT_EQ(chip.fuse(static_cast<sim::isp::FuseIndex>(i)), static_cast<std::uint8_t>(fuses[i]))
          << "fuse " << i;
  } else {
    EXPECT_EQ(chip.fuse(sim::isp::kFuseLow), c.low);
    EXPECT_EQ(chip.fuse(sim::isp::kFuseHigh), c.high);
  }
  EXPECT_EQ(chip.lockByte(),
            c.lock ? static_cast<std::uint8_t>(HexImage(stem + ".lock.hex", 1)[0]) : 0xFF);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ElfProgramWindow,
    ::testing::Values(
        ElfProgramCase{"BlinkMega8", kMega8, "blink_m8", true, 2, 0, 0, true,
                       "flash 194 bytes, EEPROM 8, fuses A4 D9, lock FC"},
        ElfProgramCase{"BlinkTiny13", kTiny13, "blink_t13", true, 2, 0, 0, true,
                       "flash 202 bytes, EEPROM 8, fuses 7A FD, lock FE"},
        ElfProgramCase{"NoFusesMega8", kMega8, "nofuses_m8", true, 0, 0xE1, 0xD9, false,
                       "flash 194 bytes, EEPROM 8, fuses -, lock -"},
        ElfProgramCase{"FullMega128", kMega128, "fill_m128", false, 3, 0, 0, false,
                       "flash 129,338 bytes, EEPROM -, fuses 3F C9 FF, lock -"}),
    CaseName());

TEST(ElfWindow, AFileForAnotherDeviceIsAskedAboutAtOnce) {
  WindowRig rig;
  rig.chooseDevice(kTiny13);
  const QString checksum = rig.field("edtCSdata");
  rig.prompter.answers = {false};
  OpenElf(rig, ElfFixture("blink_m8.elf"));
  ASSERT_EQ(rig.prompter.shown.size(), 2u); // the open dialog, then the question
  const auto &q = rig.prompter.shown.back();
  EXPECT_EQ(q.kind, common::ScriptedPrompter::Shown::Kind::Question);
  const auto name = [](std::uint16_t row) {
    const std::string_view n = FindDevice(row)->Name();
    return QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()));
  };
  EXPECT_EQ(rig.lastShown(),
            QStringLiteral("  Rindle|blink_m8.elf was built for the %1 (signature 1E 93 07); the "
                           "selected device is the %2 (1E 90 07).\r"
                           "Device Signature did not match.\rDo you want to continue ?")
                .arg(name(kMega8), name(kTiny13)));
  EXPECT_FALSE(q.defaultYes);
  // Declined: nothing taken.
  EXPECT_EQ(rig.field("edtCSdata"), checksum);
  EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  Rindle  3.7");
  EXPECT_FALSE(rig.find<QLabel>("stsBarTaken")->isVisible());

  rig.prompter.answers = {true};
  OpenElf(rig, ElfFixture("blink_m8.elf"));
  EXPECT_NE(rig.field("edtCSdata"), checksum);
  EXPECT_TRUE(rig.find<QLabel>("stsBarText")->text().startsWith(
      "  " + ElfFixture("blink_m8.elf").toLower()));
}

TEST(ElfWindow, ResetDisabledInTheFileStopsAtTheLockoutGuard) {
  WindowRig rig;
  rig.chooseDevice(kTiny13);
  OpenElf(rig, ElfFixture("blink_t13_reset_io.elf"));
  ASSERT_EQ(rig.prompter.messages(), QStringList{});
  const sim::isp::Chip &chip = *rig.sim->bench().chip();
  const std::uint8_t high = chip.fuse(sim::isp::kFuseHigh);
  rig.prompter.answers = {false};
  rig.click("cmdWrite");
  const auto &q = rig.prompter.shown.back();
  EXPECT_EQ(q.kind, common::ScriptedPrompter::Shown::Kind::Question);
  EXPECT_EQ(q.caption, "  Write");
  EXPECT_TRUE(q.text.contains("RSTDISBL")) << q.text.toStdString();
  EXPECT_EQ(chip.counters().fuseWrites, 0u);
  EXPECT_EQ(chip.counters().flashWrites, 0u);
  EXPECT_EQ(chip.fuse(sim::isp::kFuseHigh), high);
  EXPECT_FALSE(chip.serialDisabled());
}

} // namespace
} // namespace rindle::uitest
