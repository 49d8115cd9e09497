#pragma once

#include <cstdint>
#include <string_view>

#include <QString>

// The texts the chip operations leave in ResultText. A "\r" is a line break
// on screen.
namespace tollen::report {

inline constexpr char kOk[] = "OK";
inline constexpr char kNoSignature[] = "Signature Data not available in ISP mode";

// A difference on a byte-addressed device (the AT89S chips, their EEPROM
// included); the AT89S51/52 programming run says "Program" instead of "Buffer".
QString ByteDifference(bool programRun, std::uint32_t cell, std::uint8_t read,
                       std::uint8_t expected);
// A difference in AVR flash, shown at its word address.
QString AvrFlashDifference(std::uint32_t byteAddress, std::uint8_t read, std::uint8_t expected);
// A difference in AVR EEPROM, shown at its buffer cell.
QString AvrEepromDifference(std::uint32_t cell, std::uint8_t read, std::uint8_t expected);

// "Byte-1         1E\rByte-2 ...\rByte-3         07\r"
QString SignatureLines(const std::uint8_t (&bytes)[3]);
QString SignatureMismatch(const std::uint8_t (&bytes)[3]);
QString At89SignatureAndLocks(std::string_view chip, const std::uint8_t (&bytes)[3],
                              std::uint16_t lockBits);
QString AvrSignature(std::string_view chip, const std::uint8_t (&bytes)[3]);

} // namespace tollen::report
