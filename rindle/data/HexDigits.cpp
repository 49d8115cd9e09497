#include "rindle/data/HexDigits.h"
#include "rindle/data/FileTexts.h"

namespace rindle::files {

std::optional<std::uint32_t> HexField(const QByteArray &line, qsizetype pos, int digits) {
  std::uint32_t value = 0;
  for (int i = 0; i < digits; ++i) {
    const char c = line[pos + i];
    std::uint32_t d;
    if (c >= '0' && c <= '9')
      d = std::uint32_t(c - '0');
    else if (c >= 'A' && c <= 'F')
      d = std::uint32_t(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
      d = std::uint32_t(c - 'a' + 10);
    else
      return std::nullopt;
    value = value << 4 | d;
  }
  return value;
}

void AppendHex(QByteArray &out, std::uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
    out.append(kDigits[(value >> shift) & 0xF]);
}

QString NotHexDetail(int line, const QByteArray &field) {
  return QStringLiteral("\rLine %1: '%2' is not a hexadecimal number")
      .arg(line)
      .arg(QString::fromLatin1(field));
}

QString TooShortDetail(int line) {
  return QStringLiteral("\rLine %1 is too short").arg(line);
}

} // namespace rindle::files
