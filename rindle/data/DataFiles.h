#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>

// The program and EEPROM file formats over a buffer laid out as flash from
// cell 0 and EEPROM from cell `flashSize`. Each operation returns its result
// text: "OK" or a message ready to show. Loads overlay the buffer without
// clearing it and keep what they stored before an error; no operation touches
// a cell outside the buffer it is given.
namespace rindle::files {

// The largest areas a file may fill: the flash of the biggest device, and the
// EEPROM area whatever the device's own EEPROM size.
inline constexpr std::size_t kMaxFlashBytes = 131072;
inline constexpr std::size_t kMaxEepromBytes = 4096;
// ROM word addresses end with the largest flash.
inline constexpr std::uint32_t kRomWordLimit = kMaxFlashBytes / 2;

// The toolchain's address of EEPROM data in a HEX file made without moving
// the EEPROM section: an EEPROM file read from it starts at EEPROM address 0.
inline constexpr std::uint32_t kToolchainEepromOrigin = 0x810000;

// Each load reads a file by name or, for the same result without file I/O,
// from a device already open for reading (a QBuffer over bytes in memory).
QString LoadProgramHex(std::span<std::uint8_t> buffer, const QString &fileName);
QString LoadProgramBin(std::span<std::uint8_t> buffer, const QString &fileName);
QString LoadProgramRom(std::span<std::uint8_t> buffer, const QString &fileName);
QString LoadEepromHex(std::span<std::uint8_t> buffer, std::int64_t flashSize,
                      const QString &fileName);
QString LoadEepromBin(std::span<std::uint8_t> buffer, std::int64_t flashSize,
                      const QString &fileName);

QString LoadProgramHex(std::span<std::uint8_t> buffer, QIODevice &text);
QString LoadProgramBin(std::span<std::uint8_t> buffer, QIODevice &data);
QString LoadProgramRom(std::span<std::uint8_t> buffer, QIODevice &text);
QString LoadEepromHex(std::span<std::uint8_t> buffer, std::int64_t flashSize, QIODevice &text);
QString LoadEepromBin(std::span<std::uint8_t> buffer, std::int64_t flashSize, QIODevice &data);

QString SaveProgramHex(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                       const QString &fileName);
QString SaveProgramBin(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                       const QString &fileName);
QString SaveProgramRom(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                       const QString &fileName);
QString SaveEepromHex(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                      std::int64_t eepromSize, const QString &fileName);
QString SaveEepromBin(std::span<const std::uint8_t> buffer, std::int64_t flashSize,
                      std::int64_t eepromSize, const QString &fileName);

// The ROM text of an area: one line "AAAAAA:HHLL" per 16-bit word, the word
// address and the word in hex, its low byte from the even cell; a last odd
// cell has no line.
QByteArray RomText(std::span<const std::uint8_t> area);

} // namespace rindle::files
