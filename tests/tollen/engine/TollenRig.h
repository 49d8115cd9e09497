#pragma once

// The older edition's engine on a simulated parallel port with the cable and
// a chip of the selected device on it.

#include <cstdint>
#include <numeric>
#include <random>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/isp/Bench.h"
#include "tollen/engine/TollenEngine.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os) {
  *os << '"' << text.toStdString() << '"';
}

namespace tollen::testing {

// The chip name the simulation knows a row by ("" for the separator).
inline std::string ChipName(std::uint16_t index) {
  const DeviceInfo *d = FindDevice(index);
  if (d == nullptr) {
    return {};
  }
  std::string name(d->listText);
  return name.substr(name.find_first_not_of(' '));
}

// Every row of the list but the separator.
inline std::vector<std::uint16_t> AllDevices() {
  std::vector<std::uint16_t> rows(kDeviceRows);
  std::iota(rows.begin(), rows.end(), std::uint16_t{0});
  std::erase(rows, std::uint16_t{device::kSeparator});
  return rows;
}

inline std::string DeviceCaseName(const ::testing::TestParamInfo<std::uint16_t> &info) {
  return ChipName(info.param);
}

// Names table cases after their `name` field.
struct ByName {
  template <class P>
  std::string operator()(const ::testing::TestParamInfo<P> &p) const {
    return p.param.name;
  }
};

struct Rig {
  sim::isp::Bench bench;
  TollenEngine engine;

  explicit Rig(std::uint16_t index, bool withChip = true)
      : bench(withChip ? ChipName(index) : std::string()), engine(bench.port(), bench.timer()) {
    engine.Port.PortBase = bench.base();
    engine.DeviceIndex = index;
    engine.SelectDevice();
    engine.ReleaseTarget();
    if (bench.chip() != nullptr) {
      bench.chip()->resetCounters();
    }
  }

  sim::isp::Chip &chip() { return *bench.chip(); }
  const DeviceInfo &device() const { return *engine.CurrentDevice(); }
  std::span<std::uint8_t> buffer() { return engine.Cells.all(); }
  std::uint64_t instructions(std::uint8_t firstByte) {
    return chip().counters().byFirstByte[firstByte];
  }
  // Flash then EEPROM, as the buffer lays them out.
  std::vector<std::uint8_t> chipImage() {
    std::vector<std::uint8_t> image(chip().flash().begin(), chip().flash().end());
    image.insert(image.end(), chip().eeprom().begin(), chip().eeprom().end());
    return image;
  }
  std::vector<std::uint8_t> bufferImage() {
    return {engine.Cells.cells.begin(), engine.Cells.cells.begin() + engine.TotalSize};
  }
  void load(const std::vector<std::uint8_t> &image) {
    std::ranges::copy(image, engine.Cells.cells.begin());
  }
};

// Random data in which some 64-byte blocks are wholly blank and some single
// bytes too, so that blank pages and blank bytes are both skipped.
inline std::vector<std::uint8_t> RandomImage(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> byte(0, 0xFF);
  std::vector<std::uint8_t> image(size);
  std::ranges::generate(image,
                        [&] { return static_cast<std::uint8_t>(rng() % 9 ? byte(rng) : 0xFF); });
  std::bernoulli_distribution blankBlock(0.2);
  for (auto block = image.begin(); block < image.end();
       block += std::min<std::ptrdiff_t>(64, image.end() - block)) {
    if (blankBlock(rng)) {
      std::fill(block, block + std::min<std::ptrdiff_t>(64, image.end() - block), 0xFF);
    }
  }
  return image;
}

} // namespace tollen::testing
