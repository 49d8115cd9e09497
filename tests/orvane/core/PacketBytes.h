#pragma once

// Device database packets assembled byte by byte for the tests, so that the
// reader is checked against the layout itself and not against a writer.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>
#include <vector>

namespace orvane::test {

struct Bytes {
  QByteArray b;
  Bytes &u8(unsigned v) {
    b += static_cast<char>(v & 0xFF);
    return *this;
  }
  Bytes &u16(unsigned v) { return u8(v).u8(v >> 8); }
  Bytes &u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes &str(const QByteArray &s) {
    u8(static_cast<unsigned>(s.size()));
    b += s;
    return *this;
  }
};

struct FieldDef {
  QByteArray name;
  bool text;
  unsigned width;
};

struct RowDef {
  unsigned status;
  std::vector<QVariant> values; // invalid = null
};

inline std::vector<FieldDef> sevenFields() {
  return {{"Device", true, 40},   {"Manufacturer", true, 20}, {"Flash", false, 0},
          {"EEPROM", false, 0},   {"Type", true, 20},         {"Algorithm", true, 20},
          {"Placement", true, 20}};
}

// The whole packet; rowOffset and rowCount are taken from the layout unless
// given.
struct PacketDef {
  std::vector<FieldDef> fields = sevenFields();
  std::vector<std::uint32_t> changeLog;
  std::vector<RowDef> rows;
  std::uint16_t major = 1;
  std::uint32_t headerSize = 24;
  int rowOffset = -1;
  std::int64_t rowCount = -1;

  int metadataEnd() const { return build(true).size(); }

  QByteArray build(bool metadataOnly = false) const {
    Bytes meta;
    for (const FieldDef &f : fields) {
      meta.str(f.name).u16(f.text ? 1 : 4).u16(f.text ? 0x49 : 0x01).u16(0).u16(f.text ? 1 : 0);
      if (f.text)
        meta.str("WIDTH").u16(2).u16(0x02).u16(f.width);
    }
    meta.u16(changeLog.empty() ? 0 : 1);
    if (!changeLog.empty()) {
      meta.str("CHANGE_LOG").u16(4).u16(0x82).u32(static_cast<std::uint32_t>(changeLog.size()));
      for (std::uint32_t v : changeLog)
        meta.u32(v);
    }
    const int end = static_cast<int>(headerSize) + meta.b.size();
    Bytes head;
    head.u8(0x96).u8(0x19).u8(0xE0).u8(0xBD).u16(major).u16(0).u32(headerSize);
    head.u16(static_cast<unsigned>(fields.size()));
    head.u32(static_cast<std::uint32_t>(rowCount >= 0 ? rowCount
                                                      : static_cast<std::int64_t>(rows.size())));
    head.u32(3).u16(static_cast<unsigned>(rowOffset >= 0 ? rowOffset : end));
    head.b += QByteArray(static_cast<int>(headerSize) - 24, '\0');
    if (metadataOnly)
      return head.b + meta.b;

    Bytes body;
    for (const RowDef &r : rows) {
      body.u8(r.status);
      QByteArray nulls((2 * static_cast<int>(fields.size()) + 7) / 8, '\0');
      Bytes values;
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const QVariant &v = r.values[i];
        if (!v.isValid()) {
          nulls[static_cast<int>(i / 4)] =
              static_cast<char>(nulls[static_cast<int>(i / 4)] | (2 << (2 * (i % 4))));
        } else if (fields[i].text) {
          values.str(v.toString().toLatin1());
        } else {
          values.u32(static_cast<std::uint32_t>(v.toInt()));
        }
      }
      body.b += nulls + values.b;
    }
    return head.b + meta.b + body.b;
  }
};

inline RowDef row(unsigned status, const char *device, const char *maker, QVariant flash,
                  QVariant eeprom, const char *type, const char *algorithm, const char *placement) {
  auto text = [](const char *s) { return s ? QVariant(QString::fromLatin1(s)) : QVariant(); };
  return {status,
          {text(device), text(maker), flash, eeprom, text(type), text(algorithm), text(placement)}};
}

// The packet of the built-in database as it was edited: five row records,
// every one of them replaced or deleted.
inline PacketDef samplePacket() {
  PacketDef p;
  p.changeLog = {1, 0, 4, 2, 0, 4, 3, 2, 8, 4, 3, 8, 5, 4, 8, 1, 0, 2, 5, 0, 2};
  p.rows = {
      row(6, "AT89C51", "Atmel", 4096, 0, "8051 Core MCU", "C51", "40pin"),
      row(5, "AT89S52", "Atmel", 8192, 0, "8051 Core MCU", "S52", nullptr),
      row(13, "AT89S52", "Atmel", 8192, 0, "8051 Core MCU", "S52", "40pin"),
      row(13, "AT89S52", "Atmel", 8192, QVariant(), "8051 Core MCU", "S52", "40pin"),
      row(14, "AT89S52", "Atmel", 8192, 0, "8051 Core MCU", "S52", "40pin"),
  };
  return p;
}

} // namespace orvane::test
