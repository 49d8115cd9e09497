#include "rindle/data/IntelHex.h"

#include "rindle/data/FileTexts.h"
#include "rindle/data/HexDigits.h"
#include "rindle/data/SafeWrite.h"
#include "rindle/data/TextLines.h"

#include <QFile>

namespace rindle::files {

namespace {

constexpr std::uint32_t kTypeData = 0x00;
constexpr std::uint32_t kTypeEnd = 0x01;
constexpr std::uint32_t kTypeSegment = 0x02;
constexpr std::uint32_t kTypeLinear = 0x04;

// Field positions (0-based) of a record line.
constexpr qsizetype kCountPos = 1;
constexpr qsizetype kAddressPos = 3;
constexpr qsizetype kTypePos = 7;
constexpr qsizetype kDataPos = 9;

// Reads one field of a record, or says why it cannot.
class RecordLine {
public:
  RecordLine(const QByteArray &line, int number) : line_(line), number_(number) {}

  std::optional<std::uint32_t> field(qsizetype pos, int digits) {
    if (line_.size() < pos + digits) {
      error_ = kInvalidHex + TooShortDetail(number_);
      return std::nullopt;
    }
    auto value = HexField(line_, pos, digits);
    if (!value)
      error_ = kInvalidHex + NotHexDetail(number_, line_.mid(pos, digits));
    return value;
  }

  const QString &error() const { return error_; }

private:
  const QByteArray &line_;
  int number_;
  QString error_;
};

} // namespace

QString ReadIntelHex(std::span<std::uint8_t> buffer, const QString &fileName,
                     const HexReadRules &rules) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return kFileAccessError;
  TextLines lines(file);
  QByteArray line;
  std::uint64_t upper = 0; // from the last extended address record
  while (lines.next(line)) {
    if (line.isEmpty())
      continue;
    if (line[0] != ':')
      return kInvalidHex;
    RecordLine record(line, lines.lineNumber());
    const auto type = record.field(kTypePos, 2);
    if (!type)
      return record.error();
    if (*type == kTypeEnd)
      return kOk;
    const bool addressRecord = rules.extendedAddresses &&
                               (*type == kTypeSegment || *type == kTypeLinear);
    if (*type != kTypeData && !addressRecord)
      continue;

    const auto count = record.field(kCountPos, 2);
    if (!count)
      return record.error();
    const auto address = record.field(kAddressPos, 4);
    if (!address)
      return record.error();
    std::uint32_t sum = *count + (*address >> 8) + (*address & 0xFF) + *type;

    if (addressRecord) {
      if (*count != 2)
        return kInvalidHex +
               QStringLiteral("\rLine %1: an address record carries two bytes")
                   .arg(lines.lineNumber());
      const auto value = record.field(kDataPos, 4);
      if (!value)
        return record.error();
      const auto check = record.field(kDataPos + 4, 2);
      if (!check)
        return record.error();
      sum += (*value >> 8) + (*value & 0xFF) + *check;
      if (sum & 0xFF)
        return kChecksumError;
      upper = *type == kTypeSegment ? std::uint64_t(*value) << 4 : std::uint64_t(*value) << 16;
      continue;
    }

    for (std::uint32_t i = 0; i < *count; ++i) {
      const std::uint64_t at = upper + *address + i;
      if (at >= rules.addressLimit || rules.base + at >= buffer.size())
        return kAddressOutOfRange;
      const auto byte = record.field(kDataPos + 2 * i, 2);
      if (!byte)
        return record.error();
      buffer[rules.base + at] = std::uint8_t(*byte);
      sum += *byte;
    }
    const auto check = record.field(kDataPos + 2 * *count, 2);
    if (!check)
      return record.error();
    sum += *check;
    if (sum & 0xFF)
      return kChecksumError;
  }
  return lines.failed() ? kFileAccessError : kOk;
}

QString WriteIntelHex(std::span<const std::uint8_t> area, const QString &fileName) {
  if (area.size() > 0x10000)
    return kHexTooLarge;
  QByteArray text;
  text.reserve(qsizetype(area.size() / 16 * 45 + 13));
  for (std::size_t address = 0; address < area.size(); address += 16) {
    const std::size_t count = std::min<std::size_t>(16, area.size() - address);
    std::uint32_t sum = std::uint32_t(count) + std::uint32_t(address >> 8) +
                        std::uint32_t(address & 0xFF);
    text.append(':');
    AppendHex(text, std::uint32_t(count), 2);
    AppendHex(text, std::uint32_t(address), 4);
    text.append("00");
    for (std::size_t i = 0; i < count; ++i) {
      AppendHex(text, area[address + i], 2);
      sum += area[address + i];
    }
    AppendHex(text, (0x100 - (sum & 0xFF)) & 0xFF, 2);
    text.append(kLineEnd);
  }
  text.append(":00000001FF").append(kLineEnd);
  switch (WriteFileSafely(fileName, text)) {
  case WriteOutcome::Ok: return kOk;
  case WriteOutcome::CreateFailed: return kFileCreateError;
  case WriteOutcome::WriteFailed: break;
  }
  return kFileWriteError;
}

} // namespace rindle::files
