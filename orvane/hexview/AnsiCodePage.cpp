#include "orvane/hexview/AnsiCodePage.h"

namespace orvane::hexview::ansi {

namespace {

// 0x80-0x9F; 0 marks the unassigned codes.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::array<std::uint8_t, 256> makeIdentity() {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i)
    t[i] = static_cast<std::uint8_t>(i);
  return t;
}

std::array<std::uint8_t, 256> makeLower() {
  std::array<std::uint8_t, 256> t = makeIdentity();
  for (int i = 0; i < 256; ++i) {
    const auto ch = toChar(static_cast<std::uint8_t>(i));
    if (!ch)
      continue;
    const auto lower = fromChar(ch->toLower());
    if (lower)
      t[i] = *lower;
  }
  return t;
}

} // namespace

std::optional<QChar> toChar(std::uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0)
    return QChar(byte);
  const char16_t c = kHighControls[byte - 0x80];
  if (c == 0)
    return std::nullopt;
  return QChar(c);
}

std::optional<std::uint8_t> fromChar(QChar ch) {
  const char16_t u = ch.unicode();
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
    return static_cast<std::uint8_t>(u);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] != 0 && kHighControls[i] == u)
      return static_cast<std::uint8_t>(0x80 + i);
  return std::nullopt;
}

const std::array<std::uint8_t, 256> &lowerCaseTable() {
  static const std::array<std::uint8_t, 256> table = makeLower();
  return table;
}

const std::array<std::uint8_t, 256> &identityTable() {
  static const std::array<std::uint8_t, 256> table = makeIdentity();
  return table;
}

} // namespace orvane::hexview::ansi
