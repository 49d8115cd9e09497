#pragma once

#include "sim/isp/Bench.h"
#include "tests/sim/isp/ChipOps.h"
#include "tests/sim/isp/RawDriver.h"

#include <gtest/gtest.h>

#include <string>

namespace simtest {

// A bench with one chip, a raw driver on the default wiring and the
// family's instruction sequences.
struct Rig {
  explicit Rig(const std::string &device)
      : bench(device), d(bench.port(), bench.timer()), model(bench.chip()->model()), ops(d, model) {
  }

  sim::isp::Chip &chip() { return *bench.chip(); }

  sim::isp::Bench bench;
  RawDriver d;
  const sim::isp::ChipModel &model;
  ChipOps ops;
};

inline std::vector<std::string> AllDevices() {
  std::vector<std::string> names;
  for (const auto &m : sim::isp::ChipModels())
    names.emplace_back(m.listName);
  return names;
}

inline std::vector<std::string> DevicesWithEeprom() {
  std::vector<std::string> names;
  for (const auto &m : sim::isp::ChipModels())
    if (m.eepromSize != 0)
      names.emplace_back(m.listName);
  return names;
}

// Test names may hold letters and digits only.
inline std::string DeviceTestName(const testing::TestParamInfo<std::string> &info) {
  return info.param;
}

} // namespace simtest
