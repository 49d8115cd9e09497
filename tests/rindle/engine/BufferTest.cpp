#include <gtest/gtest.h>

#include <algorithm>

#include "EngineFixture.h"
#include "common/testing/RecordingPort.h"
#include "rindle/engine/IspEngine.h"

namespace rindle {
namespace {

class BufferTest : public testing::EngineTest {
protected:
  std::size_t BlankCells(std::size_t from, std::size_t to) const {
    return static_cast<std::size_t>(
        std::count(engine.Buffer.cells.begin() + static_cast<std::ptrdiff_t>(from),
                   engine.Buffer.cells.begin() + static_cast<std::ptrdiff_t>(to), 0xFF));
  }
};

TEST_F(BufferTest, AFreshBufferIsBlankAndItsChecksumCoversTheFlashOnly) {
  EXPECT_EQ(engine.Buffer.cells.size(), 135168u);
  EXPECT_EQ(BlankCells(0, engine.Buffer.cells.size()), 135168u);

  struct Case {
    std::uint16_t index;
    std::int32_t sum;
  };
  const Case cases[] = {
      {device::kAt89S51, 1044480}, // 0FF000
      {device::kAt89S8252, 8192 * 255}, {device::kAt89S8253, 12288 * 255},
      {device::kTiny12, 1024 * 255},    {device::kMega128, 0x1FE0000},
  };
  for (const Case &c : cases) {
    Select(c.index);
    EXPECT_EQ(engine.BufferChecksum(), c.sum) << "row " << c.index;
    EXPECT_EQ(engine.Checksum, c.sum);
  }
}

TEST_F(BufferTest, EepromDataOfOneDeviceCountsAsFlashOfABiggerOne) {
  Select(device::kAt89S8252);
  std::fill(engine.Buffer.cells.begin() + 0x2000, engine.Buffer.cells.begin() + 0x2800, 0x00);
  EXPECT_EQ(engine.BufferChecksum(), 8192 * 255) << "EEPROM is not in the sum";

  Select(device::kMega128);
  EXPECT_EQ(engine.BufferChecksum(), (131072 - 2048) * 255);
}

TEST_F(BufferTest, ChecksumAddsTheBytesAsUnsignedValues) {
  Select(device::kAt89S51);
  std::fill(engine.Buffer.cells.begin(), engine.Buffer.cells.begin() + 4096, 0x00);
  engine.Buffer.cells[0] = 0x80;
  engine.Buffer.cells[4095] = 0x01;
  engine.Buffer.cells[4096] = 0x7F; // past the flash
  EXPECT_EQ(engine.BufferChecksum(), 0x81);
}

TEST_F(BufferTest, ClearingTouchesExactlyItsArea) {
  struct Case {
    std::uint16_t index;
    std::size_t flash, eeprom;
  };
  const Case cases[] = {
      {device::kAt89S8252, 8192, 2048},
      {device::kAt89S8253, 12288, 2112}, // with the user signature
      {device::kMega128, 131072, 4096},  // up to the last cell
      {device::kAt89S51, 4096, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.index);
    Select(c.index);
    engine.Buffer.cells.fill(0x00);
    engine.ClearEepromArea();
    EXPECT_EQ(BlankCells(0, engine.Buffer.cells.size()), c.eeprom);
    EXPECT_EQ(BlankCells(c.flash, c.flash + c.eeprom), c.eeprom);

    engine.Buffer.cells.fill(0x00);
    engine.ClearFlashArea();
    EXPECT_EQ(BlankCells(0, engine.Buffer.cells.size()), c.flash);
    EXPECT_EQ(BlankCells(0, c.flash), c.flash);
  }
}

// Sizes come back from the settings file as they were stored, so they may
// be anything; the buffer must never be read or written outside its cells.
TEST_F(BufferTest, SizesBeyondTheBufferStopAtItsEnd) {
  struct Case {
    std::int32_t flash;
    std::uint16_t eeprom;
    std::int32_t sum;
    std::size_t flashBlank;
    std::size_t eepromBlank;
  };
  const Case cases[] = {
      {200000, 4096, 135168 * 255, 135168, 0},
      {135000, 4096, 135000 * 255, 135000, 168},
      {-5, 100, 0, 0, 95},
  };
  for (const Case &c : cases) {
    engine.Device.FlashSize = c.flash;
    engine.Device.EepromSize = c.eeprom;
    engine.Buffer.cells.fill(0xFF);
    EXPECT_EQ(engine.BufferChecksum(), c.sum) << c.flash;

    engine.Buffer.cells.fill(0x00);
    engine.ClearFlashArea();
    EXPECT_EQ(BlankCells(0, engine.Buffer.cells.size()), c.flashBlank) << c.flash;

    engine.Buffer.cells.fill(0x00);
    engine.ClearEepromArea();
    EXPECT_EQ(BlankCells(0, engine.Buffer.cells.size()), c.eepromBlank) << c.flash;
  }
}

TEST_F(BufferTest, SelectingADeviceLeavesTheBufferAlone) {
  engine.Buffer.cells[10] = 0x12;
  engine.Buffer.cells[135167] = 0x34;
  for (std::uint16_t row = 0; row < 37; ++row) {
    Select(row);
  }
  EXPECT_EQ(engine.Buffer.cells[10], 0x12);
  EXPECT_EQ(engine.Buffer.cells[135167], 0x34);
  EXPECT_EQ(BlankCells(0, engine.Buffer.cells.size()), 135166u);
}

} // namespace
} // namespace rindle
