// The hex view's text inputs. Hex digit text: one byte per pair of digits,
// the swapped reading the same bytes with their nibbles swapped. Search
// patterns: the search finds exactly the first match a plain scan finds,
// for any start and end. Offset formats: a format that parses gives offsets
// of prefix, digits of the radix and suffix, in bounded length.
#include "common/HexText.h"
#include "fuzz/FuzzSupport.h"
#include "orvane/hexview/AnsiCodePage.h"
#include "orvane/hexview/HexSearch.h"
#include "orvane/hexview/HexViewError.h"
#include "orvane/hexview/OffsetFormat.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace orvane::hexview;

namespace {

void CheckHexText(const QByteArray &bytes) {
  const QString text = QString::fromUtf8(bytes);
  const qsizetype digits = std::count_if(
      text.begin(), text.end(), [](QChar c) { return common::hex::DigitValue(c.unicode()) >= 0; });
  const QByteArray plain = HexTextToBytes(text, false);
  const QByteArray swapped = HexTextToBytes(text, true);
  FUZZ_CHECK(plain.size() == digits / 2, "one byte per pair of digits");
  FUZZ_CHECK(swapped.size() == plain.size(), "swapping keeps the count");
  for (qsizetype i = 0; i < plain.size(); ++i) {
    const auto p = std::uint8_t(plain[i]);
    FUZZ_CHECK(std::uint8_t(swapped[i]) == std::uint8_t(p << 4 | p >> 4),
               "the swapped reading swaps each byte's nibbles");
  }
}

// Limits as they come from the input, edges of the 64-bit range included.
qint64 Limit(fuzz::Input &in) {
  switch (in.byte() % 8) {
  case 0: return std::numeric_limits<qint64>::max() - in.byte();
  case 1: return std::numeric_limits<qint64>::min() + in.byte();
  case 2: return -qint64(in.byte());
  default: return in.word();
  }
}

void CheckSearch(fuzz::Input &in) {
  const bool ignoreCase = in.flag();
  const qint64 start = Limit(in);
  const qint64 end = Limit(in);
  const QByteArray pattern = PrepareSearch(in.take(in.byte() % 8 + 1), ignoreCase, false);
  const QByteArray data = in.rest();
  const auto *d = reinterpret_cast<const std::uint8_t *>(data.constData());
  const auto *p = reinterpret_cast<const std::uint8_t *>(pattern.constData());
  const qint64 size = data.size();
  const qint64 length = pattern.size();

  if (ignoreCase)
    FUZZ_CHECK(PrepareSearch(pattern, true, false) == pattern, "a prepared pattern stays as it is");

  // The plain scan: every start from max(start, 0) whose match ends by
  // min(end, size - 1).
  const auto &lower = ansi::lowerCaseTable();
  qint64 expected = -1;
  const qint64 last = std::min(end, size - 1);
  for (qint64 at = std::max<qint64>(start, 0); at < size && at <= last && last - at + 1 >= length;
       ++at) {
    bool match = true;
    for (qint64 i = 0; i < length && match; ++i)
      match = (ignoreCase ? lower[d[at + i]] : d[at + i]) == p[i];
    if (match) {
      expected = at;
      break;
    }
  }
  FUZZ_CHECK(FindPattern(d, size, p, length, start, end, ignoreCase) == expected,
             "the search finds the first match");
}

void CheckOffsetFormat(fuzz::Input &in) {
  const int bytesPerRow = in.byte() % 64 + 1;
  const int bytesPerColumn = in.byte() % 8 + 1;
  const qint64 offset = qint64(in.word()) << (in.byte() % 40);
  const qint64 lastRow = qint64(in.word()) << (in.byte() % 40);
  const QString text = QString::fromUtf8(in.rest());
  OffsetFormat format;
  try {
    format = OffsetFormat::parse(text);
  } catch (const HexViewError &e) {
    FUZZ_CHECK(!e.text().isEmpty(), "a refused format says why");
    return;
  }
  const QString shown = format.format(offset, lastRow, bytesPerRow, bytesPerColumn);
  // prefix, then the digits of a 64-bit offset (64 in base 2 at the most), then suffix.
  const qsizetype colon = text.indexOf(u':');
  const qsizetype bar = text.indexOf(u'|', colon + 1);
  FUZZ_CHECK(colon >= 0 && bar > colon, "a format that parses has its colon and bar");
  const QString prefix = text.mid(colon + 1, bar - colon - 1);
  const QString suffix = text.mid(bar + 1);
  FUZZ_CHECK(shown.startsWith(prefix) && shown.endsWith(suffix),
             "an offset stands between the format's prefix and suffix");
  const QString digits = shown.mid(prefix.size(), shown.size() - prefix.size() - suffix.size());
  FUZZ_CHECK(digits.size() >= 1 && digits.size() <= 64, "an offset has 1 to 64 digits");
  FUZZ_CHECK(std::all_of(
                 digits.begin(), digits.end(),
                 [](QChar c) { return common::hex::DigitValue(c.unicode()) >= 0 && !c.isLower(); }),
             "an offset's digits are upper-case digits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Input in(data, size);
  switch (in.byte() % 3) {
  case 0: CheckHexText(in.rest()); break;
  case 1: CheckSearch(in); break;
  default: CheckOffsetFormat(in); break;
  }
  return 0;
}
