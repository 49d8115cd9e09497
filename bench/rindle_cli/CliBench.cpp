// rindle-cli started as a process, as a Makefile or a production bench
// starts it, on the simulated port with the real delays: an ATmega8
// programmed with a full image and verified (a flash write erases, writes
// and reads every page back), against the protocol's own
// floor (the waits the simulated chip was asked for, which the program
// reports with -v); and the time from the start of the process to its exit
// on a command that only touches the port, which bounds the time to the
// first chip access.

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
  // A full image without a blank byte: every page is written and read back.
  QByteArray image(8192, '\0');
  std::mt19937 rng(8);
  for (char &b : image)
    b = static_cast<char>(rng() % 0xFF);
  const QString file = dir.filePath(QStringLiteral("full.bin"));
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly) || out.write(image) != image.size()) {
    state.SkipWithError("cannot write the image");
    return;
  }
  out.close();
  static const QRegularExpression kWaits(QStringLiteral("own waits: ([0-9.]+) s"));
  double measured = 0;
  double floor = 0;
  for (auto _ : state) {
    const Finished run = Start(dir, {QStringLiteral("--simulate"), QStringLiteral("-v"),
                                     QStringLiteral("-p"), QStringLiteral("ATmega8"),
                                     QStringLiteral("-U"), QStringLiteral("flash:w:") + file});
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
}

void BM_CliStartToFirstChipAccess(benchmark::State &state) {
  QTemporaryDir dir;
  double total = 0;
  for (auto _ : state) {
    // Without the delays, the run is its start-up, the port's first
    // writes and its end.
    const Finished run = Start(dir, {QStringLiteral("--simulate"), QStringLiteral("--no-delays"),
                                     QStringLiteral("-q"), QStringLiteral("-p"),
                                     QStringLiteral("ATmega8"), QStringLiteral("reset"),
                                     QStringLiteral("release")});
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
BENCHMARK(BM_CliStartToFirstChipAccess)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
