#pragma once

#include <cstdint>

#include <gtest/gtest.h>

#include "common/testing/RecordingPort.h"
#include "rindle/engine/IspEngine.h"

namespace rindle::testing {

// An engine on a recording port that also serves as its timer.
class EngineTest : public ::testing::Test {
protected:
  void Select(std::uint16_t index) {
    engine.Device.DeviceIndex = index;
    engine.SelectDevice();
  }

  common::RecordingPort hw;
  IspEngine engine{hw, hw};
};

} // namespace rindle::testing
