#pragma once

#include <QChar>

namespace orvane::hexview {

// The value of a hex digit in either case, or -1 for any other character.
inline int hexDigitValue(QChar ch) {
  const char16_t c = ch.unicode();
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

} // namespace orvane::hexview
