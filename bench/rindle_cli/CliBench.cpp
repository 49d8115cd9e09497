// rindle-cli started as a process, as a Makefile or a production bench
// starts it, on the simulated port with the real delays: an ATmega8
// programmed with full flash and EEPROM images (one erase, every page and
// byte written and read back) and verified, against the protocol's own
// floor (the waits the simulated chip was asked for, which the program
// reports with -v); and the time from the start of the process to its exit
// on a command that only touches the port, which bounds the time to the
// first chip access.
//
// The ratio also holds the time the machine itself takes away from a
// busy-waiting process (other tasks, a virtual machine's host); a spin on
// the clock before each run tells how much that was, so that a figure can be
// read against the machine it was measured on.

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kProgram = QStringLiteral(SUITE_BIN_DIR "/rindle-cli");

struct Finished {
  bool ok = false;
  double seconds = 0;
  QByteArray err;
};

// The share of `span` a spinning thread lost to the machine: the gaps of
// more than a microsecond between two clock reads that follow each other.
double MachineLostShare(std::chrono::milliseconds span) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  Clock::time_point last = start;
  Clock::duration lost{};
  while (last - start < span) {
    const Clock::time_point now = Clock::now();
    if (now - last > std::chrono::microseconds(1))
      lost += now - last;
    last = now;
  }
  return std::chrono::duration<double>(lost).count() /
         std::chrono::duration<double>(last - start).count();
}

Finished Start(const QTemporaryDir &dir, const QStringList &args) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
  process.setProcessEnvironment(env);
  const QStringList all =
      QStringList{QStringLiteral("--settings"), dir.filePath(QStringLiteral("none.set"))} + args;
  const auto start = std::chrono::steady_clock::now();
  process.start(kProgram, all);
  const bool finished = process.waitForFinished(300000);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
          took.count(), process.readAllStandardError()};
}

void BM_CliMega8ProgramVerify(benchmark::State &state) {
  QTemporaryDir dir;
  // Full images without a blank byte: every page and every EEPROM byte is
  // written and read back.
  std::mt19937 rng(8);
  const auto image = [&](const QString &name, qsizetype size) {
    QByteArray bytes(size, '\0');
    for (char &b : bytes)
      b = static_cast<char>(rng() % 0xFF);
    QFile out(dir.filePath(name));
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
  };
  if (!image(QStringLiteral("full.bin"), 8192) || !image(QStringLiteral("full-eeprom.bin"), 512)) {
    state.SkipWithError("cannot write the images");
    return;
  }
  static const QRegularExpression kWaits(QStringLiteral("own waits: ([0-9.]+) s"));
  double measured = 0;
  double floor = 0;
  double lost = 0;
  for (auto _ : state) {
    state.PauseTiming();
    lost += MachineLostShare(std::chrono::seconds(1));
    state.ResumeTiming();
    const Finished run = Start(
        dir, {QStringLiteral("--simulate"), QStringLiteral("-v"), QStringLiteral("-p"),
              QStringLiteral("ATmega8"), QStringLiteral("-U"),
              QStringLiteral("flash:w:") + dir.filePath("full.bin"), QStringLiteral("-U"),
              QStringLiteral("eeprom:w:") + dir.filePath("full-eeprom.bin"), QStringLiteral("-U"),
              QStringLiteral("flash:v:") + dir.filePath("full.bin"), QStringLiteral("-U"),
              QStringLiteral("eeprom:v:") + dir.filePath("full-eeprom.bin")});
    const QRegularExpressionMatch waits = kWaits.match(QString::fromLocal8Bit(run.err));
    if (!run.ok || !waits.hasMatch()) {
      state.SkipWithError(run.err.constData());
      return;
    }
    state.SetIterationTime(run.seconds);
    measured += run.seconds;
    floor += waits.captured(1).toDouble();
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["measured_s"] = measured / n;
  state.counters["floor_s"] = floor / n;
  state.counters["measured_per_floor"] = measured / floor;
  state.counters["machine_lost_pct"] = lost / n * 100;
}

void BM_CliStartToFirstChipAccess(benchmark::State &state) {
  QTemporaryDir dir;
  double total = 0;
  for (auto _ : state) {
    // Without the delays, the run is its start-up, the port's first
    // writes and its end.
    const Finished run =
        Start(dir, {QStringLiteral("--simulate"), QStringLiteral("--no-delays"),
                    QStringLiteral("-q"), QStringLiteral("-p"), QStringLiteral("ATmega8"),
                    QStringLiteral("reset"), QStringLiteral("release")});
    if (!run.ok) {
      state.SkipWithError(run.err.constData());
      return;
    }
    state.SetIterationTime(run.seconds);
    total += run.seconds;
  }
  state.counters["start_to_exit_ms"] = total / static_cast<double>(state.iterations()) * 1000;
}

} // namespace

BENCHMARK(BM_CliMega8ProgramVerify)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);
BENCHMARK(BM_CliStartToFirstChipAccess)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
