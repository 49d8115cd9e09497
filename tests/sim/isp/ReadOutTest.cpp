#include "tests/sim/isp/Rig.h"

#include <gtest/gtest.h>

using namespace sim::isp;
using namespace simtest;

namespace {

// --- EESAVE --------------------------------------------------------------

struct EesaveCase {
  const char *device;
  std::uint8_t writeFuse; // second byte of the fuse write: A0 low, A8 high
  FuseIndex fuse;
  std::uint8_t bit;
};

const EesaveCase kEesaveCases[] = {
    {"MEGA8", 0xA8, kFuseHigh, 0x08},    {"MEGA16", 0xA8, kFuseHigh, 0x08},
    {"MEGA32", 0xA8, kFuseHigh, 0x08},   {"MEGA48", 0xA8, kFuseHigh, 0x08},
    {"MEGA64", 0xA8, kFuseHigh, 0x08},   {"MEGA88", 0xA8, kFuseHigh, 0x08},
    {"MEGA128", 0xA8, kFuseHigh, 0x08},  {"MEGA162", 0xA8, kFuseHigh, 0x08},
    {"MEGA164", 0xA8, kFuseHigh, 0x08},  {"MEGA165", 0xA8, kFuseHigh, 0x08},
    {"MEGA168", 0xA8, kFuseHigh, 0x08},  {"MEGA169", 0xA8, kFuseHigh, 0x08},
    {"MEGA324", 0xA8, kFuseHigh, 0x08},  {"MEGA644", 0xA8, kFuseHigh, 0x08},
    {"MEGA8515", 0xA8, kFuseHigh, 0x08}, {"MEGA8535", 0xA8, kFuseHigh, 0x08},
    {"TINY13", 0xA0, kFuseLow, 0x40},    {"TINY25", 0xA8, kFuseHigh, 0x08},
    {"TINY26", 0xA8, kFuseHigh, 0x04},   {"TINY45", 0xA8, kFuseHigh, 0x08},
    {"TINY85", 0xA8, kFuseHigh, 0x08},   {"TINY2313", 0xA8, kFuseHigh, 0x40},
};

class Eesave : public testing::TestWithParam<EesaveCase> {
protected:
  void writeFuse(Rig &rig, std::uint8_t value) {
    const EesaveCase &c = GetParam();
    rig.d.send({0xAC, c.writeFuse, 0x00, value});
    rig.d.wait(rig.model.timing.fuseWrite);
  }
};

TEST_P(Eesave, ChipEraseKeepsTheEepromWhileEesaveIsProgrammed) {
  const EesaveCase &c = GetParam();
  Rig rig(c.device);
  rig.ops.enter();
  rig.ops.writeFlash(4, 0x12);
  rig.ops.writeEeprom(1, 0x42);
  const std::uint8_t fuse = rig.chip().fuse(c.fuse);
  ASSERT_NE(fuse & c.bit, 0) << "EESAVE unprogrammed on a new chip";

  writeFuse(rig, static_cast<std::uint8_t>(fuse & ~c.bit));
  rig.ops.erase();
  EXPECT_EQ(rig.ops.readEeprom(1), 0x42);
  EXPECT_EQ(rig.ops.readFlash(4), 0xFF);
  // EEPROM writes still replace the kept bytes.
  rig.ops.writeEeprom(1, 0x43);
  EXPECT_EQ(rig.ops.readEeprom(1), 0x43);

  writeFuse(rig, fuse);
  rig.ops.erase();
  EXPECT_EQ(rig.ops.readEeprom(1), 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Devices, Eesave, testing::ValuesIn(kEesaveCases),
                         [](const auto &p) { return std::string(p.param.device); });

// Chips without EESAVE clear their EEPROM whatever their fuses say.
TEST(Eesave, ChipsWithoutItAlwaysClearTheEeprom) {
  const struct {
    const char *device;
    std::uint8_t second, fourth; // fuse write with every changeable bit programmed
  } cases[] = {{"TINY12", 0xA0, 0x10}, {"TINY15", 0xA0, 0x10}, {"AT90S4433", 0xA0, 0x00}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.device);
    Rig rig(c.device);
    rig.ops.enter();
    rig.ops.writeEeprom(1, 0x42);
    rig.d.send({0xAC, c.second, 0x00, c.fourth});
    rig.d.wait(rig.model.timing.fuseWrite);
    rig.ops.erase();
    EXPECT_EQ(rig.ops.readEeprom(1), 0xFF);
  }
}

// --- Signature of a locked chip ------------------------------------------

struct LockedSignatureCase {
  const char *device;
  std::array<std::uint8_t, 2> lb1, lb2;   // bytes 2 and 4 of the lock write AC xx 00 yy
  std::array<std::uint8_t, 3> whenLocked; // both lock bits programmed
};

const LockedSignatureCase kLockedCases[] = {
    {"AT90S1200", {0xE4, 0x00}, {0xE2, 0x00}, {0x00, 0x01, 0x02}},
    {"AT90S2313", {0xE4, 0x00}, {0xE2, 0x00}, {0x00, 0x01, 0x02}},
    {"AT90S4433", {0xFD, 0x00}, {0xFB, 0x00}, {0x00, 0x01, 0x02}},
    {"AT90S8515", {0xE4, 0x00}, {0xE2, 0x00}, {0x00, 0x01, 0x02}},
    {"AT90S8535", {0xFD, 0x00}, {0xFB, 0x00}, {0x00, 0x01, 0x02}},
    // Later chips keep their signature readable.
    {"TINY15", {0xFD, 0x00}, {0xFB, 0x00}, {0x1E, 0x90, 0x06}},
    {"MEGA8", {0xE0, 0xFE}, {0xE0, 0xFD}, {0x1E, 0x93, 0x07}},
};

class LockedSignature : public testing::TestWithParam<LockedSignatureCase> {};

std::array<std::uint8_t, 3> ReadSignature(Rig &rig) {
  return {rig.d.read4(0x30, 0x00, 0x00), rig.d.read4(0x30, 0x00, 0x01),
          rig.d.read4(0x30, 0x00, 0x02)};
}

TEST_P(LockedSignature, ReadsWhatTheDataSheetSays) {
  const LockedSignatureCase &c = GetParam();
  Rig rig(c.device);
  rig.ops.enter();
  const std::array<std::uint8_t, 3> real = rig.model.signature;
  EXPECT_EQ(ReadSignature(rig), real);
  rig.d.send({0xAC, c.lb1[0], 0x00, c.lb1[1]});
  rig.d.wait(rig.model.timing.lockWrite);
  EXPECT_EQ(ReadSignature(rig), real) << "LB1 alone";
  rig.d.send({0xAC, c.lb2[0], 0x00, c.lb2[1]});
  rig.d.wait(rig.model.timing.lockWrite);
  ASSERT_EQ(rig.chip().lockByte() & 0x03, 0x00);
  EXPECT_EQ(ReadSignature(rig), c.whenLocked);
  rig.ops.erase();
  EXPECT_EQ(ReadSignature(rig), real) << "after chip erase";
}

INSTANTIATE_TEST_SUITE_P(Devices, LockedSignature, testing::ValuesIn(kLockedCases),
                         [](const auto &p) { return std::string(p.param.device); });

} // namespace
