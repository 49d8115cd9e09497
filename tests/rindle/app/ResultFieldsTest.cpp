// What the main window's fields show after a chip operation, and that they
// are drawn before the message box that ends it: the signature and
// calibration of a chip that did not answer, the checksum of a buffer the
// operation changed, and a failed Program with Auto Verify off.

#include "AppRig.h"

#include "rindle/app/FieldTexts.h"

namespace rindle::apptest {
namespace {

using Icon = common::Prompter::Icon;
using namespace rindle::device;

const QString kSilentChip = QString::fromLatin1(kNoResponseText);

// ---------------------------------------------------------------- chip silent

TEST(SilentChip, SignatureOfAnotherChipIsNotShown) {
  AppRig rig(kMega8, QStringLiteral("MEGA8"));
  rig.app.ReadSignature();
  ASSERT_EQ(rig.app.SigText(), "1E 93 07");
  ASSERT_TRUE(rig.app.SelectRow(kAt89S51)); // the MEGA8 stays in the socket
  rig.app.ReadSignature();
  ASSERT_EQ(rig.prompter.shown.back().text, kSilentChip);
  EXPECT_FALSE(rig.engine.ChipResponded);
  EXPECT_EQ(rig.app.SigText(), kNoSignatureText);
}

TEST(SilentChip, SignatureAndCalibrationOfAChipTakenOut) {
  AppRig rig(kMega8);
  rig.app.ReadSignature();
  ASSERT_NE(rig.app.OscText(), kNoCalibrationText);
  rig.hardware.bench().removeChip();
  rig.app.ReadSignature();
  ASSERT_EQ(rig.prompter.shown.back().text, kSilentChip);
  EXPECT_EQ(rig.app.SigText(), kNoSignatureText);
  EXPECT_EQ(rig.app.OscText(), kNoCalibrationText);
}

TEST(SilentChip, DeviceCheckAnsweredYesShowsNoSignature) {
  AppRig rig(kMega8);
  rig.app.ReadSignature();
  rig.hardware.bench().removeChip();
  rig.prompter.answers = {true}; // go on without a signature
  rig.app.VerifyChip();
  ASSERT_EQ(rig.prompter.shown.back().text, kSilentChip);
  EXPECT_EQ(rig.app.SigText(), kNoSignatureText);
  EXPECT_EQ(rig.app.OscText(), kNoCalibrationText);
}

// ---------------------------------------------------------------- Auto Verify off

struct QuietProgramCase {
  const char *name;
  std::uint16_t device;
  QString fixedChip; // empty: the device's own chip; "-": no chip
  // The message, or empty for none.
  QString expected;
};

void PrintTo(const QuietProgramCase &c, std::ostream *os) { *os << c.name; }

class AutoVerifyOff : public ::testing::TestWithParam<QuietProgramCase> {};

TEST_P(AutoVerifyOff, ShowsAFailureOnly) {
  const QuietProgramCase &c = GetParam();
  AppRig rig(c.device, c.fixedChip == u'-' ? QString() : c.fixedChip);
  if (c.fixedChip == u'-')
    rig.hardware.bench().removeChip();
  rig.engine.AutoVerify = false;
  rig.engine.Buffer.all()[0] = 0x12;
  rig.prompter.answers = {true}; // go on after a signature question
  rig.prompter.shown.clear();
  rig.app.ProgramChip();
  if (c.expected.isEmpty()) {
    EXPECT_EQ(rig.engine.ResultText, "OK");
    EXPECT_TRUE(rig.prompter.messages().isEmpty()) << rig.lastShown().toStdString();
  } else {
    EXPECT_EQ(rig.lastShown(), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Program, AutoVerifyOff,
    ::testing::Values(
        QuietProgramCase{"SuccessStaysSilent", kMega8, {}, {}},
        QuietProgramCase{"NoChip", kMega8, QStringLiteral("-"),
                         Shown("  Write", kSilentChip, Icon::Error)},
        QuietProgramCase{"At89S51WithAMega8InTheSocket", kAt89S51, QStringLiteral("MEGA8"),
                         Shown("  Write", kSilentChip, Icon::Error)},
        QuietProgramCase{"Tiny13WithoutChip", kTiny13, QStringLiteral("-"),
                         Shown("  Write", kSilentChip, Icon::Error)}),
    CaseName());

// ---------------------------------------------------------------- checksum

TEST(Checksum, ProgramShowsTheCalibrationBytesItStored) {
  for (const bool autoVerify : {true, false}) {
    SCOPED_TRACE(autoVerify ? "auto verify" : "no auto verify");
    AppRig rig(kMega8); // four calibration bytes, stored at the end of flash
    rig.engine.AutoVerify = autoVerify;
    rig.engine.Buffer.all()[0] = 0x12;
    rig.app.ShowChecksum();
    const QString before = rig.app.ChecksumShown();
    rig.app.ProgramChip();
    ASSERT_EQ(rig.engine.ResultText, "OK");
    ASSERT_NE(rig.engine.Buffer.all()[8191], 0xFF) << "a calibration byte in the buffer";
    EXPECT_NE(rig.app.ChecksumShown(), before);
    EXPECT_EQ(rig.app.ChecksumShown(), ChecksumText(rig.engine.BufferChecksum()));
  }
}

// ---------------------------------------------------------------- fields first

// The fields as the window drew them, and how many boxes had been shown then.
struct Drawn {
  qsizetype shownBefore;
  QString checksum, status, sig, osc;
  bool lb1;
};

struct FieldsCase {
  const char *name;
  std::uint16_t device;
  std::function<void(AppRig &)> prepare;
  std::function<void(AppRig &)> command;
};

void PrintTo(const FieldsCase &c, std::ostream *os) { *os << c.name; }

class FieldsBeforeMessage : public ::testing::TestWithParam<FieldsCase> {};

TEST_P(FieldsBeforeMessage, TheBoxShowsOverTheNewFields) {
  const FieldsCase &c = GetParam();
  AppRig rig(c.device);
  rig.engine.ProgramFileName = rig.path("old.hex");
  rig.app.UpdateFilename();
  rig.app.ShowChecksum();
  if (c.prepare)
    c.prepare(rig);
  std::vector<Drawn> drawn;
  rig.view.onFields = [&] {
    drawn.push_back({static_cast<qsizetype>(rig.prompter.shown.size()), rig.app.ChecksumShown(),
                     rig.app.Status(), rig.app.SigText(), rig.app.OscText(),
                     rig.app.LockBits().lb1});
  };
  rig.prompter.shown.clear();
  c.command(rig);
  ASSERT_FALSE(rig.prompter.messages().isEmpty());
  const qsizetype box = static_cast<qsizetype>(rig.prompter.shown.size()) - 1;
  const auto last = std::find_if(drawn.rbegin(), drawn.rend(),
                                 [&](const Drawn &d) { return d.shownBefore == box; });
  ASSERT_NE(last, drawn.rend()) << "no fields drawn right before the message";
  EXPECT_EQ(last->checksum, rig.app.ChecksumShown());
  EXPECT_EQ(last->status, rig.app.Status());
  EXPECT_EQ(last->sig, rig.app.SigText());
  EXPECT_EQ(last->osc, rig.app.OscText());
  EXPECT_EQ(last->lb1, rig.app.LockBits().lb1);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FieldsBeforeMessage,
    ::testing::Values(
        FieldsCase{"Read", kMega8, [](AppRig &r) { r.chip().flash()[0] = 0x12; },
                   [](AppRig &r) { r.app.ReadChip(); }},
        FieldsCase{"Program", kMega8, [](AppRig &r) { r.engine.Buffer.all()[0] = 0x12; },
                   [](AppRig &r) { r.app.ProgramChip(); }},
        FieldsCase{"Verify", kMega8, nullptr, [](AppRig &r) { r.app.VerifyChip(); }},
        FieldsCase{"BlankCheck", kMega8, nullptr, [](AppRig &r) { r.app.BlankCheckChip(); }},
        FieldsCase{"Signature", kMega8, nullptr, [](AppRig &r) { r.app.ReadSignature(); }},
        FieldsCase{"Erase", kAt89S52, [](AppRig &r) { r.app.SetLockBit(0, true); },
                   [](AppRig &r) { r.app.EraseChip(); }},
        FieldsCase{"WriteLockBits", kMega8, nullptr, [](AppRig &r) { r.app.WriteLockBits(); }},
        FieldsCase{"FailedOpen", kMega8, [](AppRig &r) { r.engine.Buffer.all()[0] = 0x12; },
                   [](AppRig &r) {
                     const QString bad = r.path("bad.hex");
                     WriteAll(bad, ":10000000ZZ\n");
                     r.prompter.fileNames = {bad};
                     r.app.OpenFile();
                   }}),
    CaseName());

} // namespace
} // namespace rindle::apptest
