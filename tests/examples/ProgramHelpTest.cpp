// Each program's --help, run from the build folder as a user would: it says
// which chip its dry run holds and how to choose another, and names the
// examples the build put beside the programs.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <string>

namespace {

struct HelpCase {
  const char *program;
  QStringList mentions; // besides the examples folder
};

void PrintTo(const HelpCase &c, std::ostream *os) { *os << c.program; }

class ProgramHelp : public ::testing::TestWithParam<HelpCase> {};

TEST_P(ProgramHelp, NamesTheDryRunsChipAndTheExamples) {
  const HelpCase &c = GetParam();
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(SUITE_BIN_DIR "/") + QString::fromLatin1(c.program),
          {QStringLiteral("--help")});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0);
  const QString help = QString::fromLocal8Bit(p.readAllStandardOutput());

  const QString examples = QDir::cleanPath(QStringLiteral(SUITE_BIN_DIR "/examples"));
  ASSERT_TRUE(QFileInfo(examples).isDir()) << "the build puts the examples beside the programs";
  EXPECT_TRUE(help.contains(QStringLiteral("  ") + examples + u'\n')) << help.toStdString();
  // Option texts may be wrapped at any blank.
  const QString flat = help.simplified();
  for (const QString &text : c.mentions) {
    EXPECT_TRUE(flat.contains(text))
        << c.program << " --help lacks \"" << text.toStdString() << "\":\n"
        << help.toStdString();
    // Every example the help names is there.
    if (text.endsWith(QLatin1String(".hex")) || text.endsWith(QLatin1String(".eep"))) {
      EXPECT_TRUE(QFileInfo::exists(examples + u'/' + text)) << text.toStdString();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Programs, ProgramHelp,
    ::testing::Values(HelpCase{"rindle",
                               {"(AT89S51 on a first start)", "--simulate=DEVICE",
                                "blink-atmega8.hex", "blink-atmega8.eep", "blink-attiny13.hex",
                                "blink-at89s51.hex"}},
                      HelpCase{"tollen",
                               {"an ATmega8 the first time", "DEVICE puts another",
                                "blink-atmega8.hex", "blink-at89s51.hex"}},
                      HelpCase{"orvane",
                               {"with an AT89S51 (4096 bytes of flash)", "orvane-box-sim",
                                "--chip NAME", "blink-at89s51.hex"}}),
    [](const auto &info) { return std::string(info.param.program); });

} // namespace
