// The texts of the main window's fields, the lock-bit boxes by device, the
// device list, and the command line.

#include "AppRig.h"

#include "rindle/app/CommandLine.h"
#include "rindle/app/FieldTexts.h"

#include <QDir>

namespace rindle::apptest {
namespace {

using namespace rindle::device;

struct EngineOnBench {
  sim::isp::Bench bench;
  IspEngine engine{bench.port(), bench.timer()};
  explicit EngineOnBench(std::uint16_t device) {
    engine.Device.DeviceIndex = device;
    engine.SelectDevice();
    engine.SignatureBytes = {0x1E, 0x93, 0x07, 0};
    engine.CalibrationBytes = {0xA1, 0xB2, 0x0C, 0xD4};
  }
};

struct TextCase {
  const char *name;
  std::uint16_t device;
  QString signature;
  std::optional<QString> calibration;
};
void PrintTo(const TextCase &c, std::ostream *os) { *os << c.name; }

class FieldTextTable : public ::testing::TestWithParam<TextCase> {};

TEST_P(FieldTextTable, SignatureAndCalibration) {
  EngineOnBench rig(GetParam().device);
  EXPECT_EQ(SignatureText(rig.engine), GetParam().signature);
  EXPECT_EQ(CalibrationText(rig.engine), GetParam().calibration);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, FieldTextTable,
    ::testing::Values(TextCase{"At89S51ThreeBytesNoCalibration", kAt89S51, "1E 93 07", {}},
                      TextCase{"At89S53NoSignature", kAt89S53, "-  -  - ", {}},
                      TextCase{"At89S8252NoSignature", kAt89S8252, "-  -  - ", {}},
                      TextCase{"At89S8253TwoBytes", kAt89S8253, "1E 93 - ", {}},
                      TextCase{"Mega8FourCalibrationBytes", kMega8, "1E 93 07", "A1 B2 0C D4"},
                      TextCase{"Tiny2313TwoCalibrationBytes", kTiny2313, "1E 93 07", "A1 B2 -  -"},
                      TextCase{"Mega16OneCalibrationByte", kMega16, "1E 93 07", "A1 -  -  -"}),
    CaseName());

TEST(FieldTexts, ChecksumHasAtLeastSixUpperCaseDigits) {
  EXPECT_EQ(ChecksumText(0), "000000");
  EXPECT_EQ(ChecksumText(0xABC), "000ABC");
  EXPECT_EQ(ChecksumText(0xFF * 131072), "1FE0000");
}

TEST(FieldTexts, StatusShowsTheFileInLowerCaseOrTheTitle) {
  EXPECT_EQ(StatusText("/Home/Blink.HEX", "  Rindle  3.7"), "  /home/blink.hex");
  EXPECT_EQ(StatusText("", "  Rindle  3.7"), "  Rindle  3.7");
}

TEST(FieldTexts, FolderKeepsItsSeparator) {
  const QString folder = QDir::tempPath() + u'/';
  EXPECT_EQ(FolderOf(folder + "a.hex"), folder);
  EXPECT_EQ(FolderOf("C:\\avr\\a.hex"), "C:\\avr\\");
  EXPECT_EQ(FolderOf("a.hex"), "");
}

// ---------------------------------------------------------------- lock-bit boxes

struct LockCase {
  const char *name;
  std::uint16_t device;
  bool lb3Enabled;
  const char *lb3Caption;
  bool fuseBytes;
};
void PrintTo(const LockCase &c, std::ostream *os) { *os << c.name; }

class LockBoxTable : public ::testing::TestWithParam<LockCase> {};

TEST_P(LockBoxTable, ThirdBoxAndFuseButtonFollowTheDevice) {
  const LockCase &c = GetParam();
  AppRig rig(kMega8);
  rig.app.SetLockBit(2, true);
  ASSERT_TRUE(rig.app.SelectRow(c.device));
  const LockBitDisplay &lb = rig.app.LockBits();
  EXPECT_TRUE(lb.deviceRow);
  EXPECT_EQ(lb.lb3Enabled, c.lb3Enabled);
  EXPECT_EQ(lb.lb3Caption, c.lb3Caption);
  EXPECT_EQ(lb.fuseBytesEnabled, c.fuseBytes);
  if (c.lb3Enabled) {
    EXPECT_FALSE(lb.lb3Checked) << "a new device starts without lock bits";
    rig.app.SetLockBit(2, true);
    EXPECT_TRUE(rig.app.LockBits().lb3Checked);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, LockBoxTable,
    ::testing::Values(LockCase{"At89S51", kAt89S51, true, "   Lock Bit-3", false},
                      LockCase{"At89S8252", kAt89S8252, true, "   Lock Bit-3", false},
                      LockCase{"At89S8253", kAt89S8253, true, "   Lock Bit-3", true},
                      LockCase{"At90S1200", kAt90S1200, false, "   Lock Bit-3", false},
                      LockCase{"At90S8515", kAt90S8515, false, "   Lock Bit-3", false},
                      LockCase{"At90S8535Fstrt", kAt90S8535, true, "   FSTRT", false},
                      LockCase{"At90S4433", kAt90S4433, false, "   Lock Bit-3", true},
                      LockCase{"Mega128", kMega128, false, "   Lock Bit-3", true},
                      LockCase{"Tiny2313", kTiny2313, false, "   Lock Bit-3", true}),
    CaseName());

TEST(LockBoxes, DisabledThirdBoxKeepsItsCheck) {
  AppRig rig(kAt89S51);
  rig.app.SetLockBit(2, true);
  ASSERT_TRUE(rig.app.LockBits().lb3Checked);
  ASSERT_TRUE(rig.app.SelectRow(kMega8));
  rig.app.SetLockBit(2, false); // bit cleared while the box is disabled
  EXPECT_TRUE(rig.app.LockBits().lb3Checked);
  EXPECT_FALSE(rig.app.LockBits().lb3Enabled);
}

TEST(LockBoxes, BoxesSetAndClearTheirBits) {
  AppRig rig(kAt89S51);
  rig.app.SetLockBit(0, true);
  rig.app.SetLockBit(1, true);
  rig.app.SetLockBit(0, false);
  EXPECT_EQ(rig.engine.Fuses.LockBits, 2);
  EXPECT_FALSE(rig.app.LockBits().lb1);
  EXPECT_TRUE(rig.app.LockBits().lb2);
}

// ---------------------------------------------------------------- device list

TEST(DeviceList, SeparatorChangesNothing) {
  AppRig rig(kMega8);
  rig.engine.Buffer.all()[0] = 0x00;
  rig.app.ReadSignature();
  const QString sig = rig.app.SigText();
  for (int row : {5, 11, 28, -1, 37}) {
    EXPECT_FALSE(rig.app.SelectRow(row)) << row;
    EXPECT_EQ(rig.engine.Device.DeviceIndex, kMega8);
    EXPECT_EQ(rig.app.SigText(), sig);
  }
}

TEST(DeviceList, NewDeviceResetsFieldsAndSumsItsFlash) {
  AppRig rig(kMega16);
  rig.engine.Buffer.all()[100] = 0x01;   // inside both flash areas
  rig.engine.Buffer.all()[10000] = 0x01; // inside MEGA16 flash only
  rig.engine.ProgramFileName = rig.path("x.hex");
  rig.app.ShowChecksum();
  const QString before = rig.app.ChecksumShown();
  rig.app.ReadSignature();
  ASSERT_TRUE(rig.app.SelectRow(kMega8));
  EXPECT_NE(rig.app.ChecksumShown(), before);
  EXPECT_EQ(rig.app.ChecksumShown(), ChecksumText(0xFF * 8191 + 1));
  EXPECT_EQ(rig.app.SigText(), "-  -  - ");
  EXPECT_EQ(rig.app.OscText(), "-  -  -  - ");
  EXPECT_EQ(rig.engine.Buffer.all()[10000], 0x01);
  EXPECT_EQ(rig.engine.ProgramFileName, rig.path("x.hex"));
}

// ---------------------------------------------------------------- command line

struct ArgsCase {
  const char *name;
  QStringList args;
  bool simulate;
  QString device;
  bool help;
  bool version;
  bool error;
};
void PrintTo(const ArgsCase &c, std::ostream *os) { *os << c.name; }

class CommandLineTable : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(CommandLineTable, Parses) {
  const ArgsCase &c = GetParam();
  const CommandLine line = ParseCommandLine(c.args);
  EXPECT_EQ(line.simulate, c.simulate);
  EXPECT_EQ(line.simulatedDevice, c.device);
  EXPECT_EQ(line.help, c.help);
  EXPECT_EQ(line.version, c.version);
  EXPECT_EQ(!line.error.isEmpty(), c.error) << line.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Args, CommandLineTable,
    ::testing::Values(
        ArgsCase{"Nothing", {}, false, "", false, false, false},
        ArgsCase{"Simulate", {"--simulate"}, true, "", false, false, false},
        ArgsCase{"SimulateDeviceAnyCase", {"--simulate=mega8"}, true, "MEGA8", false, false, false},
        ArgsCase{"SimulateUnknownDevice", {"--simulate=MEGA9"}, true, "", false, false, true},
        ArgsCase{"SimulateSeparatorIsNoDevice",
                 {"--simulate=-------------------------"},
                 true,
                 "",
                 false,
                 false,
                 true},
        ArgsCase{"Help", {"--help"}, false, "", true, false, false},
        ArgsCase{"Version", {"--version"}, false, "", false, true, false},
        ArgsCase{"Unknown", {"--fast"}, false, "", false, false, true}),
    CaseName());

} // namespace
} // namespace rindle::apptest
