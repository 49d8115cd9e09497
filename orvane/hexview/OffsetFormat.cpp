#include "orvane/hexview/OffsetFormat.h"

#include "orvane/hexview/HexDigits.h"
#include "orvane/hexview/HexViewError.h"

#include <algorithm>

namespace orvane::hexview {

namespace {

constexpr qint64 kLongestOffsetDigits = 64;

// Reads hex digits at pos, at most 8 so that the value cannot overflow.
qint64 readHex(const QString &s, qsizetype &pos) {
  qint64 value = 0;
  int count = 0;
  while (pos < s.size() && hexDigitValue(s[pos]) >= 0 && count < 8) {
    value = value * 16 + hexDigitValue(s[pos]);
    ++pos;
    ++count;
  }
  return value;
}

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
    // No offset has more digits than a 64-bit one in base 2: padding further
    // would only let a mistyped count take the machine's memory.
    f.minDigits_ = static_cast<int>(std::min<qint64>(readHex(text, pos), kLongestOffsetDigits));
    expect(text, pos, u'!');
  }

  const qint64 radix = readHex(text, pos);
  expect(text, pos, u':');
  if (radix < 2 || radix > 16)
    throw HexViewError(
        QStringLiteral("Invalid radix in offset format (%1h), allowed: 02h..10h")
            .arg(QString::number(radix, 16).toUpper()));
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
  case Unit::Row:
    return bytesPerRow;
  case Unit::Column:
    return bytesPerColumn;
  case Unit::Bytes:
    break;
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
