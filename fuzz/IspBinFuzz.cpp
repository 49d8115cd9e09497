// The ISP programmer's BIN readers, for program and EEPROM files: the file's
// bytes land from the area's first cell, as many as the area holds, and no
// other cell changes.
#include "fuzz/IspFuzzBuffer.h"
#include "rindle/data/DataFiles.h"
#include "rindle/data/FileTexts.h"

#include <cstring>

using namespace rindle::files;

namespace {

void CheckLanded(const fuzz::GuardedBuffer &buffer, std::size_t first, std::size_t room,
                 const QByteArray &bytes) {
  const std::size_t n = std::min(room, std::size_t(bytes.size()));
  FUZZ_CHECK(buffer.guardsWhole(), "a BIN load writes nothing outside the buffer");
  FUZZ_CHECK(std::memcmp(buffer.span().data() + first, bytes.constData(), n) == 0,
             "the file's bytes land from the area's first cell");
  FUZZ_CHECK(buffer.blankOutside(first, n), "no other cell changes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::int64_t flashSize = fuzz::TakeFlashSize(in);
  const QByteArray bytes = in.rest();
  static fuzz::GuardedBuffer buffer;

  buffer.clear();
  {
    fuzz::ByteDevice device(bytes);
    FUZZ_CHECK(LoadProgramBin(buffer.span(), device.device()) == kOk, "any program BIN file loads");
    CheckLanded(buffer, 0, kMaxFlashBytes, bytes);
  }

  buffer.clear();
  fuzz::ByteDevice device(bytes);
  const QString r = LoadEepromBin(buffer.span(), flashSize, device.device());
  if (flashSize < 0 || flashSize > std::int64_t(buffer.span().size())) {
    FUZZ_CHECK(r == kAddressOutOfRange, "an EEPROM area outside the buffer is refused");
    FUZZ_CHECK(buffer.guardsWhole() && buffer.blankOutside(0, 0), "a refused load changes nothing");
    return 0;
  }
  FUZZ_CHECK(r == kOk, "any EEPROM BIN file loads");
  const std::size_t room = std::min(kMaxEepromBytes, buffer.span().size() - std::size_t(flashSize));
  CheckLanded(buffer, std::size_t(flashSize), room, bytes);
  return 0;
}
