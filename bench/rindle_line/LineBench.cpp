// The line layer's own cost per transferred bit, with a port and a delay
// that do nothing: what the engine adds on top of the four port accesses and
// two waits of every bit. Read the time_per_bit counter.
#include <benchmark/benchmark.h>

#include "common/IoPort.h"
#include "common/TickTimer.h"
#include "rindle/engine/IspEngine.h"

namespace {

class NullPort : public common::IoPort {
public:
  std::uint8_t Inp32(std::uint16_t port) override {
    // Alternate MISO so the answer bits vary.
    status_ = static_cast<std::uint8_t>(status_ ^ 0x40);
    return static_cast<std::uint8_t>(status_ | (port & 0x01));
  }
  void Out32(std::uint16_t, std::uint8_t value) override { last_ = value; }

private:
  std::uint8_t status_ = 0;
  std::uint8_t last_ = 0;
};

class NullTimer : public common::TickTimer {
public:
  void TimerSetup() override {}
  void TickDelay(std::uint16_t) override {}
  void TimerRestore() override {}
};

void ReportPerBit(benchmark::State &state, int bitsPerIteration) {
  state.SetItemsProcessed(state.iterations() * bitsPerIteration);
  // Seconds per bit, printed with its unit (e.g. "10.3ns").
  state.counters["time_per_bit"] =
      benchmark::Counter(bitsPerIteration, benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
}

void BM_Transfer4(benchmark::State &state) {
  NullPort port;
  NullTimer timer;
  rindle::IspEngine engine(port, timer);
  engine.InstructionBytes = {0x20, 0x12, 0x34, 0x00};
  for (auto _ : state) {
    engine.Transfer4();
    benchmark::DoNotOptimize(engine.ResponseBytes);
    ++engine.InstructionBytes[2];
  }
  ReportPerBit(state, 32);
}
BENCHMARK(BM_Transfer4);

void BM_ShiftByte(benchmark::State &state) {
  NullPort port;
  NullTimer timer;
  rindle::IspEngine engine(port, timer);
  engine.InstructionBytes[0] = 0xA5;
  for (auto _ : state) {
    engine.ShiftByte();
    benchmark::DoNotOptimize(engine.ResponseBytes);
    ++engine.InstructionBytes[0];
  }
  ReportPerBit(state, 8);
}
BENCHMARK(BM_ShiftByte);

} // namespace

BENCHMARK_MAIN();
