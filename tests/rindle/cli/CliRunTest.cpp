// The run of rindle-cli's steps in this process, where a test decides when
// the user asks it to stop. What reached the chip is read back from its state
// file through the simulator.

#include <cstdio>
#include <memory>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "rindle/cli/CliRequest.h"
#include "rindle/cli/CliRun.h"
#include "sim/isp/Bench.h"
#include "sim/isp/Chip.h"

namespace {

using rindle::cli::ParseArguments;
using rindle::cli::Parsed;
using rindle::cli::RunSetup;

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

QByteArray Contents(std::FILE *f) {
  std::fflush(f);
  std::rewind(f);
  QByteArray bytes;
  char block[4096];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
    bytes.append(block, static_cast<qsizetype>(n));
  return bytes;
}

class InterruptedRun : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    image = QByteArray(6144, '\0');
    for (qsizetype i = 0; i < image.size(); ++i)
      image[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    QFile file(appFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(image), image.size());
  }

  // Runs the arguments; the user asks to stop from the `stopAt`-th time the
  // run looks for it (1: before anything ran).
  int run(QStringList args, int stopAt) {
    args.prepend(QStringLiteral("rindle-cli"));
    args << QStringLiteral("--simulate") << QStringLiteral("--no-delays");
    const Parsed parsed = ParseArguments(args);
    EXPECT_TRUE(parsed.request.has_value());
    if (!parsed.request)
      return -1;
    RunSetup setup;
    setup.out = out.get();
    setup.err = err.get();
    setup.defaultSettingsFile = dir.filePath(QStringLiteral("Rindle37.set"));
    setup.stateFolder = dir.filePath(QStringLiteral("chips"));
    setup.interrupted = [this, stopAt] { return ++looks >= stopAt; };
    return rindle::cli::Run(*parsed.request, setup);
  }

  QString appFile() const { return dir.filePath(QStringLiteral("app.bin")); }

  std::unique_ptr<sim::isp::Bench> chip() {
    auto bench = std::make_unique<sim::isp::Bench>();
    EXPECT_EQ(
        bench->loadState(dir.filePath(QStringLiteral("chips/simulated-MEGA8.chip")).toStdString()),
        "");
    return bench;
  }

  QTemporaryDir dir;
  QByteArray image;
  File out{std::tmpfile()};
  File err{std::tmpfile()};
  int looks = 0;
};

TEST_F(InterruptedRun, AWriteStopsAtItsNextBlockAndNoLaterStepRuns) {
  const int status =
      run({"-p", "ATmega8", "-U", "flash:w:" + appFile(), "-U", "hfuse:w:0xC9:m"}, 4);
  const QByteArray said = Contents(err.get());
  EXPECT_EQ(status, 1) << said.toStdString();
  EXPECT_TRUE(said.contains("flash write cancelled: interrupted; the operation stopped where it "
                            "was and the target was released"))
      << said.toStdString();
  // Some of the image reached the chip, the rest of the chip is as the erase
  // left it, and the fuse write after the write never ran.
  const auto bench = chip();
  ASSERT_NE(bench->chip(), nullptr);
  const auto flash = bench->chip()->flash();
  EXPECT_EQ(flash[0], static_cast<std::uint8_t>(image[0]));
  EXPECT_EQ(flash[static_cast<std::size_t>(image.size() - 1)], 0xFF);
  EXPECT_NE(bench->chip()->fuse(sim::isp::kFuseHigh), 0xC9);
  EXPECT_EQ(bench->chip()->counters().fuseWrites, 0u);
}

TEST_F(InterruptedRun, AStopAskedForBetweenStepsEndsTheRunThere) {
  const int status =
      run({"-p", "ATmega8", "-U", "hfuse:w:0xC9:m", "-U", "flash:w:" + appFile()}, 2);
  const QByteArray said = Contents(err.get());
  EXPECT_EQ(status, 1) << said.toStdString();
  EXPECT_TRUE(said.contains("interrupted; the steps still to come did not run"))
      << said.toStdString();
  const auto bench = chip();
  ASSERT_NE(bench->chip(), nullptr);
  EXPECT_EQ(bench->chip()->fuse(sim::isp::kFuseHigh), 0xC9);
  EXPECT_EQ(bench->chip()->flash()[0], 0xFF);
}

TEST_F(InterruptedRun, WithoutAStopEveryStepRuns) {
  const int status =
      run({"-p", "ATmega8", "-U", "flash:w:" + appFile(), "-U", "hfuse:w:0xC9:m"}, 1 << 30);
  EXPECT_EQ(status, 0) << Contents(err.get()).toStdString();
  const auto bench = chip();
  ASSERT_NE(bench->chip(), nullptr);
  EXPECT_EQ(bench->chip()->flash()[static_cast<std::size_t>(image.size() - 1)],
            static_cast<std::uint8_t>(image[image.size() - 1]));
  EXPECT_EQ(bench->chip()->fuse(sim::isp::kFuseHigh), 0xC9);
  EXPECT_GT(looks, 3);
}

} // namespace
