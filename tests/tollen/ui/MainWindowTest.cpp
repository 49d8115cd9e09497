// The main window driven with real clicks and keys: its fields at start-up,
// the command table with every message, device changes, the refusal of a
// second command inside a running one, and cancelling.

#include "tests/tollen/ui/WindowRig.h"

#include <QFile>
#include <QStandardItemModel>

#include "isp/widgets/TfrmCmdSts.h"

namespace tollen::uitest {
namespace {

using Icon = common::Prompter::Icon;
using Kind = common::ScriptedPrompter::Shown::Kind;

TEST(MainWindow, StartsWithItsFieldsAndTheCableFound) {
  WindowRig rig;
  EXPECT_EQ(rig.window->windowTitle(), "  Tollen  3.0a");
  EXPECT_TRUE(rig.prompter.shown.empty()) << "the cable was found: no message";
  EXPECT_EQ(rig.engine.Port.PortBase, 0x378);
  EXPECT_EQ(rig.Status(), "  Tollen - 3.0a");
  EXPECT_EQ(rig.Text("edtCSdata"), "0FF000");
  EXPECT_EQ(rig.Text("edtSig"), "00 00 00");
  EXPECT_EQ(rig.Text("edtCalib"), "00 00 00 00");
  EXPECT_EQ(Child(rig.w(), "edtCalib")->toolTip(), "Osc calibration bytes\nat address 0 to 3");
  EXPECT_FALSE(Child(rig.w(), "cmdConfigBits")->isEnabled());
  EXPECT_EQ(rig.window->minimumSize(), rig.window->maximumSize()) << "fixed size";
  const std::pair<const char *, const char *> captions[] = {{"cmdRead", "&Read"},
                                                            {"cmdWrite", "&Write"},
                                                            {"cmdVerify", "&Verify"},
                                                            {"cmdOpenFile", "&Open File"},
                                                            {"cmdReloadFile", "Reloa&d File"},
                                                            {"cmdSaveFile", "S&ave File"},
                                                            {"cmdSignature", "&Signature"},
                                                            {"cmdLockBits", "Write &LBs"},
                                                            {"cmdConfigBits", "&Fuse Bytes"},
                                                            {"cmdDispBuffer", "Disp &Buffer"},
                                                            {"cmdAbout", "Abo&ut"}};
  for (const auto &[name, caption] : captions) {
    EXPECT_EQ(Child<QPushButton>(rig.w(), name)->text(), caption);
  }
  Screenshot(rig.w(), "main_window");
}

TEST(MainWindow, TheSeparatorIsNeverSelected) {
  WindowRig rig;
  rig.SelectDevice(3);
  auto *combo = Child<QComboBox>(rig.w(), "cboType");
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(combo->currentIndex(), 5) << "the keys step over the separator";
  EXPECT_EQ(rig.engine.DeviceIndex, device::kAt90S1200);
  // Picked by any other way, it puts the previous device back.
  EXPECT_EQ(rig.window->Commands().cboTypeChange(device::kSeparator), device::kAt90S1200);
  EXPECT_EQ(rig.engine.DeviceIndex, device::kAt90S1200);
}

TEST(MainWindow, ADeviceChangeKeepsTheBufferAndResetsTheFuses) {
  WindowRig rig;
  rig.engine.Cells.cells[0x1000] = 0x00; // beyond the AT89S51, inside the ATmega8
  rig.engine.FuseLow = 0x12;
  rig.SelectDevice(device::kAtMega8);
  EXPECT_EQ(rig.Text("edtCSdata"), "21DD01") << "8704 cells, one of them 00";
  EXPECT_EQ(rig.engine.FuseLow, 0xFF);
  EXPECT_EQ(rig.engine.Cells.cells[0x1000], 0x00);
  EXPECT_TRUE(Child(rig.w(), "cmdConfigBits")->isEnabled());
  EXPECT_FALSE(Child(rig.w(), "chkLB3")->isEnabled());
  rig.SelectDevice(device::kAt90S8535);
  EXPECT_EQ(Child<QCheckBox>(rig.w(), "chkLB3")->text(), " FSTRT");
  EXPECT_TRUE(Child(rig.w(), "chkLB3")->isEnabled());
}

struct CommandCase {
  const char *name;
  const char *chip; // on the cable
  int device;       // row selected
  std::function<void(WindowRig &)> prepare;
  const char *button;
  const char *caption;
  const char *text;
  Icon icon;
};

void PrintTo(const CommandCase &c, std::ostream *os) { *os << c.name; }

class CommandTable : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandTable, EndsWithItsMessage) {
  const CommandCase &c = GetParam();
  WindowRig rig(c.chip);
  rig.SelectDevice(c.device);
  if (c.prepare) {
    c.prepare(rig);
  }
  rig.prompter.shown.clear();
  rig.Click(c.button);
  ASSERT_FALSE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.Last().kind, Kind::Message);
  EXPECT_EQ(rig.Last().caption, c.caption);
  EXPECT_EQ(rig.Last().text, c.text);
  EXPECT_EQ(rig.Last().icon, c.icon);
  EXPECT_FALSE(rig.window->Progress()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Tollen, CommandTable,
    ::testing::Values(
        CommandCase{"ReadComplete", "ATmega8", device::kAtMega8, nullptr, "cmdRead", "  Read",
                    "Data Reading Complete", Icon::Information},
        CommandCase{"ReadWithoutChip", "", device::kAtMega8,
                    [](WindowRig &r) { r.prompter.answers = {true}; }, "cmdRead", "  Read",
                    "No response from uC . . .", Icon::Information},
        CommandCase{"VerifyDifference", "AT89S52", device::kAt89S52,
                    [](WindowRig &r) { r.engine.Cells.cells[0x10] = 0x42; }, "cmdVerify",
                    "  Verify",
                    "Buffer Verify Error @ Address  0010\rData Read  =  FF\r"
                    "Prog Data   =  42",
                    Icon::Information},
        CommandCase{"VerifyOk", "ATtiny26", device::kAtTiny26, nullptr, "cmdVerify", "  Verify",
                    "Verify OK", Icon::Information},
        CommandCase{"WriteWithFuseBytes", "ATmega8", device::kAtMega8,
                    [](WindowRig &r) { r.engine.Cells.cells[0] = 0x01; }, "cmdWrite", "  Write",
                    "Programming/Verify OK\rLock & Fuse Bits Programmed", Icon::Information},
        CommandCase{"WriteWithLockBits", "AT89S51", device::kAt89S51,
                    [](WindowRig &r) { Click(Child(r.w(), "chkLB2")); }, "cmdWrite", "  Write",
                    "Programming/Verify OK\rLock Bits Programmed", Icon::Information},
        CommandCase{"WritePlain", "AT90S2313", device::kAt90S2313, nullptr, "cmdWrite", "  Write",
                    "Programming/Verify OK", Icon::Information},
        CommandCase{"WriteFailure", "AT89S51", device::kAt89S51,
                    [](WindowRig &r) {
                      r.engine.Cells.cells[5] = 0x05;
                      r.bench.chip()->addBadRead(sim::isp::Memory::Flash, 5, 0x10);
                    },
                    "cmdWrite", "  Write",
                    "Program Verify Error @ Address  0005\rData Read  =  15\rProg Data   =  05",
                    Icon::Error},
        CommandCase{"SignatureNotAvailable", "AT89S8252", device::kAt89S8252, nullptr,
                    "cmdSignature", "  Signature", "Signature Data not available in ISP mode",
                    Icon::Information},
        CommandCase{"NoLockBitSelected", "AT89S51", device::kAt89S51, nullptr, "cmdLockBits",
                    "  Lock Bits", "No Lock Bit is Selected", Icon::Information},
        CommandCase{"LockBits", "AT90S8515", device::kAt90S8515,
                    [](WindowRig &r) { Click(Child(r.w(), "chkLB1")); }, "cmdLockBits",
                    "  Lock Bits", "Lock Bits are Programmed", Icon::Information},
        CommandCase{"LockAndFuseBits", "ATtiny26", device::kAtTiny26, nullptr, "cmdLockBits",
                    "  Lock Bits", "Lock & Fuse Bits are Programmed", Icon::Information}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(MainWindow, SignatureFillsTheSignatureAndCalibrationFields) {
  WindowRig rig;
  rig.bench.chip()->calibration() = {0xB1, 0xB2, 0xB3, 0xB4};
  rig.SelectDevice(device::kAtMega8);
  rig.Click("cmdSignature");
  EXPECT_EQ(rig.Last().caption, "  Signature");
  EXPECT_TRUE(rig.Last().text.startsWith(QStringLiteral("Signature Bytes Info\rFor  ATMEGA8")));
  EXPECT_EQ(rig.Text("edtSig"), "1E 93 07");
  EXPECT_EQ(rig.Text("edtCalib"), "B1 B2 B3 B4");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "hourglass gone";
}

TEST(MainWindow, AnotherChipAsksAndNoStopsTheCommand) {
  WindowRig rig("ATtiny26");
  rig.SelectDevice(device::kAtMega8);
  rig.prompter.answers = {false};
  rig.Click("cmdWrite");
  ASSERT_EQ(rig.prompter.shown.size(), 1u);
  EXPECT_EQ(rig.Last().kind, Kind::Question);
  EXPECT_EQ(rig.Last().caption, "  Tollen");
  EXPECT_EQ(rig.Last().text, "Device Signature did not match.\rDo you want to continue ?");
  EXPECT_EQ(rig.Last().icon, Icon::Warning);
  EXPECT_FALSE(rig.Last().defaultYes);
  EXPECT_EQ(rig.bench.chip()->counters().erases, 0u);
}

// The signature of an earlier check does not stand in for a chip that is
// gone: the question comes.
TEST(MainWindow, AChipThatStoppedAnsweringIsAskedAbout) {
  WindowRig rig;
  rig.SelectDevice(device::kAtMega8);
  rig.Click("cmdVerify");
  ASSERT_EQ(rig.Last().text, "Verify OK");
  rig.bench.removeChip();
  rig.prompter.shown.clear();
  rig.Click("cmdVerify");
  ASSERT_FALSE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.prompter.shown[0].kind, Kind::Question);
  EXPECT_EQ(rig.prompter.shown.size(), 1u) << "No was answered: nothing more";
}

TEST(MainWindow, ASecondCommandDuringARunningReadIsIgnored) {
  WindowRig rig;
  rig.SelectDevice(device::kAtMega8);
  int clicks = 0;
  // Clicked while the read lets events run.
  WhenShown([&] {
    ++clicks;
    Click(Child(rig.w(), "cmdWrite"));
    Click(Child(rig.w(), "cmdSignature"));
    auto *combo = Child<QComboBox>(rig.w(), "cboType");
    QTest::keyClick(combo, Qt::Key_Down);
  });
  rig.Click("cmdRead");
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(rig.Messages(), QStringList{QStringLiteral("Data Reading Complete")});
  EXPECT_EQ(rig.bench.chip()->counters().erases, 0u);
  EXPECT_EQ(rig.engine.DeviceIndex, device::kAtMega8);
  EXPECT_EQ(Child<QComboBox>(rig.w(), "cboType")->currentIndex(), device::kAtMega8);
}

TEST(MainWindow, CancelledReadShowsNoMessageAndForgetsTheFile) {
  WindowRig rig;
  rig.SelectDevice(device::kAtMega8);
  const QString hex = rig.dir.filePath("blink.hex");
  QFile f(hex);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(":00000001FF\r\n");
  f.close();
  rig.prompter.fileNames = {hex};
  rig.Click("cmdOpenFile");
  ASSERT_EQ(rig.Status(), u' ' + hex);
  int position = -1;
  // At the engine's first progress report (the window itself lets events
  // run while it waits to be on screen, before the reading starts).
  QTimer firstReport;
  firstReport.setInterval(0);
  QObject::connect(&firstReport, &QTimer::timeout, [&] {
    rindle::ui::TfrmCmdSts *progress = rig.window->Progress();
    if (!progress->isVisible() || progress->gauge()->progress() == 0)
      return;
    firstReport.stop();
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->windowTitle(), "  Reading from uController . . .");
    EXPECT_EQ(progress->gauge()->maxValue(), 8704);
    EXPECT_FALSE(progress->gauge()->isTextVisible());
    position = progress->gauge()->progress();
    Screenshot(progress, "progress");
    Click(Child(progress, "Button1"));
    EXPECT_FALSE(progress->isVisible()) << "Cancel closes the window at once";
  });
  firstReport.start();
  rig.prompter.shown.clear();
  rig.Click("cmdRead");
  EXPECT_EQ(position, 128);
  EXPECT_TRUE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.Status(), "  Tollen - 3.0a");
  EXPECT_TRUE(rig.engine.ProgramFileName.isEmpty());
}

TEST(MainWindow, ClosingDuringAnOperationCancelsItAndStays) {
  WindowRig rig;
  rig.SelectDevice(device::kAtMega8);
  WhenShown([&] { rig.window->close(); });
  rig.Click("cmdWrite");
  EXPECT_TRUE(rig.window->isVisible());
  EXPECT_TRUE(rig.Messages().isEmpty()) << "a cancelled run says nothing";
  EXPECT_FALSE(QFile::exists(rig.engine.SettingsPath)) << "not closed, so nothing saved yet";
  rig.window->close();
  EXPECT_FALSE(rig.window->isVisible());
  EXPECT_TRUE(QFile::exists(rig.engine.SettingsPath));
}

class FileCommands : public ::testing::Test {
protected:
  WindowRig rig;
  QString Write(const char *name, const QByteArray &content) {
    const QString path = rig.dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
  }
};

TEST_F(FileCommands, OpenAndReload) {
  const QString hex = Write("Blink.hex", ":0100000012ED\r\n:00000001FF\r\n");
  rig.prompter.fileNames = {hex};
  rig.Click("cmdOpenFile");
  EXPECT_EQ(rig.prompter.shown[0].kind, Kind::OpenFile);
  EXPECT_EQ(rig.prompter.shown[0].caption, "Open Hex File");
  EXPECT_EQ(rig.Status(), u' ' + hex);
  EXPECT_EQ(rig.Text("edtCSdata"), "0FEF13");
  EXPECT_EQ(rig.engine.LastDirectory, rig.dir.path());

  rig.engine.Cells.cells[0] = 0x99;
  rig.Click("cmdReloadFile");
  EXPECT_EQ(rig.Last().caption, "  Reload File");
  EXPECT_EQ(rig.Last().text, "BLINK.HEX  reload OK");
  EXPECT_EQ(rig.Last().icon, Icon::None);
  EXPECT_EQ(rig.engine.Cells.cells[0], 0x12);
}

TEST_F(FileCommands, AFailedOpenClearsTheBufferAndTheName) {
  rig.engine.Cells.cells[7] = 0x00;
  rig.prompter.fileNames = {Write("bad.hex", ":0100000012EE\r\n")};
  rig.Click("cmdOpenFile");
  EXPECT_EQ(rig.Last().caption, "  Open File");
  EXPECT_EQ(rig.Last().text, "Data Checksum Error . . .");
  EXPECT_EQ(rig.Last().icon, Icon::Warning);
  EXPECT_EQ(rig.engine.Cells.cells[0], 0xFF);
  EXPECT_EQ(rig.engine.Cells.cells[7], 0xFF);
  EXPECT_EQ(rig.Status(), "  Tollen - 3.0a");
}

TEST_F(FileCommands, SaveAddsTheExtensionAndAsksBeforeOverwriting) {
  const QString stem = rig.dir.filePath("out");
  rig.prompter.fileNames = {stem};
  rig.Click("cmdSaveFile");
  EXPECT_TRUE(QFile::exists(stem + ".hex"));
  EXPECT_EQ(rig.Status(), u' ' + (stem + ".hex"));

  rig.engine.Cells.cells[0] = 0x00;
  rig.prompter.fileNames = {stem + ".hex"};
  rig.prompter.answers = {false};
  rig.Click("cmdSaveFile");
  EXPECT_EQ(rig.Last().kind, Kind::Question);
  EXPECT_EQ(rig.Last().caption, "  Save File");
  EXPECT_EQ(rig.Last().text, "Over-write exiting file");
  QFile saved(stem + ".hex");
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_TRUE(saved.readLine().startsWith(":10000000FFFF")) << "not written after No";
}

TEST(MainWindow, ClosingSavesTheSettings) {
  WindowRig rig;
  rig.SelectDevice(device::kAtTiny26);
  Click(Child(rig.w(), "chkLB1"));
  rig.window->close();
  QFile f(rig.engine.SettingsPath);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "888\r\n11\r\n1\r\n\r\n255\r\n255\r\n255\r\n255\r\n");
  EXPECT_EQ(rig.bench.timerRestores(), 1);
}

} // namespace
} // namespace tollen::uitest
