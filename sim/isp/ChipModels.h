#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace sim::isp {

// The serial programming dialects the simulated chips speak.
enum class Family {
  At89S51,     // AT89S51, AT89S52: four-byte instructions, answer in byte 4
  At89S8252,   // AT89S53, AT89S8252: three-byte instructions, answer in byte 3
  At89S8253,   // four-byte instructions plus streamed page transfers
  AvrByteMode, // AT90S, ATtiny12, ATtiny15: flash and EEPROM written byte by byte
  AvrPageMode, // ATmega, the other ATtiny: flash written through a page buffer
};

// Differences inside the byte-mode AVR family.
enum class ByteVariant {
  None,      // not a byte-mode AVR
  At90S,     // AT90S2313, AT90S8515: lock write AC 111x x21x, no fuse or lock read
  At90S1200, // as At90S, but no 0x53 echo during programming enable
  At90S4433, // fuse write AC 101f ffff, lock write AC 1111 121 1, fuse and lock reads
  At90S8535, // FSTRT write AC 1011 111f, lock write AC 1111 121 1, fuse and lock reads
  Tiny,      // ATtiny12/15: fuse write AC A0 xx DD, lock write AC 1111 121 1, calibration
};

// One fuse byte as the chip stores it. Bits in fixedMask cannot be changed
// through serial programming (unused bits read 1; SPIEN stays programmed, 0);
// they always read as fixedBits.
struct FuseModel {
  bool present = false;
  std::uint8_t fixedMask = 0;
  std::uint8_t fixedBits = 0;
  std::uint8_t factory = 0xFF; // value on a new chip
  // Bits that, once programmed, end serial programming from the next reset
  // on (RSTDISBL, DWEN): the chip can then only be rescued by other means.
  std::uint8_t ispKillers = 0;
  // Bits that must stay programmed for serial programming to go on from the
  // next reset (the AT89S8253's SPIEN user fuse).
  std::uint8_t ispEnablers = 0;
};

enum FuseIndex { kFuseLow = 0, kFuseHigh = 1, kFuseExtended = 2 };

// Write and erase times, in ticks of 1/1,193,182 s, counted from the rising
// SCK edge that completes the instruction (or the last byte of a page
// stream). An instruction whose first rising edge comes earlier is ignored,
// except the polls the chip answers while busy (see Chip).
struct Timing {
  std::uint32_t flashWrite;  // one byte, or one page
  std::uint32_t eepromWrite; // one byte, or one page
  std::uint32_t erase;
  std::uint32_t fuseWrite;
  std::uint32_t lockWrite;
  // After reset becomes active the chip needs this long before its serial
  // interface counts clock edges; earlier edges are lost.
  std::uint32_t resetSettle;
};

// The fuse bit that keeps the EEPROM through a chip erase while programmed.
struct EesaveBit {
  bool present = false;
  FuseIndex fuse = kFuseLow;
  std::uint8_t mask = 0;
};

// One chip as its data sheet describes it.
struct ChipModel {
  std::string_view name;     // "ATmega8"
  std::string_view listName; // the programmer's device list spelling, "MEGA8"
  Family family;
  ByteVariant variant;
  std::uint32_t flashSize;
  std::uint32_t eepromSize;        // without the AT89S8253 user signature
  std::uint32_t userSignatureSize; // AT89S8253: 64, otherwise 0
  std::array<std::uint8_t, 3> signature;
  std::uint8_t signatureCount;    // 0: no signature readable in serial mode
  std::uint16_t flashPageSize;    // bytes per page; 0 for byte writes
  std::uint16_t eepromPageSize;   // bytes per page; 0 for byte writes
  std::array<FuseModel, 3> fuses; // low, high, extended
  std::uint8_t lockMask;          // lock byte bits that exist (LB1 = bit 0)
  std::uint8_t calibrationCount;
  std::array<std::uint8_t, 4> calibration; // factory OSCCAL values
  Timing timing;
  EesaveBit eesave;
  // Answers "Poll RDY/BSY" (F0 00 00 xx: bit 0 of byte 4 set while busy).
  bool readyPoll;
  // AT90S: flash and EEPROM byte writes are data-polled (a read of the
  // location being written answers 0x7F for flash, 0xFF for EEPROM), and
  // with both lock bits programmed the signature reads 00 01 02.
  bool at90s() const { return variant != ByteVariant::None && variant != ByteVariant::Tiny; }

  bool resetActiveHigh() const {
    return family == Family::At89S51 || family == Family::At89S8252 || family == Family::At89S8253;
  }
  bool isAvr() const { return !resetActiveHigh(); }
};

// The 34 chips, in the order of the programmer's device list.
std::span<const ChipModel> ChipModels();

// Finds a chip by name, ignoring case and an "AT" prefix: "ATmega8",
// "MEGA8", "atmega8", "AT89S51", "89S51", "TINY2313". nullptr when unknown.
const ChipModel *FindChipModel(std::string_view name);

} // namespace sim::isp
