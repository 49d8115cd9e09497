#include "rindle/data/IntelHex.h"

#include "common/IntelHex.h"
#include "rindle/data/FileTexts.h"
#include "rindle/data/SafeWrite.h"
#include "rindle/data/TextLines.h"

#include <QFile>

namespace rindle::files {

namespace {

namespace ihex = common::ihex;

// The type is read first: the end record ends the file and any other record
// but data (and, when honoured, address records) is passed over unread.
ihex::DecodePolicy Policy(const HexReadRules &rules) {
  ihex::DecodePolicy policy;
  policy.typeFirst = true;
  policy.decodedTypes = ihex::TypeBit(ihex::kData);
  if (rules.extendedAddresses)
    policy.decodedTypes |= ihex::TypeBit(ihex::kSegment) | ihex::TypeBit(ihex::kLinear);
  return policy;
}

QString FieldError(const ihex::Record &record, int line) {
  return kInvalidHex +
         (record.cutShort ? TooShortDetail(line) : NotHexDetail(line, record.badField));
}

} // namespace

QString ReadIntelHex(std::span<std::uint8_t> buffer, QIODevice &text, const HexReadRules &rules) {
  const ihex::DecodePolicy policy = Policy(rules);
  TextLines lines(text);
  QByteArray line;
  // From the last extended address record: a segment base keeps each record
  // within its 64 KiB segment; a linear base does not wrap.
  std::uint64_t upper = 0;
  bool segmented = false;
  while (lines.next(line)) {
    if (line.isEmpty())
      continue;
    if (line[0] != ':')
      return kInvalidHex;
    const ihex::Record record = ihex::Decode(line, policy);
    if (record.status == ihex::Status::BadField && record.type != ihex::kData)
      return FieldError(record, lines.lineNumber());
    if (record.status == ihex::Status::Skipped) {
      if (record.type == ihex::kEnd)
        return kOk;
      continue;
    }

    if (record.type != ihex::kData) {
      if (record.count != 2)
        return kInvalidHex + QStringLiteral("\rLine %1: an address record carries two bytes")
                                 .arg(lines.lineNumber());
      if (!record.checksumOk)
        return kChecksumError;
      segmented = record.type == ihex::kSegment;
      upper = segmented ? std::uint64_t(record.value()) << 4 : std::uint64_t(record.value()) << 16;
      if (!segmented && rules.areaOrigin != 0 && upper == rules.areaOrigin)
        upper = 0;
      continue;
    }

    for (qsizetype i = 0; i < record.data.size(); ++i) {
      const std::uint32_t offset = record.address + std::uint32_t(i);
      const std::uint64_t at = upper + (segmented ? offset & 0xFFFF : offset);
      if (at >= rules.addressLimit || rules.base + at >= buffer.size())
        return kAddressOutOfRange;
      buffer[rules.base + at] = std::uint8_t(record.data[i]);
    }
    // The bytes before a damaged field are stored, as they were read.
    if (record.status == ihex::Status::BadField)
      return FieldError(record, lines.lineNumber());
    if (!record.checksumOk)
      return kChecksumError;
  }
  return lines.failed() ? kFileAccessError : kOk;
}

QString ReadIntelHex(std::span<std::uint8_t> buffer, const QString &fileName,
                     const HexReadRules &rules) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return kFileAccessError;
  return ReadIntelHex(buffer, file, rules);
}

QString WriteIntelHex(std::span<const std::uint8_t> area, const QString &fileName) {
  if (area.size() > 0x10000)
    return kHexTooLarge;
  return SaveFile(fileName, ihex::Encode(area, kLineEnd));
}

} // namespace rindle::files
