#pragma once

#include <QIODevice>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rindle::files {

// How an Intel HEX file maps onto a buffer.
struct HexReadRules {
  // Buffer cell of file address 0.
  std::size_t base = 0;
  // File addresses from this one on stop the load with "Address out of
  // range . . ."; so does any cell beyond the buffer.
  std::uint32_t addressLimit = 0;
  // Honour extended segment (02) and extended linear (04) address records.
  // Without them every record of type 02 and above is skipped and addresses
  // are the records' 16-bit load addresses.
  bool extendedAddresses = true;
  // An extended linear address that stands for file address 0: the AVR
  // toolchain puts EEPROM data at 0x810000 unless the section is moved. 0
  // for none.
  std::uint32_t areaOrigin = 0;
};

// Loads Intel HEX text as an overlay on `buffer`; returns "OK" or the error.
// The bytes stored before an error stay in the buffer.
QString ReadIntelHex(std::span<std::uint8_t> buffer, QIODevice &text, const HexReadRules &rules);
// The same from a file ("File access error . . ." when it cannot be read).
QString ReadIntelHex(std::span<std::uint8_t> buffer, const QString &fileName,
                     const HexReadRules &rules);

// Writes `area` as data records of 16 bytes with addresses from 0 and the end
// record. Areas above 64 KiB cannot be given 16-bit addresses and are refused.
QString WriteIntelHex(std::span<const std::uint8_t> area, const QString &fileName);

} // namespace rindle::files
