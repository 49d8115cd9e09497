#include "common/ProgramOptions.h"

#include <gtest/gtest.h>

using common::ProgramOptions;

namespace {

// A program's options as a client declares them.
struct Tool : ProgramOptions {
  Tool();
};

Tool::Tool()
    : ProgramOptions(QStringLiteral("tool"), QStringLiteral("1.2"),
                     QStringLiteral("[options] COMMAND..."),
                     QStringLiteral("Does things to chips.")) {
  ProgramOptions &options = *this;
  options.add(QCommandLineOption({QStringLiteral("p"), QStringLiteral("part")},
                                 QStringLiteral("the device"), QStringLiteral("DEVICE")));
  options.add(QCommandLineOption(QStringLiteral("q"), QStringLiteral("quiet")));
  options.add(QCommandLineOption(QStringLiteral("v"), QStringLiteral("more\ntext")));
  options.addOptionalValue(QCommandLineOption(
      QStringLiteral("simulate"), QStringLiteral("simulated"), QStringLiteral("DEVICE")));
  options.setNotes(QStringLiteral("Exit status: 0 done."));
}

} // namespace

TEST(ProgramOptions, ReadsOptionsAndTheOptionalValue) {
  Tool options;
  options.allowPositional();
  EXPECT_FALSE(options.parse({"tool", "-p", "MEGA8", "-qv", "--simulate", "erase"}).has_value());
  EXPECT_EQ(options.value("part"), "MEGA8");
  EXPECT_TRUE(options.isSet("q"));
  EXPECT_TRUE(options.isSet("v"));
  EXPECT_TRUE(options.isSet("simulate"));
  EXPECT_EQ(options.value("simulate"), "");
  EXPECT_EQ(options.positional(), QStringList{"erase"});

  Tool withValue;
  EXPECT_FALSE(withValue.parse({"tool", "--simulate=ATmega8"}).has_value());
  EXPECT_EQ(withValue.value("simulate"), "ATmega8");
}

TEST(ProgramOptions, HelpAndVersionPrintOnStdoutAndEndWithZero) {
  Tool help;
  testing::internal::CaptureStdout();
  EXPECT_EQ(help.parse({"tool", "--help"}), 0);
  const std::string text = testing::internal::GetCapturedStdout();
  EXPECT_NE(text.find("Usage: tool [options] COMMAND...\nDoes things to chips.\n"), std::string::npos);
  EXPECT_NE(text.find("  -p, --part DEVICE     the device\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  --simulate[=DEVICE]   simulated\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  -v                    more\n                        text\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\nExit status: 0 done.\n"), std::string::npos);

  Tool version;
  testing::internal::CaptureStdout();
  EXPECT_EQ(version.parse({"tool", "--version"}), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "tool 1.2\n");
}

TEST(ProgramOptions, WrongCommandLinesEndWithTwoAndAReasonOnStderr) {
  struct Case {
    QStringList args;
    bool positional;
    const char *reason;
  };
  const Case cases[] = {
      {{"tool", "--bogus"}, true, "tool: Unknown option '--bogus'."},
      {{"tool", "-x"}, true, "tool: Unknown option '-x'."},
      {{"tool", "-p"}, true, "tool: Missing value after '-p'."},
      {{"tool", "stray"}, false, "tool: unexpected argument \"stray\""},
  };
  for (const Case &c : cases) {
    Tool options;
    if (c.positional)
      options.allowPositional();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(options.parse(c.args), common::kExitUsage) << c.reason;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(err, std::string(c.reason) + "\nTry 'tool --help' for more information.\n");
  }
}
