// The ISP programmer's ROM reader: nothing lands outside the buffer or the
// largest flash, and a file taken whole gives cells that the ROM writer
// saves and the reader reads back to the same bytes.
#include "fuzz/IspFuzzBuffer.h"
#include "rindle/data/DataFiles.h"
#include "rindle/data/FileTexts.h"

using namespace rindle::files;

namespace {
constexpr std::size_t kRoundTripWindow = 16384;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
  static fuzz::GuardedBuffer buffer;
  static fuzz::GuardedBuffer again;
  buffer.clear();

  fuzz::ByteDevice device(text);
  const QString r = LoadProgramRom(buffer.span(), device.device());
  FUZZ_CHECK(buffer.guardsWhole(), "a ROM load writes nothing outside the buffer");
  FUZZ_CHECK(buffer.blankOutside(0, kMaxFlashBytes), "a ROM load writes only the flash");
  FUZZ_CHECK(r == kOk || r.startsWith(kInvalidRom) || r == kAddressOutOfRange,
             "a ROM load ends with one of its messages");
  if (r != kOk)
    return 0;

  auto [lo, hi] = buffer.used(0, kMaxFlashBytes);
  if (lo >= hi)
    return 0;
  // Whole words: from an even cell to an even end.
  lo &= ~std::size_t(1);
  hi += hi & 1;
  if (hi - lo > kRoundTripWindow)
    return 0;
  // The writer numbers words from its area's start; the reader puts them
  // back there, so the window is read into a buffer of its own and compared.
  again.clear();
  const QByteArray saved = RomText(buffer.span().subspan(lo, hi - lo));
  fuzz::ByteDevice back(saved);
  FUZZ_CHECK(LoadProgramRom(again.span(), back.device()) == kOk, "the saved ROM text reads back");
  FUZZ_CHECK(std::memcmp(again.span().data(), buffer.span().data() + lo, hi - lo) == 0,
             "the saved ROM text reads back to the same bytes");
  FUZZ_CHECK(again.blankOutside(0, hi - lo), "the saved ROM text holds only its words");
  return 0;
}
