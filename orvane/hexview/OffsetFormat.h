#pragma once

#include <QString>

#include <cstdint>

namespace orvane::hexview {

// The offset column's mini-language:
//   [unit "%"] ("-!" | digits "!") radix ":" prefix "|" suffix
// unit is "r" (the row length), "c" (the column length) or a hex number of
// bytes (1, 2, 4 or 8); digits is a hex minimum digit count up to 40 (the
// widest offset in binary), "-" computes the count from the last row's
// offset; radix is hex 02 to 10.
class OffsetFormat {
public:
  enum class Unit { Bytes, Row, Column };

  // Parses text; throws HexViewError with the user's text on a bad format.
  static OffsetFormat parse(const QString &text);

  const QString &text() const { return text_; }

  // Bytes per unit for the given row and column lengths.
  qint64 bytesPerUnit(int bytesPerRow, int bytesPerColumn) const;

  // The text of one offset given the last row's offset, which sets the digit
  // count when it is computed.
  QString format(qint64 offset, qint64 lastRowOffset, int bytesPerRow, int bytesPerColumn) const;

private:
  QString text_;
  Unit unit_ = Unit::Bytes;
  qint64 unitBytes_ = 1;
  int minDigits_ = 0;
  bool computedDigits_ = true;
  int radix_ = 16;
  QString prefix_;
  QString suffix_;
};

} // namespace orvane::hexview
