#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>
#include <vector>

namespace tools {

// Writes the binary data packet the loader's device databases are kept in:
// a 24-byte header, one descriptor per field (text fields carry a "WIDTH"
// property), the packet properties (an optional "CHANGE_LOG") and the row
// records with status byte, null indicators and values. Little-endian.
struct PacketField {
  enum class Kind { Int32, Text };
  QByteArray name;
  Kind kind = Kind::Text;
  std::uint16_t width = 0; // text only: the declared width
};

struct PacketRow {
  std::uint8_t status = 0;      // 0 for a plain row
  std::vector<QVariant> values; // one per field; an invalid QVariant is null
};

// (row record number from 1, record it replaces or 0, change 4/8/2)
using ChangeTriple = std::array<std::uint32_t, 3>;

struct PacketContent {
  std::vector<PacketField> fields;
  std::vector<PacketRow> rows;
  std::vector<ChangeTriple> changeLog; // written only when not empty
  std::uint32_t attributes = 3;
};

// False with error when a value does not fit its field (text longer than 255
// bytes, a number that is not a 32-bit integer, a wrong number of values).
bool writePacket(const PacketContent &content, QByteArray *out, QString *error);

// The seven fields of a loader device database.
std::vector<PacketField> deviceFields();

// Reads a device table: one device a line, seven cells separated by ';'
// (Device;Manufacturer;Flash;EEPROM;Type;Algorithm;Placement), an empty cell
// for a null value; blank lines and lines starting with '#' are skipped.
bool parseDeviceTable(const QString &text, std::vector<PacketRow> *rows, QString *error);

} // namespace tools
