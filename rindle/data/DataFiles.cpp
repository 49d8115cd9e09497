#include "rindle/data/DataFiles.h"

#include "common/HexText.h"
#include "rindle/data/FileTexts.h"
#include "rindle/data/IntelHex.h"
#include "rindle/data/SafeWrite.h"
#include "rindle/data/TextLines.h"

#include <QFile>
#include <optional>

namespace rindle::files {

namespace {

// The cells [start, start + size) when they lie inside the buffer.
template <typename T>
std::optional<std::span<T>> Area(std::span<T> buffer, std::int64_t start, std::int64_t size) {
  if (start < 0 || size < 0 || std::uint64_t(start) + std::uint64_t(size) > buffer.size())
    return std::nullopt;
  return buffer.subspan(std::size_t(start), std::size_t(size));
}

// Runs a reader over the named file; "File access error . . ." when the file
// cannot be opened.
template <typename Reader>
QString FromFile(const QString &fileName, Reader read) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return kFileAccessError;
  return read(file);
}

QString LoadBinary(std::span<std::uint8_t> target, QIODevice &data) {
  qint64 stored = 0;
  while (stored < qint64(target.size())) {
    const qint64 n =
        data.read(reinterpret_cast<char *>(target.data()) + stored, qint64(target.size()) - stored);
    if (n < 0)
      return kFileAccessError;
    if (n == 0)
      break;
    stored += n;
  }
  return kOk;
}

QString SaveBinary(std::span<const std::uint8_t> area, const QString &fileName) {
  const QByteArray content(reinterpret_cast<const char *>(area.data()), qsizetype(area.size()));
  return SaveFile(fileName, content, 128);
}

HexReadRules ProgramRules(std::span<std::uint8_t> buffer) {
  // Data beyond the flash land in the cells after it, as far as the buffer goes.
  HexReadRules rules;
  rules.base = 0;
  rules.addressLimit = std::uint32_t(std::min<std::size_t>(buffer.size(), 0xFFFFFFFF));
  return rules;
}

HexReadRules EepromRules(std::int64_t flashSize) {
  HexReadRules rules;
  rules.base = std::size_t(flashSize);
  rules.addressLimit = kMaxEepromBytes;
  rules.areaOrigin = kToolchainEepromOrigin;
  return rules;
}

bool FlashSizeFits(std::span<std::uint8_t> buffer, std::int64_t flashSize) {
  return flashSize >= 0 && std::uint64_t(flashSize) <= buffer.size();
}

std::span<std::uint8_t> EepromArea(std::span<std::uint8_t> buffer, std::int64_t flashSize) {
  const auto rest = buffer.subspan(std::size_t(flashSize));
  return rest.first(std::min(rest.size(), kMaxEepromBytes));
}

} // namespace

QString LoadProgramHex(std::span<std::uint8_t> buffer, QIODevice &text) {
  return ReadIntelHex(buffer, text, ProgramRules(buffer));
}

QString LoadProgramHex(std::span<std::uint8_t> buffer, const QString &fileName) {
  return FromFile(fileName, [&](QIODevice &text) { return LoadProgramHex(buffer, text); });
}

QString LoadEepromHex(std::span<std::uint8_t> buffer, std::int64_t flashSize, QIODevice &text) {
  if (!FlashSizeFits(buffer, flashSize))
    return kAddressOutOfRange;
  return ReadIntelHex(buffer, text, EepromRules(flashSize));
}

QString LoadEepromHex(std::span<std::uint8_t> buffer, std::int64_t flashSize,
                      const QString &fileName) {
  return FromFile(fileName,
                  [&](QIODevice &text) { return LoadEepromHex(buffer, flashSize, text); });
}

QString LoadProgramBin(std::span<std::uint8_t> buffer, QIODevice &data) {
  return LoadBinary(buffer.first(std::min(buffer.size(), kMaxFlashBytes)), data);
}

QString LoadProgramBin(std::span<std::uint8_t> buffer, const QString &fileName) {
  return FromFile(fileName, [&](QIODevice &data) { return LoadProgramBin(buffer, data); });
}

QString LoadEepromBin(std::span<std::uint8_t> buffer, std::int64_t flashSize, QIODevice &data) {
  if (!FlashSizeFits(buffer, flashSize))
    return kAddressOutOfRange;
  return LoadBinary(EepromArea(buffer, flashSize), data);
}

QString LoadEepromBin(std::span<std::uint8_t> buffer, std::int64_t flashSize,
                      const QString &fileName) {
  return FromFile(fileName,
                  [&](QIODevice &data) { return LoadEepromBin(buffer, flashSize, data); });
}

QString LoadProgramRom(std::span<std::uint8_t> buffer, QIODevice &text) {
  TextLines lines(text);
  QByteArray line;
  while (lines.next(line)) {
    if (line.isEmpty())
      continue;
    if (line.size() < 7 || line[6] != ':')
      return kInvalidRom;
    if (line.size() < 11)
      return kInvalidRom + TooShortDetail(lines.lineNumber());
    const auto address = common::hex::Field(line, 0, 6);
    if (!address)
      return kInvalidRom + NotHexDetail(lines.lineNumber(), line.left(6));
    const auto word = common::hex::Field(line, 7, 4);
    if (!word)
      return kInvalidRom + NotHexDetail(lines.lineNumber(), line.mid(7, 4));
    if (*address >= kRomWordLimit || 2 * std::size_t(*address) + 1 >= buffer.size())
      return kAddressOutOfRange;
    buffer[2 * *address] = std::uint8_t(*word & 0xFF);
    buffer[2 * *address + 1] = std::uint8_t(*word >> 8);
  }
  return lines.failed() ? kFileAccessError : kOk;
}

QString LoadProgramRom(std::span<std::uint8_t> buffer, const QString &fileName) {
  return FromFile(fileName, [&](QIODevice &text) { return LoadProgramRom(buffer, text); });
}
QString SaveProgramHex(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                       const QString &fileName) {
  const auto area = Area(buffer, 0, flashSize);
  if (!area)
    return kAddressOutOfRange;
  return WriteIntelHex(*area, fileName);
}

QString SaveProgramBin(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                       const QString &fileName) {
  const auto area = Area(buffer, 0, flashSize);
  if (!area)
    return kAddressOutOfRange;
  return SaveBinary(*area, fileName);
}

QString SaveProgramRom(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                       const QString &fileName) {
  // The word at the last even address takes its high byte from the cell
  // after it, so that cell must exist too.
  const auto area = Area(buffer, 0, flashSize + (flashSize & 1));
  if (!area)
    return kAddressOutOfRange;
  return SaveFile(fileName, RomText(*area));
}

QByteArray RomText(std::span<const std::uint8_t> area) {
  QByteArray text;
  text.reserve(qsizetype(area.size() / 2 * 13));
  for (std::size_t a = 0; a + 1 < area.size(); a += 2) {
    common::hex::Append(text, std::uint32_t(a / 2), 6);
    text.append(':');
    common::hex::Append(text, area[a + 1], 2);
    common::hex::Append(text, area[a], 2);
    text.append(kLineEnd);
  }
  return text;
}

QString SaveEepromHex(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                      std::int64_t eepromSize, const QString &fileName) {
  const auto area = Area(buffer, flashSize, eepromSize);
  if (!area)
    return kAddressOutOfRange;
  return WriteIntelHex(*area, fileName);
}

QString SaveEepromBin(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                      std::int64_t eepromSize, const QString &fileName) {
  const auto area = Area(buffer, flashSize, eepromSize);
  if (!area)
    return kAddressOutOfRange;
  return SaveBinary(*area, fileName);
}

} // namespace rindle::files
