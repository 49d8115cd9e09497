#include "orvane/core/DevicePacket.h"
#include "orvane/core/DeviceDatabase.h"

#include "PacketBytes.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::PacketDef;
using test::row;

const QStringList kSeven = {"Device", "Manufacturer", "Flash",    "EEPROM",
                            "Type",   "Algorithm",    "Placement"};

TEST(DevicePacket, SamplePacketHasItsLayoutAndNoLiveRows) {
  const PacketDef def = test::samplePacket();
  EXPECT_EQ(def.metadataEnd(), 303); // the first row record of the sample sits here
  packet::Packet p;
  QString error;
  ASSERT_TRUE(packet::readPacket(def.build(), &p, &error)) << error.toStdString();
  ASSERT_EQ(p.fields.size(), 7u);
  for (std::size_t i = 0; i < 7; ++i)
    EXPECT_EQ(QString::fromLatin1(p.fields[i].name), kSeven[static_cast<int>(i)]);
  EXPECT_EQ(p.fields[0].properties.at(0).name, QByteArray("WIDTH"));
  EXPECT_EQ(p.fields[0].properties.at(0).number(), 40u);
  EXPECT_EQ(p.fields[6].properties.at(0).number(), 20u);
  EXPECT_TRUE(p.fields[2].properties.empty());
  EXPECT_EQ(p.attributes, 3u);
  // The change log's 21 numbers, each where its index puts it.
  ASSERT_EQ(p.properties.size(), 1u);
  const packet::Property &changes = p.properties[0];
  EXPECT_EQ(changes.count, 21u);
  EXPECT_EQ(changes.element(2), QByteArrayView("\x04\0\0\0", 4));
  EXPECT_EQ(changes.number(8), 8u);
  EXPECT_TRUE(changes.element(21).isEmpty());
  EXPECT_EQ(changes.number(21), 0u);

  const std::vector<packet::ChangeLogEntry> log = {{1, 0, 4}, {2, 0, 4}, {3, 2, 8}, {4, 3, 8},
                                                   {5, 4, 8}, {1, 0, 2}, {5, 0, 2}};
  EXPECT_EQ(p.changeLog(), log);

  ASSERT_EQ(p.rows.size(), 5u);
  const unsigned statuses[] = {6, 5, 13, 13, 14};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(p.rows[i].status, statuses[i]);
    EXPECT_FALSE(packet::isLive(p.rows[i].status));
  }
  EXPECT_EQ(p.rows[0].values[0].toString(), QStringLiteral("AT89C51"));
  EXPECT_EQ(p.rows[0].values[2].toInt(), 4096);
  EXPECT_FALSE(p.rows[1].values[6].isValid());
  EXPECT_FALSE(p.rows[3].values[3].isValid());
  EXPECT_EQ(p.rows[3].values[6].toString(), QStringLiteral("40pin"));

  DeviceDatabase db;
  ASSERT_TRUE(db.loadFromBytes(def.build(), &error));
  EXPECT_TRUE(db.allRows().empty());
  EXPECT_EQ(db.fieldNames(), kSeven);
  EXPECT_EQ(db.currentRow(), nullptr);
}

TEST(DevicePacket, LiveRowsNullsAndReplacedRows) {
  PacketDef def;
  def.rows = {
      row(0, "AT89C51", "Atmel", 4096, 0, "8051 Core MCU", "C51", "40pin"),
      row(4, "AT89S52", nullptr, 8192, QVariant(), "8051 Core MCU", "S52", "40pin"),
      row(1, "AT89C2051", "Atmel", 1, 0, "old", "C2051", "20pin"), // replaced by the next
      row(8, "AT89C2051", "Atmel", 2048, 0, "8051 Core MCU", "C2051", "20pin"),
      row(2, "AT89C52", "Atmel", 8192, 0, "8051 Core MCU", "C52", "40pin"), // deleted
      row(9, "AT89S53", "Atmel", 12288, 0, "8051 Core MCU", "S53",
          "40pin"), // modified, then replaced
      row(0, nullptr, "", QVariant(), 0, nullptr, nullptr, nullptr),
  };
  DeviceDatabase db;
  QString error;
  ASSERT_TRUE(db.loadFromBytes(def.build(), &error)) << error.toStdString();
  ASSERT_EQ(db.allRows().size(), 4u);

  DeviceRecord c51{
      QStringLiteral("AT89C51"), QStringLiteral("Atmel"), 4096, 0, QStringLiteral("8051 Core MCU"),
      QStringLiteral("C51"),     QStringLiteral("40pin")};
  EXPECT_EQ(db.allRows()[0], c51);
  const DeviceRecord &s52 = db.allRows()[1];
  EXPECT_EQ(s52.Device, QStringLiteral("AT89S52"));
  EXPECT_FALSE(s52.Manufacturer.has_value());
  EXPECT_EQ(s52.Flash, 8192);
  EXPECT_FALSE(s52.EEPROM.has_value());
  EXPECT_EQ(db.allRows()[2].Flash, 2048);
  // An empty text is a value, not a null.
  const DeviceRecord &blank = db.allRows()[3];
  EXPECT_FALSE(blank.Device.has_value());
  EXPECT_EQ(blank.Manufacturer, QString());
  EXPECT_TRUE(blank.Manufacturer.has_value());
  EXPECT_EQ(blank.EEPROM, 0);
  EXPECT_EQ(db.currentIndex(), 0);
}

TEST(DevicePacket, FieldsAreFoundByNameWhateverTheirOrder) {
  PacketDef def;
  def.fields = {{"Flash", false, 0}, {"Notes", true, 60}, {"DEVICE", true, 40}, {"Type", true, 20}};
  def.rows = {{0,
               {1024, QStringLiteral("small"), QStringLiteral("AT89C1051"),
                QStringLiteral("8051 Core MCU")}}};
  DeviceDatabase db;
  QString error;
  ASSERT_TRUE(db.loadFromBytes(def.build(), &error)) << error.toStdString();
  ASSERT_EQ(db.allRows().size(), 1u);
  const DeviceRecord &r = db.allRows()[0];
  EXPECT_EQ(r.Device, QStringLiteral("AT89C1051"));
  EXPECT_EQ(r.Flash, 1024);
  EXPECT_EQ(r.Type, QStringLiteral("8051 Core MCU"));
  EXPECT_FALSE(r.Placement.has_value());
  EXPECT_EQ(db.fieldNames(), (QStringList{"Flash", "Notes", "DEVICE", "Type"}));
}

// Damaged packets: each must be refused with a reason, and leave the built-in
// empty database even after a good one was loaded.
struct Damage {
  const char *name;
  std::function<QByteArray()> bytes;
  friend void PrintTo(const Damage &d, std::ostream *os) { *os << d.name; }
};

QByteArray goodBytes() {
  PacketDef def = test::samplePacket();
  def.rows.push_back(row(0, "AT89C51", "Atmel", 4096, 0, "8051 Core MCU", "C51", "40pin"));
  return def.build();
}

QByteArray patched(QByteArray b, int at, std::initializer_list<unsigned> bytes) {
  for (unsigned v : bytes)
    b[at++] = static_cast<char>(v);
  return b;
}

class DamagedPacket : public testing::TestWithParam<Damage> {};

TEST_P(DamagedPacket, IsRefusedAndLeavesTheEmptyDatabase) {
  DeviceDatabase db;
  ASSERT_TRUE(db.loadFromBytes(goodBytes()));
  ASSERT_EQ(db.allRows().size(), 1u);
  QString error;
  EXPECT_FALSE(db.loadFromBytes(GetParam().bytes(), &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(db.allRows().empty());
  EXPECT_EQ(db.fieldNames(), kSeven);
  EXPECT_EQ(db.currentRow(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedPacket,
    testing::Values(
        Damage{"Empty", [] { return QByteArray(); }},
        Damage{"ShortHeader", [] { return goodBytes().left(20); }},
        Damage{"Signature",
               [] {
                 return patched(goodBytes(), 0, {0x96, 0x19, 0xE0, 0xBE});
               }},
        Damage{"Version",
               [] {
                 return patched(goodBytes(), 4, {2, 0});
               }},
        Damage{"HeaderSizeTooSmall",
               [] {
                 return patched(goodBytes(), 8, {10, 0, 0, 0});
               }},
        Damage{"HeaderSizePastEnd",
               [] {
                 return patched(goodBytes(), 8, {0, 0, 1, 0});
               }},
        Damage{"TooManyFields",
               [] {
                 return patched(goodBytes(), 12, {9, 0});
               }},
        Damage{"MoreRowsThanThere",
               [] {
                 return patched(goodBytes(), 14, {7, 0, 0, 0});
               }},
        Damage{"HugeRowCount",
               [] {
                 return patched(goodBytes(), 14, {0xFF, 0xFF, 0xFF, 0xFF});
               }},
        Damage{"RowsInsideMetadata",
               [] {
                 return patched(goodBytes(), 22, {100, 0});
               }},
        Damage{"RowsPastTheEnd",
               [] {
                 return patched(goodBytes(), 22, {0xFF, 0xFF});
               }},
        Damage{"UnknownFieldType",
               [] {
                 return patched(goodBytes(), 24 + 1 + 6 + 2, {0x03, 0x00});
               }},
        Damage{"TextOfTwoLengthBytes",
               [] {
                 return patched(goodBytes(), 24 + 1 + 6, {0x02, 0x00});
               }},
        Damage{"HugePropertyArray",
               [] {
                 return patched(goodBytes(), 198 + 2 + 11 + 4, {0xFF, 0xFF, 0xFF, 0x7F});
               }},
        Damage{"EmptyArrayElements",
               [] {
                 return patched(goodBytes(), 198 + 2 + 11, {0, 0});
               }},
        Damage{"TextRunsPastTheEnd",
               [] {
                 QByteArray b = goodBytes();
                 b.chop(6 + 6); // cuts into the last row's Type text
                 return b + QByteArray(1, '\x50');
               }},
        Damage{"DeviceDeclaredAsNumber",
               [] {
                 PacketDef def;
                 def.fields[0] = {"Device", false, 0};
                 def.rows = {{0, {1, QVariant(), 2, 3, QVariant(), QVariant(), QVariant()}}};
                 return def.build();
               }}),
    [](const testing::TestParamInfo<Damage> &i) { return std::string(i.param.name); });

TEST(DamagedPacket, ReasonStaysOnOneLineWhateverNamesTheFileHolds) {
  PacketDef def;
  def.fields[0].name = "Dev\r\nice";
  // The field's type, after its name of 8 characters and its size.
  const QByteArray bytes = patched(def.build(), 24 + 1 + 8 + 2, {0x03, 0x00});
  packet::Packet p;
  QString error;
  ASSERT_FALSE(packet::readPacket(bytes, &p, &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("field 'Dev"))) << error.toStdString();
  EXPECT_FALSE(error.contains(u'\n') || error.contains(u'\r')) << error.toStdString();
}

TEST(DamagedPacket, EveryTruncationIsRefused) {
  const QByteArray good = goodBytes();
  DeviceDatabase db;
  for (qsizetype n = 0; n < good.size(); ++n)
    EXPECT_FALSE(db.loadFromBytes(good.left(n))) << n;
  EXPECT_TRUE(db.loadFromBytes(good));
}

TEST(DamagedPacket, AnyCorruptByteIsReadSafely) {
  // Whatever one bad byte does, the reader stays within the data (the
  // sanitizers watch) and ends with either a database or a reason.
  const QByteArray good = goodBytes();
  for (qsizetype at = 0; at < good.size(); ++at)
    for (unsigned v : {0x00u, 0x7Fu, 0xFFu}) {
      QByteArray b = good;
      b[at] = static_cast<char>(v);
      DeviceDatabase db;
      QString error;
      const bool ok = db.loadFromBytes(b, &error);
      EXPECT_EQ(ok, error.isEmpty()) << at;
      if (!ok) {
        EXPECT_TRUE(db.allRows().empty());
      }
    }
}

class Filters : public testing::Test {
protected:
  Filters() {
    PacketDef def;
    def.rows = {row(0, "AT89C51", "Atmel", 4096, 0, "8051 Core MCU", "C51", "40pin"),
                row(0, "AT89S52", "Atmel", 8192, 0, "8051 Core MCU", "S52", "40pin"),
                row(0, nullptr, "Atmel", 1, 0, nullptr, nullptr, nullptr),
                row(0, "AT89C52", "Atmel", 8192, 0, "8051 Core MCU", "C52", "40pin"),
                row(0, "at89s52", "Copy", 8192, 0, "8051 Core MCU", "S52", "40pin")};
    EXPECT_TRUE(db.loadFromBytes(def.build()));
  }
  QStringList visible() const {
    QStringList out;
    for (int i = 0; i < db.visibleCount(); ++i)
      out << db.visibleRow(i).Device.value_or(QStringLiteral("<null>"));
    return out;
  }
  DeviceDatabase db;
};

TEST_F(Filters, ContainsIgnoringCase) {
  db.setFilterContains(QStringLiteral("s52"));
  EXPECT_EQ(visible(), (QStringList{"AT89S52", "at89s52"}));
  EXPECT_EQ(db.currentRow()->Device, QStringLiteral("AT89S52"));
  db.setFilterContains(QStringLiteral("C5"));
  EXPECT_EQ(visible(), (QStringList{"AT89C51", "AT89C52"}));
  db.setFilterContains(QStringLiteral("%"));
  EXPECT_TRUE(visible().isEmpty());
  EXPECT_EQ(db.currentRow(), nullptr);
  db.setFilterContains(QString());
  EXPECT_EQ(visible(), (QStringList{"AT89C51", "AT89S52", "<null>", "AT89C52", "at89s52"}));
}

TEST_F(Filters, EqualsIgnoringCase) {
  db.setFilterEquals(QStringLiteral("At89S52"));
  EXPECT_EQ(visible(), (QStringList{"AT89S52", "at89s52"}));
  EXPECT_EQ(db.currentRow()->Manufacturer, QStringLiteral("Atmel"));
  db.setFilterEquals(QStringLiteral("AT89S5"));
  EXPECT_EQ(db.currentRow(), nullptr);
  db.setFilterEquals(QString());
  EXPECT_TRUE(visible().isEmpty());
}

TEST_F(Filters, CurrentRowMovesWithinTheVisibleRows) {
  db.setCurrentIndex(3);
  EXPECT_EQ(db.currentRow()->Device, QStringLiteral("AT89C52"));
  db.setCurrentIndex(5);
  EXPECT_EQ(db.currentRow(), nullptr);
  db.clearFilter();
  EXPECT_EQ(db.currentIndex(), 0);
}

} // namespace
} // namespace orvane
