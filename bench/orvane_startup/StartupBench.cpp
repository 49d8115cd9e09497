// Process start to the main window's first paint, and the resident memory
// then. Each iteration starts the real program with --startup-probe, which
// prints "painted rss_kib=N" once its main window has painted and exits.
// Goals on the development machine: under 300 ms and under 60 MB.
#include <benchmark/benchmark.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Run {
  double seconds = 0;
  long rssKiB = -1;
  bool ok = false;
};

// Starts the program, reads its probe line and waits for it to end.
Run startOnce() {
  Run run;
  int out[2];
  if (pipe(out) != 0)
    return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string program = ORVANE_PROGRAM;
  char probe[] = "--startup-probe";
  char *argv[] = {program.data(), probe, nullptr};
  const auto begin = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return run;
  }
  std::string text;
  char chunk[256];
  while (text.find('\n') == std::string::npos) {
    const ssize_t n = read(out[0], chunk, sizeof chunk);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    text.append(chunk, static_cast<std::size_t>(n));
  }
  const auto painted = std::chrono::steady_clock::now();
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  const std::size_t at = text.find("painted rss_kib=");
  if (at == std::string::npos)
    return run;
  run.rssKiB = std::strtol(text.c_str() + at + 16, nullptr, 10);
  run.seconds = std::chrono::duration<double>(painted - begin).count();
  run.ok = true;
  return run;
}

void BM_StartToFirstPaint(benchmark::State &state) {
  // A desktop session is not needed: the offscreen platform paints the same.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  long rss = 0;
  double worst = 0;
  for (auto _ : state) {
    const Run run = startOnce();
    if (!run.ok) {
      state.SkipWithError("the program did not report its first paint");
      return;
    }
    state.SetIterationTime(run.seconds);
    rss = std::max(rss, run.rssKiB);
    worst = std::max(worst, run.seconds);
  }
  state.counters["rss_MiB"] = static_cast<double>(rss) / 1024.0;
  state.counters["worst_ms"] = worst * 1000.0;
  std::printf("orvane start to first paint: worst %.0f ms (goal < 300 ms), "
              "resident %.1f MiB (goal < 60 MB)\n",
              worst * 1000.0, static_cast<double>(rss) / 1024.0);
}

BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

BENCHMARK_MAIN();
