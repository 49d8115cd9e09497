#include "tools/PacketWriter.h"

#include <QStringList>

namespace tools {

namespace {

constexpr std::uint16_t kInt32 = 0x0001;
constexpr std::uint16_t kText = 0x0049;
constexpr std::uint16_t kUnsigned = 0x0002;
constexpr std::uint16_t kArray = 0x0080;

void put16(QByteArray &out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(QByteArray &out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

void putName(QByteArray &out, const QByteArray &name) {
  out += static_cast<char>(name.size());
  out += name;
}

} // namespace

std::vector<PacketField> deviceFields() {
  using K = PacketField::Kind;
  return {{"Device", K::Text, 40},   {"Manufacturer", K::Text, 20}, {"Flash", K::Int32, 0},
          {"EEPROM", K::Int32, 0},   {"Type", K::Text, 20},         {"Algorithm", K::Text, 20},
          {"Placement", K::Text, 20}};
}

bool writePacket(const PacketContent &content, QByteArray *out, QString *error) {
  auto fail = [&](const QString &why) {
    if (error)
      *error = why;
    return false;
  };
  for (const PacketField &f : content.fields)
    if (f.name.isEmpty() || f.name.size() > 255)
      return fail(QStringLiteral("a field name must have 1 to 255 characters"));

  QByteArray meta;
  for (const PacketField &f : content.fields) {
    putName(meta, f.name);
    const bool text = f.kind == PacketField::Kind::Text;
    put16(meta, text ? 1 : 4);
    put16(meta, text ? kText : kInt32);
    put16(meta, 0); // attributes
    put16(meta, text ? 1 : 0);
    if (text) {
      putName(meta, "WIDTH");
      put16(meta, 2);
      put16(meta, kUnsigned);
      put16(meta, f.width);
    }
  }
  put16(meta, content.changeLog.empty() ? 0 : 1);
  if (!content.changeLog.empty()) {
    putName(meta, "CHANGE_LOG");
    put16(meta, 4);
    put16(meta, kArray | kUnsigned);
    put32(meta, static_cast<std::uint32_t>(content.changeLog.size() * 3));
    for (const ChangeTriple &t : content.changeLog)
      for (std::uint32_t v : t)
        put32(meta, v);
  }

  const qsizetype firstRow = 24 + meta.size();
  if (firstRow > 0xFFFF)
    return fail(QStringLiteral("the field descriptions are too long for one packet"));

  QByteArray rows;
  const std::size_t nullBytes = (2 * content.fields.size() + 7) / 8;
  for (std::size_t r = 0; r < content.rows.size(); ++r) {
    const PacketRow &row = content.rows[r];
    if (row.values.size() != content.fields.size())
      return fail(QStringLiteral("row %1 has %2 values for %3 fields")
                      .arg(r + 1)
                      .arg(row.values.size())
                      .arg(content.fields.size()));
    rows += static_cast<char>(row.status);
    QByteArray nulls(static_cast<qsizetype>(nullBytes), '\0');
    QByteArray values;
    for (std::size_t f = 0; f < content.fields.size(); ++f) {
      const QVariant &v = row.values[f];
      if (!v.isValid()) {
        nulls[static_cast<qsizetype>(f / 4)] =
            static_cast<char>(nulls[static_cast<qsizetype>(f / 4)] | (2 << ((f % 4) * 2)));
        continue;
      }
      if (content.fields[f].kind == PacketField::Kind::Int32) {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (!ok || n < INT32_MIN || n > INT32_MAX)
          return fail(
              QStringLiteral("row %1: '%2' is not a 32-bit integer").arg(r + 1).arg(v.toString()));
        put32(values, static_cast<std::uint32_t>(static_cast<std::int32_t>(n)));
      } else {
        const QByteArray text = v.toString().toLatin1();
        if (text.size() > 255)
          return fail(QStringLiteral("row %1: a text of more than 255 characters").arg(r + 1));
        putName(values, text);
      }
    }
    rows += nulls + values;
  }

  QByteArray packet;
  packet += QByteArray("\x96\x19\xE0\xBD", 4);
  put16(packet, 1); // major version
  put16(packet, 0); // minor version
  put32(packet, 24);
  put16(packet, static_cast<std::uint32_t>(content.fields.size()));
  put32(packet, static_cast<std::uint32_t>(content.rows.size()));
  put32(packet, content.attributes);
  put16(packet, static_cast<std::uint32_t>(firstRow));
  *out = packet + meta + rows;
  return true;
}

bool parseDeviceTable(const QString &text, std::vector<PacketRow> *rows, QString *error) {
  const std::vector<PacketField> fields = deviceFields();
  std::vector<PacketRow> out;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
      continue;
    const QStringList cells = line.split(QLatin1Char(';'));
    if (cells.size() != static_cast<qsizetype>(fields.size())) {
      if (error)
        *error = QStringLiteral("line %1: %2 cells, %3 expected")
                     .arg(i + 1)
                     .arg(cells.size())
                     .arg(fields.size());
      return false;
    }
    PacketRow row;
    for (std::size_t f = 0; f < fields.size(); ++f) {
      const QString cell = cells[static_cast<qsizetype>(f)].trimmed();
      if (cell.isEmpty()) {
        row.values.emplace_back();
        continue;
      }
      if (fields[f].kind == PacketField::Kind::Int32) {
        bool ok = false;
        const int n = cell.toInt(&ok);
        if (!ok) {
          if (error)
            *error = QStringLiteral("line %1: '%2' is not a number").arg(i + 1).arg(cell);
          return false;
        }
        row.values.emplace_back(n);
      } else {
        if (cell.size() > fields[f].width) {
          if (error)
            *error = QStringLiteral("line %1: '%2' is wider than %3 characters")
                         .arg(i + 1)
                         .arg(cell)
                         .arg(fields[f].width);
          return false;
        }
        row.values.emplace_back(cell);
      }
    }
    out.push_back(std::move(row));
  }
  *rows = std::move(out);
  return true;
}

} // namespace tools
