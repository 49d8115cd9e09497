#include "common/IntelHex.h"

#include "common/HexText.h"

#include <algorithm>

namespace common::ihex {

namespace {

constexpr qsizetype kCountPos = 1;
constexpr qsizetype kAddressPos = 3;
constexpr qsizetype kTypePos = 7;
constexpr qsizetype kDataPos = 9;

// Reads the fields of one record line and keeps the first failure.
class Fields {
public:
  Fields(QByteArrayView line, const DecodePolicy &policy, Record &record)
      : line_(line), policy_(policy), record_(record) {}

  bool read(qsizetype pos, int digits, std::uint32_t &value) {
    const qsizetype have = std::clamp<qsizetype>(line_.size() - pos, 0, digits);
    const QByteArrayView chars = line_.sliced(std::min(pos, line_.size()), have);
    const bool whole = have == digits || (policy_.shortFieldsReadAsFarAsTheyGo && have > 0);
    const auto parsed = whole ? hex::Parse(chars) : std::nullopt;
    if (!parsed) {
      record_.status = Status::BadField;
      record_.badField = chars.toByteArray();
      record_.cutShort = have < digits;
      return false;
    }
    value = *parsed;
    return true;
  }

private:
  QByteArrayView line_;
  const DecodePolicy &policy_;
  Record &record_;
};

} // namespace

std::uint16_t Record::value() const {
  if (data.size() != 2)
    return 0;
  return std::uint16_t(std::uint8_t(data[0]) << 8 | std::uint8_t(data[1]));
}

Record Decode(QByteArrayView line, const DecodePolicy &policy) {
  Record r;
  Fields fields(line, policy, r);
  std::uint32_t count = 0, address = 0, type = 0;
  if (policy.typeFirst) {
    if (!fields.read(kTypePos, 2, type))
      return r;
    r.type = std::uint8_t(type);
    if (!(policy.decodedTypes & TypeBit(r.type))) {
      r.status = Status::Skipped;
      return r;
    }
  }
  if (!fields.read(kCountPos, 2, count))
    return r;
  r.count = std::uint8_t(count);
  if (!fields.read(kAddressPos, 4, address))
    return r;
  r.address = std::uint16_t(address);
  if (!fields.read(kTypePos, 2, type))
    return r;
  r.type = std::uint8_t(type);
  if (!(policy.decodedTypes & TypeBit(r.type))) {
    r.status = Status::Skipped;
    return r;
  }

  const int bytes = r.type == kEnd && policy.endRecordWithoutData ? 0 : r.count;
  std::uint32_t sum = count + (address >> 8) + (address & 0xFF) + type;
  r.data.reserve(bytes);
  for (int i = 0; i < bytes; ++i) {
    std::uint32_t b = 0;
    if (!fields.read(kDataPos + 2 * i, 2, b))
      return r;
    r.data.append(char(b));
    sum += b;
  }
  std::uint32_t check = 0;
  if (!fields.read(kDataPos + 2 * bytes, 2, check))
    return r;
  r.checksumOk = ((sum + check) & 0xFF) == 0;
  r.status = Status::Decoded;
  return r;
}

void AppendDataRecord(QByteArray &out, std::uint16_t address, std::span<const std::uint8_t> bytes) {
  const std::size_t count = std::min<std::size_t>(bytes.size(), 255);
  std::uint32_t sum = std::uint32_t(count) + (address >> 8) + (address & 0xFF);
  out.append(':');
  hex::Append(out, std::uint32_t(count), 2);
  hex::Append(out, address, 4);
  out.append("00");
  for (std::size_t i = 0; i < count; ++i) {
    hex::Append(out, bytes[i], 2);
    sum += bytes[i];
  }
  hex::Append(out, (0x100 - (sum & 0xFF)) & 0xFF, 2);
}

QByteArray Encode(std::span<const std::uint8_t> image, QByteArrayView lineEnd) {
  image = image.first(std::min<std::size_t>(image.size(), 0x10000));
  QByteArray out;
  out.reserve(qsizetype((image.size() / 16 + 2) * (43 + lineEnd.size())));
  for (std::size_t address = 0; address < image.size(); address += 16) {
    AppendDataRecord(out, std::uint16_t(address),
                     image.subspan(address, std::min<std::size_t>(16, image.size() - address)));
    out.append(lineEnd);
  }
  out.append(kEndRecord).append(lineEnd);
  return out;
}

} // namespace common::ihex
