#include "tools/PacketWriter.h"

#include "orvane/core/DeviceDatabase.h"
#include "tests/orvane/core/PacketBytes.h"
#include "tests/orvane/core/TestFiles.h"

#include <gtest/gtest.h>

namespace tools {
namespace {

PacketRow toRow(const orvane::test::RowDef &r) {
  return {static_cast<std::uint8_t>(r.status), r.values};
}

TEST(PacketWriter, WritesTheLayoutByteForByte) {
  // The hand-assembled sample: five edited row records and their change log.
  const orvane::test::PacketDef sample = orvane::test::samplePacket();
  PacketContent content;
  content.fields = deviceFields();
  for (const auto &r : sample.rows)
    content.rows.push_back(toRow(r));
  for (std::size_t i = 0; i < sample.changeLog.size(); i += 3)
    content.changeLog.push_back(
        {sample.changeLog[i], sample.changeLog[i + 1], sample.changeLog[i + 2]});
  QByteArray out;
  QString error;
  ASSERT_TRUE(writePacket(content, &out, &error)) << error.toStdString();
  EXPECT_EQ(out, sample.build());
  EXPECT_EQ(static_cast<std::uint8_t>(out[22]) | (static_cast<std::uint8_t>(out[23]) << 8), 303);

  // Plain rows without a change log.
  orvane::test::PacketDef plain;
  plain.rows = {
      orvane::test::row(0, "AT89C2051", "Atmel", 2048, 0, "8051 Core MCU", "C2051", "20pin"),
      orvane::test::row(0, "X", nullptr, QVariant(), -1, "", nullptr, "40pin")};
  content = {};
  content.fields = deviceFields();
  for (const auto &r : plain.rows)
    content.rows.push_back(toRow(r));
  ASSERT_TRUE(writePacket(content, &out, &error));
  EXPECT_EQ(out, plain.build());
}

TEST(PacketWriter, TableToDatabaseRoundTrip) {
  std::vector<PacketRow> rows;
  QString error;
  ASSERT_TRUE(
      parseDeviceTable(QStringLiteral("# Device;Manufacturer;...\n"
                                      "\n"
                                      "AT89S8253;Atmel;12288;2048;8051 Core MCU;S8253;40pin\r\n"
                                      " AT89C4051 ; Atmel ;4096;;8051 Core MCU;;20pin\n"),
                       &rows, &error))
      << error.toStdString();
  PacketContent content;
  content.fields = deviceFields();
  content.rows = rows;
  QByteArray bytes;
  ASSERT_TRUE(writePacket(content, &bytes, &error));

  orvane::DeviceDatabase db;
  ASSERT_TRUE(db.loadFromBytes(bytes, &error)) << error.toStdString();
  ASSERT_EQ(db.allRows().size(), 2u);
  const orvane::DeviceRecord s8253{QStringLiteral("AT89S8253"),
                                   QStringLiteral("Atmel"),
                                   12288,
                                   2048,
                                   QStringLiteral("8051 Core MCU"),
                                   QStringLiteral("S8253"),
                                   QStringLiteral("40pin")};
  EXPECT_EQ(db.allRows()[0], s8253);
  const orvane::DeviceRecord &c4051 = db.allRows()[1];
  EXPECT_EQ(c4051.Device, QStringLiteral("AT89C4051"));
  EXPECT_EQ(c4051.Manufacturer, QStringLiteral("Atmel"));
  EXPECT_FALSE(c4051.EEPROM.has_value());
  EXPECT_FALSE(c4051.Algorithm.has_value());
  EXPECT_EQ(c4051.Placement, QStringLiteral("20pin"));
}

TEST(PacketWriter, BadTablesAreRefusedWithTheLine) {
  const std::pair<const char *, const char *> cases[] = {
      {"AT89C51;Atmel;4096;0;8051 Core MCU;C51\n", "line 1: 6 cells, 7 expected"},
      {"# x\nAT89C51;Atmel;4k;0;8051 Core MCU;C51;40pin\n", "line 2: '4k' is not a number"},
      {"\n\nAT89C51;Atmel;4096;0;This type text is far too wide;C51;40pin\n",
       "line 3: 'This type text is far too wide' is wider than 20 characters"},
  };
  for (const auto &[table, message] : cases) {
    std::vector<PacketRow> rows;
    QString error;
    EXPECT_FALSE(parseDeviceTable(QString::fromLatin1(table), &rows, &error));
    EXPECT_EQ(error, QString::fromLatin1(message));
  }
}

TEST(PacketWriter, ValuesThatDoNotFitAreRefused) {
  const std::vector<QVariant> ok = {
      QStringLiteral("A"), QStringLiteral("B"), 1, 2, QStringLiteral("T"),
      QStringLiteral("X"), QStringLiteral("P")};
  std::vector<std::vector<QVariant>> bad(3, ok);
  bad[0].pop_back();
  bad[1][0] = QString(256, QLatin1Char('x'));
  bad[2][2] = QVariant(qlonglong(1) << 40);
  for (const auto &values : bad) {
    PacketContent content;
    content.fields = deviceFields();
    content.rows = {{0, values}};
    QByteArray out;
    QString error;
    EXPECT_FALSE(writePacket(content, &out, &error));
    EXPECT_FALSE(error.isEmpty());
  }
}

} // namespace
} // namespace tools
