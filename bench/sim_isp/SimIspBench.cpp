// Cost of the simulated ISP hardware: one SPI bit through port, cable and
// chip, and a whole ATmega128 read the way a programmer does it (every byte
// one four-byte instruction).
#include "sim/isp/Bench.h"
#include "tests/sim/isp/RawDriver.h"

#include <benchmark/benchmark.h>

namespace {

void EnterProgramming(sim::isp::Bench &bench, simtest::RawDriver &d) {
  d.enterReset(bench.chip()->model().resetActiveHigh());
  d.send({0xAC, 0x53, 0x00, 0x00});
}

void SpiBit(benchmark::State &state) {
  sim::isp::Bench bench("MEGA8");
  simtest::RawDriver d(bench.port(), bench.timer());
  EnterProgramming(bench, d);
  std::uint32_t word = 0;
  std::uint64_t bits = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        d.read4(0x20, static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)));
    word = (word + 1) & 0x0FFF;
    bits += 32;
  }
  state.counters["per_bit"] = benchmark::Counter(
      static_cast<double>(bits), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(SpiBit);

void FullReadMega128(benchmark::State &state) {
  sim::isp::Bench bench("MEGA128");
  for (std::size_t i = 0; i < bench.chip()->flash().size(); ++i)
    bench.chip()->flash()[i] = static_cast<std::uint8_t>(i * 7);
  simtest::RawDriver d(bench.port(), bench.timer());
  std::uint64_t mismatches = 0;
  for (auto _ : state) {
    EnterProgramming(bench, d);
    for (std::uint32_t a = 0; a < 131072; ++a) {
      const std::uint32_t w = a / 2;
      const std::uint8_t got = d.read4(a & 1 ? 0x28 : 0x20, static_cast<std::uint8_t>(w >> 8),
                                       static_cast<std::uint8_t>(w));
      mismatches += got != static_cast<std::uint8_t>(a * 7);
    }
    for (std::uint32_t e = 0; e < 4096; ++e)
      benchmark::DoNotOptimize(
          d.read4(0xA0, static_cast<std::uint8_t>(e >> 8), static_cast<std::uint8_t>(e)));
    d.release();
  }
  if (mismatches != 0)
    state.SkipWithError("the simulated chip answered wrong data");
  state.counters["bits_per_read"] = (131072.0 + 4096.0) * 32.0;
}
BENCHMARK(FullReadMega128)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
