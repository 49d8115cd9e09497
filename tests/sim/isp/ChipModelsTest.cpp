#include "sim/isp/ChipModels.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace sim::isp;

namespace {

struct Row {
  const char *listName;
  Family family;
  std::uint32_t flash, eeprom;
  std::array<std::uint8_t, 3> signature;
  std::uint16_t flashPage, eepromPage;
  int fuses, calibration;
};

constexpr Family S51 = Family::At89S51, S52 = Family::At89S8252, S53 = Family::At89S8253,
                 BYT = Family::AvrByteMode, PAG = Family::AvrPageMode;

// The data sheet figures every model must carry, in device list order.
const Row kRows[] = {
    {"AT89S51", S51, 4096, 0, {0x1E, 0x51, 0x06}, 0, 0, 0, 0},
    {"AT89S52", S51, 8192, 0, {0x1E, 0x52, 0x06}, 0, 0, 0, 0},
    {"AT89S53", S52, 12288, 0, {0xFF, 0xFF, 0xFF}, 0, 0, 0, 0},
    {"AT89S8252", S52, 8192, 2048, {0xFF, 0xFF, 0xFF}, 0, 0, 0, 0},
    {"AT89S8253", S53, 12288, 2048, {0x1E, 0x73, 0x01}, 64, 32, 1, 0},
    {"AT90S1200", BYT, 1024, 64, {0x1E, 0x90, 0x01}, 0, 0, 0, 0},
    {"AT90S2313", BYT, 2048, 128, {0x1E, 0x91, 0x01}, 0, 0, 0, 0},
    {"AT90S4433", BYT, 4096, 256, {0x1E, 0x92, 0x03}, 0, 0, 1, 0},
    {"AT90S8515", BYT, 8192, 512, {0x1E, 0x93, 0x01}, 0, 0, 0, 0},
    {"AT90S8535", BYT, 8192, 512, {0x1E, 0x93, 0x03}, 0, 0, 1, 0},
    {"MEGA8", PAG, 8192, 512, {0x1E, 0x93, 0x07}, 64, 0, 2, 4},
    {"MEGA16", PAG, 16384, 512, {0x1E, 0x94, 0x03}, 128, 0, 2, 1},
    {"MEGA32", PAG, 32768, 1024, {0x1E, 0x95, 0x02}, 128, 0, 2, 4},
    {"MEGA48", PAG, 4096, 256, {0x1E, 0x92, 0x05}, 64, 4, 3, 1},
    {"MEGA64", PAG, 65536, 2048, {0x1E, 0x96, 0x02}, 256, 0, 3, 4},
    {"MEGA88", PAG, 8192, 512, {0x1E, 0x93, 0x0A}, 64, 4, 3, 1},
    {"MEGA128", PAG, 131072, 4096, {0x1E, 0x97, 0x02}, 256, 0, 3, 4},
    {"MEGA162", PAG, 16384, 512, {0x1E, 0x94, 0x04}, 128, 4, 3, 1},
    {"MEGA164", PAG, 16384, 512, {0x1E, 0x94, 0x00}, 128, 4, 3, 1},
    {"MEGA165", PAG, 16384, 512, {0x1E, 0x94, 0x07}, 128, 4, 3, 1},
    {"MEGA168", PAG, 16384, 512, {0x1E, 0x94, 0x06}, 128, 4, 3, 1},
    {"MEGA169", PAG, 16384, 512, {0x1E, 0x94, 0x05}, 128, 4, 3, 1},
    {"MEGA324", PAG, 32768, 1024, {0x1E, 0x95, 0x00}, 128, 4, 3, 1},
    {"MEGA644", PAG, 65536, 2048, {0x1E, 0x96, 0x00}, 256, 8, 3, 1},
    {"MEGA8515", PAG, 8192, 512, {0x1E, 0x93, 0x06}, 64, 0, 2, 4},
    {"MEGA8535", PAG, 8192, 512, {0x1E, 0x93, 0x08}, 64, 0, 2, 4},
    {"TINY12", BYT, 1024, 64, {0x1E, 0x90, 0x05}, 0, 0, 1, 1},
    {"TINY13", PAG, 1024, 64, {0x1E, 0x90, 0x07}, 32, 4, 2, 1},
    {"TINY15", BYT, 1024, 64, {0x1E, 0x90, 0x06}, 0, 0, 1, 1},
    {"TINY25", PAG, 2048, 128, {0x1E, 0x91, 0x08}, 32, 4, 3, 1},
    {"TINY26", PAG, 2048, 128, {0x1E, 0x91, 0x09}, 32, 0, 2, 4},
    {"TINY45", PAG, 4096, 256, {0x1E, 0x92, 0x06}, 64, 4, 3, 1},
    {"TINY85", PAG, 8192, 512, {0x1E, 0x93, 0x0B}, 64, 4, 3, 1},
    {"TINY2313", PAG, 2048, 128, {0x1E, 0x91, 0x0A}, 32, 4, 3, 2},
};

TEST(ChipModels, EveryModelCarriesItsDataSheetFigures) {
  const auto models = ChipModels();
  ASSERT_EQ(models.size(), std::size(kRows));
  for (std::size_t i = 0; i < models.size(); ++i) {
    const ChipModel &m = models[i];
    const Row &r = kRows[i];
    SCOPED_TRACE(r.listName);
    EXPECT_EQ(m.listName, r.listName);
    EXPECT_EQ(m.family, r.family);
    EXPECT_EQ(m.flashSize, r.flash);
    EXPECT_EQ(m.eepromSize, r.eeprom);
    EXPECT_EQ(m.userSignatureSize, std::string(r.listName) == "AT89S8253" ? 64u : 0u);
    const bool twoBytes = std::string(r.listName) == "AT89S8253";
    EXPECT_EQ(m.signatureCount, r.signature[0] == 0xFF ? 0 : twoBytes ? 2 : 3);
    for (int k = 0; k < m.signatureCount; ++k) {
      EXPECT_EQ(m.signature[k], r.signature[k]) << "signature byte " << k;
    }
    EXPECT_EQ(m.flashPageSize, r.flashPage);
    EXPECT_EQ(m.eepromPageSize, r.eepromPage);
    int fuses = 0;
    for (const FuseModel &f : m.fuses)
      fuses += f.present ? 1 : 0;
    EXPECT_EQ(fuses, r.fuses);
    EXPECT_EQ(m.calibrationCount, r.calibration);
    // Pages divide their memory exactly.
    if (m.flashPageSize) {
      EXPECT_EQ(m.flashSize % m.flashPageSize, 0u);
    }
    if (m.eepromPageSize) {
      EXPECT_EQ(m.eepromSize % m.eepromPageSize, 0u);
    }
  }
}

TEST(ChipModels, FactoryFusesHoldTheirFixedBits) {
  for (const ChipModel &m : ChipModels()) {
    for (const FuseModel &f : m.fuses) {
      if (f.present) {
        EXPECT_EQ(f.factory & f.fixedMask, f.fixedBits & f.fixedMask) << m.name;
      }
    }
  }
}

TEST(ChipModels, FindsByEveryUsualSpelling) {
  const struct {
    const char *asked;
    const char *found; // nullptr: unknown
  } cases[] = {
      {"ATmega8", "ATmega8"},     {"MEGA8", "ATmega8"},
      {"atmega8", "ATmega8"},     {"ATMEGA8515", "ATmega8515"},
      {"AT89S51", "AT89S51"},     {"89s51", "AT89S51"},
      {"TINY2313", "ATtiny2313"}, {"ATtiny2313", "ATtiny2313"},
      {"AT90S1200", "AT90S1200"}, {"  AT89S8253", "AT89S8253"},
      {"MEGA", nullptr},          {"", nullptr},
      {"ATmega1280", nullptr},    {"AT", nullptr},
  };
  for (const auto &c : cases) {
    const ChipModel *m = FindChipModel(c.asked);
    if (!c.found) {
      EXPECT_EQ(m, nullptr) << c.asked;
    } else {
      ASSERT_NE(m, nullptr) << c.asked;
      EXPECT_EQ(m->name, c.found) << c.asked;
    }
  }
}

TEST(ChipModels, NamesAreUnique) {
  std::set<std::string> seen;
  for (const ChipModel &m : ChipModels())
    EXPECT_TRUE(seen.insert(std::string(m.listName)).second) << m.listName;
}

} // namespace
