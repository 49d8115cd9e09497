// The ISP programmer's ELF reader, and the engine taking what it read for a
// few devices: a file is either refused and changes nothing (buffer, fuse
// state, file names), or every byte taken lies inside the device's flash and
// EEPROM areas and its fuse bytes, the flash area holds exactly the file's
// flash data on blank, and the EEPROM area the file's EEPROM data.
#include "common/testing/RecordingPort.h"
#include "fuzz/FuzzSupport.h"
#include "rindle/engine/IspEngine.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace rindle;

namespace {

constexpr std::uint16_t kDevices[] = {device::kTiny13, device::kMega8, device::kMega128,
                                      device::kAt90S2313};

// Cells that differ from blank and from each other, so that a cell written
// or cleared where it must not be shows.
FUZZ_UNTRACED void Scribble(IspBuffer &buffer) {
  for (std::size_t i = 0; i < buffer.cells.size(); ++i)
    buffer.cells[i] = static_cast<std::uint8_t>(i * 7 + 3);
}

struct Before {
  FuseState fuses;
  QString program, eeprom;
};

FUZZ_UNTRACED void Put(std::span<std::uint8_t> area, const std::vector<files::ElfChunk> &chunks) {
  for (const files::ElfChunk &c : chunks) {
    FUZZ_CHECK(c.address + c.bytes.size() <= area.size(), "taken data lie inside their area");
    std::copy(c.bytes.begin(), c.bytes.end(), area.begin() + c.address);
  }
}

// What a read image may hold at all, whatever the device.
void CheckImage(const files::ElfImage &image) {
  for (const files::ElfChunk &c : image.flash)
    FUZZ_CHECK(!c.bytes.empty() && c.address + c.bytes.size() <= files::kElfFlashEnd,
               "flash data lie below the data space");
  for (const files::ElfChunk &c : image.eeprom)
    FUZZ_CHECK(!c.bytes.empty() && c.address + c.bytes.size() <= files::kElfEepromRoom,
               "EEPROM data lie inside the EEPROM region");
  FUZZ_CHECK(image.FuseBytesUsed() <= files::kElfFuseBytes, "at most three fuse bytes");
}

void Check(IspEngine &e, std::uint16_t device, const files::ElfImage &image,
           std::vector<std::uint8_t> &expected) {
  e.Device.DeviceIndex = device;
  e.SelectDevice();
  e.Fuses = {0x0A, 0x5A, 0x6B, 0x7C, 0x8D};
  e.Fuses = ApplyForcedFuses(*e.CurrentDevice(), e.Fuses);
  e.ProgramFileName = QStringLiteral("program.elf");
  e.EepromFileName = QStringLiteral("data.eep");
  e.ResultText.clear();
  Scribble(e.Buffer);
  const Before before{e.Fuses, e.ProgramFileName, e.EepromFileName};
  expected.assign(e.Buffer.cells.begin(), e.Buffer.cells.end());

  e.TakeElfImage(image);

  const std::size_t flash = static_cast<std::size_t>(e.Device.FlashSize);
  const std::size_t eeprom = e.Device.EepromSize;
  if (e.ResultText != QStringLiteral("OK")) {
    FUZZ_CHECK(e.ResultText.startsWith(QStringLiteral("program.elf not loaded:\r")),
               "a refusal names the file");
    FUZZ_CHECK(std::memcmp(expected.data(), e.Buffer.cells.data(), expected.size()) == 0,
               "a refused file leaves the buffer unchanged");
    FUZZ_CHECK(e.Fuses == before.fuses, "a refused file leaves the fuse state unchanged");
    FUZZ_CHECK(e.EepromFileName == before.eeprom, "a refused file keeps the EEPROM file");
    return;
  }
  FUZZ_CHECK(image.FlashEnd() <= std::int64_t(flash), "flash data fit the device's flash");
  FUZZ_CHECK(image.EepromEnd() <= std::int64_t(eeprom), "EEPROM data fit the device's EEPROM");
  FUZZ_CHECK(image.FuseBytesUsed() <= e.Device.FuseCount, "fuse bytes fit the device's fuses");

  const std::span<std::uint8_t> all(expected);
  std::fill_n(all.begin(), flash, kBlankByte);
  Put(all.first(flash), image.flash);
  if (!image.eeprom.empty()) {
    std::fill_n(all.begin() + flash, eeprom, kBlankByte);
    Put(all.subspan(flash, eeprom), image.eeprom);
  }
  FUZZ_CHECK(std::memcmp(expected.data(), e.Buffer.cells.data(), expected.size()) == 0,
             "the areas hold the file's data on blank, and no other cell changed");
  FUZZ_CHECK(e.EepromFileName == (image.eeprom.empty() ? before.eeprom : QString()),
             "EEPROM data from the file replace the EEPROM file");

  FuseState fuses = before.fuses;
  const FuseField fields[] = {FuseField::FuseLow, FuseField::FuseHigh, FuseField::FuseExtended};
  for (std::size_t i = 0; i < image.fuses.size(); ++i)
    if (image.fuses[i])
      FuseByte(fuses, fields[i]) = *image.fuses[i];
  if (image.lock) {
    fuses.LockByte = *image.lock;
    fuses.LockBits = static_cast<std::uint16_t>((fuses.LockBits & ~3u) | (~*image.lock & 3u));
  }
  FUZZ_CHECK(e.Fuses == ApplyForcedFuses(*e.CurrentDevice(), fuses),
             "the fuse state holds the file's fuse and lock bytes, the rest as it was");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static common::RecordingPort hw;
  static IspEngine engine(hw, hw);
  static std::vector<std::uint8_t> expected;

  const std::vector<std::uint8_t> input(data, data + size);
  const files::ElfRead read = files::ReadElf(input);
  FUZZ_CHECK(std::equal(input.begin(), input.end(), data), "the reader leaves its input alone");
  if (!read.ok()) {
    FUZZ_CHECK(read.image == files::ElfImage{}, "a refused file gives nothing");
    return 0;
  }
  CheckImage(read.image);
  for (std::uint16_t device : kDevices)
    Check(engine, device, read.image, expected);
  return 0;
}
