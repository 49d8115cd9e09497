// Start-up of the programmer with simulated hardware: the time from process
// start to the main window's first paint (the splash is not waited for) and
// the resident memory then. Each iteration starts a fresh process: this
// program again with --child, which builds the windows as the program does,
// reports at the first paint of the main window and exits.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "common/ResidentMemory.h"
#include "common/widgets/GuardedApplication.h"
#include "rindle/app/CommandLine.h"
#include "rindle/ui/RindleProgram.h"
#include "rindle/ui/TfrmMain.h"

extern char **environ;

namespace {

std::int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Quits at the main window's first paint, writing "<ns since start> <KiB>".
class FirstPaint : public QObject {
public:
  FirstPaint(std::int64_t startNs, int fd) : startNs_(startNs), fd_(fd) {}
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      QObject *target = watched;
      QMetaObject::invokeMethod(
          target,
          [this] {
            const std::int64_t elapsed = MonotonicNs() - startNs_;
            const std::string out =
                std::to_string(elapsed) + " " + std::to_string(common::ResidentKiB()) + "\n";
            if (::write(fd_, out.data(), out.size()) < 0)
              std::perror("write");
            QCoreApplication::quit();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

private:
  std::int64_t startNs_;
  int fd_;
  bool done_ = false;
};

int Child(int argc, char **argv, std::int64_t startNs, int fd) {
  common::GuardedApplication app(argc, argv);
  app.setTitle(QStringLiteral(" Rindle"));
  rindle::CommandLine options;
  options.simulate = true;
  auto run = rindle::ui::MakeProgramForRun(options);
  FirstPaint probe(startNs, fd);
  run->main().installEventFilter(&probe);
  run->main().show();
  return QApplication::exec();
}

void BM_StartToFirstPaint(benchmark::State &state) {
  QTemporaryDir data;
  char self[4096] = {};
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) {
    state.SkipWithError("cannot find this program");
    return;
  }
  std::vector<std::string> env;
  for (char **e = environ; *e != nullptr; ++e)
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 &&
        std::strncmp(*e, "XDG_DATA_HOME=", 14) != 0)
      env.emplace_back(*e);
  env.emplace_back("QT_QPA_PLATFORM=offscreen");
  env.emplace_back("XDG_DATA_HOME=" + data.path().toStdString());
  std::vector<char *> envp;
  for (auto &s : env)
    envp.push_back(s.data());
  envp.push_back(nullptr);

  double worstMs = 0;
  double rssMiB = 0;
  for (auto _ : state) {
    int fds[2];
    if (::pipe(fds) != 0) {
      state.SkipWithError("pipe");
      return;
    }
    std::string start = std::to_string(MonotonicNs());
    std::string fd = std::to_string(fds[1]);
    std::string childFlag = "--child";
    std::vector<char *> argv{self, childFlag.data(), start.data(), fd.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, self, nullptr, nullptr, argv.data(), envp.data()) != 0) {
      state.SkipWithError("cannot start the child");
      return;
    }
    ::close(fds[1]);
    char buffer[128] = {};
    const ssize_t got = ::read(fds[0], buffer, sizeof buffer - 1);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    long long ns = 0;
    long kib = 0;
    if (got <= 0 || std::sscanf(buffer, "%lld %ld", &ns, &kib) != 2) {
      state.SkipWithError("the child did not report");
      return;
    }
    state.SetIterationTime(static_cast<double>(ns) / 1e9);
    worstMs = std::max(worstMs, static_cast<double>(ns) / 1e6);
    rssMiB = std::max(rssMiB, static_cast<double>(kib) / 1024.0);
  }
  state.counters["worst_ms"] = worstMs;
  state.counters["rss_MiB"] = rssMiB;
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char **argv) {
  if (argc == 4 && std::strcmp(argv[1], "--child") == 0) {
    int childArgc = 1;
    return Child(childArgc, argv, std::atoll(argv[2]), std::atoi(argv[3]));
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
