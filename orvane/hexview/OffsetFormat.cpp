#include "orvane/hexview/OffsetFormat.h"

#include "common/HexText.h"
#include "orvane/hexview/HexViewError.h"

namespace orvane::hexview {

namespace {

// The widest offset there is: 64 bits in binary. A larger minimum digit
// count only pads with zeros, and a huge one would take gigabytes per row.
constexpr qint64 kMaxDigits = 64;

// Reads hex digits at pos, at most 8 so that the value cannot overflow.
qint64 readHex(const QString &s, qsizetype &pos) {
  qint64 value = 0;
  int count = 0;
  for (; pos < s.size() && count < 8; ++pos, ++count) {
    const int digit = common::hex::DigitValue(s[pos].unicode());
    if (digit < 0)
      break;
    value = value * 16 + digit;
  }
  return value;
}

// A value of a message in as many upper-case hex digits as it needs.
QString hexText(qint64 value) { return common::hex::AtLeast(static_cast<std::uint32_t>(value), 1); }

[[noreturn]] void missingChar(const QString &text) {
  throw HexViewError(QStringLiteral("Missing char in offset format: %1").arg(text));
}

void expect(const QString &s, qsizetype &pos, QChar c) {
  if (pos >= s.size() || s[pos] != c)
    missingChar(s);
  ++pos;
}

} // namespace

OffsetFormat OffsetFormat::parse(const QString &text) {
  OffsetFormat f;
  f.text_ = text;
  qsizetype pos = 0;

  // The unit part is recognised by its '%' before the digit-count '!'.
  const qsizetype percent = text.indexOf(u'%');
  const qsizetype bang = text.indexOf(u'!');
  if (percent >= 0 && (bang < 0 || percent < bang)) {
    const QString unit = text.left(percent);
    if (unit == u"r" || unit == u"R") {
      f.unit_ = Unit::Row;
    } else if (unit == u"c" || unit == u"C") {
      f.unit_ = Unit::Column;
    } else {
      qsizetype p = 0;
      const qint64 value = readHex(unit, p);
      if (p != unit.size() || unit.isEmpty())
        missingChar(text);
      if (value != 1 && value != 2 && value != 4 && value != 8)
        throw HexViewError(
            QStringLiteral("Invalid bytes per unit value %1, allowed: 1,2,4,8").arg(value));
      f.unitBytes_ = value;
    }
    pos = percent + 1;
  }

  if (text.mid(pos, 2) == u"-!") {
    f.computedDigits_ = true;
    pos += 2;
  } else {
    f.computedDigits_ = false;
    const qint64 digits = readHex(text, pos);
    expect(text, pos, u'!');
    if (digits > kMaxDigits)
      throw HexViewError(
          QStringLiteral("Invalid digit count in offset format (%1h), allowed: 00h..%2h")
              .arg(hexText(digits), hexText(kMaxDigits)));
    f.minDigits_ = static_cast<int>(digits);
  }

  const qint64 radix = readHex(text, pos);
  expect(text, pos, u':');
  if (radix < 2 || radix > 16)
    throw HexViewError(QStringLiteral("Invalid radix in offset format (%1h), allowed: 02h..10h")
                           .arg(hexText(radix)));
  f.radix_ = static_cast<int>(radix);

  const qsizetype bar = text.indexOf(u'|', pos);
  if (bar < 0)
    missingChar(text);
  f.prefix_ = text.mid(pos, bar - pos);
  f.suffix_ = text.mid(bar + 1);
  return f;
}

qint64 OffsetFormat::bytesPerUnit(int bytesPerRow, int bytesPerColumn) const {
  switch (unit_) {
  case Unit::Row: return bytesPerRow;
  case Unit::Column: return bytesPerColumn;
  case Unit::Bytes: break;
  }
  return unitBytes_;
}

QString OffsetFormat::format(qint64 offset, qint64 lastRowOffset, int bytesPerRow,
                             int bytesPerColumn) const {
  const qint64 unit = bytesPerUnit(bytesPerRow, bytesPerColumn);
  int digits = minDigits_;
  if (computedDigits_)
    digits = static_cast<int>(QString::number(lastRowOffset / unit, radix_).size());
  const QString number =
      QString::number(offset / unit, radix_).toUpper().rightJustified(digits, u'0');
  return prefix_ + number + suffix_;
}

} // namespace orvane::hexview
