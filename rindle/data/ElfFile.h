#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QString>

// Programs straight from the AVR compiler: the ELF file's loadable segments,
// placed by their physical addresses as the toolchain lays them out. Reading
// and taking are apart, so that a caller can take any part on its own: read
// the file, ask what it must (the signature), check that the parts it wants
// fit the device, then take them. Nothing is taken from a file that was
// refused.
namespace rindle::files {

// Where the toolchain puts each memory in an AVR program's physical address
// space. Flash is everything below the data space.
inline constexpr std::uint32_t kElfFlashEnd = 0x800000;
inline constexpr std::uint32_t kElfEepromBase = 0x810000;
inline constexpr std::uint32_t kElfFuseBase = 0x820000;
inline constexpr std::uint32_t kElfLockBase = 0x830000;
inline constexpr std::uint32_t kElfSignatureBase = 0x840000;
// Each region's room, as the toolchain's linker scripts give it.
inline constexpr std::uint32_t kElfEepromRoom = 0x10000;
inline constexpr std::size_t kElfFuseBytes = 3; // low, high, extended
// A file larger than this is no AVR program (or the wrong file).
inline constexpr std::int64_t kElfMaxFileBytes = 64 * 1024 * 1024;

// A run of bytes from one segment, at an address of its memory.
struct ElfChunk {
  std::uint32_t address;
  std::vector<std::uint8_t> bytes;
  friend bool operator==(const ElfChunk &, const ElfChunk &) = default;
};

// What an ELF file holds for each memory. The signature is kept in the
// order the chip reads it (0x1E first); the file stores it the other way
// round.
struct ElfImage {
  std::vector<ElfChunk> flash;
  std::vector<ElfChunk> eeprom;
  std::array<std::optional<std::uint8_t>, kElfFuseBytes> fuses{}; // low, high, extended
  std::optional<std::uint8_t> lock;
  std::optional<std::array<std::uint8_t, 3>> signature;

  // The bytes the file holds for flash and for EEPROM.
  std::int64_t FlashBytes() const;
  std::int64_t EepromBytes() const;
  // One past the highest address used; 0 when the memory is not in the file.
  std::int64_t FlashEnd() const;
  std::int64_t EepromEnd() const;
  // How many fuse bytes the device must have to take them: one past the
  // last one present.
  std::size_t FuseBytesUsed() const;
  bool HasFuses() const { return FuseBytesUsed() > 0; }
  // The signature packed as the device catalogue keeps it (first byte
  // highest); 0 when the file has none.
  std::int32_t PackedSignature() const;

  friend bool operator==(const ElfImage &, const ElfImage &) = default;
};

// A file read: its image, or why it was refused (nothing else then).
struct ElfRead {
  QString refusal;
  ElfImage image;
  bool ok() const { return refusal.isEmpty(); }
};

// Reads an ELF image from memory; the bytes are neither kept nor changed.
ElfRead ReadElf(std::span<const std::uint8_t> bytes);
// Reads the whole file into memory first (it is never mapped).
ElfRead ReadElfFile(const QString &fileName);

// The parts of an image a caller can take on its own.
enum class ElfPart : std::uint8_t { Flash, Eeprom, Fuses, Lock };
inline constexpr std::array<ElfPart, 4> kAllElfParts{ElfPart::Flash, ElfPart::Eeprom,
                                                     ElfPart::Fuses, ElfPart::Lock};

// The device the parts go to.
struct ElfTarget {
  QString device; // as the device list names it
  std::int64_t flashSize = 0;
  std::int64_t eepromSize = 0;
  std::size_t fuseCount = 0;
};

// Why a part of the image does not fit the device; empty when it fits or
// the file does not have that part.
QString ElfPartRefusal(const ElfImage &image, ElfPart part, const ElfTarget &target);
// The first refusal among `parts`.
QString ElfRefusal(const ElfImage &image, const ElfTarget &target,
                   std::span<const ElfPart> parts = kAllElfParts);

// The flash area (cells 0 to flashSize - 1) cleared to blank, then the
// file's flash data: an ELF file is a whole image. Check the part first;
// data outside the area are not written.
void TakeElfFlash(const ElfImage &image, std::span<std::uint8_t> buffer, std::int64_t flashSize);
// When the file has EEPROM data: the EEPROM area (from cell flashSize)
// cleared to blank, then the data. Otherwise nothing changes.
void TakeElfEeprom(const ElfImage &image, std::span<std::uint8_t> buffer, std::int64_t flashSize,
                   std::int64_t eepromSize);

// What was taken, for a status line: "flash 1,234 bytes, EEPROM 16, fuses E1
// D9, lock -" (a dash for a part the file does not have).
QString ElfTakenText(const ElfImage &image);

// The message for a refused file: its name without the folder, then why.
QString ElfNotLoaded(const QString &fileName, const QString &reason);

// Three signature bytes as "1E 93 07".
QString SignatureBytesText(std::int32_t packed);

} // namespace rindle::files
