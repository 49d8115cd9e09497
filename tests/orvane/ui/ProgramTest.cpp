// The program's command line, run as a user would.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
  int exitCode = -1;
  QString out, err;
};

Outcome runOrvane(const QStringList &args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(SUITE_BIN_DIR "/orvane"), args);
  EXPECT_TRUE(p.waitForFinished(60000));
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

TEST(OrvaneProgram, VersionAndHelpPrintAndExit) {
  const Outcome version = runOrvane({QStringLiteral("--version")});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, QStringLiteral("orvane 5.4\n"));
  const Outcome help = runOrvane({QStringLiteral("--help")});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains(QStringLiteral("--simulate")));
  const Outcome wrong = runOrvane({QStringLiteral("--bogus")});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_TRUE(wrong.err.contains(QStringLiteral("--bogus")));
}

TEST(OrvaneProgram, DryRunStartsTheEmulatedBoxAndPaints) {
  QTemporaryDir home;
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(SUITE_BIN_DIR "/orvane"),
          {QStringLiteral("--simulate"), QStringLiteral("--startup-probe")});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0);
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_TRUE(out.contains(QStringLiteral("dry run, the emulated programmer box is on /dev/")))
      << out.toStdString();
  EXPECT_TRUE(out.contains(QStringLiteral("painted rss_kib="))) << out.toStdString();
}

} // namespace
