#pragma once

// An engine wired to a simulated parallel port with the cable and a chip
// of the selected device on it.

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rindle/engine/IspEngine.h"
#include "sim/isp/Bench.h"

namespace rindle::optest {

inline std::string ChipName(std::uint16_t index) {
  const DeviceEntry *entry = FindDevice(index);
  return entry != nullptr ? std::string(entry->Name()) : std::string();
}

// Names the cases of a table over device rows after their chips.
inline std::string RowName(const ::testing::TestParamInfo<std::uint16_t> &info) {
  return ChipName(info.param);
}

// Every device row of the list.
inline std::vector<std::uint16_t> AllDevices() {
  std::vector<std::uint16_t> rows;
  for (std::uint16_t i = 0; i < kDeviceListRows; ++i) {
    if (FindDevice(i) != nullptr) {
      rows.push_back(i);
    }
  }
  return rows;
}

struct Rig {
  sim::isp::Bench bench;
  IspEngine engine;

  explicit Rig(std::uint16_t index, bool withChip = true)
      : bench(withChip ? ChipName(index) : std::string()), engine(bench.port(), bench.timer()) {
    engine.Device.DeviceIndex = index;
    engine.SelectDevice();
    // As at start-up: the target released, the chip out of reset.
    engine.ReleaseTarget();
    if (bench.chip() != nullptr) {
      bench.chip()->resetCounters();
    }
  }

  // One chip operation as the main window runs it: the operation, then the
  // target released.
  void Run(void (IspEngine::*operation)()) {
    (engine.*operation)();
    engine.ReleaseTarget();
  }

  sim::isp::Chip &chip() { return *bench.chip(); }
  FuseState &Fuses() { return engine.Fuses; }
  std::span<std::uint8_t> buffer() { return engine.Buffer.all(); }
  std::uint32_t flashSize() const { return static_cast<std::uint32_t>(engine.Device.FlashSize); }
  // Flash and EEPROM (with the AT89S8253 user signature) as the buffer holds them.
  std::uint32_t imageSize() const { return flashSize() + engine.Device.EepromSize; }
  std::uint64_t instructions(std::uint8_t firstByte) {
    return chip().counters().byFirstByte[firstByte];
  }
};

// Programs every fuse bit the chip lets change, except those that would end
// serial programming, so that a fuse byte never written shows.
inline void ProgramEveryFuseBit(sim::isp::Chip &chip) {
  for (int k = 0; k < 3; ++k) {
    chip.setFuse(static_cast<sim::isp::FuseIndex>(k),
                 chip.model().fuses[static_cast<std::size_t>(k)].ispKillers);
  }
}

// Random data in which whole 64-byte blocks and single bytes are blank.
inline std::vector<std::uint8_t> RandomImage(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> image(size, 0xFF);
  for (std::size_t block = 0; block < size; block += 64) {
    if (rng() % 6 == 0) {
      continue;
    }
    for (std::size_t i = block; i < std::min(size, block + 64); ++i) {
      image[i] = rng() % 8 == 0 ? 0xFF : static_cast<std::uint8_t>(rng());
    }
  }
  return image;
}

inline std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> s) {
  return {s.begin(), s.end()};
}

inline std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t> &v, std::size_t first,
                                       std::size_t count) {
  return {v.begin() + static_cast<std::ptrdiff_t>(first),
          v.begin() + static_cast<std::ptrdiff_t>(first + count)};
}

} // namespace rindle::optest
