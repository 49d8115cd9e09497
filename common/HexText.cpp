#include "common/HexText.h"

#include <algorithm>

namespace common::hex {

namespace {

char16_t code(char c) { return char16_t(static_cast<unsigned char>(c)); }
char16_t code(QChar c) { return c.unicode(); }

template <typename View>
std::optional<std::uint32_t> parseDigits(View text) {
  if (text.isEmpty() || text.size() > 8)
    return std::nullopt;
  std::uint32_t value = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const int d = DigitValue(code(text[i]));
    if (d < 0)
      return std::nullopt;
    value = value << 4 | std::uint32_t(d);
  }
  return value;
}

} // namespace

std::optional<std::uint32_t> Parse(QByteArrayView text) { return parseDigits(text); }

std::optional<std::uint32_t> Parse(QStringView text) { return parseDigits(text); }

std::optional<std::uint32_t> Field(QByteArrayView line, qsizetype pos, int digits) {
  if (pos < 0 || digits <= 0 || pos + digits > line.size())
    return std::nullopt;
  return Parse(line.sliced(pos, digits));
}

void Append(QByteArray &out, std::uint32_t value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
    out.append(Digit(value >> shift));
}

void Append(QString &out, std::uint32_t value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
    out.append(QLatin1Char(Digit(value >> shift)));
}

QString Text(std::uint32_t value, int digits) {
  QString out;
  out.reserve(digits);
  Append(out, value, digits);
  return out;
}

QString AtLeast(std::uint32_t value, int minDigits) {
  int digits = 1;
  while (digits < 8 && value >> (digits * 4) != 0)
    ++digits;
  return Text(value, std::max(digits, minDigits));
}

} // namespace common::hex
