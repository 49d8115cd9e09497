// The loader's session without a window: the dry run's box, the functions
// run by argument, their typed outcomes and the files of a function.
#include "orvane/session/LoaderSession.h"

#include "common/testing/ScriptedPrompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using common::Outcome;

class RecordingLog : public orvane::StatusLog {
public:
  void AddStatus(const QString &text, bool result) override {
    lines << (result ? QStringLiteral("   ") : QString()) + text;
  }
  void ClearStatus() override { lines.clear(); }
  QStringList lines;
};

// A program folder with the shipped catalogue and device databases, and a
// session on it that runs a dry run with a short tick.
class SessionTest : public ::testing::Test {
protected:
  void SetUp() override {
    const QString bin = QStringLiteral(SUITE_BIN_DIR);
    ASSERT_TRUE(QFile::copy(bin + "/orvane.ini", dir.filePath("orvane.ini")));
    ASSERT_TRUE(QDir(dir.path()).mkpath("devices"));
    for (const QString &f : QDir(bin + "/devices").entryList(QDir::Files))
      ASSERT_TRUE(QFile::copy(bin + "/devices/" + f, dir.filePath("devices/" + f)));
    session = std::make_unique<orvane::LoaderSession>(
        orvane::LoaderPaths(dir.filePath("orvane")), prompter);
    session->SetStatusLog(&log);
    session->StartUp();
    session->FirstActivation();
    session->sequencer().SetTickInterval(200);
  }

  void simulate() {
    QString error;
    ASSERT_TRUE(session->Simulate(dir.filePath("box-chip.bin"), &error)) << error.toStdString();
  }

  QTemporaryDir dir;
  common::ScriptedPrompter prompter;
  RecordingLog log;
  std::unique_ptr<orvane::LoaderSession> session;
};

TEST_F(SessionTest, ADryRunTalksToTheBoxAndKeepsTheSavedPort) {
  const QString saved = session->core().settings.comPort;
  simulate();
  EXPECT_TRUE(session->SimulatedPort().startsWith(QStringLiteral("/dev/")));
  EXPECT_EQ(session->port().Port(), session->SimulatedPort());
  EXPECT_EQ(session->core().settings.comPort, saved);

  QSignalSpy finished(session.get(), &orvane::LoaderSession::Finished);
  const Outcome o = session->Run(orvane::kSignature);
  EXPECT_EQ(o.kind, Outcome::Kind::Ok);
  EXPECT_EQ(o.message, QStringLiteral("AT89S51, 4K Flash approx."));
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(log.lines, (QStringList{"Detecting Hardware...", "   Serial Programmer Ver 2.0 Ready",
                                    "Detecting Chip...", "   AT89S51, 4K Flash approx."}));
  EXPECT_FALSE(session->port().Connected());
}

TEST_F(SessionTest, AModelIsFoundByItsNameInAnyLetterCase) {
  const QStringList models = session->Models();
  ASSERT_TRUE(models.contains(QStringLiteral("2207-5130 v2"))) << models.join(u'|').toStdString();
  EXPECT_EQ(session->FindModel(QStringLiteral("2207-5130 V2")), QStringLiteral("2207-5130 v2"));
  EXPECT_EQ(session->FindModel(QStringLiteral("2207-5130 v2")), QStringLiteral("2207-5130 v2"));
  EXPECT_EQ(session->FindModel(QStringLiteral("2207-2051")), QStringLiteral("2207-2051"));
  EXPECT_EQ(session->FindModel(QStringLiteral("2207-9999")), QString());
}

TEST_F(SessionTest, ASecondFunctionWhileOneRunsIsRefused) {
  simulate();
  ASSERT_TRUE(session->Execute(orvane::kRead));
  EXPECT_FALSE(session->Execute(orvane::kErase));
  EXPECT_EQ(session->Run(orvane::kErase).kind, Outcome::Kind::Refused);
  QSignalSpy finished(session.get(), &orvane::LoaderSession::Finished);
  ASSERT_TRUE(finished.wait(20000));
  EXPECT_EQ(finished.at(0).at(0).value<Outcome>().kind, Outcome::Kind::Ok);
  EXPECT_FALSE(log.lines.contains(QStringLiteral("Erasing...")));
}

TEST_F(SessionTest, AFunctionsFileThatCannotBeUsedStopsItBeforeThePortOpens) {
  simulate();
  const QString missing = dir.filePath("missing.hex");
  // The second record's checksum is wrong: the window would leave the line
  // out after saying so and write the rest.
  const QString damaged = dir.filePath("damaged.hex");
  {
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(":0400000001020304F2\n:0400040005060708DD\n:00000001FF\n");
  }
  // Nothing but the end record, or no line at all: the box would erase the
  // chip and write nothing.
  const QString nothing = dir.filePath("nothing.hex");
  const QString empty = dir.filePath("empty.hex");
  {
    QFile f(nothing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(":00000001FF\n");
    QFile e(empty);
    ASSERT_TRUE(e.open(QIODevice::WriteOnly));
  }
  const struct {
    int function;
    QString path;
    const char *message;
  } cases[] = {
      {orvane::kProgram, nothing, "\"%1\" holds no program: 0 bytes loaded"},
      {orvane::kAutoProgram, empty, "\"%1\" holds no program: 0 bytes loaded"},
      {orvane::kVerify, nothing, "\"%1\" holds no program: 0 bytes loaded"},
      {orvane::kProgram, missing, "Cannot open file \"%1\". No such file or directory"},
      {orvane::kProgram, damaged, "\"%1\" did not load whole as Intel HEX"},
      {orvane::kAutoProgram, damaged, "\"%1\" did not load whole as Intel HEX"},
      {orvane::kVerify, dir.path(), "Cannot open file \"%1\". file to open is a directory"},
      {orvane::kRead, dir.filePath("no/out.hex"), "Cannot create file \"%1\". No such folder"},
      {orvane::kRead, dir.path(), "Cannot create file \"%1\". It is a folder"},
  };
  for (const auto &c : cases) {
    const Outcome o = session->RunWithFile(c.function, c.path);
    EXPECT_EQ(o.kind, Outcome::Kind::Failed) << c.message;
    EXPECT_EQ(o.cause, Outcome::Cause::File) << c.message;
    EXPECT_EQ(o.message.toStdString(), QString::fromLatin1(c.message).arg(c.path).toStdString());
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join(u'|').toStdString();
  }
}

TEST_F(SessionTest, ReadSavesTheChipWholeIntoItsFile) {
  simulate();
  const QString out = dir.filePath("chip.hex");
  const Outcome o = session->RunWithFile(orvane::kRead, out);
  ASSERT_EQ(o.kind, Outcome::Kind::Ok) << o.message.toStdString();
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  // 4096 bytes in records of 16, and the end record.
  EXPECT_EQ(f.readAll().count('\n'), 4096 / 16 + 1);
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
