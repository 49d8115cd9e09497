// The edition's Intel HEX files: the buffer's cells are the file's
// addresses, flash and EEPROM alike.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/tollen/engine/TollenRig.h"

namespace tollen::testing {
namespace {

class HexFiles : public ::testing::Test {
protected:
  QTemporaryDir dir;
  sim::isp::Bench bench;
  TollenEngine engine{bench, bench};

  QString Write(const char *name, const QByteArray &content) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
  }
  void Load(const QString &path) {
    engine.ProgramFileName = path;
    engine.LoadHexFile();
  }
};

// One record of `count` bytes of `value` at `address`.
QByteArray Record(std::uint32_t address, int count, std::uint8_t value) {
  std::uint32_t sum = count + (address >> 8) + (address & 0xFF);
  QByteArray line = ":" + QByteArray::number(count, 16).rightJustified(2, '0') +
                    QByteArray::number(address, 16).rightJustified(4, '0') + "00";
  for (int i = 0; i < count; ++i) {
    line += QByteArray::number(value, 16).rightJustified(2, '0');
    sum += value;
  }
  return (line + QByteArray::number((0x100 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0'))
             .toUpper() +
         "\r\n";
}

TEST_F(HexFiles, AtMega8EepromDataLoadsIntoItsAreaAndSavesBackAtTheSameAddresses) {
  engine.DeviceIndex = device::kAtMega8;
  engine.SelectDevice();
  QByteArray text;
  for (std::uint32_t a = 0x2000; a < 0x2200; a += 16) {
    text += Record(a, 16, 0x42);
  }
  Load(Write("eeprom.hex", text + ":00000001FF\r\n"));
  ASSERT_EQ(engine.ResultText, "OK");
  EXPECT_EQ(engine.Cells.cells[0x1FFF], 0xFF);
  EXPECT_EQ(engine.Cells.cells[0x2000], 0x42) << "first EEPROM cell";
  EXPECT_EQ(engine.Cells.cells[0x21FF], 0x42) << "last EEPROM cell";

  engine.ProgramFileName = dir.filePath("saved.hex");
  engine.SaveHexFile();
  ASSERT_EQ(engine.ResultText, "OK");
  QFile saved(engine.ProgramFileName);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = saved.readAll().split('\n');
  ASSERT_EQ(lines.size(), 8704 / 16 + 2); // records, end record, nothing after the last line end
  EXPECT_EQ(lines[0x2000 / 16], Record(0x2000, 16, 0x42).chopped(1));
  EXPECT_EQ(lines[8704 / 16], ":00000001FF\r");

  std::ranges::fill(engine.Cells.cells, 0x00);
  engine.LoadHexFile();
  EXPECT_EQ(engine.Cells.cells[0x2100], 0x42);
  EXPECT_EQ(engine.Cells.cells[0x0100], 0xFF) << "blank records come back blank";
}

TEST_F(HexFiles, ARecordAcrossTheLastCellStoresItsFirstByteThenStops) {
  Load(Write("edge.hex", Record(0x87FF, 2, 0x33) + Record(0x0000, 1, 0x44)));
  EXPECT_EQ(engine.ResultText, "Address out of range . . .");
  EXPECT_EQ(engine.Cells.cells[0x87FF], 0x33);
  EXPECT_EQ(engine.Cells.cells[0x0000], 0xFF) << "nothing read after the error";
}

struct ExtendedCase {
  const char *name;
  const char *addressRecord;
  const char *result;
  std::uint8_t atZero; // cell 0 afterwards
};

void PrintTo(const ExtendedCase &c, std::ostream *os) { *os << c.name; }

class ExtendedAddress : public HexFiles, public ::testing::WithParamInterface<ExtendedCase> {};

// Data an extended address moves past 64 KiB lies beyond every device: it
// is refused instead of folded onto the low cells.
TEST_P(ExtendedAddress, MovesDataOutOfRangeOrLeavesIt) {
  const ExtendedCase &c = GetParam();
  Load(Write("ext.hex",
             QByteArray(c.addressRecord) + "\r\n" + Record(0x0000, 1, 0x77) + ":00000001FF\r\n"));
  EXPECT_EQ(engine.ResultText, c.result);
  EXPECT_EQ(engine.Cells.cells[0], c.atZero);
}

INSTANTIATE_TEST_SUITE_P(
    Tollen, ExtendedAddress,
    ::testing::Values(
        ExtendedCase{"LinearUpper1", ":020000040001F9", "Address out of range . . .", 0xFF},
        ExtendedCase{"Segment1000", ":020000021000EC", "Address out of range . . .", 0xFF},
        ExtendedCase{"LinearZero", ":020000040000FA", "OK", 0x77},
        ExtendedCase{"StartAddressIsSkipped", ":0400000500000000F7", "OK", 0x77}),
    ByName{});

TEST_F(HexFiles, ErrorsKeepTheBytesStoredBefore) {
  Load(Write("bad.hex", Record(0x10, 2, 0x12) + ":01002000AB00\r\n"));
  EXPECT_EQ(engine.ResultText, "Data Checksum Error . . .");
  EXPECT_EQ(engine.Cells.cells[0x11], 0x12);
  Load(Write("nocolon.hex", Record(0x30, 1, 0x01) + "0100400001\r\n"));
  EXPECT_EQ(engine.ResultText, "Invalid Hex File Format . . .");
  EXPECT_EQ(engine.Cells.cells[0x30], 0x01);
}

TEST_F(HexFiles, ChecksumCoversTheWholeDevice) {
  engine.DeviceIndex = device::kAt89S8252;
  engine.SelectDevice();
  engine.Cells.cells[0x2000] = 0x00; // EEPROM counts
  engine.Cells.cells[0x2800] = 0x00; // past the device: does not
  EXPECT_EQ(engine.BufferChecksum(), 255 * 10240 - 255);
  EXPECT_EQ(engine.Checksum, 255 * 10240 - 255);
}

} // namespace
} // namespace tollen::testing
