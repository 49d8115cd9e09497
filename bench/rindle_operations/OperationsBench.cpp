// Whole chip operations through the simulated port with the real tick delay
// (a busy wait on the monotonic clock), against the protocol's own floor:
// the sum of every wait the engine must make for the same run.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <random>

#include "common/MonotonicTickTimer.h"
#include "common/TickTimer.h"
#include "rindle/engine/IspEngine.h"
#include "sim/isp/Bench.h"

namespace {

using rindle::IspEngine;

// Waits the protocol requires, in ticks.
constexpr std::uint64_t kBit = 2 * 3; // two 3-tick halves
constexpr std::uint64_t kInstruction4 = 4 * 8 * kBit;
constexpr std::uint64_t k100ms = 10 * 11932;
constexpr std::uint64_t kEnable = k100ms + kInstruction4; // answered at once
constexpr std::uint64_t kRelease = k100ms;

// An ATmega8 programmed with a full image (no blank byte, so every page and
// every EEPROM byte is written and read back), its fuses and lock byte, then
// verified; the target released after each operation.
constexpr std::uint64_t Mega8ProgramVerifyFloor() {
  constexpr std::uint64_t pages = 128, pageBytes = 64, eepromBytes = 512;
  constexpr std::uint64_t erase = kInstruction4 + 13125;
  constexpr std::uint64_t page =
      pageBytes * kInstruction4 + (kInstruction4 + 5966) + pageBytes * kInstruction4;
  constexpr std::uint64_t eepromByte = kInstruction4 + 11932 + kInstruction4;
  constexpr std::uint64_t lockBits = kEnable + 2 * (kInstruction4 + 5966) + (kInstruction4 + 5966);
  constexpr std::uint64_t program =
      kEnable + erase + pages * page + eepromBytes * eepromByte + lockBits + kRelease;
  constexpr std::uint64_t verify = kEnable + (8192 + eepromBytes) * kInstruction4 + kRelease;
  return program + verify;
}

// A full read of an ATmega128: every flash byte, then every EEPROM byte.
constexpr std::uint64_t Mega128ReadFloor() {
  return kEnable + (131072 + 4096) * kInstruction4 + kRelease;
}

struct Run {
  sim::isp::Bench bench;
  common::MonotonicTickTimer clock;
  IspEngine engine;

  Run(const char *chip, std::uint16_t device, bool realDelays = true)
      : bench(chip), engine(bench.port(), bench.timer()) {
    engine.Device.DeviceIndex = device;
    engine.SelectDevice();
    engine.ReleaseTarget();
    if (realDelays) {
      bench.forwardDelaysTo(&clock);
    }
  }
  ~Run() { bench.forwardDelaysTo(nullptr); }

  void Operation(void (IspEngine::*operation)()) {
    (engine.*operation)();
    engine.ReleaseTarget();
  }
};

// Runs the operations once per iteration, timed on the wall clock, and
// reports the measured time, the floor and their ratio. The floor is counted
// from the delays actually requested and must equal the protocol's.
template <class Body>
void Measure(benchmark::State &state, Run &run, std::uint64_t protocolFloor, Body body) {
  double measured = 0;
  std::uint64_t requested = 0;
  for (auto _ : state) {
    const std::uint64_t ticksBefore = run.bench.now();
    const auto start = std::chrono::steady_clock::now();
    if (!body()) {
      state.SkipWithError("the operation did not succeed");
      return;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    measured += took.count();
    requested += run.bench.now() - ticksBefore;
  }
  const auto iterations = static_cast<double>(state.iterations());
  if (requested != protocolFloor * state.iterations()) {
    state.SkipWithError("the delays requested differ from the protocol's floor");
    return;
  }
  const double floorSeconds =
      static_cast<double>(protocolFloor) / static_cast<double>(common::kTicksPerSecond);
  state.counters["measured_s"] = measured / iterations;
  state.counters["floor_s"] = floorSeconds;
  state.counters["measured_per_floor"] = measured / iterations / floorSeconds;
}

void BM_Mega8ProgramAndVerify(benchmark::State &state) {
  Run run("MEGA8", rindle::device::kMega8);
  IspEngine &e = run.engine;
  e.SaveOscCalToFlash = false;
  std::mt19937 rng(8);
  for (std::size_t i = 0; i < 8192 + 512; ++i) {
    e.Buffer.cells[i] = static_cast<std::uint8_t>(rng() % 0xFF); // never blank
  }
  e.ApplyDefaultFuses();
  Measure(state, run, Mega8ProgramVerifyFloor(), [&] {
    run.Operation(&IspEngine::ProgramChip);
    if (e.ResultText != QStringLiteral("OK")) {
      return false;
    }
    run.Operation(&IspEngine::VerifyChip);
    return e.ResultText == QStringLiteral("OK");
  });
}

void BM_Mega128Read(benchmark::State &state) {
  Run run("MEGA128", rindle::device::kMega128);
  std::mt19937 rng(128);
  for (auto &b : run.bench.chip()->flash()) {
    b = static_cast<std::uint8_t>(rng());
  }
  Measure(state, run, Mega128ReadFloor(), [&] {
    run.Operation(&IspEngine::ReadChip);
    return run.engine.ResultText.isEmpty() &&
           run.engine.Buffer.cells[131071] == run.bench.chip()->flash()[131071];
  });
}

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The same full read with the delays left out: the processor time of the
// engine's and the port's own work, which the real run adds to the floor.
// Measured as processor time, so other load on the machine does not count.
void BM_Mega128ReadWorkOnly(benchmark::State &state) {
  Run run("MEGA128", rindle::device::kMega128, false);
  double work = 0;
  for (auto _ : state) {
    const double start = CpuSeconds();
    run.Operation(&IspEngine::ReadChip);
    work += CpuSeconds() - start;
  }
  const double floorSeconds =
      static_cast<double>(Mega128ReadFloor()) / static_cast<double>(common::kTicksPerSecond);
  state.counters["work_s"] = work / static_cast<double>(state.iterations());
  state.counters["floor_s"] = floorSeconds;
  state.counters["work_per_floor"] = work / static_cast<double>(state.iterations()) / floorSeconds;
}

// The production timer alone, asked for the half-bit wait a million times:
// the part of the full read's excess that the clock itself causes.
void BM_HalfBitWaitAlone(benchmark::State &state) {
  common::MonotonicTickTimer clock;
  constexpr int kWaits = 1000000;
  double measured = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kWaits; ++i) {
      clock.TickDelay(3);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    measured += took.count();
  }
  const double floorSeconds = kWaits * 3.0 / static_cast<double>(common::kTicksPerSecond);
  state.counters["measured_per_floor"] =
      measured / static_cast<double>(state.iterations()) / floorSeconds;
}

BENCHMARK(BM_Mega8ProgramAndVerify)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Mega128Read)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Mega128ReadWorkOnly)->Iterations(3)->Unit(benchmark::kSecond);
BENCHMARK(BM_HalfBitWaitAlone)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
