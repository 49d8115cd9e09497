#include "DataTestSupport.h"

#include "rindle/data/FileTexts.h"

#include <QBuffer>

using namespace rindle::testing;
namespace files = rindle::files;

namespace {

struct LoadCase {
  const char *name;
  Reader reader;
  QString fixture;    // a file under fixtures/, or
  QByteArray content; // the file's text when there is no fixture
  std::int64_t flashSize;
  QString result;
  Cells cells; // every cell the load changes
};

class Loads : public BufferTest {
protected:
  void run(const std::vector<LoadCase> &cases) {
    for (const auto &c : cases) {
      rindle::IspBuffer fresh;
      const QString name = c.fixture.isEmpty() ? file(QString::fromLatin1(c.name), c.content)
                                               : DataFixture(c.fixture);
      EXPECT_EQ(Load(c.reader, fresh, c.flashSize, name), c.result) << c.name;
      ExpectOnly(fresh, c.cells, c.name);
    }
  }
};

} // namespace

TEST_F(Loads, IntelHexRecordsLandAtTheirAddresses) {
  run({
      {"the record :0300300002337A1E",
       Reader::ProgramHex,
       "record_0030.hex",
       {},
       4096,
       files::kOk,
       {{0x30, 0x02}, {0x31, 0x33}, {0x32, 0x7A}}},
      {"extended linear address 0 then data at 0",
       Reader::ProgramHex,
       "linear_then_zero.hex",
       {},
       4096,
       files::kOk,
       {{0, 1}, {1, 2}, {2, 3}, {3, 4}}},
      {"no end record",
       Reader::ProgramHex,
       "no_end_record.hex",
       {},
       4096,
       files::kOk,
       {{0x30, 0x02}, {0x31, 0x33}, {0x32, 0x7A}, {0x40, 0x55}, {0x41, 0xAA}}},
      {"lower-case digits, lone CR line ends, empty lines",
       Reader::ProgramHex,
       {},
       "\r:0300300002337a1e\r\r:00000001ff\r",
       4096,
       files::kOk,
       {{0x30, 0x02}, {0x31, 0x33}, {0x32, 0x7A}}},
      {"nothing after the end record is read",
       Reader::ProgramHex,
       {},
       ":0100000011EE\n:00000001FF\n:0100010022DC\n",
       4096,
       files::kOk,
       {{0, 0x11}}},
      {"start address records are skipped",
       Reader::ProgramHex,
       {},
       ":0400000500000000F7\n:0400000300000000F9\n:0100000011EE\n",
       4096,
       files::kOk,
       {{0, 0x11}}},
      {"16-bit addresses past the flash go on into the next cells",
       Reader::ProgramHex,
       {},
       ":02FFFF001122CD\n",
       4096,
       files::kOk,
       {{0xFFFF, 0x11}, {0x10000, 0x22}}},
      {"extended segment address reaches the upper 64 KiB",
       Reader::ProgramHex,
       {},
       ":020000021000EC\n:02001000334477\n",
       131072,
       files::kOk,
       {{0x10010, 0x33}, {0x10011, 0x44}}},
      {"extended linear address reaches the upper 64 KiB",
       Reader::ProgramHex,
       {},
       ":020000040001F9\n:02001000334477\n:020000040000FA\n:0100000011EE\n",
       131072,
       files::kOk,
       {{0x10010, 0x33}, {0x10011, 0x44}, {0, 0x11}}},
      {"data reaching past the buffer stop at its last cell",
       Reader::ProgramHex,
       {},
       ":020000040002F8\n:020FFF00AABB8B\n",
       131072,
       files::kAddressOutOfRange,
       {{0x20FFF, 0xAA}}},
      {"a segment record keeps its data within the segment",
       Reader::ProgramHex,
       {},
       ":020000021000EC\n:02FFFF001122CD\n",
       131072,
       files::kOk,
       {{0x1FFFF, 0x11}, {0x10000, 0x22}}},
      {"segment 0 wraps to address 0 too",
       Reader::ProgramHex,
       {},
       ":020000020000FC\n:02FFFF001122CD\n",
       131072,
       files::kOk,
       {{0xFFFF, 0x11}, {0, 0x22}}},
      {"a linear record does not wrap",
       Reader::ProgramHex,
       {},
       ":020000040000FA\n:02FFFF001122CD\n",
       131072,
       files::kOk,
       {{0xFFFF, 0x11}, {0x10000, 0x22}}},
      {"program data at the toolchain's EEPROM address are out of range",
       Reader::ProgramHex,
       {},
       ":02000004008179\n:0100000011EE\n",
       131072,
       files::kAddressOutOfRange,
       {}},
      {"a checksum error keeps the record's bytes",
       Reader::ProgramHex,
       {},
       ":0100000011EE\n:0300300002337A1F\n:0100010022DC\n",
       4096,
       files::kChecksumError,
       {{0, 0x11}, {0x30, 0x02}, {0x31, 0x33}, {0x32, 0x7A}}},
  });
}

TEST_F(Loads, EepromHexGoesAfterTheFlashAndStopsAt4096) {
  run({
      {"EEPROM record at 0x0FFF with two bytes",
       Reader::EepromHex,
       "eeprom_0fff.eep",
       {},
       8192,
       files::kAddressOutOfRange,
       {{8192 + 0xFFF, 0xAA}}},
      {"EEPROM data at 0 of an ATmega128",
       Reader::EepromHex,
       {},
       ":020000001122CB\n",
       131072,
       files::kOk,
       {{131072, 0x11}, {131073, 0x22}}},
      {"EEPROM of an AT89S8253 with its user signature",
       Reader::EepromHex,
       {},
       ":0108000055A2\n:01083F00AA0E\n",
       12288,
       files::kOk,
       {{12288 + 0x800, 0x55}, {12288 + 0x83F, 0xAA}}},
      {"an address record cannot lift EEPROM data past 4 KiB",
       Reader::EepromHex,
       {},
       ":020000040001F9\n:0100000011EE\n",
       8192,
       files::kAddressOutOfRange,
       {}},
      {"the toolchain's EEPROM address 0x810000 is EEPROM address 0",
       Reader::EepromHex,
       {},
       ":02000004008179\n:0100100011DE\n",
       8192,
       files::kOk,
       {{8192 + 0x10, 0x11}}},
      {"data from 0x810000 still end at 4 KiB",
       Reader::EepromHex,
       {},
       ":02000004008179\n:0110000011DE\n",
       8192,
       files::kAddressOutOfRange,
       {}},
      {"any other linear base is out of range",
       Reader::EepromHex,
       {},
       ":02000004008278\n:0100000011EE\n",
       8192,
       files::kAddressOutOfRange,
       {}},
      {"a segment record for 0x810000 is no toolchain base",
       Reader::EepromHex,
       {},
       ":0200000281007B\n:0100000011EE\n",
       8192,
       files::kAddressOutOfRange,
       {}},
      {"a flash size beyond the buffer stores nothing",
       Reader::EepromHex,
       {},
       ":0100000011EE\n",
       200000,
       files::kAddressOutOfRange,
       {}},
  });
}

TEST_F(Loads, RomWordsStoreLowByteFirst) {
  run({
      {"the ROM line 000010:1234",
       Reader::Rom,
       "rom_000010.rom",
       {},
       4096,
       files::kOk,
       {{0x20, 0x34}, {0x21, 0x12}}},
      {"characters after the word are ignored, lower case read",
       Reader::Rom,
       {},
       "000000:abCD ; reset\n\n00FFFF:5678\n",
       131072,
       files::kOk,
       {{0, 0xCD}, {1, 0xAB}, {0x1FFFE, 0x78}, {0x1FFFF, 0x56}}},
  });
}

TEST_F(Loads, BinaryFilesFillFromTheStartOfTheirArea) {
  QByteArray bytes(200, '\0');
  for (int i = 0; i < bytes.size(); ++i)
    bytes[i] = char(i);
  const QString name = file("data.bin", bytes);
  Cells flash, eeprom;
  for (int i = 0; i < bytes.size(); ++i) {
    flash.push_back({std::size_t(i), std::uint8_t(i)});
    eeprom.push_back({std::size_t(1024 + i), std::uint8_t(i)});
  }

  rindle::IspBuffer a;
  EXPECT_EQ(files::LoadProgramBin(a.all(), name), files::kOk);
  ExpectOnly(a, flash, "program");
  rindle::IspBuffer b;
  EXPECT_EQ(files::LoadEepromBin(b.all(), 1024, name), files::kOk);
  ExpectOnly(b, eeprom, "EEPROM");
}

TEST_F(Loads, BinaryFilesStopAtTheEndOfTheirArea) {
  // 131,073 bytes for flash, 4097 for EEPROM: the last byte must not land.
  const QString big = file("big.bin", QByteArray(131073, '\x11'));
  EXPECT_EQ(files::LoadProgramBin(buffer.all(), big), files::kOk);
  EXPECT_EQ(buffer.cells[131071], 0x11);
  EXPECT_EQ(buffer.cells[131072], 0xFF);

  rindle::IspBuffer e;
  const QString eep = file("eep.bin", QByteArray(4097, '\x22'));
  EXPECT_EQ(files::LoadEepromBin(e.all(), 131072, eep), files::kOk);
  EXPECT_EQ(e.cells[131072 + 4095], 0x22);
  EXPECT_EQ(e.cells[131071], 0xFF);
  // An ATtiny13 EEPROM file of 4096 bytes reaches past its 64-byte EEPROM,
  // into cells no device uses, but stops at 4096.
  rindle::IspBuffer t;
  EXPECT_EQ(files::LoadEepromBin(t.all(), 1024, eep), files::kOk);
  EXPECT_EQ(t.cells[1024 + 4095], 0x22);
  EXPECT_EQ(t.cells[1024 + 4096], 0xFF);
}

TEST_F(Loads, LoadsOverlayWithoutClearing) {
  buffer.cells[0x10] = 0x99;
  buffer.cells[0x30] = 0x77;
  EXPECT_EQ(files::LoadProgramHex(buffer.all(), DataFixture("record_0030.hex")), files::kOk);
  EXPECT_EQ(buffer.cells[0x10], 0x99);
  EXPECT_EQ(buffer.cells[0x30], 0x02);
}

TEST_F(Loads, SmallerBuffersBoundEveryReader) {
  // The older edition's buffer has 34,816 cells; nothing may land past it.
  std::vector<std::uint8_t> small(34816, 0xFF);
  const std::span<std::uint8_t> cells(small);
  EXPECT_EQ(files::LoadProgramHex(cells, file("a.hex", ":02880000112243\n")),
            files::kAddressOutOfRange);
  EXPECT_EQ(files::LoadProgramRom(cells, file("a.rom", "004400:1234\n")),
            files::kAddressOutOfRange);
  EXPECT_EQ(files::LoadProgramBin(cells, file("a.bin", QByteArray(40000, 'x'))), files::kOk);
  EXPECT_EQ(files::LoadEepromBin(cells, 34816, file("b.bin", "xyz")), files::kOk);
  EXPECT_EQ(std::count(small.begin(), small.end(), 'x'), 34816);
}

TEST(LoadsFromMemory, EveryReaderGivesWhatItsFileGives) {
  // Each toolchain file read from memory fills the buffer as the file does.
  const struct {
    Reader reader;
    const char *fixture;
  } cases[] = {{Reader::ProgramHex, "toolchain/table_m128.hex"},
               {Reader::ProgramBin, "toolchain/table_m128.bin"},
               {Reader::EepromHex, "toolchain/blink_m8_unmoved.eep"},
               {Reader::EepromBin, "toolchain/blink_m8_eeprom.bin"},
               {Reader::Rom, "rom_000010.rom"}};
  for (const auto &c : cases) {
    rindle::IspBuffer fromFile, fromMemory;
    const QString path = DataFixture(QString::fromLatin1(c.fixture));
    EXPECT_EQ(Load(c.reader, fromFile, 8192, path), files::kOk) << c.fixture;
    QByteArray bytes = ReadAll(path);
    QBuffer device(&bytes);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    const auto all = fromMemory.all();
    QString result;
    switch (c.reader) {
    case Reader::ProgramHex: result = files::LoadProgramHex(all, device); break;
    case Reader::EepromHex: result = files::LoadEepromHex(all, 8192, device); break;
    case Reader::ProgramBin: result = files::LoadProgramBin(all, device); break;
    case Reader::EepromBin: result = files::LoadEepromBin(all, 8192, device); break;
    case Reader::Rom: result = files::LoadProgramRom(all, device); break;
    }
    EXPECT_EQ(result, files::kOk) << c.fixture;
    EXPECT_TRUE(fromMemory.cells == fromFile.cells) << c.fixture;
    EXPECT_NE(fromMemory.cells, rindle::IspBuffer().cells) << c.fixture;
  }
}
