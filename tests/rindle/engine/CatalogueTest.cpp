#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "common/testing/RecordingPort.h"
#include "rindle/engine/IspEngine.h"

namespace rindle {
namespace {

using F = IspFamily;

// Facts as the chips' data sheets give them, by the chip's own name: memory
// sizes in bytes, page sizes in words (AVR) or bytes (AT89S), the signature
// bytes serial programming reads, fuse bytes and oscillator calibration bytes.
struct DataSheet {
  const char *name;
  IspFamily family;
  std::int32_t flash;
  std::uint16_t eeprom;             // EEPROM bytes, without a user signature area
  std::uint16_t userSignature;      // bytes after the EEPROM
  std::vector<int> signature;       // bytes in order; empty = none in serial mode
  std::uint16_t flashPageWords;     // 0 = byte writes
  std::uint16_t eepromPageBytes;    // 0 = byte writes
  std::uint16_t fuses, calibration; // fuse bytes the lock writer counts
};

const std::vector<DataSheet> &DataSheets() {
  static const std::vector<DataSheet> rows{
      {"AT89S51", F::At89S51, 4096, 0, 0, {0x1E, 0x51, 0x06}, 0, 0, 0, 0},
      {"AT89S52", F::At89S51, 8192, 0, 0, {0x1E, 0x52, 0x06}, 0, 0, 0, 0},
      {"AT89S53", F::At89S8252, 12288, 0, 0, {}, 0, 0, 0, 0},
      {"AT89S8252", F::At89S8252, 8192, 2048, 0, {}, 0, 0, 0, 0},
      {"AT89S8253", F::At89S8253, 12288, 2048, 64, {0x1E, 0x73}, 0, 0, 0, 0},
      {"AT90S1200", F::AvrByteMode, 1024, 64, 0, {0x1E, 0x90, 0x01}, 0, 0, 0, 0},
      {"AT90S2313", F::AvrByteMode, 2048, 128, 0, {0x1E, 0x91, 0x01}, 0, 0, 0, 0},
      {"AT90S4433", F::AvrByteMode, 4096, 256, 0, {0x1E, 0x92, 0x03}, 0, 0, 1, 0},
      {"AT90S8515", F::AvrByteMode, 8192, 512, 0, {0x1E, 0x93, 0x01}, 0, 0, 0, 0},
      {"AT90S8535", F::AvrByteMode, 8192, 512, 0, {0x1E, 0x93, 0x03}, 0, 0, 0, 0},
      {"ATmega8", F::AvrPageMode, 8192, 512, 0, {0x1E, 0x93, 0x07}, 32, 0, 2, 4},
      {"ATmega16", F::AvrPageMode, 16384, 512, 0, {0x1E, 0x94, 0x03}, 64, 0, 2, 1},
      {"ATmega32", F::AvrPageMode, 32768, 1024, 0, {0x1E, 0x95, 0x02}, 64, 0, 2, 4},
      {"ATmega48", F::AvrPageMode, 4096, 256, 0, {0x1E, 0x92, 0x05}, 32, 4, 3, 1},
      {"ATmega64", F::AvrPageMode, 65536, 2048, 0, {0x1E, 0x96, 0x02}, 128, 0, 3, 4},
      {"ATmega88", F::AvrPageMode, 8192, 512, 0, {0x1E, 0x93, 0x0A}, 32, 4, 3, 1},
      {"ATmega128", F::AvrPageMode, 131072, 4096, 0, {0x1E, 0x97, 0x02}, 128, 0, 3, 4},
      {"ATmega162", F::AvrPageMode, 16384, 512, 0, {0x1E, 0x94, 0x04}, 64, 4, 3, 1},
      {"ATmega164", F::AvrPageMode, 16384, 512, 0, {0x1E, 0x94, 0x00}, 64, 4, 3, 1},
      {"ATmega165", F::AvrPageMode, 16384, 512, 0, {0x1E, 0x94, 0x07}, 64, 4, 3, 1},
      {"ATmega168", F::AvrPageMode, 16384, 512, 0, {0x1E, 0x94, 0x06}, 64, 4, 3, 1},
      {"ATmega169", F::AvrPageMode, 16384, 512, 0, {0x1E, 0x94, 0x05}, 64, 4, 3, 1},
      {"ATmega324", F::AvrPageMode, 32768, 1024, 0, {0x1E, 0x95, 0x00}, 64, 4, 3, 1},
      {"ATmega644", F::AvrPageMode, 65536, 2048, 0, {0x1E, 0x96, 0x00}, 128, 8, 3, 1},
      {"ATmega8515", F::AvrPageMode, 8192, 512, 0, {0x1E, 0x93, 0x06}, 32, 0, 2, 4},
      {"ATmega8535", F::AvrPageMode, 8192, 512, 0, {0x1E, 0x93, 0x08}, 32, 0, 2, 4},
      {"ATtiny12", F::AvrByteMode, 1024, 64, 0, {0x1E, 0x90, 0x05}, 0, 0, 1, 1},
      {"ATtiny13", F::AvrPageMode, 1024, 64, 0, {0x1E, 0x90, 0x07}, 16, 4, 2, 1},
      {"ATtiny15", F::AvrByteMode, 1024, 64, 0, {0x1E, 0x90, 0x06}, 0, 0, 1, 1},
      {"ATtiny25", F::AvrPageMode, 2048, 128, 0, {0x1E, 0x91, 0x08}, 16, 4, 3, 1},
      {"ATtiny26", F::AvrPageMode, 2048, 128, 0, {0x1E, 0x91, 0x09}, 16, 0, 2, 4},
      {"ATtiny45", F::AvrPageMode, 4096, 256, 0, {0x1E, 0x92, 0x06}, 32, 4, 3, 1},
      {"ATtiny85", F::AvrPageMode, 8192, 512, 0, {0x1E, 0x93, 0x0B}, 32, 4, 3, 1},
      {"ATtiny2313", F::AvrPageMode, 2048, 128, 0, {0x1E, 0x91, 0x0A}, 16, 4, 3, 2},
  };
  return rows;
}

std::int32_t Packed(const std::vector<int> &bytes) {
  std::int32_t v = 0;
  for (int b : bytes) {
    v = v * 256 + b;
  }
  return v;
}

class CatalogueTest : public testing::EngineTest {
protected:
};

TEST_F(CatalogueTest, TheListHas37RowsWithSeparatorsAt5And11And28) {
  ASSERT_EQ(kDeviceList.size(), 37u);
  std::vector<int> separators;
  for (std::size_t row = 0; row < kDeviceList.size(); ++row) {
    if (!kDeviceList[row].isDevice) {
      separators.push_back(static_cast<int>(row));
      EXPECT_EQ(kDeviceList[row].entry, "-------------------------");
      EXPECT_EQ(FindDevice(static_cast<std::uint16_t>(row)), nullptr);
    }
  }
  EXPECT_EQ(separators, (std::vector<int>{5, 11, 28}));
}

TEST_F(CatalogueTest, SelectingEachDeviceFillsEveryParameterFromItsDataSheet) {
  std::size_t devices = 0;
  for (const DeviceEntry &entry : kDeviceList)
    devices += entry.isDevice ? 1 : 0;
  ASSERT_EQ(DataSheets().size(), devices) << "one data sheet per device";
  for (const DataSheet &r : DataSheets()) {
    SCOPED_TRACE(r.name);
    const DeviceEntry *entry = FindDevice(std::string_view(r.name));
    ASSERT_NE(entry, nullptr);
    const std::uint16_t row = RowOf(*entry);
    // Start from a device with every field set, so nothing stale survives.
    Select(device::kMega644);
    Select(row);

    const IspDevice &d = engine.Device;
    const bool avr = r.family == F::AvrByteMode || r.family == F::AvrPageMode;
    const std::uint16_t flashPage = static_cast<std::uint16_t>(r.flashPageWords * (avr ? 2 : 1));
    EXPECT_EQ(entry->dataSheetName, r.name);
    EXPECT_EQ(engine.Family(), r.family);
    EXPECT_EQ(d.DeviceIndex, row);
    EXPECT_EQ(d.FlashSize, r.flash);
    EXPECT_EQ(d.EepromSize, r.eeprom + r.userSignature);
    EXPECT_EQ(entry->userSignatureSize, r.userSignature);
    EXPECT_EQ(d.ExpectedSignature, Packed(r.signature));
    EXPECT_EQ(entry->signatureCount, r.signature.size());
    EXPECT_EQ(d.FlashPageSize, flashPage);
    EXPECT_EQ(d.FlashPageCount, flashPage != 0 ? r.flash / flashPage : 0);
    EXPECT_EQ(d.EepromPageSize, r.eepromPageBytes);
    EXPECT_EQ(d.EepromPageCount, r.eepromPageBytes != 0 ? r.eeprom / r.eepromPageBytes : 0);
    EXPECT_EQ(d.FuseCount, r.fuses);
    EXPECT_EQ(d.CalibrationCount, r.calibration);
  }
  EXPECT_TRUE(hw.Log().empty()) << "selecting a device touches no port";
}

TEST_F(CatalogueTest, At89S8253HoldsItsUserSignatureInTheEepromAreaAndATwoByteSignature) {
  Select(device::kAt89S8253);
  EXPECT_EQ(engine.Device.EepromSize, 2112);
  EXPECT_EQ(engine.Device.ExpectedSignature, 0x1E73);
}

TEST_F(CatalogueTest, A89SDeviceAfterMega128ClearsSizesButKeepsTheFuseState) {
  Select(device::kMega128);
  engine.Fuses = {0x05, 0x12, 0x34, 0x56, 0x78};
  Select(device::kAt89S52);

  EXPECT_EQ(engine.Device.EepromSize, 0);
  EXPECT_EQ(engine.Device.FuseCount, 0);
  EXPECT_EQ(engine.Device.FlashPageSize, 0);
  EXPECT_EQ(engine.Device.EepromPageSize, 0);
  EXPECT_EQ(engine.Device.CalibrationCount, 0);
  EXPECT_EQ(engine.Fuses, (FuseState{0x05, 0x12, 0x34, 0x56, 0x78}));
}

TEST_F(CatalogueTest, ARowThatIsNoDeviceOnlyClearsTheCountsAndSizes) {
  for (std::uint16_t index : {5, 11, 28, 37, 200, 0xFFFF}) {
    Select(device::kMega32);
    engine.Fuses = {0x01, 0x00, 0x00, 0x00, 0x00};
    Select(index);

    SCOPED_TRACE(index);
    EXPECT_EQ(engine.Device.FlashSize, 32768) << "kept from MEGA32";
    EXPECT_EQ(engine.Device.ExpectedSignature, 0x1E9502) << "kept from MEGA32";
    EXPECT_EQ(engine.Device.EepromSize, 0);
    EXPECT_EQ(engine.Device.FlashPageSize, 0);
    EXPECT_EQ(engine.Device.FlashPageCount, 0);
    EXPECT_EQ(engine.Device.FuseCount, 0);
    EXPECT_EQ(engine.Device.CalibrationCount, 0);
    EXPECT_EQ(engine.Fuses, (FuseState{0x01, 0x00, 0x00, 0x00, 0x00}));
  }
}

TEST_F(CatalogueTest, OnlyTheLowByteOfTheIndexSelects) {
  Select(0x0100 | device::kMega8);
  EXPECT_EQ(engine.Device.FlashSize, 8192);
  EXPECT_EQ(engine.Device.ExpectedSignature, 0x1E9307);
}

struct FuseBytes {
  std::uint16_t low, high, extended, lock;
  friend bool operator==(const FuseBytes &, const FuseBytes &) = default;
};

struct ForcedCase {
  int index;
  FuseBytes fromZero; // all four bytes 0x00 before selection
  FuseBytes fromFF;   // all four bytes 0xFF before selection
};

TEST_F(CatalogueTest, SelectionForcesTheMissingBitsToOneAndKeepsSpienProgrammed) {
  const ForcedCase cases[] = {
      {4, {0xF0, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {8, {0x00, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {12, {0x00, 0x00, 0xFF, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {13, {0x00, 0x00, 0xFF, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {14, {0x00, 0x00, 0xFF, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {15, {0x00, 0x00, 0xFE, 0xFC}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {16, {0x00, 0x00, 0xFC, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {17, {0x00, 0x00, 0xF8, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {18, {0x00, 0x00, 0xFC, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {19, {0x00, 0x00, 0xE1, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {20, {0x00, 0x00, 0xF8, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {21, {0x00, 0x00, 0xF0, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {22, {0x00, 0x00, 0xF8, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {23, {0x00, 0x00, 0xF0, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {24, {0x00, 0x00, 0xF8, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {25, {0x00, 0x00, 0xF8, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {26, {0x00, 0x00, 0xFF, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {27, {0x00, 0x00, 0xFF, 0xC0}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {29, {0x00, 0xFF, 0xFF, 0xFF}, {0xDF, 0xFF, 0xFF, 0xFF}},
      {30, {0x00, 0xE0, 0xFF, 0xFC}, {0x7F, 0xFF, 0xFF, 0xFF}},
      {31, {0x0C, 0xFF, 0xFF, 0xFF}, {0xDF, 0xFF, 0xFF, 0xFF}},
      {32, {0x00, 0x00, 0xFE, 0xFC}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {33, {0x00, 0xE0, 0xFF, 0xFC}, {0xFF, 0xF7, 0xFF, 0xFF}},
      {34, {0x00, 0x00, 0xFE, 0xFC}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {35, {0x00, 0x00, 0xFE, 0xFC}, {0xFF, 0xDF, 0xFF, 0xFF}},
      {36, {0x00, 0x00, 0xFE, 0xFC}, {0xFF, 0xDF, 0xFF, 0xFF}},
      // No rules: the fuse state is left as it was.
      {0, {0x00, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {1, {0x00, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {2, {0x00, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {3, {0x00, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {6, {0x00, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {7, {0x00, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {9, {0x00, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {10, {0x00, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const ForcedCase &c : cases) {
    for (std::uint16_t start : {0x00, 0xFF}) {
      engine.Fuses = {0x07, start, start, start, start};
      Select(static_cast<std::uint16_t>(c.index));
      const FuseBytes got{engine.Fuses.FuseLow, engine.Fuses.FuseHigh, engine.Fuses.FuseExtended,
                          engine.Fuses.LockByte};
      EXPECT_EQ(got, start == 0 ? c.fromZero : c.fromFF) << "row " << c.index << " from " << start;
      EXPECT_EQ(engine.Fuses.LockBits, 0x07) << "lock bit choices are never forced";
    }
  }
}

TEST_F(CatalogueTest, SelectionExamplesOfTheMega8AndTiny15Rules) {
  engine.Fuses = {0, 0xFF, 0xFF, 0x12, 0x00};
  Select(device::kMega8);
  EXPECT_EQ(engine.Fuses.FuseHigh, 0xDF);
  EXPECT_EQ(engine.Fuses.LockByte, 0xC0);
  EXPECT_EQ(engine.Fuses.FuseExtended, 0xFF);

  engine.Fuses.FuseLow = 0x00;
  Select(device::kTiny15);
  EXPECT_EQ(engine.Fuses.FuseLow, 0x0C);
}

struct DefaultsCase {
  int index;
  std::optional<int> low, high, extended;
  std::uint8_t applyWhen;
};

TEST_F(CatalogueTest, DefaultFusesAndWhenTheyApply) {
  constexpr std::uint8_t L = kLowFuse, LH = kLowFuse | kHighFuse,
                         LHE = kLowFuse | kHighFuse | kExtendedFuse;
  const std::optional<int> none;
  const DefaultsCase cases[] = {
      {4, 0xF6, none, none, L},    {8, 0xDA, none, none, L},    {12, 0xE1, 0xD9, none, LH},
      {13, 0xE1, 0x99, none, LH},  {14, 0xE1, 0x99, none, LH},  {15, 0x62, 0xDF, 0xFF, LH},
      {16, 0xE1, 0x99, 0xFD, LHE}, {17, 0x62, 0xDF, 0xF9, LHE}, {18, 0xE1, 0x99, 0xFD, LHE},
      {19, 0x62, 0x99, 0xFF, LHE}, {20, 0x62, 0x99, 0xFF, LHE}, {21, 0x62, 0x99, 0xFF, LHE},
      {22, 0x62, 0xDF, 0xF9, LHE}, {23, 0x62, 0x99, 0xFF, LHE}, {24, 0x62, 0x99, 0xFF, LHE},
      {25, 0x62, 0x99, 0xFF, LHE}, {26, 0xE1, 0xD9, none, LH},  {27, 0xE1, 0xD9, none, LH},
      {29, 0x52, none, none, L},   {30, 0x6A, 0xFF, none, LH},  {31, 0x5C, none, none, L},
      {32, 0x62, 0xDF, 0xFF, LHE}, {33, 0xE1, 0xF7, none, LH},  {34, 0x62, 0xDF, 0xFF, LHE},
      {35, 0x62, 0xDF, 0xFF, LHE}, {36, 0x64, 0xDF, 0xFF, LH},  {0, none, none, none, 0},
      {3, none, none, none, 0},    {6, none, none, none, 0},    {10, none, none, none, 0},
  };
  auto asInt = [](std::optional<std::uint8_t> v) {
    return v ? std::optional<int>(*v) : std::optional<int>();
  };
  for (const DefaultsCase &c : cases) {
    const FuseDefaults &d = kDeviceList[c.index].defaults;
    EXPECT_EQ(asInt(d.low), c.low) << "row " << c.index;
    EXPECT_EQ(asInt(d.high), c.high) << "row " << c.index;
    EXPECT_EQ(asInt(d.extended), c.extended) << "row " << c.index;
    EXPECT_EQ(d.applyWhen, c.applyWhen) << "row " << c.index;
  }
}

} // namespace
} // namespace rindle
