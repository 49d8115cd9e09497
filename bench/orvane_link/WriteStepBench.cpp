// The loader's own time per handshaked byte in the write step: Program of a
// whole 8 KiB chip over a pseudo-terminal, the emulated box answering every
// byte at once. The loader's share is the CPU time of its thread from the
// start of the step to its result line (waiting costs none); the wall time
// per byte, box and kernel included, is shown beside it.
//
// Goal: at most 35 us per byte, a tenth of the line's own time per byte and
// handshake at 57600 baud (two characters of 10 bits).
#include "common/testing/ScriptedPrompter.h"
#include "orvane/core/LoaderCore.h"
#include "orvane/link/Sequencer.h"
#include "sim/box/ProgrammerBox.h"
#include "tools/PacketWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr int kImageBytes = 8192;

// User and system time of the calling thread.
double threadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  auto seconds = [](const timeval &t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The port and the step timer need an event loop on this thread; the
// application object lives until the program ends.
void ensureApplication() {
  if (QCoreApplication::instance()) {
    return;
  }
  static int argc = 1;
  static char name[] = "orvane_link_bench";
  static char *argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

// Takes the clocks at the start of the write step and at its result line.
class TimingHost : public orvane::SequencerHost {
public:
  void AddStatus(const QString &text, bool result) override {
    if (!result && text == QLatin1String("Writing, Please wait...")) {
      armed = true;
    } else if (result && text.endsWith(QLatin1String(" Bytes written, Verify Pending"))) {
      cpuEnd = threadCpuSeconds();
      wallEnd = clock.nsecsElapsed();
      written = true;
    }
    last = text;
  }
  void ClearStatus() override {}
  void SelectFunction(int) override {}

  // Called on every tick, before the step runs; starts the clocks on the
  // tick after "Writing, Please wait...".
  void stepStarts() {
    if (armed) {
      armed = false;
      cpuStart = threadCpuSeconds();
      wallStart = clock.nsecsElapsed();
    }
  }

  QElapsedTimer clock;
  bool armed = false;
  bool written = false;
  double cpuStart = 0, cpuEnd = 0;
  qint64 wallStart = 0, wallEnd = 0;
  QString last;
};

class TickWatch : public QObject {
public:
  explicit TickWatch(TimingHost &host) : host_(host) {}
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Timer) {
      host_.stepStarts();
    }
    return false;
  }

private:
  TimingHost &host_;
};

void BM_WriteStep(benchmark::State &state) {
  ensureApplication();
  QTemporaryDir dir;
  {
    QFile ini(dir.filePath("orvane.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Global]\r\nModelCount=1\r\n[Models]\r\nModel0=Bench\r\n"
              "[Bench]\r\ncomSpeed=57600\r\nAlgorithm=1\r\n");
  }
  common::ScriptedPrompter prompter;
  orvane::LoaderCore core(dir.filePath("orvane"), prompter);
  core.settings.ReadProgramIni(core.paths.programIni());
  core.ModelChange(QStringLiteral("Bench"));
  core.settings.ReloadFile = 0;

  tools::PacketContent content;
  content.fields = tools::deviceFields();
  content.rows.push_back(
      {0,
       {QStringLiteral("AT89S52"), QStringLiteral("Atmel"), 8192, 0,
        QStringLiteral("8051 Core MCU"), QStringLiteral("S52"), QStringLiteral("40pin")}});
  QByteArray packet;
  QString error;
  if (!tools::writePacket(content, &packet, &error) ||
      !core.devices.loadFromBytes(packet, &error)) {
    state.SkipWithError(error.toStdString().c_str());
    return;
  }
  core.buffer.FileBufferReset();
  for (int i = 0; i < kImageBytes; ++i) {
    core.buffer.ImageArea[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 13 + 1);
  }
  core.buffer.BytesLoaded = kImageBytes;

  sim::ProgrammerBox box({"AT89S52", "8K Flash", 8192}, dir.filePath("flash.bin").toStdString());
  std::string boxError;
  if (!box.Start(&boxError)) {
    state.SkipWithError(boxError.c_str());
    return;
  }
  orvane::ComPort port;
  orvane::ComDataPacket splitter;
  port.SetPort(QString::fromStdString(box.Path()));
  port.SetCustomBaudRate(57600);
  TimingHost host;
  host.clock.start();
  // The tick that runs the write step is seen before the timer hands it on.
  TickWatch watch(host);
  auto stepTimer = std::make_unique<orvane::QtStepTimer>();
  stepTimer->timer().installEventFilter(&watch);
  orvane::Sequencer seq(core, port, splitter, host, prompter, nullptr, std::move(stepTimer));
  seq.SetTickInterval(100);

  double cpuTotal = 0;
  qint64 wallTotal = 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    host.written = false;
    seq.ExecuteFunction(orvane::kProgram);
    while (seq.Busy()) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (!host.written) {
      state.SkipWithError(("Program failed: " + host.last.toStdString()).c_str());
      return;
    }
    const double wall = static_cast<double>(host.wallEnd - host.wallStart) * 1e-9;
    state.SetIterationTime(wall);
    cpuTotal += host.cpuEnd - host.cpuStart;
    wallTotal += host.wallEnd - host.wallStart;
    bytes += kImageBytes;
  }
  state.counters["loader_us_per_byte"] = cpuTotal * 1e6 / static_cast<double>(bytes);
  state.counters["wall_us_per_byte"] =
      static_cast<double>(wallTotal) * 1e-3 / static_cast<double>(bytes);
  state.counters["goal_us_per_byte"] = 35;
  state.SetItemsProcessed(bytes);
}

BENCHMARK(BM_WriteStep)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// For comparison: the bare system calls of one handshaked byte (write, poll,
// read) on the same kind of line and box, without any loader code. On a
// virtual machine most of a byte's time is spent in the kernel's
// pseudo-terminal path, and it varies with the machine's load.
void BM_BareHandshake(benchmark::State &state) {
  QTemporaryDir dir;
  sim::ProgrammerBox box({"AT89S52", "8K Flash", 8192}, dir.filePath("flash.bin").toStdString());
  std::string boxError;
  if (!box.Start(&boxError)) {
    state.SkipWithError(boxError.c_str());
    return;
  }
  const int fd = ::open(box.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  char reply[64];
  auto await = [&] {
    pollfd in{fd, POLLIN, 0};
    ::poll(&in, 1, 1000);
    return ::read(fd, reply, sizeof reply) > 0;
  };
  auto send = [&](char c) { return ::write(fd, &c, 1) == 1; };
  double cpuTotal = 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    // The counter, then the bytes, each after the box's DC1.
    bool ok = send('s');
    for (const char digit : std::to_string(kImageBytes)) {
      ok = ok && await() && send(digit);
    }
    ok = ok && await() && send('\n') && await() && send('w');
    QElapsedTimer wall;
    wall.start();
    const double cpuStart = threadCpuSeconds();
    for (int i = 0; ok && i < kImageBytes; ++i) {
      ok = send(static_cast<char>(i)) && await();
    }
    cpuTotal += threadCpuSeconds() - cpuStart;
    state.SetIterationTime(static_cast<double>(wall.nsecsElapsed()) * 1e-9);
    if (!ok) {
      state.SkipWithError("the box did not answer");
      break;
    }
    bytes += kImageBytes;
  }
  ::close(fd);
  state.counters["bare_us_per_byte"] =
      cpuTotal * 1e6 / static_cast<double>(std::max<std::int64_t>(bytes, 1));
  state.SetItemsProcessed(bytes);
}

BENCHMARK(BM_BareHandshake)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
