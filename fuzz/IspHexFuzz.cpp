// The ISP programmer's Intel HEX readers, for program files and for EEPROM
// (".eep") files: nothing lands outside the buffer, an EEPROM file writes
// only the EEPROM area after the flash, and a file taken whole gives cells
// that the HEX writer saves and the reader reads back to the same bytes.
#include "common/IntelHex.h"
#include "fuzz/IspFuzzBuffer.h"
#include "rindle/data/DataFiles.h"
#include "rindle/data/FileTexts.h"
#include "rindle/data/IntelHex.h"
#include "rindle/data/TextLines.h"

using namespace rindle::files;

namespace {

// The round trip stays cheap: only the used cells of a window this long
// are saved and read back.
constexpr std::size_t kRoundTripWindow = 16384;

bool KnownResult(const QString &r) {
  return r == kOk || r.startsWith(kInvalidHex) || r == kChecksumError || r == kAddressOutOfRange;
}

// Saves cells [lo, hi) with the HEX writer and reads them back at the same
// place: the same cells.
void RoundTrip(const fuzz::GuardedBuffer &loaded, std::size_t lo, std::size_t hi) {
  static fuzz::GuardedBuffer again;
  again.clear();
  const QByteArray text = common::ihex::Encode(loaded.span().subspan(lo, hi - lo), kLineEnd);
  fuzz::ByteDevice device(text);
  HexReadRules rules;
  rules.base = lo;
  rules.addressLimit = std::uint32_t(hi - lo);
  const QString r = ReadIntelHex(again.span(), device.device(), rules);
  FUZZ_CHECK(r == kOk, "the saved cells read back without an error");
  FUZZ_CHECK(again.sameCells(loaded), "the saved cells read back to the same bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::int64_t flashSize = fuzz::TakeFlashSize(in);
  const QByteArray text = in.rest();
  static fuzz::GuardedBuffer buffer;

  // A program file.
  buffer.clear();
  {
    fuzz::ByteDevice device(text);
    const QString r = LoadProgramHex(buffer.span(), device.device());
    FUZZ_CHECK(buffer.guardsWhole(), "a program HEX load writes nothing outside the buffer");
    FUZZ_CHECK(KnownResult(r), "a program HEX load ends with one of its messages");
    if (r == kOk) {
      const auto [lo, hi] = buffer.used(0, buffer.span().size());
      if (hi - lo <= kRoundTripWindow && lo < hi)
        RoundTrip(buffer, lo, hi);
    }
  }

  // An EEPROM file.
  buffer.clear();
  {
    fuzz::ByteDevice device(text);
    const QString r = LoadEepromHex(buffer.span(), flashSize, device.device());
    FUZZ_CHECK(buffer.guardsWhole(), "an EEPROM HEX load writes nothing outside the buffer");
    FUZZ_CHECK(KnownResult(r), "an EEPROM HEX load ends with one of its messages");
    if (flashSize < 0 || flashSize > std::int64_t(buffer.span().size())) {
      FUZZ_CHECK(r == kAddressOutOfRange, "an EEPROM area outside the buffer is refused");
      FUZZ_CHECK(buffer.blankOutside(0, 0), "a refused EEPROM area changes nothing");
      return 0;
    }
    FUZZ_CHECK(buffer.blankOutside(std::size_t(flashSize), kMaxEepromBytes),
               "an EEPROM HEX load writes only the EEPROM area");
    if (r == kOk) {
      const auto [lo, hi] = buffer.used(std::size_t(flashSize), buffer.span().size());
      if (lo < hi)
        RoundTrip(buffer, lo, hi);
    }
  }
  return 0;
}
