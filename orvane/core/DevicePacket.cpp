#include "orvane/core/DevicePacket.h"

#include "common/HexText.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace orvane::packet {

namespace {

// A bounds-checked little-endian cursor over the packet bytes. The first
// failed read records where the data ran out; every later read fails too.
class Cursor {
public:
  explicit Cursor(const QByteArray &data) : data_(data) {}

  qsizetype pos() const { return pos_; }
  qsizetype remaining() const { return data_.size() - pos_; }
  bool failed() const { return failed_; }
  const QString &error() const { return error_; }

  bool fail(const QString &why) {
    if (!failed_) {
      failed_ = true;
      error_ = why;
    }
    return false;
  }

  // The next n bytes where they stand in the packet.
  bool view(qsizetype n, QByteArrayView *out) {
    if (failed_)
      return false;
    if (n < 0 || n > remaining())
      return fail(QStringLiteral("the data ends at byte %1, %2 more bytes expected")
                      .arg(data_.size())
                      .arg(n - remaining()));
    *out = QByteArrayView(data_).sliced(pos_, n);
    pos_ += n;
    return true;
  }

  bool bytes(qsizetype n, QByteArray *out) {
    QByteArrayView b;
    if (!view(n, &b))
      return false;
    *out = b.toByteArray();
    return true;
  }

  template <typename T>
  bool number(T *out) {
    QByteArrayView b;
    if (!view(sizeof(T), &b))
      return false;
    *out = qFromLittleEndian<T>(b.data());
    return true;
  }

  // A string after its one-byte length, where it stands.
  bool shortView(QByteArrayView *out) {
    std::uint8_t len = 0;
    return number(&len) && view(len, out);
  }

  bool shortString(QByteArray *out) {
    QByteArrayView b;
    if (!shortView(&b))
      return false;
    *out = b.toByteArray();
    return true;
  }

  bool seek(qsizetype at) {
    if (failed_)
      return false;
    if (at < pos_ || at > data_.size())
      return fail(QStringLiteral("the rows are said to start at byte %1, which lies %2")
                      .arg(at)
                      .arg(at < pos_ ? QStringLiteral("inside the field descriptions")
                                     : QStringLiteral("past the end of the data")));
    pos_ = at;
    return true;
  }

private:
  const QByteArray &data_;
  qsizetype pos_ = 0;
  bool failed_ = false;
  QString error_;
};

bool readProperties(Cursor &c, std::vector<Property> *out) {
  std::uint16_t count = 0;
  if (!c.number(&count))
    return false;
  // A property takes 5 bytes at least: its name's length, size and type.
  out->reserve(out->size() + std::min<std::size_t>(count, std::size_t(c.remaining()) / 5));
  for (int i = 0; i < count; ++i) {
    Property p;
    if (!c.shortString(&p.name) || !c.number(&p.size) || !c.number(&p.type))
      return false;
    std::uint32_t elements = 1;
    if ((p.type & kArrayBit) && !c.number(&elements))
      return false;
    if (elements > 0 && p.size == 0 && (p.type & kArrayBit))
      return c.fail(QStringLiteral("property '%1' is an array of empty elements")
                        .arg(QString::fromLatin1(p.name)));
    if (static_cast<std::uint64_t>(elements) * p.size > static_cast<std::uint64_t>(c.remaining()))
      return c.fail(QStringLiteral("property '%1' runs past the end of the data")
                        .arg(QString::fromLatin1(p.name)));
    // Within the data, as checked above.
    if (!c.bytes(qsizetype(elements) * p.size, &p.elements))
      return false;
    p.count = elements;
    out->push_back(std::move(p));
  }
  return true;
}

} // namespace

QByteArrayView Property::element(std::size_t index) const {
  if (index >= count)
    return {};
  return QByteArrayView(elements).sliced(qsizetype(index) * size, size);
}

std::uint32_t Property::number(std::size_t index) const {
  const QByteArrayView b = element(index);
  std::uint32_t v = 0;
  for (qsizetype i = std::min<qsizetype>(b.size(), 4) - 1; i >= 0; --i)
    v = (v << 8) | static_cast<std::uint8_t>(b[i]);
  return v;
}

std::vector<ChangeLogEntry> Packet::changeLog() const {
  std::vector<ChangeLogEntry> log;
  for (const Property &p : properties) {
    if (p.name != "CHANGE_LOG")
      continue;
    for (std::size_t i = 0; i + 2 < p.count; i += 3)
      log.push_back({p.number(i), p.number(i + 1), p.number(i + 2)});
  }
  return log;
}

int Packet::fieldIndex(const QString &name) const {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (QLatin1String(fields[i].name).compare(name, Qt::CaseInsensitive) == 0)
      return static_cast<int>(i);
  return -1;
}

bool readPacket(const QByteArray &data, Packet *out, QString *error) {
  Cursor c(data);
  Packet p;
  auto failWith = [&](QString why) {
    // Names quoted in the reason come from the file: a control character
    // there must not break the one line.
    for (QChar &ch : why)
      if (ch.unicode() < 0x20)
        ch = u'?';
    if (error)
      *error = why;
    return false;
  };

  QByteArrayView signature;
  if (!c.view(4, &signature))
    return failWith(QStringLiteral("not a data packet: the file is shorter than its header"));
  if (std::memcmp(signature.constData(), kSignature, 4) != 0)
    return failWith(QStringLiteral("not a data packet: wrong signature"));

  std::uint32_t headerSize = 0, rowCount = 0;
  std::uint16_t fieldCount = 0, rowOffset = 0;
  c.number(&p.majorVersion);
  c.number(&p.minorVersion);
  c.number(&headerSize);
  c.number(&fieldCount);
  c.number(&rowCount);
  c.number(&p.attributes);
  c.number(&rowOffset);
  if (c.failed())
    return failWith(QStringLiteral("the packet header is cut short"));
  if (p.majorVersion != 1)
    return failWith(QStringLiteral("packet version %1.%2 is not supported")
                        .arg(p.majorVersion)
                        .arg(p.minorVersion));
  if (headerSize < kHeaderSize)
    return failWith(QStringLiteral("the packet header size %1 is too small").arg(headerSize));
  c.seek(headerSize);

  // A field takes 9 bytes at least: its name's length, size, type,
  // attributes and property count.
  if (!c.failed())
    p.fields.reserve(std::min<std::size_t>(fieldCount, std::size_t(c.remaining()) / 9));
  for (int f = 0; f < fieldCount && !c.failed(); ++f) {
    Field field;
    if (!c.shortString(&field.name) || !c.number(&field.size) || !c.number(&field.type) ||
        !c.number(&field.attributes) || !readProperties(c, &field.properties))
      break;
    const bool known = (field.type == kTypeInt32 && field.size == 4) ||
                       (field.type == kTypeText && field.size == 1);
    if (!known)
      return failWith(
          QStringLiteral("field '%1' has type 0x%2 with size %3, which is not supported")
              .arg(QString::fromLatin1(field.name))
              .arg(common::hex::Text(field.type, 4))
              .arg(field.size));
    p.fields.push_back(std::move(field));
  }
  readProperties(c, &p.properties);
  c.seek(rowOffset);

  const std::size_t nullBytes = (2 * p.fields.size() + 7) / 8;
  // Room for the rows the data can hold (each takes its status and null
  // flags at least), up to a size no real database passes; beyond that the
  // list grows as rows come.
  const std::size_t rowBytes = sizeof(Row::status) + nullBytes;
  if (!c.failed())
    p.rows.reserve(std::min<std::size_t>(
        {rowCount, std::size_t(c.remaining()) / rowBytes, std::size_t(1024)}));
  for (std::uint32_t r = 0; r < rowCount && !c.failed(); ++r) {
    Row row;
    row.values.reserve(p.fields.size());
    QByteArrayView nulls;
    if (!c.number(&row.status) || !c.view(static_cast<qsizetype>(nullBytes), &nulls))
      break;
    for (std::size_t f = 0; f < p.fields.size(); ++f) {
      const int indicator =
          (static_cast<std::uint8_t>(nulls[static_cast<qsizetype>(f / 4)]) >> ((f % 4) * 2)) & 0x03;
      if (indicator != 0) {
        row.values.emplace_back();
        continue;
      }
      if (p.fields[f].type == kTypeInt32) {
        std::uint32_t v = 0;
        if (!c.number(&v))
          break;
        row.values.emplace_back(static_cast<qint32>(v));
      } else {
        QByteArrayView text;
        if (!c.shortView(&text))
          break;
        row.values.emplace_back(QString::fromLatin1(text));
      }
    }
    if (c.failed())
      break;
    p.rows.push_back(std::move(row));
  }
  if (c.failed())
    return failWith(QStringLiteral("the packet is damaged: %1").arg(c.error()));

  *out = std::move(p);
  return true;
}

} // namespace orvane::packet
