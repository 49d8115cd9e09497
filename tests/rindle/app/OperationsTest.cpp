// Each chip operation of the main window, through the application layer on
// the simulated bench: the engine calls, the progress window and the one
// message it ends with.

#include "AppRig.h"

#include "rindle/app/FieldTexts.h"

#include <algorithm>

namespace rindle::apptest {
namespace {

using Icon = common::Prompter::Icon;
using namespace rindle::device;

struct OperationCase {
  const char *name;
  std::uint16_t device;
  bool chipInSocket;
  std::function<void(AppRig &)> prepare;
  void (IspApp::*command)();
  // The expected message, or empty for none after the command.
  QString expected;
};

void PrintTo(const OperationCase &c, std::ostream *os) { *os << c.name; }

void FillFlash(AppRig &rig) {
  auto cells = rig.engine.Buffer.all();
  for (int i = 0; i < 300; ++i)
    cells[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
}

const QString kNoResponse = QString::fromLatin1(kNoResponseText);

class OperationTable : public ::testing::TestWithParam<OperationCase> {};

TEST_P(OperationTable, EndsWithTheMessageOfItsRow) {
  const OperationCase &c = GetParam();
  AppRig rig(c.device);
  if (!c.chipInSocket) {
    rig.hardware.bench().removeChip();
    rig.prompter.answers = {true}; // go on after the signature question
  }
  if (c.prepare)
    c.prepare(rig);
  rig.prompter.shown.clear();
  (rig.app.*c.command)();
  if (c.expected.isEmpty()) {
    for (const auto &s : rig.prompter.shown)
      EXPECT_NE(s.kind, common::ScriptedPrompter::Shown::Kind::Message) << s.text.toStdString();
  } else {
    EXPECT_EQ(rig.lastShown(), c.expected);
  }
  EXPECT_FALSE(rig.engine.SignatureOnly);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, OperationTable,
    ::testing::Values(
        OperationCase{"ReadCompleted", kMega8, true, nullptr, &IspApp::ReadChip,
                      Shown("  Read", "Reading Completed", Icon::Information)},
        OperationCase{"ReadWithoutChip", kMega8, false, nullptr, &IspApp::ReadChip,
                      Shown("  Read", kNoResponse, Icon::Information)},
        OperationCase{"ProgramVerified", kMega8, true, FillFlash, &IspApp::ProgramChip,
                      Shown("  Write", "Program, Verify  OK", Icon::Information)},
        OperationCase{"ProgramWithoutChip", kMega8, false, FillFlash, &IspApp::ProgramChip,
                      Shown("  Write", kNoResponse, Icon::Error)},
        OperationCase{"ProgramAutoVerifyOffStillReportsAFailure",
                      kMega8,
                      false,
                      [](AppRig &r) { r.engine.AutoVerify = false; },
                      &IspApp::ProgramChip,
                      Shown("  Write", kNoResponse, Icon::Error)},
        OperationCase{"ProgramAutoVerifyOffSilentOnSuccess",
                      kMega8,
                      true,
                      [](AppRig &r) {
                        r.engine.AutoVerify = false;
                        FillFlash(r);
                      },
                      &IspApp::ProgramChip,
                      {}},
        OperationCase{"VerifyBlankAgainstBlank", kAt89S52, true, nullptr, &IspApp::VerifyChip,
                      Shown("  Verify", "Verification OK", Icon::Information)},
        OperationCase{"VerifyWithoutChip", kAt89S52, false, nullptr, &IspApp::VerifyChip,
                      Shown("  Verify", kNoResponse, Icon::Information)},
        OperationCase{"BlankCheckOk", kTiny13, true, nullptr, &IspApp::BlankCheckChip,
                      Shown("  Blank Check", "Blank Check OK", Icon::Information)},
        OperationCase{
            "EraseAtmegaSetsFuses", kMega8, true, nullptr, &IspApp::EraseChip,
            Shown("  Erase", "Erasing Completed\rFuses set to default value", Icon::Information)},
        OperationCase{"EraseAt89S52", kAt89S52, true, nullptr, &IspApp::EraseChip,
                      Shown("  Erase", "Erasing Completed", Icon::Information)},
        OperationCase{"EraseAt90S8535", kAt90S8535, true, nullptr, &IspApp::EraseChip,
                      Shown("  Erase", "Erasing Completed", Icon::Information)},
        OperationCase{
            "EraseAt89S8253SetsFuses", kAt89S8253, true, nullptr, &IspApp::EraseChip,
            Shown("  Erase", "Erasing Completed\rFuses set to default value", Icon::Information)},
        OperationCase{"EraseWithoutChip", kMega8, false, nullptr, &IspApp::EraseChip,
                      Shown("  Erase", kNoResponse, Icon::Information)},
        OperationCase{"WriteLockBitsNothingSelected", kAt89S51, true, nullptr,
                      &IspApp::WriteLockBits,
                      Shown("  Lock Bits", "No Lock Bit selected", Icon::Information)},
        OperationCase{"WriteLockBitOne", kAt89S51, true,
                      [](AppRig &r) { r.app.SetLockBit(0, true); }, &IspApp::WriteLockBits,
                      Shown("  Lock Bits", "Lock Bits programmed", Icon::Information)},
        OperationCase{"WriteLockBitsAtmegaAlwaysWrites", kMega8, true, nullptr,
                      &IspApp::WriteLockBits,
                      Shown("  Lock Bits", "Lock Bits programmed", Icon::Information)},
        OperationCase{"WriteLockBitsWithoutChip", kMega8, false, nullptr, &IspApp::WriteLockBits,
                      Shown("  Lock Bits", kNoResponse, Icon::Information)}),
    CaseName());

TEST(Operations, ReadRunsInTheProgressWindowAndForgetsTheFile) {
  AppRig rig(kMega8);
  rig.engine.ProgramFileName = rig.path("blink.hex");
  rig.app.UpdateFilename();
  rig.chip().flash()[0] = 0x12;
  rig.chip().flash()[8191] = 0x34;
  rig.app.ReadChip();
  EXPECT_EQ(rig.view.calls, (QStringList{"progress   Reading the uController . . . of 8704",
                                         "disable", "enable", "close"}));
  // A report every 64 bytes, each letting events run.
  EXPECT_GE(rig.view.lastPosition, 8704 - 64);
  EXPECT_GE(rig.view.reports, 8704 / 64 - 2);
  EXPECT_EQ(rig.view.pumps, rig.view.reports);
  EXPECT_EQ(rig.engine.Buffer.all()[0], 0x12);
  EXPECT_EQ(rig.engine.Buffer.all()[8191], 0x34);
  EXPECT_TRUE(rig.engine.ProgramFileName.isEmpty());
  EXPECT_EQ(rig.app.Status(), "  Rindle  3.7");
  EXPECT_EQ(rig.app.LastDirectory(), rig.path(""));
  EXPECT_EQ(rig.app.ChecksumShown(), ChecksumText(0xFF * 8190 + 0x12 + 0x34));
  EXPECT_EQ(rig.app.SigText(), "1E 93 07");
}

TEST(Operations, CancelStopsWithinOneStepAndShowsNothing) {
  AppRig rig(kMega8);
  int cancelledAt = -1;
  rig.view.onProgress = [&](int position) {
    if (position >= 1024 && cancelledAt < 0) {
      cancelledAt = position;
      rig.app.CancelOperation();
    }
  };
  rig.engine.ProgramFileName = rig.path("a.hex");
  rig.prompter.shown.clear();
  rig.app.ReadChip();
  EXPECT_LE(rig.view.lastPosition, cancelledAt + 64);
  EXPECT_TRUE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.view.calls.back(), "enable"); // no close: Cancel closed it
  EXPECT_TRUE(rig.engine.ProgramFileName.isEmpty());
}

TEST(Operations, BlankCheckReleasesTheTargetBeforeEnabling) {
  AppRig rig(kMega8);
  bool bufferOnAtEnable = true;
  struct Spy : RecordingView {
    sim::isp::Bench *bench = nullptr;
    bool *seen = nullptr;
    void setMainEnabled(bool enabled) override {
      if (enabled)
        *seen = bench->bufferEnabled();
      RecordingView::setMainEnabled(enabled);
    }
  } spy;
  spy.bench = &rig.hardware.bench();
  spy.seen = &bufferOnAtEnable;
  rig.app.setView(&spy);
  rig.app.BlankCheckChip();
  EXPECT_FALSE(bufferOnAtEnable);
}

TEST(Operations, BlankCheckOfAProgrammedChipReportsTheFirstByte) {
  AppRig rig(kMega8);
  rig.chip().flash()[0x10] = 0x00;
  rig.app.BlankCheckChip();
  ASSERT_EQ(rig.prompter.messages().size(), 1);
  EXPECT_NE(rig.prompter.messages()[0], "Blank Check OK");
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Blank Check");
}

TEST(Operations, HourglassOperationsKeepTheMainWindowEnabled) {
  AppRig rig(kMega8);
  rig.app.EraseChip();
  rig.app.ReadSignature();
  rig.app.WriteLockBits();
  EXPECT_EQ(rig.view.calls, (QStringList{"busy", "normal", "busy", "normal", "busy", "normal"}));
}

TEST(Operations, EraseClearsTheLockBoxes) {
  AppRig rig(kAt89S52);
  rig.app.SetLockBit(0, true);
  rig.app.SetLockBit(2, true);
  ASSERT_TRUE(rig.app.LockBits().lb1);
  rig.app.EraseChip();
  EXPECT_FALSE(rig.app.LockBits().lb1);
  EXPECT_FALSE(rig.app.LockBits().lb3Checked);
}

TEST(Operations, SignatureFillsTheFieldsAndReports) {
  AppRig rig(kMega8);
  rig.app.ReadSignature();
  EXPECT_EQ(rig.app.SigText(), "1E 93 07");
  EXPECT_EQ(rig.app.OscText().size(), 11);
  EXPECT_NE(rig.app.OscText(), "-  -  -  - ");
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Signature");
  EXPECT_EQ(rig.prompter.shown.back().text, rig.engine.ResultText);
}

TEST(Operations, ResetHoldsTheChipWhilePressed) {
  AppRig rig(kMega8);
  rig.app.HoldReset();
  EXPECT_TRUE(rig.chip().inReset());
  rig.app.ReleaseReset();
  EXPECT_FALSE(rig.chip().inReset());
}

// ---------------------------------------------------------------- device check

TEST(DeviceCheck, ChipsWithoutSignatureAreNeverAsked) {
  for (std::uint16_t device : {kAt89S53, kAt89S8252}) {
    AppRig rig(device, QStringLiteral("MEGA8"));
    rig.app.VerifyChip();
    for (const auto &s : rig.prompter.shown)
      EXPECT_NE(s.kind, common::ScriptedPrompter::Shown::Kind::Question);
    EXPECT_EQ(rig.app.SigText(), "-  -  - ");
  }
}

TEST(DeviceCheck, AnotherChipAsksAndNoRunsNothing) {
  AppRig rig(kMega16, QStringLiteral("MEGA8"));
  rig.prompter.answers = {false};
  rig.app.EraseChip();
  ASSERT_EQ(rig.prompter.shown.size(), 1u);
  const auto &q = rig.prompter.shown[0];
  EXPECT_EQ(q.kind, common::ScriptedPrompter::Shown::Kind::Question);
  EXPECT_EQ(q.caption, "  Rindle");
  EXPECT_EQ(q.text, "Device Signature did not match.\rDo you want to continue ?");
  EXPECT_EQ(q.icon, Icon::Warning);
  EXPECT_FALSE(q.defaultYes);
  EXPECT_FALSE(rig.engine.ProceedFlag);
  EXPECT_EQ(rig.chip().counters().erases, 0u);
  EXPECT_TRUE(rig.view.calls.isEmpty());
  EXPECT_EQ(rig.app.SigText(), "-  -  - ");
}

TEST(DeviceCheck, YesGoesOnAndShowsWhatWasRead) {
  AppRig rig(kMega16, QStringLiteral("MEGA8"));
  rig.prompter.answers = {true};
  rig.app.ReadChip();
  EXPECT_EQ(rig.app.SigText(), "1E 93 07");
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Read");
}

// ---------------------------------------------------------------- port problem

class BrokenPortHardware : public SimulatedHardware {
public:
  using SimulatedHardware::SimulatedHardware;
  QString portProblem(std::uint16_t base) override {
    asked = base;
    return QStringLiteral("Cannot open /dev/parport0 for port 0378: Permission denied.");
  }
  int asked = -1;
};

TEST(PortProblem, SilentChipMessageAddsThePortLine) {
  QTemporaryDir dir;
  BrokenPortHardware hardware(dir.path(), {}, false);
  IspEngine engine(hardware.port(), hardware.timer());
  common::ScriptedPrompter prompter;
  RecordingView view;
  IspApp app(engine, prompter, &view, &hardware);
  engine.ProgramFolder = dir.path();
  app.FormCreate();
  ASSERT_TRUE(app.SelectRow(kMega8));
  hardware.bench().removeChip();
  prompter.answers = {true}; // go on without a signature
  app.ReadChip();
  EXPECT_EQ(prompter.shown.back().caption, "  Read");
  EXPECT_EQ(
      prompter.messages(),
      QStringList{kNoResponse + "\rCannot open /dev/parport0 for port 0378: Permission denied."});
  EXPECT_EQ(hardware.asked, 0x378);
  EXPECT_EQ(engine.ResultText, kNoResponse);
}

TEST(PortProblem, MachineWithoutTheDeviceSaysWhy) {
  if (QFile::exists("/dev/parport0"))
    GTEST_SKIP() << "this machine has a parallel port";
  ParallelPortHardware hardware;
  const QString line = hardware.portProblem(0x378);
  EXPECT_FALSE(line.isEmpty());
  EXPECT_FALSE(line.contains('\r'));
}

} // namespace
} // namespace rindle::apptest
