#include "tests/sim/isp/Rig.h"

#include <gtest/gtest.h>

using namespace sim::isp;
using namespace simtest;

namespace {

class MemoryEveryDevice : public testing::TestWithParam<std::string> {};

// Addresses that exercise the decoding: both bytes of a word, the high
// address bits, the last location.
std::vector<std::uint32_t> Probes(std::uint32_t size) {
  return {0, 1, size / 2 + size / 8 + 1, size / 2 + size / 4 + 2, size - 2, size - 1};
}

TEST_P(MemoryEveryDevice, FlashWrittenByInstructionsLandsAtItsAddress) {
  Rig rig(GetParam());
  rig.ops.enter();
  rig.ops.erase();
  const auto probes = Probes(rig.model.flashSize);
  std::uint8_t value = 0x11;
  for (std::uint32_t a : probes) {
    rig.ops.writeFlash(a, value);
    EXPECT_EQ(rig.chip().flash()[a], value) << "address " << a;
    value = static_cast<std::uint8_t>(value + 0x22);
  }
  value = 0x11;
  for (std::uint32_t a : probes) {
    EXPECT_EQ(rig.ops.readFlash(a), value) << "address " << a;
    value = static_cast<std::uint8_t>(value + 0x22);
  }
  // Everything else stayed blank.
  std::size_t programmed = 0;
  for (std::uint8_t b : rig.chip().flash())
    programmed += b != 0xFF;
  EXPECT_EQ(programmed, probes.size());
}

TEST_P(MemoryEveryDevice, FlashBitsOnlyClearUntilErased) {
  Rig rig(GetParam());
  rig.ops.enter();
  rig.ops.erase();
  const std::uint32_t a = rig.model.flashSize - 3;
  rig.ops.writeFlash(a, 0xF0);
  rig.ops.writeFlash(a, 0x3C);
  EXPECT_EQ(rig.ops.readFlash(a), 0x30);
  rig.ops.erase();
  EXPECT_EQ(rig.ops.readFlash(a), 0xFF);
  EXPECT_EQ(rig.chip().counters().erases, 2u);
}

class EepromEveryDevice : public testing::TestWithParam<std::string> {};

TEST_P(EepromEveryDevice, EepromBytesAreReplaced) {
  Rig rig(GetParam());
  rig.ops.enter();
  rig.ops.erase();
  const auto probes = Probes(rig.model.eepromSize);
  for (std::uint32_t a : probes) {
    rig.ops.writeEeprom(a, 0x00);
    rig.ops.writeEeprom(a, static_cast<std::uint8_t>(0xA0 ^ a));
  }
  for (std::uint32_t a : probes) {
    EXPECT_EQ(rig.ops.readEeprom(a), static_cast<std::uint8_t>(0xA0 ^ a)) << "address " << a;
    EXPECT_EQ(rig.chip().eeprom()[a], static_cast<std::uint8_t>(0xA0 ^ a));
  }
  EXPECT_EQ(rig.chip().flash()[0], 0xFF); // the EEPROM is not the flash
  rig.ops.erase();
  EXPECT_EQ(rig.ops.readEeprom(probes.back()), 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Devices, MemoryEveryDevice, testing::ValuesIn(AllDevices()),
                         DeviceTestName);
INSTANTIATE_TEST_SUITE_P(Devices, EepromEveryDevice, testing::ValuesIn(DevicesWithEeprom()),
                         DeviceTestName);

TEST(Memory, AvrFlashPageGoesWhereThePageAddressSays) {
  for (const char *device : {"MEGA128", "MEGA8", "TINY13", "MEGA644"}) {
    Rig rig(device);
    rig.ops.enter();
    rig.ops.erase();
    const std::uint32_t size = rig.model.flashPageSize;
    const std::uint32_t base = rig.model.flashSize - size; // the last page
    std::vector<std::uint8_t> page(size);
    for (std::uint32_t i = 0; i < size; ++i)
      page[i] = static_cast<std::uint8_t>(i * 7 + 1);
    rig.ops.writeFlashPage(base, page);
    for (std::uint32_t i = 0; i < size; ++i)
      ASSERT_EQ(rig.ops.readFlash(base + i), page[i]) << device << " offset " << i;
    EXPECT_EQ(rig.chip().flash()[base - 1], 0xFF) << device;
    EXPECT_EQ(rig.chip().counters().flashWrites, 1u);
  }
}

TEST(Memory, AvrPageBufferIsClearedByAPageWrite) {
  Rig rig("MEGA8");
  rig.ops.enter();
  rig.ops.erase();
  rig.d.send({0x40, 0x00, 0x00, 0x12});
  rig.d.send({0x4C, 0x00, 0x00, 0x00}); // page 0
  rig.d.wait(5966);
  rig.d.send({0x4C, 0x00, 0x20, 0x00}); // page 1, nothing loaded since
  rig.d.wait(5966);
  EXPECT_EQ(rig.chip().flash()[0], 0x12);
  EXPECT_EQ(rig.chip().flash()[64], 0xFF);
}

TEST(Memory, AvrEepromPageWritesOnlyTheLoadedBytes) {
  for (const char *device : {"MEGA48", "MEGA644", "TINY13"}) {
    Rig rig(device);
    rig.ops.enter();
    rig.ops.erase();
    const std::uint32_t size = rig.model.eepromPageSize;
    const std::uint32_t base = rig.model.eepromSize - size;
    rig.chip().eeprom()[base] = 0x55;
    rig.d.send({0xC1, 0x00, 0x01, 0xA1});
    rig.d.send({0xC1, 0x00, static_cast<std::uint8_t>(size - 1), 0xA2});
    rig.d.send({0xC2, Hi(base), Lo(base), 0x00});
    rig.d.wait(kMs10);
    SCOPED_TRACE(device);
    EXPECT_EQ(rig.ops.readEeprom(base), 0x55);
    EXPECT_EQ(rig.ops.readEeprom(base + 1), 0xA1);
    EXPECT_EQ(rig.ops.readEeprom(base + size - 1), 0xA2);
    EXPECT_EQ(rig.ops.readEeprom(base - 1), 0xFF);
  }
}

TEST(Memory, EepromPageInstructionsAreUnknownWithoutEepromPages) {
  Rig rig("MEGA8");
  rig.ops.enter();
  rig.d.send({0xC1, 0x00, 0x00, 0x12});
  rig.d.send({0xC2, 0x00, 0x00, 0x00});
  rig.d.wait(kMs10);
  EXPECT_EQ(rig.chip().eeprom()[0], 0xFF);
  EXPECT_EQ(rig.chip().counters().ignoredUnknown, 2u);
}

TEST(Memory, At89S53UsesA13InTheFirstByte) {
  Rig rig("AT89S53");
  rig.ops.enter();
  rig.ops.erase();
  // 0x2345: A12..A8 = 0x03, A13 set: first byte 0x03 << 3 | 0x04 | 0x02.
  rig.d.send({0x1E, 0x45, 0x5A});
  rig.d.wait(2983);
  EXPECT_EQ(rig.chip().flash()[0x2345], 0x5A);
  EXPECT_EQ(rig.chip().flash()[0x0345], 0xFF);
  EXPECT_EQ(rig.d.read3(0x1D, 0x45), 0x5A);
  EXPECT_EQ(rig.d.read3(0x19, 0x45), 0xFF);
}

TEST(Memory, At89S8252KeepsFlashAndEepromApart) {
  Rig rig("AT89S8252");
  rig.ops.enter();
  rig.ops.erase();
  rig.d.send({0x3E, 0x21, 0x77}); // EEPROM 0x721: A10..A8 = 7
  rig.d.wait(2983);
  rig.d.send({0x3A, 0x21, 0x66}); // flash 0x721
  rig.d.wait(2983);
  EXPECT_EQ(rig.chip().eeprom()[0x721], 0x77);
  EXPECT_EQ(rig.chip().flash()[0x721], 0x66);
  EXPECT_EQ(rig.d.read3(0x3D, 0x21), 0x77);
  EXPECT_EQ(rig.d.read3(0x39, 0x21), 0x66);
}

TEST(Memory, At89S8253PagesAndUserSignature) {
  Rig rig("AT89S8253");
  rig.ops.enter();
  rig.ops.erase();
  std::vector<std::uint8_t> page(64);
  for (int i = 0; i < 64; ++i)
    page[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x80 + i);
  rig.ops.writeFlashPage(0x2FC0, page); // the last page
  EXPECT_EQ(rig.ops.readPage(0x30, 0x2FC0, 64), page);

  rig.d.send({0x52, 0x00, 0x00});
  for (int i = 0; i < 64; ++i)
    rig.d.byte(static_cast<std::uint8_t>(i));
  rig.d.wait(5966);
  const auto user = rig.ops.readPage(0x32, 0, 64);
  for (int i = 0; i < 64; ++i)
    EXPECT_EQ(user[static_cast<std::size_t>(i)], i);
  EXPECT_EQ(rig.chip().counters().userSignatureWrites, 1u);

  // After a stream the next bytes are an instruction again.
  EXPECT_EQ(rig.d.read4(0x28, 0x00, 0x31), 0x73);
  rig.ops.erase();
  EXPECT_EQ(rig.chip().userSignature()[5], 0xFF);
}

TEST(Memory, CalibrationBytesAnswerByIndex) {
  for (const char *device : {"MEGA8", "MEGA16", "TINY2313", "TINY12"}) {
    Rig rig(device);
    rig.ops.enter();
    rig.chip().calibration() = {0x10, 0x20, 0x30, 0x40};
    const int count = rig.model.calibrationCount;
    for (int k = 0; k < 4; ++k) {
      const std::uint8_t want = k < count ? static_cast<std::uint8_t>(0x10 * (k + 1)) : 0xFF;
      EXPECT_EQ(rig.d.read4(0x38, 0x00, static_cast<std::uint8_t>(k)), want)
          << device << " byte " << k;
    }
  }
}

TEST(Memory, BadReadFaultChangesOnlyThatLocation) {
  Rig rig("MEGA8");
  rig.ops.enter();
  rig.chip().flash()[0x101] = 0x40;
  rig.chip().addBadRead(Memory::Flash, 0x101, 0x04);
  EXPECT_EQ(rig.ops.readFlash(0x101), 0x44);
  EXPECT_EQ(rig.ops.readFlash(0x100), 0xFF);
  EXPECT_EQ(rig.chip().flash()[0x101], 0x40);
}

} // namespace
