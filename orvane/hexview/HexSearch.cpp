#include "orvane/hexview/HexSearch.h"

#include "common/HexText.h"
#include "orvane/hexview/AnsiCodePage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace orvane::hexview {

namespace {

using Table = std::array<std::uint8_t, 256>;

bool tailMatches(const std::uint8_t *at, const std::uint8_t *pattern, qint64 length,
                 const Table &lower) {
  for (qint64 i = 1; i < length; ++i)
    if (lower[at[i]] != pattern[i])
      return false;
  return true;
}

// First of [from, to) holding one of the given bytes, or to. Whole blocks are
// tested first with a compare the compiler turns into vector code.
const std::uint8_t *findAnyOfTwo(const std::uint8_t *from, const std::uint8_t *to, std::uint8_t a,
                                 std::uint8_t b) {
  constexpr std::ptrdiff_t kBlock = 64;
  while (to - from >= kBlock) {
    unsigned hit = 0;
    for (std::ptrdiff_t i = 0; i < kBlock; ++i)
      hit |= static_cast<unsigned>(from[i] == a) | static_cast<unsigned>(from[i] == b);
    if (hit)
      break;
    from += kBlock;
  }
  for (; from < to; ++from)
    if (*from == a || *from == b)
      return from;
  return to;
}

qint64 findFolded(const std::uint8_t *data, const std::uint8_t *pattern, qint64 length,
                  qint64 start, qint64 lastStart) {
  const Table &lower = ansi::lowerCaseTable();
  // Every byte whose lower case is the pattern's first byte: none, one, or a
  // letter's two cases.
  std::array<std::uint8_t, 256> firsts{};
  int firstCount = 0;
  for (int b = 0; b < 256; ++b)
    if (lower[b] == pattern[0])
      firsts[firstCount++] = static_cast<std::uint8_t>(b);
  if (firstCount == 0)
    return -1;

  const std::uint8_t *p = data + start;
  const std::uint8_t *stop = data + lastStart + 1;
  while (p < stop) {
    if (firstCount == 1) {
      p = static_cast<const std::uint8_t *>(std::memchr(p, firsts[0], stop - p));
      if (!p)
        return -1;
    } else if (firstCount == 2) {
      p = findAnyOfTwo(p, stop, firsts[0], firsts[1]);
      if (p == stop)
        return -1;
    } else if (lower[*p] != pattern[0]) {
      ++p;
      continue;
    }
    if (tailMatches(p, pattern, length, lower))
      return p - data;
    ++p;
  }
  return -1;
}

} // namespace

QByteArray PrepareSearch(const QByteArray &text, bool ignoreCase, bool /*isText*/) {
  QByteArray pattern = text;
  if (ignoreCase) {
    const Table &lower = ansi::lowerCaseTable();
    for (char &c : pattern)
      c = static_cast<char>(lower[static_cast<std::uint8_t>(c)]);
  }
  return pattern;
}

qint64 FindPattern(const std::uint8_t *data, qint64 size, const std::uint8_t *pattern,
                   qint64 length, qint64 start, qint64 end, bool ignoreCase) {
  end = std::min(end, size - 1);
  start = std::max<qint64>(start, 0);
  // Compared as a distance: start + length overflows for a start near the
  // largest position.
  if (length <= 0 || start > end || end - start + 1 < length)
    return -1;
  const qint64 lastStart = end + 1 - length;
  if (ignoreCase)
    return findFolded(data, pattern, length, start, lastStart);
  const void *hit = memmem(data + start, static_cast<std::size_t>(end + 1 - start), pattern,
                           static_cast<std::size_t>(length));
  return hit ? static_cast<const std::uint8_t *>(hit) - data : -1;
}

QByteArray HexTextToBytes(const QString &text, bool swapNibbles) {
  QByteArray bytes;
  bytes.reserve(text.size() / 2);
  int first = -1;
  for (QChar ch : text) {
    const int digit = common::hex::DigitValue(ch.unicode());
    if (digit < 0)
      continue;
    if (first < 0) {
      first = digit;
      continue;
    }
    const int value = swapNibbles ? (digit << 4) | first : (first << 4) | digit;
    bytes.append(static_cast<char>(value));
    first = -1;
  }
  return bytes;
}

} // namespace orvane::hexview
