#include "DataTestSupport.h"

#include "rindle/data/FileTexts.h"

using namespace rindle::testing;
namespace files = rindle::files;

namespace {

const QString kHex = files::kInvalidHex;
const QString kRom = files::kInvalidRom;

QString NotHex(int line, const char *field) {
  return QStringLiteral("\rLine %1: '%2' is not a hexadecimal number").arg(line).arg(field);
}
QString TooShort(int line) { return QStringLiteral("\rLine %1 is too short").arg(line); }

struct Damaged {
  const char *name;
  Reader reader;
  QByteArray content;
  QString result;
  Cells kept; // what the load stored before it stopped
};

} // namespace

using MalformedInput = BufferTest;

TEST_F(MalformedInput, EveryReaderStopsAtTheDamagedLine) {
  const std::vector<Damaged> cases = {
      // Intel HEX, program and EEPROM
      {"line without a colon", Reader::ProgramHex, "0300300002337A1E\n", kHex, {}},
      {"binary junk",
       Reader::ProgramHex,
       QByteArray("\x7f"
                  "ELF\x01\x00\x00",
                  7),
       kHex,
       {}},
      {"bad line after a good one", Reader::ProgramHex, ":0100000011EE\nxyz\n", kHex, {{0, 0x11}}},
      {"line too short for its type", Reader::ProgramHex, ":10\n", kHex + TooShort(1), {}},
      {"record without its checksum",
       Reader::ProgramHex,
       ":0300300002337A\n",
       kHex + TooShort(1),
       {{0x30, 0x02}, {0x31, 0x33}, {0x32, 0x7A}}},
      {"file ending inside a record",
       Reader::ProgramHex,
       ":100000000102",
       kHex + TooShort(1),
       {{0, 1}, {1, 2}}},
      {"data byte not hexadecimal",
       Reader::ProgramHex,
       ":03003000023G7A1E\n",
       kHex + NotHex(1, "3G"),
       {{0x30, 0x02}}},
      {"count not hexadecimal",
       Reader::ProgramHex,
       ":0G00300002337A1E\n",
       kHex + NotHex(1, "0G"),
       {}},
      {"address not hexadecimal",
       Reader::ProgramHex,
       ":03-0300002337A1E\n",
       kHex + NotHex(1, "-030"),
       {}},
      {"type not hexadecimal",
       Reader::ProgramHex,
       ":030030Z002337A1E\n",
       kHex + NotHex(1, "Z0"),
       {}},
      {"address record of four bytes",
       Reader::ProgramHex,
       ":0100000011EE\n:0400000400000000F8\n",
       kHex + QStringLiteral("\rLine 2: an address record carries two bytes"),
       {{0, 0x11}}},
      {"address record with a bad checksum",
       Reader::ProgramHex,
       ":020000040001F8\n",
       files::kChecksumError,
       {}},
      {"address record value not hexadecimal",
       Reader::ProgramHex,
       ":0200000400X1F9\n",
       kHex + NotHex(1, "X1"),
       {}},
      {"EEPROM field not hexadecimal on line 3",
       Reader::EepromHex,
       "\r\n\r\n:02000000zz11CB\r\n",
       kHex + NotHex(3, "zz"),
       {}},
      // ROM text
      {"ROM line without the colon", Reader::Rom, "000010-1234\n", kRom, {}},
      {"ROM line shorter than its address", Reader::Rom, "abc\n", kRom, {}},
      {"ROM word cut short", Reader::Rom, "000010:12\n", kRom + TooShort(1), {}},
      {"ROM address not hexadecimal", Reader::Rom, "00001G:1234\n", kRom + NotHex(1, "00001G"), {}},
      {"ROM word not hexadecimal",
       Reader::Rom,
       "000001:1111\n000010:12X4\n",
       kRom + NotHex(2, "12X4"),
       {{2, 0x11}, {3, 0x11}}},
      {"ROM word address 65,536",
       Reader::Rom,
       "00FFFF:1111\n010000:1234\n",
       files::kAddressOutOfRange,
       {{0x1FFFE, 0x11}, {0x1FFFF, 0x11}}},
      {"ROM word address far beyond", Reader::Rom, "FFFFFF:1234\n", files::kAddressOutOfRange, {}},
  };
  for (const auto &c : cases) {
    rindle::IspBuffer fresh;
    const QString name = file(QString::fromLatin1(c.name), c.content);
    EXPECT_EQ(Load(c.reader, fresh, 8192, name), c.result) << c.name;
    Cells kept = c.kept;
    if (c.reader == Reader::EepromHex)
      for (auto &cell : kept)
        cell.first += 8192;
    ExpectOnly(fresh, kept, c.name);
  }
}

TEST_F(MalformedInput, MissingOrUnreadableFilesAreAccessErrors) {
  const QString missing = path("missing.hex");
  const QString folder = dir.path();
  for (const auto reader : {Reader::ProgramHex, Reader::EepromHex, Reader::ProgramBin,
                            Reader::EepromBin, Reader::Rom}) {
    for (const QString &name : {missing, folder}) {
      rindle::IspBuffer fresh;
      EXPECT_EQ(Load(reader, fresh, 8192, name), files::kFileAccessError)
          << int(reader) << " " << name.toStdString();
      ExpectOnly(fresh, {}, name.toStdString());
    }
  }
}
