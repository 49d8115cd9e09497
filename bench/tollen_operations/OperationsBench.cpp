// The older edition's ATmega8 programming run and verify through the
// simulated port, each wait a real busy wait on the monotonic clock, against
// the protocol's own floor: 18 ticks of waiting per bit plus every wait the
// run has to make.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <random>

#include "common/MonotonicTickTimer.h"
#include "sim/isp/Bench.h"
#include "tollen/engine/TollenEngine.h"

namespace {

using namespace tollen;

// The floor, in ticks, built up wait by wait.
struct Floor {
  std::uint64_t ticks = 0;

  static constexpr std::uint64_t kBitTicks = 2 * 9;
  void Instructions(std::uint64_t n, int bytes = 4) { ticks += n * bytes * 8 * kBitTicks; }
  void Waits(std::uint64_t n, std::uint16_t each) { ticks += n * each; }
  void Release() { Waits(10, ticks::k25ms); }
  void AvrEnable() {
    Waits(10, ticks::k25ms);
    Instructions(1);
  }
};

// An ATmega8 image without a blank byte, so that every page and EEPROM byte
// is written and read back; then its fuses and lock byte; then a verify.
std::uint64_t Mega8ProgramVerifyFloor() {
  constexpr std::uint64_t kPages = 8192 / 64, kWordsPerPage = 32, kEeprom = 512;
  Floor f;
  // Program: enable, erase and its two waits, out and in again.
  f.AvrEnable();
  f.Instructions(1);
  f.Waits(2, ticks::k25ms);
  f.Release();
  f.AvrEnable();
  // Each page loaded word by word, written, read back.
  f.Instructions(kPages * (2 * kWordsPerPage + 1 + 2 * kWordsPerPage));
  f.Waits(kPages, ticks::k5ms);
  // Each EEPROM byte written, its wait, read back.
  f.Instructions(2 * kEeprom);
  f.Waits(kEeprom, ticks::k10ms);
  f.Release();
  // Lock and fuse bits: released first, enable, low and high fuse, lock byte.
  f.Release();
  f.AvrEnable();
  f.Instructions(3);
  f.Waits(3, ticks::k25ms);
  f.Release();
  // Verify: enable, every byte read, released.
  f.AvrEnable();
  f.Instructions(8192 + kEeprom);
  f.Release();
  return f.ticks;
}

// An engine on the simulated ATmega8 with a full image to program.
struct Mega8Run {
  sim::isp::Bench bench{"MEGA8"};
  TollenEngine engine{bench, bench};

  Mega8Run() {
    engine.Port.PortBase = bench.base();
    engine.DeviceIndex = device::kAtMega8;
    engine.SelectDevice();
    engine.ReleaseTarget();
    std::mt19937 rng(8);
    for (std::size_t i = 0; i < engine.TotalSize; ++i) {
      engine.Cells.cells[i] = static_cast<std::uint8_t>(rng() % 0xFF); // never blank
    }
    engine.FuseLow = 0xE1;
    engine.FuseHigh = 0xD9;
    engine.LockByte = 0x3F;
  }
  bool ProgramAndVerify() {
    engine.ProgramChip();
    const bool programmed = engine.ResultText == QStringLiteral("OK");
    engine.VerifyChip();
    return programmed && engine.ResultText == QStringLiteral("OK");
  }
};

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_Mega8ProgramAndVerify(benchmark::State &state) {
  Mega8Run run;
  sim::isp::Bench &bench = run.bench;
  common::MonotonicTickTimer clock;
  bench.forwardDelaysTo(&clock);

  const std::uint64_t floor = Mega8ProgramVerifyFloor();
  double seconds = 0;
  for (auto _ : state) {
    const std::uint64_t ticksBefore = bench.now();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = run.ProgramAndVerify();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!ok) {
      state.SkipWithError("the run did not succeed");
      break;
    }
    if (bench.now() - ticksBefore != floor) {
      state.SkipWithError("the waits asked for differ from the protocol's floor");
      break;
    }
    state.SetIterationTime(took.count());
    seconds += took.count();
  }
  bench.forwardDelaysTo(nullptr);
  const double floorSeconds = static_cast<double>(floor) / common::kTicksPerSecond;
  const double measured = seconds / static_cast<double>(state.iterations());
  state.counters["measured_s"] = measured;
  state.counters["floor_s"] = floorSeconds;
  state.counters["measured_per_floor"] = measured / floorSeconds;
}

// The same run without the waits, on the thread's processor time: what the
// engine and the simulated port add to the floor on a machine of their own,
// whatever else the machine runs meanwhile.
void BM_Mega8ProgramAndVerifyWork(benchmark::State &state) {
  Mega8Run run;
  double work = 0;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    if (!run.ProgramAndVerify()) {
      state.SkipWithError("the run did not succeed");
      break;
    }
    work += ThreadCpuSeconds() - start;
  }
  const double floorSeconds =
      static_cast<double>(Mega8ProgramVerifyFloor()) / common::kTicksPerSecond;
  state.counters["work_s"] = work / static_cast<double>(state.iterations());
  state.counters["floor_plus_work_per_floor"] =
      (floorSeconds + work / static_cast<double>(state.iterations())) / floorSeconds;
}

BENCHMARK(BM_Mega8ProgramAndVerify)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Mega8ProgramAndVerifyWork)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
