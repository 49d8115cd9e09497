// The session alone, as a client without windows drives it: it owns its
// hardware and engine, and a client that answers by rule learns what each
// question is about.

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "isp/hardware/IspHardware.h"
#include "rindle/app/IspSession.h"
#include "isp/core/DeviceCatalogue.h"

namespace rindle {
namespace {

// Records what the session was asking at each question; answers `yes`.
class RulePrompter : public common::Prompter {
public:
  void message(const QString &, const QString &, Icon) override {}
  bool question(const QString &, const QString &text, Icon, bool) override {
    asked.push_back(session->Asking());
    texts << text;
    return yes;
  }
  QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
  QString saveFileName(const QString &, const QString &, const QString &,
                       const QString &) override {
    return {};
  }

  const IspSession *session = nullptr;
  bool yes = false;
  std::vector<SessionQuestion> asked;
  QStringList texts;
};

std::uint16_t Row(const char *name) {
  return static_cast<std::uint16_t>(FindDevice(std::string_view(name)) - kDeviceList.data());
}

struct SessionRig {
  explicit SessionRig(const QString &chip)
      : session(MakeHardware(true, SimulationSetup{.place = temp.path(), .device = chip}), prompter,
                QStringLiteral("  Rindle")) {
    prompter.session = &session;
    EXPECT_TRUE(session.Start(temp.filePath(QStringLiteral("none.set")), std::nullopt).isOk());
  }
  sim::isp::Chip &chip() {
    return *dynamic_cast<SimulatedHardware *>(session.Hardware())->bench().chip();
  }

  QTemporaryDir temp;
  RulePrompter prompter;
  IspSession session;
};

TEST(IspSession, TheLockoutQuestionNamesTheBitsAtStake) {
  SessionRig rig(QStringLiteral("TINY13"));
  ASSERT_TRUE(rig.session.SelectDevice(Row("TINY13")));
  const std::uint8_t high = rig.chip().fuse(sim::isp::kFuseHigh);
  rig.session.Engine().Fuses.FuseHigh = 0xFE; // RSTDISBL programmed
  const common::Outcome refused = rig.session.WriteFuses();
  EXPECT_EQ(refused.kind, common::Outcome::Kind::Refused);
  EXPECT_TRUE(refused.message.contains(QStringLiteral("RSTDISBL")))
      << refused.message.toStdString();
  ASSERT_EQ(rig.prompter.asked.size(), 1u);
  EXPECT_EQ(rig.prompter.asked[0].kind, SessionQuestion::Kind::Lockout);
  EXPECT_EQ(rig.prompter.asked[0].lockoutBits, QStringList{QStringLiteral("RSTDISBL")});
  EXPECT_TRUE(rig.prompter.texts[0].contains(QStringLiteral("end serial programming")));
  EXPECT_EQ(rig.chip().fuse(sim::isp::kFuseHigh), high) << "nothing written";
  EXPECT_EQ(rig.session.Asking().kind, SessionQuestion::Kind::None) << "asked no more";

  rig.prompter.yes = true;
  EXPECT_TRUE(rig.session.WriteFuses().isOk());
  EXPECT_EQ(rig.chip().fuse(sim::isp::kFuseHigh), 0xFE);
}

TEST(IspSession, ASignatureMismatchIsRefusedNamingWhatTheChipRead) {
  SessionRig rig(QStringLiteral("TINY13"));
  ASSERT_TRUE(rig.session.SelectDevice(Row("MEGA8")));
  const common::Outcome outcome = rig.session.Program();
  EXPECT_EQ(outcome.kind, common::Outcome::Kind::Refused);
  EXPECT_TRUE(outcome.message.contains(QStringLiteral("1E 90 07")))
      << outcome.message.toStdString();
  ASSERT_EQ(rig.prompter.asked.size(), 1u);
  EXPECT_EQ(rig.prompter.asked[0].kind, SessionQuestion::Kind::ChipSignature);
  EXPECT_TRUE(rig.prompter.asked[0].chipResponded);
  EXPECT_EQ(rig.chip().flash()[0], 0xFF);
}

TEST(IspSession, AFailedCommandSaysWhatLetItDown) {
  SessionRig rig(QStringLiteral("MEGA8"));
  ASSERT_TRUE(rig.session.SelectDevice(Row("MEGA8")));
  rig.session.Engine().Buffer.all()[0] = 0x12;
  ASSERT_TRUE(rig.session.Program().isOk());
  rig.session.Engine().Buffer.all()[0] = 0x34;
  const common::Outcome verify = rig.session.Verify();
  EXPECT_EQ(verify.kind, common::Outcome::Kind::Failed);
  EXPECT_EQ(verify.cause, common::Outcome::Cause::Chip);
  EXPECT_TRUE(verify.message.startsWith(QStringLiteral("Verify Error @ Address  0000")));

  rig.session.Engine().ProgramFileName = rig.temp.filePath(QStringLiteral("missing.hex"));
  EXPECT_NE(rig.session.LoadFile(IspSession::Memory::Flash, FileFormat::Hex), QStringLiteral("OK"));
}

} // namespace
} // namespace rindle
