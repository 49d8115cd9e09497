#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "isp/core/Instructions.h"

namespace rindle {
namespace {

namespace isp = rindle::isp;

constexpr std::uint16_t kLeft = 0xBEEF; // what the previous instruction left
using Byte = std::optional<int>;        // nullopt: the slot is not set
const Byte xx;

struct Case {
  const char *name;
  std::function<void(IspSlots &)> build;
  std::array<Byte, 4> bytes; // the byte sent from each slot
};

// Every instruction of every family, with addresses that reach into the
// high address bits, checked on the wire bytes and on the slots it leaves.
const std::vector<Case> &Cases() {
  using namespace isp;
  static const std::vector<Case> cases{
      // AT89S51/52
      {"51 enable", at89s51::ProgrammingEnable, {0xAC, 0x53, xx, xx}},
      {"51 erase", at89s51::ChipErase, {0xAC, 0x80, xx, xx}},
      {"51 read flash", [](IspSlots &s) { at89s51::ReadFlash(s, 0x1ABC); }, {0x20, 0x1A, 0xBC, xx}},
      {"51 write flash",
       [](IspSlots &s) { at89s51::WriteFlash(s, 0x0FFF, 0x5A); },
       {0x40, 0x0F, 0xFF, 0x5A}},
      {"51 lock bit 1", [](IspSlots &s) { at89s51::WriteLockBit(s, 1); }, {0xAC, 0xE1, xx, xx}},
      {"51 lock bit 3", [](IspSlots &s) { at89s51::WriteLockBit(s, 3); }, {0xAC, 0xE3, xx, xx}},
      {"51 signature 2", [](IspSlots &s) { at89s51::ReadSignature(s, 2); }, {0x28, 0x02, 0x00, xx}},
      {"51 read lock bits", at89s51::ReadLockBits, {0x24, xx, xx, xx}},
      // AT89S53/8252: A12..A8 in bits 7..3, A13 in bit 2
      {"8252 enable", at89s8252::ProgrammingEnable, {0xAC, 0x53, xx, xx}},
      {"8252 erase", at89s8252::ChipErase, {0xAC, 0x04, xx, xx}},
      {"53 read flash 0x2ABC",
       [](IspSlots &s) { at89s8252::ReadFlash(s, 0x2ABC); },
       {0x55, 0xBC, xx, xx}},
      {"8252 read flash 0x1F00",
       [](IspSlots &s) { at89s8252::ReadFlash(s, 0x1F00); },
       {0xF9, 0x00, xx, xx}},
      {"53 write flash 0x2FFF",
       [](IspSlots &s) { at89s8252::WriteFlash(s, 0x2FFF, 0x12); },
       {0x7E, 0xFF, 0x12, xx}},
      {"8252 read eeprom 0x7FF",
       [](IspSlots &s) { at89s8252::ReadEeprom(s, 0x07FF); },
       {0x3D, 0xFF, xx, xx}},
      {"8252 write eeprom 0x234",
       [](IspSlots &s) { at89s8252::WriteEeprom(s, 0x0234, 0x99); },
       {0x16, 0x34, 0x99, xx}},
      {"8252 lock bit 1", [](IspSlots &s) { at89s8252::WriteLockBit(s, 1); }, {0xAC, 0x7F, xx, xx}},
      {"8252 lock bit 2", [](IspSlots &s) { at89s8252::WriteLockBit(s, 2); }, {0xAC, 0xBF, xx, xx}},
      {"8252 lock bit 3", [](IspSlots &s) { at89s8252::WriteLockBit(s, 3); }, {0xAC, 0xDF, xx, xx}},
      // AT89S8253
      {"8253 erase", at89s8253::ChipErase, {0xAC, 0x80, xx, xx}},
      {"8253 read flash page",
       [](IspSlots &s) { at89s8253::ReadFlashPage(s, 0x2FC0); },
       {0x30, 0x2F, 0xC0, xx}},
      {"8253 write flash page",
       [](IspSlots &s) { at89s8253::WriteFlashPage(s, 0x0040); },
       {0x50, 0x00, 0x40, xx}},
      {"8253 read eeprom page",
       [](IspSlots &s) { at89s8253::ReadEepromPage(s, 0x07E0); },
       {0xB0, 0x07, 0xE0, xx}},
      {"8253 write eeprom page",
       [](IspSlots &s) { at89s8253::WriteEepromPage(s, 0x0020); },
       {0xD0, 0x00, 0x20, xx}},
      {"8253 read user signature", at89s8253::ReadUserSignature, {0x32, xx, xx, xx}},
      {"8253 write user signature", at89s8253::WriteUserSignature, {0x52, xx, xx, xx}},
      {"8253 page byte", [](IspSlots &s) { at89s8253::PageByte(s, 0xA5); }, {0xA5, xx, xx, xx}},
      {"8253 signature 1",
       [](IspSlots &s) { at89s8253::ReadSignature(s, 1); },
       {0x28, 0x00, 0x31, xx}},
      {"8253 read lock bits", at89s8253::ReadLockBits, {0x24, xx, xx, xx}},
      {"8253 read user fuses", at89s8253::ReadUserFuses, {0x21, xx, xx, xx}},
      {"8253 write user fuses",
       [](IspSlots &s) { at89s8253::WriteUserFuses(s, 0xF6); },
       {0xAC, 0x16, xx, xx}},
      {"8253 lock bits none",
       [](IspSlots &s) { at89s8253::WriteLockBits(s, 0); },
       {0xAC, 0xE7, xx, xx}},
      {"8253 lock bits 1 and 3",
       [](IspSlots &s) { at89s8253::WriteLockBits(s, 0x05); },
       {0xAC, 0xE2, xx, xx}},
      // Both AVR families
      {"avr enable", avr::ProgrammingEnable, {0xAC, 0x53, xx, xx}},
      {"avr erase", avr::ChipErase, {0xAC, 0x80, xx, xx}},
      {"avr read flash low",
       [](IspSlots &s) { avr::ReadFlashLow(s, 0xFEDC); },
       {0x20, 0xFE, 0xDC, xx}},
      {"avr read flash high",
       [](IspSlots &s) { avr::ReadFlashHigh(s, 0x0102); },
       {0x28, 0x01, 0x02, xx}},
      {"avr read eeprom", [](IspSlots &s) { avr::ReadEeprom(s, 0x0FFF); }, {0xA0, 0x0F, 0xFF, xx}},
      {"avr write eeprom",
       [](IspSlots &s) { avr::WriteEeprom(s, 0x0123, 0x45); },
       {0xC0, 0x01, 0x23, 0x45}},
      // Byte-mode AVR
      {"byte write flash low",
       [](IspSlots &s) { avrbyte::WriteFlashLow(s, 0x0FFF, 0x11); },
       {0x40, 0x0F, 0xFF, 0x11}},
      {"byte write flash high",
       [](IspSlots &s) { avrbyte::WriteFlashHigh(s, 0x0200, 0x22); },
       {0x48, 0x02, 0x00, 0x22}},
      {"byte signature 2", [](IspSlots &s) { avrbyte::ReadSignature(s, 2); }, {0x30, xx, 0x02, xx}},
      {"byte calibration", avrbyte::ReadCalibration, {0x38, 0x00, 0x00, xx}},
      {"byte lock bit 1", avrbyte::WriteLockBit1, {0xAC, 0xE4, xx, xx}},
      {"byte lock bit 2", avrbyte::WriteLockBit2, {0xAC, 0xE2, xx, xx}},
      {"8535 FSTRT programmed",
       [](IspSlots &s) { avrbyte::WriteFstrt(s, true); },
       {0xAC, 0xBE, xx, xx}},
      {"8535 FSTRT not", [](IspSlots &s) { avrbyte::WriteFstrt(s, false); }, {0xAC, 0xBF, xx, xx}},
      {"4433 fuse", [](IspSlots &s) { avrbyte::WriteFuse4433(s, 0xDA); }, {0xAC, 0xBA, xx, xx}},
      {"4433/8535 lock bit 1", avrbyte::WriteLockBit1Alt, {0xAC, 0xFD, xx, xx}},
      {"4433/8535 lock bit 2", avrbyte::WriteLockBit2Alt, {0xAC, 0xFB, xx, xx}},
      {"tiny fuse byte",
       [](IspSlots &s) { avrbyte::WriteFuseByte(s, 0x52); },
       {0xAC, 0xA0, xx, 0x52}},
      {"tiny lock bits none",
       [](IspSlots &s) { avrbyte::WriteTinyLockBits(s, 0); },
       {0xAC, 0xFF, xx, xx}},
      {"tiny lock bits 1",
       [](IspSlots &s) { avrbyte::WriteTinyLockBits(s, 1); },
       {0xAC, 0xFD, xx, xx}},
      {"tiny lock bits 1 and 2",
       [](IspSlots &s) { avrbyte::WriteTinyLockBits(s, 3); },
       {0xAC, 0xF9, xx, xx}},
      {"byte read fuse", avrbyte::ReadFuse, {0x50, xx, xx, xx}},
      {"byte read lock bits", avrbyte::ReadLockBits, {0x58, xx, xx, xx}},
      // Page-mode AVR
      {"page load low",
       [](IspSlots &s) { avrpage::LoadFlashPageLow(s, 0x7F, 0x33); },
       {0x40, 0x00, 0x7F, 0x33}},
      {"page load high",
       [](IspSlots &s) { avrpage::LoadFlashPageHigh(s, 0x05, 0x44); },
       {0x48, 0x00, 0x05, 0x44}},
      {"page write 0x1FE00",
       [](IspSlots &s) { avrpage::WriteFlashPage(s, 0x1FE00); },
       {0x4C, 0xFF, 0x00, xx}},
      {"page write 0x1C40",
       [](IspSlots &s) { avrpage::WriteFlashPage(s, 0x1C40); },
       {0x4C, 0x0E, 0x20, xx}},
      {"page load eeprom byte",
       [](IspSlots &s) { avrpage::LoadEepromPageByte(s, 3, 0x66); },
       {0xC1, 0x00, 0x03, 0x66}},
      {"page write eeprom page",
       [](IspSlots &s) { avrpage::WriteEepromPage(s, 0x01FC); },
       {0xC2, 0x01, 0xFC, xx}},
      {"page signature 1",
       [](IspSlots &s) { avrpage::ReadSignature(s, 1); },
       {0x30, 0x00, 0x01, xx}},
      {"page calibration 3",
       [](IspSlots &s) { avrpage::ReadCalibration(s, 3); },
       {0x38, 0x00, 0x03, xx}},
      {"page read low fuse", avrpage::ReadFuseLow, {0x50, 0x00, xx, xx}},
      {"page read high fuse", avrpage::ReadFuseHigh, {0x58, 0x08, xx, xx}},
      {"page read extended fuse", avrpage::ReadFuseExtended, {0x50, 0x08, xx, xx}},
      {"page read lock byte", avrpage::ReadLockByte, {0x58, 0x00, xx, xx}},
      {"page write low fuse",
       [](IspSlots &s) { avrpage::WriteFuseLow(s, 0xE1); },
       {0xAC, 0xA0, xx, 0xE1}},
      {"page write high fuse",
       [](IspSlots &s) { avrpage::WriteFuseHigh(s, 0xD9); },
       {0xAC, 0xA8, xx, 0xD9}},
      {"page write extended fuse",
       [](IspSlots &s) { avrpage::WriteFuseExtended(s, 0xFD); },
       {0xAC, 0xA4, xx, 0xFD}},
      {"page lock byte, no lock bits",
       [](IspSlots &s) { avrpage::WriteLockByte(s, 0xFF, 0); },
       {0xAC, 0xE0, xx, 0xFF}},
      {"page lock byte, LB1, boot lock",
       [](IspSlots &s) { avrpage::WriteLockByte(s, 0xCF, 1); },
       {0xAC, 0xE0, xx, 0xCE}},
      {"page lock byte, LB1 and LB2",
       [](IspSlots &s) { avrpage::WriteLockByte(s, 0xFC, 3); },
       {0xAC, 0xE0, xx, 0xFC}},
  };
  return cases;
}

TEST(InstructionsTest, EachBuilderSetsItsBytesAndLeavesTheOthers) {
  for (const Case &c : Cases()) {
    IspSlots sent{kLeft, kLeft, kLeft, kLeft};
    c.build(sent);
    for (std::size_t k = 0; k < 4; ++k) {
      if (c.bytes[k]) {
        EXPECT_EQ(sent[k] & 0xFF, *c.bytes[k]) << c.name << " byte " << k + 1;
      } else {
        EXPECT_EQ(sent[k], kLeft) << c.name << " must not set byte " << k + 1;
      }
    }
  }
}

} // namespace
} // namespace rindle
