// The exact texts of the mismatch and blank-check reports, from chips with
// one faulty location.

#include <gtest/gtest.h>

#include "Rig.h"

namespace rindle::optest {
namespace {

using sim::isp::Memory;

// Chip and buffer hold the same pattern; the cell at `address` of `memory`
// holds 0x3C and reads back as 0xBD.
struct VerifyCase {
  const char *name;
  std::uint16_t device;
  Memory memory;
  std::uint32_t address; // inside the chip memory
  const char *report;
};

const VerifyCase kVerifyCases[] = {
    {"89S51 flash", device::kAt89S51, Memory::Flash, 0x123,
     "Verify Error @ Address  0123\rData Read  =  BD\rProg Data   =  3C"},
    {"89S53 flash above 8K", device::kAt89S53, Memory::Flash, 0x2F05,
     "Verify Error @ Address  2F05\rData Read  =  BD\rProg Data   =  3C"},
    {"89S8252 EEPROM", device::kAt89S8252, Memory::Eeprom, 5,
     "EEPROM Verify Error @ Address  2005\rData Read  =  BD\rProg Data   =  3C"},
    {"89S8253 flash", device::kAt89S8253, Memory::Flash, 0x2FFF,
     "Verify Error @ Address  2FFF\rData Read  =  BD\rProg Data   =  3C"},
    {"89S8253 EEPROM", device::kAt89S8253, Memory::Eeprom, 7,
     "EEPROM Verify Error @ Address  3007\rData Read  =  BD\rProg Data   =  3C"},
    {"89S8253 user signature", device::kAt89S8253, Memory::UserSignature, 3,
     "User Signature Verify Error @ Address  3803\rData Read  =  BD\rProg Data   =  3C"},
    {"mega8 flash low byte", device::kMega8, Memory::Flash, 0x200,
     "Verify Error @ Address  0200\rData Read LSB  =  BD\rProg Data  LSB  =  3C"},
    {"mega8 flash high byte", device::kMega8, Memory::Flash, 0x201,
     "Verify Error @ Address  0201\rData Read MSB  =  BD\rProg Data  MSB  =  3C"},
    {"90S2313 EEPROM", device::kAt90S2313, Memory::Eeprom, 2,
     "EEPROM Verify Error @ Address  0802\rData Read =  BD\rProg Data  =  3C"},
    {"mega88 EEPROM", device::kMega88, Memory::Eeprom, 0x1FF,
     "EEPROM Verify Error @ Address  21FF\rData Read =  BD\rProg Data  =  3C"},
};

std::uint32_t BufferBase(Rig &rig, Memory memory) {
  switch (memory) {
  case Memory::Flash: return 0;
  case Memory::Eeprom: return rig.flashSize();
  case Memory::UserSignature: break;
  }
  return rig.flashSize() + 2048;
}

// Chip and buffer filled with the same pattern.
void SamePattern(Rig &rig) {
  for (Memory m : {Memory::Flash, Memory::Eeprom, Memory::UserSignature}) {
    auto cells = rig.chip().memory(m);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      cells[i] = static_cast<std::uint8_t>(i * 7 + 1);
      rig.buffer()[BufferBase(rig, m) + i] = cells[i];
    }
  }
}

TEST(Reports, VerifyStopsAtTheFirstMismatchWithItsReport) {
  for (const VerifyCase &c : kVerifyCases) {
    SCOPED_TRACE(c.name);
    Rig rig(c.device);
    SamePattern(rig);
    rig.chip().memory(c.memory)[c.address] = 0x3C;
    rig.buffer()[BufferBase(rig, c.memory) + c.address] = 0x3C;
    rig.chip().addBadRead(c.memory, c.address, 0x81);
    // A later mismatch must not be the one reported.
    rig.chip().addBadRead(c.memory, c.address + 1, 0x81);

    rig.Run(&IspEngine::VerifyChip);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), c.report);
  }
}

TEST(Reports, VerifyOfAnIdenticalChipIsOk) {
  for (std::uint16_t device : {device::kAt89S8252, device::kAt89S8253, device::kMega48}) {
    Rig rig(device);
    SamePattern(rig);
    rig.Run(&IspEngine::VerifyChip);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), "OK") << ChipName(device);
  }
}

// Programming reads each write back: the same reports, but the AT89S8253
// EEPROM shows the flash text, and nothing after the mismatch is written.
TEST(Reports, ProgrammingStopsAtTheFirstReadBackThatDiffers) {
  const VerifyCase cases[] = {
      {"89S52 flash", device::kAt89S52, Memory::Flash, 0x1FFF,
       "Verify Error @ Address  1FFF\rData Read  =  BD\rProg Data   =  3C"},
      {"89S8252 EEPROM", device::kAt89S8252, Memory::Eeprom, 0x7FF,
       "EEPROM Verify Error @ Address  27FF\rData Read  =  BD\rProg Data   =  3C"},
      {"89S8253 EEPROM", device::kAt89S8253, Memory::Eeprom, 7,
       "Verify Error @ Address  3007\rData Read  =  BD\rProg Data   =  3C"},
      {"89S8253 user signature", device::kAt89S8253, Memory::UserSignature, 63,
       "User Signature Verify Error @ Address  383F\rData Read  =  BD\rProg Data   =  3C"},
      {"tiny15 flash high byte", device::kTiny15, Memory::Flash, 0x3FF,
       "Verify Error @ Address  03FF\rData Read MSB  =  BD\rProg Data  MSB  =  3C"},
      {"mega16 flash low byte", device::kMega16, Memory::Flash, 0x80,
       "Verify Error @ Address  0080\rData Read LSB  =  BD\rProg Data  LSB  =  3C"},
      {"mega8 EEPROM", device::kMega8, Memory::Eeprom, 0,
       "EEPROM Verify Error @ Address  2000\rData Read =  BD\rProg Data  =  3C"},
  };
  for (const VerifyCase &c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(c.device);
    std::ranges::fill(rig.buffer().first(rig.imageSize()), 0x3C);
    rig.Fuses().LockBits = 0x01;
    rig.chip().addBadRead(c.memory, c.address, 0x81);

    rig.Run(&IspEngine::ProgramChip);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), c.report);
    // Nothing after the failing byte is written: no later area, no fuses,
    // no lock bits.
    const auto &n = rig.chip().counters();
    EXPECT_EQ(n.lockWrites, 0u);
    EXPECT_EQ(n.fuseWrites, 0u);
    if (c.memory == Memory::Flash) {
      EXPECT_EQ(n.eepromWrites, 0u);
    }
    EXPECT_EQ(n.userSignatureWrites, c.memory == Memory::UserSignature ? 1u : 0u);
  }
}

struct BlankCase {
  const char *name;
  std::uint16_t device;
  Memory memory;
  std::uint32_t address;
  const char *report;
};

TEST(Reports, BlankCheckStopsAtTheFirstByteThatIsNotBlank) {
  const BlankCase cases[] = {
      {"89S51 flash", device::kAt89S51, Memory::Flash, 0x10,
       "Blank Check Error @ Address  0010\r\rData Read  =  00"},
      {"89S8252 EEPROM counts from the flash end", device::kAt89S8252, Memory::Eeprom, 5,
       "EEPROM Blank Check Error @ Address  2005\r\rData Read  =  00"},
      {"89S8253 EEPROM plain address", device::kAt89S8253, Memory::Eeprom, 0x45,
       "EEPROM Blank Check Error @ Address  0045\r\rData Read  =  00"},
      {"89S8253 user signature offset", device::kAt89S8253, Memory::UserSignature, 0x21,
       "User Signature Blank Check Error @ Address  21\r\rData Read  =  00"},
      {"mega8 EEPROM plain address", device::kMega8, Memory::Eeprom, 5,
       "EEPROM Blank Check Error @ Address  0005\r\rData Read  =  00"},
      {"mega8 high byte reports the word", device::kMega8, Memory::Flash, 0x203,
       "Blank Check Error @ Address  0202\r\rData Read MSB  =  00"},
      {"90S2313 low byte", device::kAt90S2313, Memory::Flash, 0x100,
       "Blank Check Error @ Address  0100\r\rData Read LSB  =  00"},
  };
  for (const BlankCase &c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(c.device);
    rig.chip().memory(c.memory)[c.address] = 0x00;
    if (c.address + 1 < rig.chip().memory(c.memory).size()) {
      rig.chip().memory(c.memory)[c.address + 1] = 0x11; // a later one is not reported
    }
    rig.Run(&IspEngine::BlankCheckChip);
    EXPECT_EQ(rig.engine.ResultText.toStdString(), c.report);
  }
}

TEST(Reports, AddressesAboveFFFFHaveFiveDigits) {
  Rig rig(device::kMega128);
  rig.buffer()[131070] = 0x00; // the chip is blank there
  rig.Run(&IspEngine::VerifyChip);
  EXPECT_EQ(rig.engine.ResultText.toStdString(),
            "Verify Error @ Address  1FFFE\rData Read LSB  =  FF\rProg Data  LSB  =  00");

  rig.chip().flash()[131071] = 0x5A;
  rig.Run(&IspEngine::BlankCheckChip);
  EXPECT_EQ(rig.engine.ResultText.toStdString(),
            "Blank Check Error @ Address  1FFFE\r\rData Read MSB  =  5A");
}

// The whole of the largest chip, flash and then EEPROM, is walked.
TEST(Reports, TheLargestChipIsWalkedToItsLastEepromByte) {
  Rig rig(device::kMega128);
  rig.chip().eeprom()[4095] = 0x00;
  rig.Run(&IspEngine::BlankCheckChip);
  EXPECT_EQ(rig.engine.ResultText.toStdString(),
            "EEPROM Blank Check Error @ Address  0FFF\r\rData Read  =  00");
  EXPECT_EQ(rig.instructions(0x20), 65536u);
  EXPECT_EQ(rig.instructions(0x28), 65536u);
  EXPECT_EQ(rig.instructions(0xA0), 4096u);
}

} // namespace
} // namespace rindle::optest
