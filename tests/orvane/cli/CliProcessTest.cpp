// orvane-cli as a user runs it: a process of the built program against the
// emulated programmer box, its settings and the box's chip in a temporary
// folder of each test.
#include "orvane/core/LoaderBuffer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Short enough for a quick run, long enough for the box's replies to cross
// the pseudo-terminal on a loaded machine.
const QString kTick = QStringLiteral("200");
constexpr int kChipSize = 4096; // the emulated box's AT89S51

struct Ran {
  int status = -1;
  QString out;
  QString err;
};

std::vector<std::uint8_t> Pattern(int count, int seed) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 37 + seed) % 250);
  return bytes;
}

// The bytes of a HEX file from address 0 up to its highest byte.
std::vector<std::uint8_t> HexBytes(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << path.toStdString();
    return {};
  }
  orvane::LoaderBuffer b;
  b.FileBufferReset();
  const orvane::HexLoadResult r = b.LoadHex(f.readAll(), [](const QString &line) {
    ADD_FAILURE() << "line in error: " << line.toStdString();
  });
  EXPECT_EQ(r.end, orvane::HexLoadResult::End::Complete);
  return {b.ImageArea.begin(), b.ImageArea.begin() + b.BytesLoaded};
}

class CliProcessTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }

  QString path(const QString &name) const { return dir.filePath(name); }

  QString writeHex(const QString &name, const std::vector<std::uint8_t> &bytes) {
    orvane::LoaderBuffer b;
    b.FileBufferReset();
    std::copy(bytes.begin(), bytes.end(), b.ImageArea.begin());
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(orvane::HexFileText(b.ImageArea, static_cast<int>(bytes.size())));
    return f.fileName();
  }

  // The program with its settings in the test's folder.
  Ran cli(QStringList args, bool simulate = true) {
    QStringList all{QStringLiteral("--settings"), path(QStringLiteral("settings")),
                    QStringLiteral("--tick"), kTick};
    if (simulate)
      all << QStringLiteral("--simulate");
    all << args;
    QProcess p;
    p.start(QStringLiteral(SUITE_BIN_DIR "/orvane-cli"), all);
    EXPECT_TRUE(p.waitForFinished(60000)) << all.join(u' ').toStdString();
    Ran r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
  }

  // The emulated chip's flash as the box keeps it between runs.
  QByteArray chipFile() const {
    QFile f(path(QStringLiteral("settings/box-chip.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir;
};

std::string Show(const Ran &r) {
  return "status " + std::to_string(r.status) + "\nstdout:\n" + r.out.toStdString() +
         "stderr:\n" + r.err.toStdString();
}

TEST_F(CliProcessTest, ProgramVerifyAndReadBackGiveTheFilesBytes) {
  const std::vector<std::uint8_t> bytes = Pattern(1000, 11);
  const QString hex = writeHex(QStringLiteral("app.hex"), bytes);

  const Ran program = cli({QStringLiteral("program"), hex});
  ASSERT_EQ(program.status, 0) << Show(program);
  EXPECT_TRUE(program.out.contains(QStringLiteral("Writing, Please wait...\n"
                                                  "   1000 Bytes written, Verify Pending\n")))
      << Show(program);
  EXPECT_TRUE(program.out.startsWith(QStringLiteral("Detecting Hardware...\n"))) << Show(program);
  EXPECT_TRUE(program.err.isEmpty()) << Show(program);
  // The box keeps its chip in the test's folder.
  EXPECT_EQ(chipFile().left(1000), QByteArray(reinterpret_cast<const char *>(bytes.data()), 1000));

  const Ran verify = cli({QStringLiteral("verify"), hex});
  ASSERT_EQ(verify.status, 0) << Show(verify);
  EXPECT_TRUE(verify.out.endsWith(QStringLiteral("   Verify Succesful\n"))) << Show(verify);

  const QString back = path(QStringLiteral("back.hex"));
  const Ran read = cli({QStringLiteral("read"), back});
  ASSERT_EQ(read.status, 0) << Show(read);
  EXPECT_TRUE(read.out.contains(QStringLiteral("   4096 Bytes\n"))) << Show(read);
  const std::vector<std::uint8_t> chip = HexBytes(back);
  ASSERT_EQ(chip.size(), std::size_t{kChipSize});
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), chip.begin()));
  EXPECT_TRUE(std::all_of(chip.begin() + 1000, chip.end(), [](std::uint8_t b) { return b == 0xFF; }));
}

TEST_F(CliProcessTest, AVerifyAgainstAnotherFileFailsWithTheLoadersMessage) {
  std::vector<std::uint8_t> bytes = Pattern(300, 5);
  ASSERT_EQ(cli({QStringLiteral("program"), writeHex(QStringLiteral("a.hex"), bytes)}).status, 0);
  bytes[122] ^= 0x55;
  const Ran verify = cli({QStringLiteral("verify"), writeHex(QStringLiteral("b.hex"), bytes)});
  EXPECT_EQ(verify.status, 1) << Show(verify);
  EXPECT_TRUE(verify.err.contains(QStringLiteral("Verify Failed at address 123\n"
                                                 "   Try re-inserting chip")))
      << Show(verify);
}

TEST_F(CliProcessTest, AFunctionThatFindsTheChipNotBlankFails) {
  ASSERT_EQ(cli({QStringLiteral("program"), writeHex(QStringLiteral("a.hex"), Pattern(64, 1))})
                .status,
            0);
  const Ran blank = cli({QStringLiteral("blank-check")});
  EXPECT_EQ(blank.status, 1) << Show(blank);
  EXPECT_TRUE(blank.err.contains(QStringLiteral("64 Bytes Used Approximately"))) << Show(blank);
  const Ran erase = cli({QStringLiteral("erase")});
  EXPECT_EQ(erase.status, 0) << Show(erase);
  EXPECT_EQ(cli({QStringLiteral("blank-check")}).status, 0);
}

TEST_F(CliProcessTest, AutoProgramWithVerifyAndLockEndsWell) {
  const QString hex = writeHex(QStringLiteral("a.hex"), Pattern(200, 3));
  const Ran run = cli({QStringLiteral("auto-program"), QStringLiteral("--verify"),
                       QStringLiteral("--lock"), hex});
  EXPECT_EQ(run.status, 0) << Show(run);
  for (const char *line : {"   Verify Succesful\n", "   Locked\n", "Reading chip info...\n"})
    EXPECT_TRUE(run.out.contains(QString::fromLatin1(line))) << line << Show(run);
}

TEST_F(CliProcessTest, AFileThatCannotBeReadOrWrittenEndsWithStatusThree) {
  const QByteArray before = (cli({QStringLiteral("erase")}), chipFile());
  const QString missing = path(QStringLiteral("missing.hex"));
  const QString notHex = path(QStringLiteral("text.hex"));
  {
    QFile f(notHex);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(":10000000ZZ\r\n");
  }
  const QStringList cases[] = {
      {QStringLiteral("program"), missing},
      {QStringLiteral("verify"), missing},
      {QStringLiteral("auto-program"), missing},
      {QStringLiteral("program"), notHex},
      {QStringLiteral("program"), dir.path()},
      {QStringLiteral("read"), path(QStringLiteral("no/such/folder/out.hex"))},
  };
  for (const QStringList &args : cases) {
    const Ran r = cli(args);
    EXPECT_EQ(r.status, 3) << args.join(u' ').toStdString() << "\n" << Show(r);
    EXPECT_FALSE(r.err.isEmpty()) << args.join(u' ').toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("Detecting Hardware")))
        << "nothing reaches the box: " << Show(r);
  }
  EXPECT_EQ(chipFile(), before);
}

TEST_F(CliProcessTest, APortThatCannotBeOpenedEndsWithStatusFourAndADiagnosis) {
  const QString device = path(QStringLiteral("ttyNONE0"));
  const Ran r = cli({QStringLiteral("--port"), device, QStringLiteral("signature")}, false);
  EXPECT_EQ(r.status, 4) << Show(r);
  EXPECT_TRUE(r.err.contains(QStringLiteral("cannot open the port ") + device +
                             QStringLiteral(": No such file or directory")))
      << Show(r);
}

TEST_F(CliProcessTest, JsonGivesOneObjectPerOperation) {
  const QString hex = writeHex(QStringLiteral("a.hex"), Pattern(500, 9));
  const Ran program = cli({QStringLiteral("--json"), QStringLiteral("program"), hex});
  ASSERT_EQ(program.status, 0) << Show(program);
  const QStringList lines = program.out.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 1) << Show(program);
  QJsonParseError error;
  const QJsonObject o = QJsonDocument::fromJson(lines[0].toUtf8(), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << lines[0].toStdString();
  EXPECT_EQ(o.value("operation").toString(), QStringLiteral("program"));
  EXPECT_EQ(o.value("bytes").toInt(), 500);
  EXPECT_EQ(o.value("result").toString(), QStringLiteral("ok"));
  EXPECT_EQ(o.value("message").toString(), QStringLiteral("500 Bytes written, Verify Pending"));
  EXPECT_GT(o.value("seconds").toDouble(), 0.0);
  // The status log went to stderr.
  EXPECT_TRUE(program.err.contains(QStringLiteral("Writing, Please wait..."))) << Show(program);

  const Ran read = cli({QStringLiteral("--json"), QStringLiteral("-q"), QStringLiteral("read"),
                        path(QStringLiteral("r.hex"))});
  ASSERT_EQ(read.status, 0) << Show(read);
  const QJsonObject r = QJsonDocument::fromJson(read.out.trimmed().toUtf8()).object();
  EXPECT_EQ(r.value("operation").toString(), QStringLiteral("read"));
  EXPECT_EQ(r.value("bytes").toInt(), kChipSize);
  EXPECT_TRUE(read.err.isEmpty()) << Show(read);

  const Ran missing = cli({QStringLiteral("--json"), QStringLiteral("verify"),
                           path(QStringLiteral("missing.hex"))});
  EXPECT_EQ(missing.status, 3);
  const QJsonObject m = QJsonDocument::fromJson(missing.out.trimmed().toUtf8()).object();
  EXPECT_EQ(m.value("result").toString(), QStringLiteral("failed"));
  EXPECT_TRUE(m.value("message").toString().contains(QStringLiteral("missing.hex")));
}

TEST_F(CliProcessTest, AnotherChipThanTheDeviceNamedIsRefusedBeforeAnythingIsWritten) {
  const QByteArray before = (cli({QStringLiteral("erase")}), chipFile());
  const QString hex = writeHex(QStringLiteral("a.hex"), Pattern(100, 2));
  const Ran r = cli({QStringLiteral("--device"), QStringLiteral("AT89S52"),
                     QStringLiteral("program"), hex});
  EXPECT_EQ(r.status, 5) << Show(r);
  EXPECT_TRUE(r.err.contains(QStringLiteral("The chip is AT89S51, not AT89S52"))) << Show(r);
  EXPECT_FALSE(r.out.contains(QStringLiteral("Erasing..."))) << Show(r);
  EXPECT_EQ(chipFile(), before);
  // The chip that is there goes ahead, named in any case.
  EXPECT_EQ(cli({QStringLiteral("--device"), QStringLiteral("at89s51"), QStringLiteral("program"),
                 hex})
                .status,
            0);
}

TEST_F(CliProcessTest, UsageErrorsEndWithStatusTwo) {
  const QString hex = writeHex(QStringLiteral("a.hex"), Pattern(10, 1));
  const QStringList cases[] = {
      {},
      {QStringLiteral("burn")},
      {QStringLiteral("program")},
      {QStringLiteral("erase"), hex},
      {QStringLiteral("read"), hex, hex},
      {QStringLiteral("--verify"), QStringLiteral("program"), hex},
      {QStringLiteral("--no-such-option"), QStringLiteral("erase")},
      {QStringLiteral("--tick"), QStringLiteral("soon"), QStringLiteral("erase")},
      {QStringLiteral("--model"), QStringLiteral("No Such Box"), QStringLiteral("erase")},
      {QStringLiteral("--device"), QStringLiteral("Z80"), QStringLiteral("erase")},
      {QStringLiteral("--port"), QStringLiteral("/dev/null"), QStringLiteral("erase")},
  };
  for (const QStringList &args : cases) {
    // The last case names a port together with --simulate.
    const Ran r = cli(args);
    EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString() << "\n" << Show(r);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Try 'orvane-cli --help'")))
        << args.join(u' ').toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << args.join(u' ').toStdString();
  }
}

TEST_F(CliProcessTest, HelpTellsTheExitStatuses) {
  const Ran r = cli({QStringLiteral("--help")}, false);
  EXPECT_EQ(r.status, 0);
  for (const char *line : {"0  the function succeeded", "1  the function failed",
                           "2  the command line cannot be used", "3  a file could not be read",
                           "4  the port could not be opened", "5  refused"})
    EXPECT_TRUE(r.out.contains(QString::fromLatin1(line))) << line;
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// On a terminal the bar is drawn on stderr, and the status log's next line
// starts on a line of its own; through a pipe there is no bar.
TEST_F(CliProcessTest, ProgressBarOnATerminalEndsItsLineBeforeTheLog) {
  if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
    GTEST_SKIP() << "no script(1) to give the program a terminal";
  const QString file = writeHex(QStringLiteral("bar.hex"), Pattern(300, 5));
  const QString command = QStringLiteral("'%1' --settings '%2' --tick %3 --simulate program '%4'")
                              .arg(QStringLiteral(SUITE_BIN_DIR "/orvane-cli"),
                                   path(QStringLiteral("settings")), kTick, file);
  QProcess process;
  process.start(QStringLiteral("script"), {"-qec", command, "/dev/null"});
  ASSERT_TRUE(process.waitForFinished(60000));
  const QString terminal = QString::fromLocal8Bit(process.readAllStandardOutput());
  EXPECT_EQ(process.exitCode(), 0) << terminal.toStdString();
  EXPECT_TRUE(terminal.contains(QStringLiteral("100%  300/300 bytes"))) << terminal.toStdString();
  const qsizetype written = terminal.indexOf(QStringLiteral("300 Bytes written"));
  ASSERT_GT(written, 0) << terminal.toStdString();
  EXPECT_EQ(terminal.mid(written - 5, 5), QStringLiteral("\r\n   ")) << terminal.toStdString();

  const Ran piped = cli({QStringLiteral("program"), file});
  EXPECT_EQ(piped.status, 0) << Show(piped);
  EXPECT_FALSE(piped.err.contains(u'%')) << Show(piped);
}
