#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// Hexadecimal text as every file format and view of the suite reads and
// writes it: digits accepted in either case, written in upper case.
namespace common::hex {

// The value of one hex digit, or -1 for any other character.
constexpr int DigitValue(char16_t c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

// The upper-case digit of the low four bits of value.
constexpr char Digit(unsigned value) { return "0123456789ABCDEF"[value & 0xF]; }

// The whole text read as hexadecimal. Empty when the text is empty, holds any
// other character than a hex digit, or has more than eight digits.
std::optional<std::uint32_t> Parse(QByteArrayView text);
std::optional<std::uint32_t> Parse(QStringView text);

// `digits` characters at `pos` of a line read as hexadecimal; empty when the
// line ends before them or one of them is no hex digit.
std::optional<std::uint32_t> Field(QByteArrayView line, qsizetype pos, int digits);

// Appends the low `digits` nibbles of value, most significant first.
void Append(QByteArray &out, std::uint32_t value, int digits);
void Append(QString &out, std::uint32_t value, int digits);

// The low `digits` nibbles of value as text, e.g. Text(0x3A, 4) == "003A".
QString Text(std::uint32_t value, int digits);

// The whole value as text, zero-padded to at least `minDigits` digits, e.g.
// AtLeast(0x3A, 4) == "003A" and AtLeast(0x1ABCD, 4) == "1ABCD".
QString AtLeast(std::uint32_t value, int minDigits);

} // namespace common::hex
