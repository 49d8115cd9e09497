// Progress points of the long loops, and the cancel they let through.

#include <gtest/gtest.h>

#include "Rig.h"

namespace rindle::optest {
namespace {

std::vector<int> Steps(int first, int last, int step) {
  std::vector<int> v;
  for (int p = first; p <= last; p += step) {
    v.push_back(p);
  }
  return v;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct ProgressCase {
  const char *name;
  std::uint16_t device;
  void (IspEngine::*operation)();
  bool fullBuffer; // a buffer without blanks, so that every unit is written
  std::vector<int> positions;
};

TEST(Progress, ReportedAfterEachIntervalOfEachArea) {
  const ProgressCase cases[] = {
      // 1024 flash bytes, then the 64 EEPROM bytes at a 32-byte interval.
      {"90S1200 read", device::kAt90S1200, &IspEngine::ReadChip, false,
       Join(Steps(64, 960, 64), {1024 + 32})},
      {"89S51 verify", device::kAt89S51, &IspEngine::VerifyChip, false, Steps(64, 4032, 64)},
      // Flash pages of 64; 32-byte EEPROM pages reported every page; no
      // point in the user signature.
      {"89S8253 program", device::kAt89S8253, &IspEngine::ProgramChip, true,
       Join(Steps(64, 12224, 64), Steps(12288 + 32, 12288 + 2016, 32))},
      // 128-byte flash pages reported every page; byte EEPROM every 64.
      {"mega16 program", device::kMega16, &IspEngine::ProgramChip, true,
       Join(Steps(128, 16256, 128), Steps(16384 + 64, 16384 + 448, 64))},
      // 4-byte EEPROM pages reported every 64 bytes.
      {"mega48 program", device::kMega48, &IspEngine::ProgramChip, true,
       Join(Steps(64, 4032, 64), Steps(4096 + 64, 4096 + 192, 64))},
  };
  for (const ProgressCase &c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(c.device);
    if (c.fullBuffer) {
      std::ranges::fill(rig.buffer().first(rig.imageSize()), 0x5A);
    }
    std::vector<int> positions;
    int pumps = 0;
    rig.engine.UpdateProgressBar = [&](int p) { positions.push_back(p); };
    rig.engine.ProcessEvents = [&] { ++pumps; };
    rig.Run(c.operation);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), c.operation == &IspEngine::ReadChip ? "" : "OK");
    EXPECT_EQ(positions, c.positions);
    EXPECT_EQ(pumps, static_cast<int>(positions.size())) << "events run at every point";
  }
}

// The cancel button is pressed while events run at a progress point.
void CancelAt(Rig &rig, int position) {
  rig.engine.UpdateProgressBar = [&rig, position](int p) {
    if (p >= position) {
      rig.engine.CancelRequested = true;
    }
  };
}

TEST(Cancel, ReadKeepsTheBufferBytesAfterTheCancelPoint) {
  Rig rig(device::kMega8);
  const auto image = RandomImage(rig.flashSize(), 3);
  std::ranges::copy(image, rig.chip().flash().begin());
  std::ranges::fill(rig.buffer(), 0x5A);
  CancelAt(rig, 1024);

  rig.Run(&IspEngine::ReadChip);
  EXPECT_EQ(rig.engine.ResultText.toStdString(), "");
  EXPECT_EQ(Bytes(rig.buffer().first(1024)), Slice(image, 0, 1024));
  EXPECT_EQ(Bytes(rig.buffer().subspan(1024, 8192 + 512 - 1024)),
            std::vector<std::uint8_t>(8192 + 512 - 1024, 0x5A));
  EXPECT_EQ(rig.instructions(0x20), 512u) << "no read after the cancel";
}

TEST(Cancel, VerifyAndBlankCheckLeaveTheResultTextAlone) {
  for (auto operation : {&IspEngine::VerifyChip, &IspEngine::BlankCheckChip}) {
    Rig rig(device::kAt89S8253);
    rig.engine.ResultText = QStringLiteral("before");
    CancelAt(rig, 12288 + 64); // in the EEPROM
    rig.Run(operation);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), "before");
    EXPECT_EQ(rig.instructions(0xB0), 2u);
    EXPECT_EQ(rig.instructions(0x32), 0u) << "the user signature is not reached";
  }
}

TEST(Cancel, ProgramStopsWithoutLockBitsOrFuses) {
  Rig rig(device::kMega8);
  std::ranges::fill(rig.buffer().first(rig.imageSize()), 0x00);
  rig.engine.ApplyDefaultFuses();
  rig.Fuses().LockBits = 0x03;
  CancelAt(rig, 64 * 10);
  rig.Run(&IspEngine::ProgramChip);
  EXPECT_EQ(rig.engine.ResultText.toStdString(), "");
  EXPECT_EQ(rig.chip().counters().flashWrites, 10u);
  EXPECT_EQ(rig.chip().counters().eepromWrites, 0u);
  EXPECT_EQ(rig.chip().counters().lockWrites, 0u);
  EXPECT_EQ(rig.chip().counters().fuseWrites, 0u);
  EXPECT_EQ(rig.chip().flash()[64 * 10], 0xFF);
}

} // namespace
} // namespace rindle::optest
