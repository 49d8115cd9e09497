#pragma once

#include <cstdint>

#include "isp/core/IspLines.h"

// The serial programming instructions of the five families, as builders
// that fill the instruction slots. A builder sets only the slots its
// instruction defines; the others keep what the previous instruction left,
// which the chips ignore. Slots may receive whole addresses: only their low
// byte goes out. Each family also names the response slot of its answers
// and the waits that follow its writes.
namespace rindle::isp {

inline constexpr std::uint16_t kProgrammingEnable = 0xAC;
inline constexpr std::uint16_t kEnableEcho = 0x53;

// Tick delay counts (one tick = 1/1,193,182 s).
inline constexpr std::uint16_t kTicks10ms = 11932; // the unit of every 100 ms wait
inline constexpr int kWaitsPer100ms = 10;
inline constexpr std::uint16_t kTicks5ms = 5966;

constexpr std::uint16_t Lo(std::uint32_t v) { return static_cast<std::uint16_t>(v & 0xFFu); }
constexpr std::uint16_t Hi(std::uint32_t v) { return static_cast<std::uint16_t>((v >> 8) & 0xFFu); }
// A slot that takes a whole address (or word address) and sends its low byte.
constexpr std::uint16_t Whole(std::uint32_t v) { return static_cast<std::uint16_t>(v); }

// AT89S51, AT89S52: four-byte instructions, answer in byte 4.
namespace at89s51 {
inline constexpr std::size_t kAnswerSlot = 3;
inline constexpr std::uint16_t kEnableAnswer = 0x69;
inline constexpr std::uint16_t kEraseWaitTicks = kTicks10ms;
inline constexpr int kEraseWaits = 51;
inline constexpr std::uint16_t kFlashWriteTicks = 836;
inline constexpr std::uint16_t kLockWriteTicks = 1194;
// Read lock bits: bits 2, 3, 4 of the answer are LB1..LB3, 1 = programmed.
inline constexpr int kLockBitsShift = 2;

inline void ProgrammingEnable(IspSlots &s) {
  s[0] = kProgrammingEnable;
  s[1] = kEnableEcho;
}
inline void ChipErase(IspSlots &s) {
  s[0] = 0xAC;
  s[1] = 0x80;
}
inline void ReadFlash(IspSlots &s, std::uint32_t address) {
  s[0] = 0x20;
  s[1] = Hi(address);
  s[2] = Whole(address);
}
inline void WriteFlash(IspSlots &s, std::uint32_t address, std::uint8_t data) {
  s[0] = 0x40;
  s[1] = Hi(address);
  s[2] = Whole(address);
  s[3] = data;
}
// n = 1, 2 or 3.
inline void WriteLockBit(IspSlots &s, int n) {
  s[0] = 0xAC;
  s[1] = static_cast<std::uint16_t>(0xE0 + n);
}
// k = 0, 1 or 2.
inline void ReadSignature(IspSlots &s, int k) {
  s[0] = 0x28;
  s[1] = static_cast<std::uint16_t>(k);
  s[2] = 0x00;
}
inline void ReadLockBits(IspSlots &s) { s[0] = 0x24; }
} // namespace at89s51

// AT89S53, AT89S8252: three-byte instructions, answer in byte 3. The first
// byte carries A12..A8 in bits 7..3, A13 in bit 2 and the operation.
namespace at89s8252 {
inline constexpr std::size_t kAnswerSlot = 2;
inline constexpr std::uint16_t kEraseWaitTicks = 29830;
inline constexpr std::uint16_t kWriteTicks = 2983; // flash and EEPROM bytes
inline constexpr std::uint16_t kLockWriteTicks = 3580;

constexpr std::uint16_t FlashHeader(std::uint32_t address, std::uint16_t operation) {
  return static_cast<std::uint16_t>((((address >> 8) & 0x1F) << 3) | (((address >> 13) & 1) << 2) |
                                    operation);
}
constexpr std::uint16_t EepromHeader(std::uint32_t address, std::uint16_t operation) {
  return static_cast<std::uint16_t>((((address >> 8) & 0x07) << 3) | operation);
}

inline void ProgrammingEnable(IspSlots &s) {
  s[0] = kProgrammingEnable;
  s[1] = kEnableEcho;
}
inline void ChipErase(IspSlots &s) {
  s[0] = 0xAC;
  s[1] = 0x04;
}
inline void ReadFlash(IspSlots &s, std::uint32_t address) {
  s[0] = FlashHeader(address, 0x01);
  s[1] = Whole(address);
}
inline void WriteFlash(IspSlots &s, std::uint32_t address, std::uint8_t data) {
  s[0] = FlashHeader(address, 0x02);
  s[1] = Whole(address);
  s[2] = data;
}
inline void ReadEeprom(IspSlots &s, std::uint32_t address) {
  s[0] = EepromHeader(address, 0x05);
  s[1] = Whole(address);
}
inline void WriteEeprom(IspSlots &s, std::uint32_t address, std::uint8_t data) {
  s[0] = EepromHeader(address, 0x06);
  s[1] = Whole(address);
  s[2] = data;
}
// n = 1, 2 or 3.
inline void WriteLockBit(IspSlots &s, int n) {
  constexpr std::uint16_t kLockCodes[] = {0x7F, 0xBF, 0xDF};
  s[0] = 0xAC;
  s[1] = kLockCodes[n - 1];
}
} // namespace at89s8252

// AT89S8253: four-byte instructions and page transfers (a three-byte header,
// then one ShiftByte per data byte).
namespace at89s8253 {
inline constexpr std::size_t kAnswerSlot = 3;
inline constexpr std::uint16_t kFlashPageBytes = 64;
inline constexpr std::uint16_t kEepromPageBytes = 32;
inline constexpr std::uint16_t kEepromBytes = 2048;
inline constexpr std::uint16_t kUserSignatureBytes = 64;
inline constexpr std::uint16_t kEraseWaitTicks = kTicks10ms;
inline constexpr std::uint16_t kPageWriteTicks = kTicks5ms;
inline constexpr std::uint16_t kFuseLockWriteTicks = kTicks10ms;

inline void ProgrammingEnable(IspSlots &s) {
  s[0] = kProgrammingEnable;
  s[1] = kEnableEcho;
}
inline void ChipErase(IspSlots &s) {
  s[0] = 0xAC;
  s[1] = 0x80;
}
inline void ReadFlashPage(IspSlots &s, std::uint32_t address) {
  s[0] = 0x30;
  s[1] = Hi(address);
  s[2] = Whole(address);
}
inline void WriteFlashPage(IspSlots &s, std::uint32_t address) {
  s[0] = 0x50;
  s[1] = Hi(address);
  s[2] = Whole(address);
}
inline void ReadEepromPage(IspSlots &s, std::uint32_t address) {
  s[0] = 0xB0;
  s[1] = Hi(address);
  s[2] = Whole(address);
}
inline void WriteEepromPage(IspSlots &s, std::uint32_t address) {
  s[0] = 0xD0;
  s[1] = Hi(address);
  s[2] = Whole(address);
}
inline void ReadUserSignature(IspSlots &s) { s[0] = 0x32; }
inline void WriteUserSignature(IspSlots &s) { s[0] = 0x52; }
// One data byte of a page transfer.
inline void PageByte(IspSlots &s, std::uint8_t data) { s[0] = data; }
// k = 0 or 1.
inline void ReadSignature(IspSlots &s, int k) {
  s[0] = 0x28;
  s[1] = 0x00;
  s[2] = static_cast<std::uint16_t>(0x30 + k);
}
// Answer bits 0..2 are LB1..LB3, 0 = programmed.
inline void ReadLockBits(IspSlots &s) { s[0] = 0x24; }
inline void ReadUserFuses(IspSlots &s) { s[0] = 0x21; }
// Byte 2 is 0001 followed by the four user fuse bits as FuseLow holds them
// (SPIEN in bit 0 included: forcing it would override the user's choice).
inline void WriteUserFuses(IspSlots &s, std::uint16_t fuseLow) {
  s[0] = 0xAC;
  s[1] = static_cast<std::uint16_t>(0x10 | (fuseLow & 0x0F));
}
// lockBits: bit 0..2 set = LB1..LB3 to be programmed.
inline void WriteLockBits(IspSlots &s, std::uint16_t lockBits) {
  s[0] = 0xAC;
  s[1] = static_cast<std::uint16_t>(0xE0 | ((~lockBits) & 0x07));
}
} // namespace at89s8253

// Instructions both AVR families share: four bytes, answer in byte 4, the
// enable echo in byte 3. Flash is addressed by words.
namespace avr {
inline constexpr std::size_t kAnswerSlot = 3;
inline constexpr std::size_t kEchoSlot = 2;
inline constexpr std::uint16_t kFuseLockWriteTicks = kTicks5ms;

inline void ProgrammingEnable(IspSlots &s) {
  s[0] = kProgrammingEnable;
  s[1] = kEnableEcho;
}
inline void ChipErase(IspSlots &s) {
  s[0] = 0xAC;
  s[1] = 0x80;
}
inline void ReadFlashLow(IspSlots &s, std::uint32_t word) {
  s[0] = 0x20;
  s[1] = Hi(word);
  s[2] = Whole(word);
}
inline void ReadFlashHigh(IspSlots &s, std::uint32_t word) {
  s[0] = 0x28;
  s[1] = Hi(word);
  s[2] = Whole(word);
}
inline void ReadEeprom(IspSlots &s, std::uint32_t address) {
  s[0] = 0xA0;
  s[1] = Hi(address);
  s[2] = Whole(address);
}
inline void WriteEeprom(IspSlots &s, std::uint32_t address, std::uint8_t data) {
  s[0] = 0xC0;
  s[1] = Hi(address);
  s[2] = Whole(address);
  s[3] = data;
}
} // namespace avr

// AT90S, ATtiny12, ATtiny15: flash and EEPROM written byte by byte.
namespace avrbyte {
using namespace avr;
inline constexpr std::uint16_t kEraseWaitTicks = kTicks10ms;
inline constexpr std::uint16_t kWriteTicks = kTicks5ms; // flash and EEPROM bytes

inline void WriteFlashLow(IspSlots &s, std::uint32_t word, std::uint8_t data) {
  s[0] = 0x40;
  s[1] = Hi(word);
  s[2] = Whole(word);
  s[3] = data;
}
inline void WriteFlashHigh(IspSlots &s, std::uint32_t word, std::uint8_t data) {
  s[0] = 0x48;
  s[1] = Hi(word);
  s[2] = Whole(word);
  s[3] = data;
}
// k = 0, 1 or 2; byte 2 is not set.
inline void ReadSignature(IspSlots &s, int k) {
  s[0] = 0x30;
  s[2] = static_cast<std::uint16_t>(k);
}
// ATtiny12, ATtiny15.
inline void ReadCalibration(IspSlots &s) {
  s[0] = 0x38;
  s[1] = 0x00;
  s[2] = 0x00;
}
// AT90S1200, AT90S2313, AT90S8515.
inline void WriteLockBit1(IspSlots &s) {
  s[0] = 0xAC;
  s[1] = 0xE4;
}
inline void WriteLockBit2(IspSlots &s) {
  s[0] = 0xAC;
  s[1] = 0xE2;
}
// AT90S8535 (FSTRT) and AT90S4433 (fuse byte) first, then their lock bits.
inline void WriteFstrt(IspSlots &s, bool programmed) {
  s[0] = 0xAC;
  s[1] = programmed ? 0xBE : 0xBF;
}
// The AT90S4433's fuse write carries the five low bits of the fuse byte.
inline constexpr std::uint16_t kFuse4433WrittenBits = 0x1F;
inline void WriteFuse4433(IspSlots &s, std::uint16_t fuseLow) {
  s[0] = 0xAC;
  s[1] = static_cast<std::uint16_t>(0xA0 | (fuseLow & kFuse4433WrittenBits));
}
inline void WriteLockBit1Alt(IspSlots &s) {
  s[0] = 0xAC;
  s[1] = 0xFD;
}
inline void WriteLockBit2Alt(IspSlots &s) {
  s[0] = 0xAC;
  s[1] = 0xFB;
}
// ATtiny12, ATtiny15.
inline void WriteFuseByte(IspSlots &s, std::uint16_t fuseLow) {
  s[0] = 0xAC;
  s[1] = 0xA0;
  s[3] = fuseLow;
}
// lockBits: bit 0 = LB1, bit 1 = LB2 requested.
inline void WriteTinyLockBits(IspSlots &s, std::uint16_t lockBits) {
  std::uint16_t code = 0xFF;
  if (lockBits & 0x01)
    code &= static_cast<std::uint16_t>(~0x02);
  if (lockBits & 0x02)
    code &= static_cast<std::uint16_t>(~0x04);
  s[0] = 0xAC;
  s[1] = code;
}
// AT90S4433, AT90S8535, ATtiny12, ATtiny15.
inline void ReadFuse(IspSlots &s) { s[0] = 0x50; }
inline void ReadLockBits(IspSlots &s) { s[0] = 0x58; }
} // namespace avrbyte

// Every ATmega, ATtiny13/25/26/45/85/2313: flash written in pages.
namespace avrpage {
using namespace avr;
inline constexpr std::uint16_t kEraseWaitTicks = 13125;
inline constexpr std::uint16_t kFlashPageWriteTicks = kTicks5ms;
inline constexpr std::uint16_t kEepromWriteTicks = kTicks10ms; // byte or page

// w = word offset inside the page.
inline void LoadFlashPageLow(IspSlots &s, std::uint16_t w, std::uint8_t data) {
  s[0] = 0x40;
  s[1] = 0x00;
  s[2] = w;
  s[3] = data;
}
inline void LoadFlashPageHigh(IspSlots &s, std::uint16_t w, std::uint8_t data) {
  s[0] = 0x48;
  s[1] = 0x00;
  s[2] = w;
  s[3] = data;
}
// pageAddress = byte address of the page's first byte.
inline void WriteFlashPage(IspSlots &s, std::uint32_t pageAddress) {
  s[0] = 0x4C;
  s[1] = Whole(pageAddress >> 9);
  s[2] = Whole(pageAddress >> 1);
}
inline void LoadEepromPageByte(IspSlots &s, std::uint16_t i, std::uint8_t data) {
  s[0] = 0xC1;
  s[1] = 0x00;
  s[2] = i;
  s[3] = data;
}
inline void WriteEepromPage(IspSlots &s, std::uint32_t address) {
  s[0] = 0xC2;
  s[1] = Hi(address);
  s[2] = Whole(address);
}
inline void ReadSignature(IspSlots &s, int k) {
  s[0] = 0x30;
  s[1] = 0x00;
  s[2] = static_cast<std::uint16_t>(k);
}
inline void ReadCalibration(IspSlots &s, int k) {
  s[0] = 0x38;
  s[1] = 0x00;
  s[2] = static_cast<std::uint16_t>(k);
}
inline void ReadFuseLow(IspSlots &s) {
  s[0] = 0x50;
  s[1] = 0x00;
}
inline void ReadFuseHigh(IspSlots &s) {
  s[0] = 0x58;
  s[1] = 0x08;
}
inline void ReadFuseExtended(IspSlots &s) {
  s[0] = 0x50;
  s[1] = 0x08;
}
// Answer bit 0 = LB1, bit 1 = LB2, 0 = programmed.
inline void ReadLockByte(IspSlots &s) {
  s[0] = 0x58;
  s[1] = 0x00;
}
inline void WriteFuseLow(IspSlots &s, std::uint16_t v) {
  s[0] = 0xAC;
  s[1] = 0xA0;
  s[3] = v;
}
inline void WriteFuseHigh(IspSlots &s, std::uint16_t v) {
  s[0] = 0xAC;
  s[1] = 0xA8;
  s[3] = v;
}
inline void WriteFuseExtended(IspSlots &s, std::uint16_t v) {
  s[0] = 0xAC;
  s[1] = 0xA4;
  s[3] = v;
}
// lockBits: bit 0 = LB1, bit 1 = LB2 requested; the rest comes from lockByte.
inline void WriteLockByte(IspSlots &s, std::uint16_t lockByte, std::uint16_t lockBits) {
  s[0] = 0xAC;
  s[1] = 0xE0;
  s[3] = static_cast<std::uint16_t>((lockByte & 0xFC) | ((~lockBits) & 0x03));
}
} // namespace avrpage

} // namespace rindle::isp
