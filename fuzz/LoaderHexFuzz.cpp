// The loader's Intel HEX reader: a file it takes whole gives an image that
// the writer saves and the reader reads back to the same bytes; a file it
// stops at leaves the byte count as it was; nothing lands beyond the highest
// address the reader reports.
#include "fuzz/FuzzSupport.h"
#include "orvane/core/LoaderBuffer.h"

#include <algorithm>
#include <cstring>
#include <memory>

using namespace orvane;

namespace {

constexpr std::int32_t kUntouched = -12345;

// True when the cells from `from` on are all blank (0xFF).
FUZZ_UNTRACED bool BlankFrom(const std::array<std::uint8_t, kImageSize> &area, int from) {
  static const auto blank = [] {
    std::array<std::uint8_t, kImageSize> a;
    a.fill(0xFF);
    return a;
  }();
  return std::memcmp(area.data() + from, blank.data(), std::size_t(kImageSize - from)) == 0;
}

// The image as HEX text. Small images go through the whole-file writer;
// larger ones through the one-record writer, record by record, skipping
// blank records, so that a high address does not make every run slow. The
// last record is written even when blank: the byte count read back comes
// from the highest address a record reaches.
FUZZ_UNTRACED QByteArray Saved(const LoaderBuffer &b) {
  const int count = b.HighestAddress + 1;
  if (count <= 4096)
    return HexFileText(b.ImageArea, count);
  QByteArray text;
  for (int a = 0; a < count; a += 16) {
    const int n = std::min(16, count - a);
    const auto first = b.ImageArea.begin() + a;
    const bool last = a + n == count;
    if (!last && std::all_of(first, first + n, [](std::uint8_t c) { return c == 0xFF; }))
      continue;
    text += writeline(a, n, b.ImageArea).toLatin1() + "\r\n";
  }
  return text + ":00000001FF\r\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const auto first = std::make_unique<LoaderBuffer>();
  static const auto again = std::make_unique<LoaderBuffer>();
  LoaderBuffer &b = *first;
  b.BytesLoaded = kUntouched;

  const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
  int ignored = 0;
  const HexLoadResult r = b.LoadHex(text, [&](const QString &) { ++ignored; });

  FUZZ_CHECK(b.HighestAddress >= 0 && b.HighestAddress < kImageSize,
             "highest address in the image");
  FUZZ_CHECK(BlankFrom(b.CopyArea, 0), "a load leaves the copy area blank");
  FUZZ_CHECK(BlankFrom(b.ImageArea, b.HighestAddress + 1),
             "nothing stored above the highest address");

  if (r.end == HexLoadResult::End::NotANumber) {
    FUZZ_CHECK(b.BytesLoaded == kUntouched, "a load stopped at a bad number keeps the byte count");
    FUZZ_CHECK(r.message.startsWith(QLatin1String("'$")) && r.message.endsWith(QLatin1Char('.')),
               "the conversion error names the field");
    return 0;
  }
  FUZZ_CHECK(b.BytesLoaded == (b.HighestAddress != 0 ? b.HighestAddress + 1 : 0),
             "byte count from the highest address");
  if (r.end == HexLoadResult::End::BeyondImage) {
    FUZZ_CHECK(!r.message.isEmpty(), "a stop beyond the image says so");
    return 0;
  }

  // Saved and read back: the same image, every line taken.
  LoaderBuffer &c = *again;
  int ignoredAgain = 0;
  const HexLoadResult back = c.LoadHex(Saved(b), [&](const QString &) { ++ignoredAgain; });
  FUZZ_CHECK(back.end == HexLoadResult::End::Complete, "the saved file loads whole");
  FUZZ_CHECK(ignoredAgain == 0, "no line of the saved file is ignored");
  FUZZ_CHECK(c.ImageArea == b.ImageArea, "the saved file reads back to the same image");
  FUZZ_CHECK(c.BytesLoaded == b.BytesLoaded, "the saved file reads back to the same byte count");
  return 0;
}
