#include "tests/sim/isp/Rig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

using namespace sim::isp;
using namespace simtest;

namespace {

// --- Fuses -------------------------------------------------------------

struct FuseCase {
  const char *device;
  std::vector<std::uint8_t> write; // the write instruction, value in its place
  std::vector<std::uint8_t> read;  // the read instruction (answer in byte 4)
  FuseIndex fuse;
  std::uint8_t stored; // what the chip keeps: fixed bits forced
};

const char *fuseName(FuseIndex fuse) {
  switch (fuse) {
  case kFuseLow: return "Low";
  case kFuseHigh: return "High";
  case kFuseExtended: return "Extended";
  }
  return "?";
}

// The device, the fuse byte and the write instruction's second byte, which
// tells apart two writes of one fuse.
std::string fuseCaseName(const FuseCase &c) {
  char second[3];
  std::snprintf(second, sizeof second, "%02X", c.write[1]);
  return std::string(c.device) + "_" + fuseName(c.fuse) + "_AC" + second;
}

void PrintTo(const FuseCase &c, std::ostream *os) { *os << fuseCaseName(c); }

const FuseCase kFuseCases[] = {
    // Page-mode AVR: SPIEN (high bit 5) stays programmed, unused bits stay 1.
    {"MEGA8", {0xAC, 0xA0, 0x00, 0x00}, {0x50, 0x00, 0x00}, kFuseLow, 0x00},
    {"MEGA8", {0xAC, 0xA8, 0x00, 0xFF}, {0x58, 0x08, 0x00}, kFuseHigh, 0xDF},
    {"MEGA128", {0xAC, 0xA4, 0x00, 0x00}, {0x50, 0x08, 0x00}, kFuseExtended, 0xFC},
    {"MEGA88", {0xAC, 0xA4, 0x00, 0x00}, {0x50, 0x08, 0x00}, kFuseExtended, 0xF8},
    {"MEGA162", {0xAC, 0xA4, 0x00, 0x00}, {0x50, 0x08, 0x00}, kFuseExtended, 0xE1},
    {"TINY13", {0xAC, 0xA0, 0x00, 0xFF}, {0x50, 0x00, 0x00}, kFuseLow, 0x7F},
    {"TINY13", {0xAC, 0xA8, 0x00, 0x00}, {0x58, 0x08, 0x00}, kFuseHigh, 0xE0},
    {"TINY26", {0xAC, 0xA8, 0x00, 0xFF}, {0x58, 0x08, 0x00}, kFuseHigh, 0xF7},
    {"TINY2313", {0xAC, 0xA4, 0x00, 0x00}, {0x50, 0x08, 0x00}, kFuseExtended, 0xFE},
    // Byte-mode AVR.
    {"TINY12", {0xAC, 0xA0, 0x00, 0xFF}, {0x50, 0x00, 0x00}, kFuseLow, 0xDF},
    {"TINY15", {0xAC, 0xA0, 0x00, 0x00}, {0x50, 0x00, 0x00}, kFuseLow, 0x0C},
    {"AT90S4433", {0xAC, 0xBA, 0x00, 0x00}, {0x50, 0x00, 0x00}, kFuseLow, 0xDA},
    {"AT90S4433", {0xAC, 0xA0, 0x00, 0x00}, {0x50, 0x00, 0x00}, kFuseLow, 0xC0},
    {"AT90S8535", {0xAC, 0xBE, 0x00, 0x00}, {0x50, 0x00, 0x00}, kFuseLow, 0xDE},
    // AT89S8253 user fuses: AC 0001 ffff, read 21.
    {"AT89S8253", {0xAC, 0x15, 0x00, 0x00}, {0x21, 0x00, 0x00}, kFuseLow, 0xF5},
};

class FuseRoundTrip : public testing::TestWithParam<FuseCase> {};

TEST_P(FuseRoundTrip, WriteThenReadBack) {
  const FuseCase &c = GetParam();
  Rig rig(c.device);
  rig.ops.enter();
  rig.d.send({c.write[0], c.write[1], c.write[2], c.write[3]});
  EXPECT_EQ(rig.chip().counters().fuseWrites, 1u);
  rig.d.wait(rig.model.timing.fuseWrite);
  EXPECT_EQ(rig.chip().fuse(c.fuse), c.stored);
  EXPECT_EQ(rig.d.read4(c.read[0], c.read[1], c.read[2]), c.stored);
  // Chip erase keeps fuses.
  rig.ops.erase();
  EXPECT_EQ(rig.d.read4(c.read[0], c.read[1], c.read[2]), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Cases, FuseRoundTrip, testing::ValuesIn(kFuseCases),
                         [](const auto &p) { return fuseCaseName(p.param); });

TEST(Fuses, FuseInstructionsOfAbsentBytesAreIgnored) {
  const struct {
    const char *device;
    std::uint8_t second;
  } cases[] = {{"MEGA8", 0xA4}, {"TINY13", 0xA4}, {"TINY26", 0xAC}, {"AT90S2313", 0xA0}};
  for (const auto &c : cases) {
    Rig rig(c.device);
    rig.ops.enter();
    const std::array<std::uint8_t, 3> before{rig.chip().fuse(kFuseLow), rig.chip().fuse(kFuseHigh),
                                             rig.chip().fuse(kFuseExtended)};
    rig.d.send({0xAC, c.second, 0x00, 0x00});
    EXPECT_EQ(rig.chip().counters().fuseWrites, 0u) << c.device;
    EXPECT_EQ(rig.chip().fuse(kFuseLow), before[0]) << c.device;
    EXPECT_EQ(rig.chip().fuse(kFuseHigh), before[1]) << c.device;
    EXPECT_EQ(rig.chip().fuse(kFuseExtended), before[2]) << c.device;
    EXPECT_EQ(rig.chip().counters().ignoredUnknown, 1u) << c.device;
  }
}

// --- Lock bits ----------------------------------------------------------

struct LockCase {
  const char *device;
  std::vector<std::uint8_t> programLb1;      // instruction programming LB1 alone
  std::vector<std::uint8_t> programLb2;      // instruction programming LB2 alone
  std::vector<std::uint8_t> readLock;        // empty: the chip has no lock read
  std::uint8_t readBlank, readLb1, readBoth; // lock read answers
};

void PrintTo(const LockCase &c, std::ostream *os) { *os << c.device; }

const LockCase kLockCases[] = {
    {"AT89S51",
     {0xAC, 0xE1, 0x00, 0x00},
     {0xAC, 0xE2, 0x00, 0x00},
     {0x24, 0x00, 0x00},
     0x00,
     0x04,
     0x0C},
    {"AT89S8252", {0xAC, 0x7F, 0x00}, {0xAC, 0xBF, 0x00}, {}, 0, 0, 0},
    {"AT89S8253",
     {0xAC, 0xE6, 0x00, 0x00},
     {0xAC, 0xE5, 0x00, 0x00},
     {0x24, 0x00, 0x00},
     0xFF,
     0xFE,
     0xFC},
    {"AT90S2313", {0xAC, 0xE4, 0x00, 0x00}, {0xAC, 0xE2, 0x00, 0x00}, {}, 0, 0, 0},
    {"AT90S1200", {0xAC, 0xE4, 0x00, 0x00}, {0xAC, 0xE2, 0x00, 0x00}, {}, 0, 0, 0},
    {"AT90S4433",
     {0xAC, 0xFD, 0x00, 0x00},
     {0xAC, 0xFB, 0x00, 0x00},
     {0x58, 0x00, 0x00},
     0xFF,
     0xFD,
     0xF9},
    // Bits 7, 6 = LB1, LB2; bit 5 = SPIEN, always programmed; bit 0 = FSTRT.
    {"AT90S8535",
     {0xAC, 0xFD, 0x00, 0x00},
     {0xAC, 0xFB, 0x00, 0x00},
     {0x58, 0x00, 0x00},
     0xDF,
     0x5F,
     0x1F},
    {"TINY15",
     {0xAC, 0xFD, 0x00, 0x00},
     {0xAC, 0xFB, 0x00, 0x00},
     {0x58, 0x00, 0x00},
     0xFF,
     0xFD,
     0xF9},
    {"MEGA8",
     {0xAC, 0xE0, 0x00, 0xFE},
     {0xAC, 0xE0, 0x00, 0xFD},
     {0x58, 0x00, 0x00},
     0xFF,
     0xFE,
     0xFC},
    {"TINY45",
     {0xAC, 0xE0, 0x00, 0xFE},
     {0xAC, 0xE0, 0x00, 0xFD},
     {0x58, 0x00, 0x00},
     0xFF,
     0xFE,
     0xFC},
};

class LockBits : public testing::TestWithParam<LockCase> {
protected:
  void send(Rig &rig, const std::vector<std::uint8_t> &bytes) {
    if (bytes.size() == 3)
      rig.d.send({bytes[0], bytes[1], bytes[2]});
    else
      rig.d.send({bytes[0], bytes[1], bytes[2], bytes[3]});
    rig.d.wait(rig.model.timing.lockWrite);
  }
  // Checks the lock read's answer on chips that have one.
  void expectLock(Rig &rig, std::uint8_t expected) {
    const auto &r = GetParam().readLock;
    if (!r.empty()) {
      EXPECT_EQ(rig.d.read4(r[0], r[1], r[2]), expected);
    }
  }
};

// LB1 stops writes but not reads, LB2 stops reads too, erase clears both.
TEST_P(LockBits, WhatEachLockBitForbids) {
  const LockCase &c = GetParam();
  Rig rig(c.device);
  const std::uint8_t fuseBefore = rig.chip().fuse(kFuseLow);
  rig.ops.enter();
  rig.ops.erase();
  rig.ops.writeFlash(2, 0x5A);
  expectLock(rig, c.readBlank);

  send(rig, c.programLb1);
  EXPECT_EQ(rig.chip().lockByte() & 0x03, 0x02);
  expectLock(rig, c.readLb1);
  rig.ops.writeFlash(2, 0x00);
  EXPECT_EQ(rig.chip().flash()[2], 0x5A) << "write after LB1";
  EXPECT_EQ(rig.ops.readFlash(2), 0x5A) << "read after LB1";
  if (rig.model.eepromSize > 0) {
    rig.ops.writeEeprom(1, 0x00);
    EXPECT_EQ(rig.chip().eeprom()[1], 0xFF) << "EEPROM write after LB1";
  }

  send(rig, c.programLb2);
  EXPECT_EQ(rig.chip().lockByte() & 0x03, 0x00);
  expectLock(rig, c.readBoth);
  EXPECT_EQ(rig.ops.readFlash(2), 0x00) << "read after LB2";
  EXPECT_GT(rig.chip().counters().refusedByLock, 0u);

  rig.ops.erase();
  EXPECT_EQ(rig.chip().lockByte() & 0x03, 0x03);
  expectLock(rig, c.readBlank);
  EXPECT_EQ(rig.ops.readFlash(2), 0xFF);
  EXPECT_EQ(rig.chip().fuse(kFuseLow), fuseBefore);
}

INSTANTIATE_TEST_SUITE_P(Cases, LockBits, testing::ValuesIn(kLockCases),
                         [](const auto &p) { return std::string(p.param.device); });

TEST(Locks, AvrFusesCannotBeChangedOnceLocked) {
  Rig rig("MEGA16");
  rig.ops.enter();
  rig.d.send({0xAC, 0xE0, 0x00, 0xFE}); // LB1
  rig.d.wait(5966);
  rig.d.send({0xAC, 0xA0, 0x00, 0x00});
  rig.d.wait(5966);
  EXPECT_EQ(rig.chip().fuse(kFuseLow), 0xE1);
  EXPECT_EQ(rig.chip().counters().refusedByLock, 1u);
}

TEST(Locks, BootLockBitsAreKeptWhereTheChipHasThem) {
  for (const auto &[device, stored] : {std::pair{"MEGA8", 0xC3}, std::pair{"TINY25", 0xFF}}) {
    Rig rig(device);
    rig.ops.enter();
    rig.d.send({0xAC, 0xE0, 0x00, 0x03}); // every bit but LB1/LB2 programmed
    rig.d.wait(5966);
    EXPECT_EQ(rig.d.read4(0x58, 0x00, 0x00), stored) << device;
  }
}

TEST(Locks, LockBitsOnlyEverGetProgrammed) {
  Rig rig("MEGA8");
  rig.ops.enter();
  rig.d.send({0xAC, 0xE0, 0x00, 0xFD}); // LB2
  rig.d.wait(5966);
  rig.d.send({0xAC, 0xE0, 0x00, 0xFF}); // asks to clear it again
  rig.d.wait(5966);
  EXPECT_EQ(rig.chip().lockByte(), 0xFD);
}

} // namespace

namespace {

// Programming RSTDISBL or DWEN loses the chip to serial programming from the
// next reset on; the session that wrote the fuse goes on.
TEST(Fuses, ResetDisableFuseEndsSerialProgrammingAtTheNextReset) {
  const struct {
    const char *device;
    std::uint8_t second; // fuse write instruction's second byte
    std::uint8_t value;
  } cases[] = {
      {"MEGA88", 0xA8, 0x5F},   // RSTDISBL
      {"MEGA8", 0xA8, 0x59},    // RSTDISBL
      {"TINY85", 0xA8, 0x9F},   // DWEN
      {"TINY13", 0xA8, 0xFE},   // RSTDISBL
      {"TINY2313", 0xA8, 0x5F}, // DWEN
      {"TINY26", 0xA8, 0xE7},   // RSTDISBL
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.device);
    Rig rig(c.device);
    rig.ops.enter();
    rig.d.send({0xAC, c.second, 0x00, c.value});
    rig.d.wait(5966);
    EXPECT_EQ(rig.d.read4(0x30, 0x00, 0x00), 0x1E); // still in this session
    rig.d.release();
    EXPECT_NE(rig.ops.enter()[2], 0x53);
    EXPECT_TRUE(rig.chip().serialDisabled());
    EXPECT_FALSE(rig.chip().inProgrammingMode());
  }
}

TEST(Fuses, DefaultFusesKeepSerialProgramming) {
  for (const auto &m : ChipModels()) {
    if (!m.isAvr())
      continue;
    Rig rig(std::string(m.listName));
    rig.ops.enter();
    rig.d.release();
    rig.ops.enter();
    EXPECT_FALSE(rig.chip().serialDisabled()) << m.listName;
    EXPECT_TRUE(rig.chip().inProgrammingMode()) << m.listName;
  }
}

} // namespace
