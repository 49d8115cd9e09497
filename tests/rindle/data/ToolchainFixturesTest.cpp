#include "DataTestSupport.h"

#include "rindle/data/FileTexts.h"

using namespace rindle::testing;
namespace files = rindle::files;

namespace {

// Each HEX file a real toolchain made must load equal, cell for cell, to the
// binary it made of the same image.
struct Pair {
  const char *name;
  Reader hexReader, binReader;
  const char *hex, *bin;
  std::int64_t flashSize;
};

const Pair kPairs[] = {
    {"ATmega8 program", Reader::ProgramHex, Reader::ProgramBin, "blink_m8.hex", "blink_m8.bin",
     8192},
    {"ATmega8 EEPROM", Reader::EepromHex, Reader::EepromBin, "blink_m8.eep", "blink_m8_eeprom.bin",
     8192},
    {"ATmega8 EEPROM left at the toolchain's address", Reader::EepromHex, Reader::EepromBin,
     "blink_m8_unmoved.eep", "blink_m8_eeprom.bin", 8192},
    {"ATtiny13 program", Reader::ProgramHex, Reader::ProgramBin, "blink_t13.hex", "blink_t13.bin",
     1024},
    {"ATmega128 program past 64 KiB", Reader::ProgramHex, Reader::ProgramBin, "table_m128.hex",
     "table_m128.bin", 131072},
};

} // namespace

TEST(ToolchainFixtures, HexLoadsEqualToTheBinaryImage) {
  for (const auto &p : kPairs) {
    const QString dir = QStringLiteral("toolchain/");
    rindle::IspBuffer fromHex, fromBin;
    EXPECT_EQ(Load(p.hexReader, fromHex, p.flashSize, DataFixture(dir + p.hex)), files::kOk)
        << p.name;
    EXPECT_EQ(Load(p.binReader, fromBin, p.flashSize, DataFixture(dir + p.bin)), files::kOk)
        << p.name;
    Cells image;
    for (std::size_t i = 0; i < fromBin.cells.size(); ++i)
      if (fromBin.cells[i] != 0xFF)
        image.push_back({i, fromBin.cells[i]});
    EXPECT_GT(image.size(), 7u) << p.name;
    ExpectOnly(fromHex, image, p.name);
  }
}

TEST(ToolchainFixtures, TheLargeImageNeedsAnAddressRecord) {
  // Keeps the comparison above meaningful: the ATmega128 image passes 64 KiB
  // and its HEX reaches the upper part only through a segment record.
  EXPECT_GT(ReadAll(DataFixture("toolchain/table_m128.bin")).size(), 0x10000);
  EXPECT_TRUE(ReadAll(DataFixture("toolchain/table_m128.hex")).contains(":020000021000EC"));
}

TEST(ToolchainFixtures, EepromMovedElsewhereIsOutOfRange) {
  rindle::IspBuffer buffer;
  EXPECT_EQ(Load(Reader::EepromHex, buffer, 8192,
                 DataFixture(QStringLiteral("toolchain/blink_m8_eeprom_10000.eep"))),
            files::kAddressOutOfRange);
  ExpectOnly(buffer, {}, "EEPROM at 0x10000");
}

TEST(ToolchainFixtures, UnmovedEepromCarriesTheToolchainsAddress) {
  // Keeps the comparison above meaningful: that file reaches its data only
  // through the 0x810000 address record.
  EXPECT_TRUE(ReadAll(DataFixture("toolchain/blink_m8_unmoved.eep")).startsWith(":02000004008179"));
}
