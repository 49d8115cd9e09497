#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace orvane {

// The binary data packet the device databases are stored in: a header, field
// descriptors with properties, packet properties and the row records, every
// version of every row, each with a status byte. Little-endian throughout.
namespace packet {

inline constexpr std::uint8_t kSignature[4] = {0x96, 0x19, 0xE0, 0xBD};
inline constexpr int kHeaderSize = 24;

inline constexpr std::uint16_t kTypeInt32 = 0x0001;
inline constexpr std::uint16_t kTypeText = 0x0049; // 1 length byte + characters
inline constexpr std::uint16_t kArrayBit = 0x0080; // in a property type: an array

// Row status bits.
inline constexpr std::uint8_t kReplaced = 0x01;
inline constexpr std::uint8_t kDeleted = 0x02;
inline constexpr std::uint8_t kInserted = 0x04;
inline constexpr std::uint8_t kModified = 0x08;

// A row version is live unless a later record replaced it or it was deleted.
constexpr bool isLive(std::uint8_t status) { return (status & (kReplaced | kDeleted)) == 0; }

struct Property {
  QByteArray name;
  std::uint16_t size = 0;
  std::uint16_t type = 0;
  // One element for a plain value, the elements of an array otherwise: the
  // raw bytes of each (size bytes), one after the other.
  std::uint32_t count = 0;
  QByteArray elements;

  QByteArrayView element(std::size_t index) const; // empty past the last
  // The element as an unsigned little-endian number (sizes 1, 2 or 4).
  std::uint32_t number(std::size_t index = 0) const;
};

struct Field {
  QByteArray name;
  std::uint16_t size = 0;
  std::uint16_t type = 0;
  std::uint16_t attributes = 0;
  std::vector<Property> properties;
};

struct ChangeLogEntry {
  std::uint32_t record = 0;   // row record number, from 1
  std::uint32_t replaces = 0; // the record it replaces, or 0
  std::uint32_t change = 0;   // kInserted, kModified or kDeleted
  bool operator==(const ChangeLogEntry &) const = default;
};

struct Row {
  std::uint8_t status = 0;
  // One per field: QString for text, qint32 for integers, invalid for null.
  std::vector<QVariant> values;
};

struct Packet {
  std::uint16_t majorVersion = 1;
  std::uint16_t minorVersion = 0;
  std::uint32_t attributes = 0;
  std::vector<Field> fields;
  std::vector<Property> properties;
  std::vector<Row> rows; // every row record, in file order

  std::vector<ChangeLogEntry> changeLog() const; // from "CHANGE_LOG", if any
  int fieldIndex(const QString &name) const;     // ignoring case; -1 if none
};

// Reads a whole packet. On damaged, truncated or unsupported data returns
// false with a one-line reason in error and leaves packet untouched.
bool readPacket(const QByteArray &data, Packet *packet, QString *error);

} // namespace packet
} // namespace orvane
