#include "sim/isp/ChipModels.h"

#include <cctype>
#include <string>

namespace sim::isp {

namespace {

constexpr std::uint32_t kMs10 = 11932;

// AT89S times, at the fixed waits a programmer gives each write.
constexpr Timing k89S51Timing{836, 0, 51 * kMs10, 0, 1194, kMs10};
constexpr Timing k89S8252Timing{2983, 2983, 29830, 0, 3580, kMs10};
constexpr Timing k89S8253Timing{5966, 5966, kMs10, kMs10, kMs10, kMs10};

// The AVRs need 20 ms in reset before the serial interface listens.
constexpr std::uint32_t kAvrResetSettle = 23864;

// Minimum waits after each kind of write, in microseconds, as the data
// sheets' serial programming characteristics give them: rows tWD_FLASH,
// tWD_EEPROM, tWD_ERASE and tWD_FUSE (the lock bits are written with the
// fuse wait). The AT90S data sheets give one tWD_PROG for flash, EEPROM and
// lock bytes and a chip-erase wait, both by supply voltage: the rows here are
// their 5.0 V column. A page write (flash 4C, EEPROM C2) takes the same
// time as a byte write of that memory.
struct DataSheetWaits {
  std::string_view name;
  std::uint32_t flashUs;
  std::uint32_t eepromUs;
  std::uint32_t eraseUs;
  std::uint32_t fuseUs;
};

constexpr DataSheetWaits kAvrWaits[] = {
    //  device        tWD_FLASH tWD_EEPROM tWD_ERASE tWD_FUSE   source row
    {"AT90S1200", 4000, 4000, 8000, 4000},  // tWD_PROG, chip erase wait at 5.0 V
    {"AT90S2313", 4000, 4000, 8000, 4000},  // tWD_PROG, chip erase wait at 5.0 V
    {"AT90S4433", 4000, 4000, 8000, 4000},  // tWD_PROG, chip erase wait at 5.0 V
    {"AT90S8515", 4000, 4000, 8000, 4000},  // tWD_PROG, chip erase wait at 5.0 V
    {"AT90S8535", 4000, 4000, 8000, 4000},  // tWD_PROG, chip erase wait at 5.0 V
    {"ATtiny12", 4500, 4000, 4000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATtiny15", 4500, 4000, 4000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega8", 4500, 9000, 9000, 4500},    // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega16", 4500, 9000, 9000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega32", 4500, 9000, 9000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega48", 4500, 3600, 9000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega64", 4500, 9000, 9000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega88", 4500, 3600, 9000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega128", 4500, 9000, 9000, 4500},  // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega162", 4500, 9000, 9000, 4500},  // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega164", 4500, 9000, 9000, 4500},  // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega165", 4500, 9000, 9000, 4500},  // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega168", 4500, 3600, 9000, 4500},  // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega169", 4500, 9000, 9000, 4500},  // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega324", 4500, 9000, 9000, 4500},  // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega644", 4500, 9000, 9000, 4500},  // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega8515", 4500, 9000, 9000, 4500}, // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATmega8535", 4500, 9000, 9000, 4500}, // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATtiny13", 4500, 4000, 4000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATtiny25", 4500, 4000, 9000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATtiny26", 4500, 9000, 9000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATtiny45", 4500, 4000, 9000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATtiny85", 4500, 4000, 9000, 4500},   // tWD_FLASH/EEPROM/ERASE/FUSE
    {"ATtiny2313", 4500, 4000, 9000, 4500}, // tWD_FLASH/EEPROM/ERASE/FUSE
};

// Whole ticks of 1/1,193,182 s, rounded down, so that a programmer that
// converts the data-sheet time either way waits long enough.
constexpr std::uint32_t Ticks(std::uint32_t us) {
  return static_cast<std::uint32_t>(std::uint64_t{us} * 1193182u / 1000000u);
}

// The chip's row of kAvrWaits; a missing row stops the build.
constexpr Timing AvrTiming(std::string_view name) {
  for (const DataSheetWaits &w : kAvrWaits)
    if (w.name == name)
      return {Ticks(w.flashUs), Ticks(w.eepromUs), Ticks(w.eraseUs),
              Ticks(w.fuseUs),  Ticks(w.fuseUs),   kAvrResetSettle};
  throw "no data-sheet waits for this chip";
}

constexpr FuseModel kNone{};
constexpr FuseModel Free(std::uint8_t factory) { return {true, 0x00, 0x00, factory}; }
// SPIEN sits at bit 5 of the high fuse on most devices.
constexpr FuseModel Spien5(std::uint8_t factory) { return {true, 0x20, 0x00, factory}; }
constexpr FuseModel Unused(std::uint8_t mask, std::uint8_t factory) {
  return {true, mask, mask, factory};
}

constexpr FuseModel Killing(FuseModel f, std::uint8_t killers) {
  f.ispKillers = killers;
  return f;
}

constexpr std::array<std::uint8_t, 4> kCal4{0xA6, 0xB1, 0x9C, 0x8D};
constexpr std::array<std::uint8_t, 4> kCal2{0x5B, 0x6E, 0xFF, 0xFF};
constexpr std::array<std::uint8_t, 4> kCal1{0x93, 0xFF, 0xFF, 0xFF};
constexpr std::array<std::uint8_t, 4> kCal0{0xFF, 0xFF, 0xFF, 0xFF};

// EESAVE sits at bit 3 of the high fuse on most devices.
constexpr EesaveBit kNoEesave{};
constexpr EesaveBit kEesaveHigh3{true, kFuseHigh, 0x08};

using F = Family;
using V = ByteVariant;

constexpr ChipModel At89(std::string_view name, std::string_view list, Family family,
                         std::uint32_t flash, std::uint32_t eeprom, std::array<std::uint8_t, 3> sig,
                         std::uint8_t sigCount, const Timing &timing) {
  return {name, list, family,   V::None, flash,     eeprom,
          0,    sig,  sigCount, 0,       0,         {kNone, kNone, kNone},
          0x07, 0,    kCal0,    timing,  kNoEesave, false};
}

constexpr ChipModel ByteAvr(std::string_view name, std::string_view list, ByteVariant variant,
                            std::uint32_t flash, std::uint32_t eeprom,
                            std::array<std::uint8_t, 3> sig, FuseModel low, std::uint8_t calCount) {
  return {name,
          list,
          F::AvrByteMode,
          variant,
          flash,
          eeprom,
          0,
          sig,
          3,
          0,
          0,
          {low, kNone, kNone},
          0x03,
          calCount,
          calCount ? kCal1 : kCal0,
          AvrTiming(name),
          kNoEesave,
          false};
}

constexpr ChipModel PageAvr(std::string_view name, std::string_view list, std::uint32_t flash,
                            std::uint32_t eeprom, std::array<std::uint8_t, 3> sig,
                            std::uint16_t flashPage, std::uint16_t eepromPage,
                            std::array<FuseModel, 3> fuses, std::uint8_t lockMask,
                            std::uint8_t calCount, EesaveBit eesave = kEesaveHigh3) {
  const auto &cal = calCount == 4 ? kCal4 : calCount == 2 ? kCal2 : kCal1;
  return {name,   list,      F::AvrPageMode, V::None, flash,    eeprom,   0,   sig,
          3,      flashPage, eepromPage,     fuses,   lockMask, calCount, cal, AvrTiming(name),
          eesave, true};
}

// Fuse sets shared by several ATmega devices.
constexpr std::array<FuseModel, 3> MegaTwo(std::uint8_t high) {
  return {Free(0xE1), Spien5(high), kNone};
}
constexpr std::array<FuseModel, 3> MegaThree(std::uint8_t low, std::uint8_t high,
                                             std::uint8_t extUnused, std::uint8_t ext,
                                             std::uint8_t highKillers = 0) {
  return {Free(low), Killing(Spien5(high), highKillers), Unused(extUnused, ext)};
}
// RSTDISBL at bit 7 and DWEN at bit 6 of the high fuse.
constexpr std::uint8_t kRstDw76 = 0xC0;

constexpr std::array<ChipModel, 34> kModels{{
    At89("AT89S51", "AT89S51", F::At89S51, 4096, 0, {0x1E, 0x51, 0x06}, 3, k89S51Timing),
    At89("AT89S52", "AT89S52", F::At89S51, 8192, 0, {0x1E, 0x52, 0x06}, 3, k89S51Timing),
    At89("AT89S53", "AT89S53", F::At89S8252, 12288, 0, {0xFF, 0xFF, 0xFF}, 0, k89S8252Timing),
    At89("AT89S8252", "AT89S8252", F::At89S8252, 8192, 2048, {0xFF, 0xFF, 0xFF}, 0, k89S8252Timing),
    {"AT89S8253",
     "AT89S8253",
     F::At89S8253,
     V::None,
     12288,
     2048,
     64,
     {0x1E, 0x73, 0x01},
     2,
     64,
     32,
     {FuseModel{true, 0xF0, 0xF0, 0xF6, 0x00, 0x01}, kNone, kNone},
     0x07,
     0,
     kCal0,
     k89S8253Timing,
     kNoEesave,
     false},
    ByteAvr("AT90S1200", "AT90S1200", V::At90S1200, 1024, 64, {0x1E, 0x90, 0x01}, kNone, 0),
    ByteAvr("AT90S2313", "AT90S2313", V::At90S, 2048, 128, {0x1E, 0x91, 0x01}, kNone, 0),
    // Bits 7..6 unused, SPIEN (bit 5) fixed, BODLEVEL, BODEN, CKSEL2..0 free.
    ByteAvr("AT90S4433", "AT90S4433", V::At90S4433, 4096, 256, {0x1E, 0x92, 0x03},
            {true, 0xE0, 0xC0, 0xDA}, 0),
    ByteAvr("AT90S8515", "AT90S8515", V::At90S, 8192, 512, {0x1E, 0x93, 0x01}, kNone, 0),
    // Only FSTRT (bit 0) can be changed; SPIEN (bit 5) programmed.
    ByteAvr("AT90S8535", "AT90S8535", V::At90S8535, 8192, 512, {0x1E, 0x93, 0x03},
            {true, 0xFE, 0xDE, 0xDF}, 0),
    PageAvr("ATmega8", "MEGA8", 8192, 512, {0x1E, 0x93, 0x07}, 64, 0,
            {Free(0xE1), Killing(Spien5(0xD9), 0x80), kNone}, 0x3F, 4),
    PageAvr("ATmega16", "MEGA16", 16384, 512, {0x1E, 0x94, 0x03}, 128, 0, MegaTwo(0x99), 0x3F, 1),
    PageAvr("ATmega32", "MEGA32", 32768, 1024, {0x1E, 0x95, 0x02}, 128, 0, MegaTwo(0x99), 0x3F, 4),
    PageAvr("ATmega48", "MEGA48", 4096, 256, {0x1E, 0x92, 0x05}, 64, 4,
            MegaThree(0x62, 0xDF, 0xFE, 0xFF, kRstDw76), 0x03, 1),
    PageAvr("ATmega64", "MEGA64", 65536, 2048, {0x1E, 0x96, 0x02}, 256, 0,
            MegaThree(0xE1, 0x99, 0xFC, 0xFD), 0x3F, 4),
    PageAvr("ATmega88", "MEGA88", 8192, 512, {0x1E, 0x93, 0x0A}, 64, 4,
            MegaThree(0x62, 0xDF, 0xF8, 0xF9, kRstDw76), 0x3F, 1),
    PageAvr("ATmega128", "MEGA128", 131072, 4096, {0x1E, 0x97, 0x02}, 256, 0,
            MegaThree(0xE1, 0x99, 0xFC, 0xFD), 0x3F, 4),
    PageAvr("ATmega162", "MEGA162", 16384, 512, {0x1E, 0x94, 0x04}, 128, 4,
            MegaThree(0x62, 0x99, 0xE1, 0xFF), 0x3F, 1),
    PageAvr("ATmega164", "MEGA164", 16384, 512, {0x1E, 0x94, 0x00}, 128, 4,
            MegaThree(0x62, 0x99, 0xF8, 0xFF), 0x3F, 1),
    // RSTDISBL is bit 0 of the extended fuse, as on the ATmega169.
    PageAvr("ATmega165", "MEGA165", 16384, 512, {0x1E, 0x94, 0x07}, 128, 4,
            {Free(0x62), Spien5(0x99), Killing(Unused(0xF0, 0xFF), 0x01)}, 0x3F, 1),
    PageAvr("ATmega168", "MEGA168", 16384, 512, {0x1E, 0x94, 0x06}, 128, 4,
            MegaThree(0x62, 0xDF, 0xF8, 0xF9, kRstDw76), 0x3F, 1),
    // RSTDISBL is bit 0 of the extended fuse.
    PageAvr("ATmega169", "MEGA169", 16384, 512, {0x1E, 0x94, 0x05}, 128, 4,
            {Free(0x62), Spien5(0x99), Killing(Unused(0xF0, 0xFF), 0x01)}, 0x3F, 1),
    PageAvr("ATmega324", "MEGA324", 32768, 1024, {0x1E, 0x95, 0x00}, 128, 4,
            MegaThree(0x62, 0x99, 0xF8, 0xFF), 0x3F, 1),
    PageAvr("ATmega644", "MEGA644", 65536, 2048, {0x1E, 0x96, 0x00}, 256, 8,
            MegaThree(0x62, 0x99, 0xF8, 0xFF), 0x3F, 1),
    PageAvr("ATmega8515", "MEGA8515", 8192, 512, {0x1E, 0x93, 0x06}, 64, 0, MegaTwo(0xD9), 0x3F, 4),
    PageAvr("ATmega8535", "MEGA8535", 8192, 512, {0x1E, 0x93, 0x08}, 64, 0, MegaTwo(0xD9), 0x3F, 4),
    // SPIEN is bit 5 of the one fuse byte, RSTDISBL bit 4.
    ByteAvr("ATtiny12", "TINY12", V::Tiny, 1024, 64, {0x1E, 0x90, 0x05},
            {true, 0x20, 0x00, 0x52, 0x10}, 1),
    // SPIEN is bit 7 of the low fuse, EESAVE bit 6; high fuse bits 7..5
    // unused, DWEN bit 3, RSTDISBL bit 0.
    PageAvr("ATtiny13", "TINY13", 1024, 64, {0x1E, 0x90, 0x07}, 32, 4,
            {FuseModel{true, 0x80, 0x00, 0x6A}, Killing(Unused(0xE0, 0xFF), 0x09), kNone}, 0x03, 1,
            {true, kFuseLow, 0x40}),
    // Bits 3..2 unused, SPIEN bit 5, RSTDISBL bit 4.
    ByteAvr("ATtiny15", "TINY15", V::Tiny, 1024, 64, {0x1E, 0x90, 0x06},
            {true, 0x2C, 0x0C, 0x5C, 0x10}, 1),
    PageAvr("ATtiny25", "TINY25", 2048, 128, {0x1E, 0x91, 0x08}, 32, 4,
            MegaThree(0x62, 0xDF, 0xFE, 0xFF, kRstDw76), 0x03, 1),
    // High fuse bits 7..5 unused, RSTDISBL bit 4, SPIEN bit 3, EESAVE bit 2.
    PageAvr("ATtiny26", "TINY26", 2048, 128, {0x1E, 0x91, 0x09}, 32, 0,
            {Free(0xE1), FuseModel{true, 0xE8, 0xE0, 0xF7, 0x10}, kNone}, 0x03, 4,
            {true, kFuseHigh, 0x04}),
    PageAvr("ATtiny45", "TINY45", 4096, 256, {0x1E, 0x92, 0x06}, 64, 4,
            MegaThree(0x62, 0xDF, 0xFE, 0xFF, kRstDw76), 0x03, 1),
    PageAvr("ATtiny85", "TINY85", 8192, 512, {0x1E, 0x93, 0x0B}, 64, 4,
            MegaThree(0x62, 0xDF, 0xFE, 0xFF, kRstDw76), 0x03, 1),
    // High fuse: DWEN bit 7, EESAVE bit 6, RSTDISBL bit 0.
    PageAvr("ATtiny2313", "TINY2313", 2048, 128, {0x1E, 0x91, 0x0A}, 32, 4,
            MegaThree(0x64, 0xDF, 0xFE, 0xFF, 0x81), 0x03, 2, {true, kFuseHigh, 0x40}),
}};

std::string Canonical(std::string_view name) {
  std::string out;
  for (char c : name)
    if (c != ' ')
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (out.starts_with("AT"))
    out.erase(0, 2);
  return out;
}

} // namespace

std::span<const ChipModel> ChipModels() { return kModels; }

const ChipModel *FindChipModel(std::string_view name) {
  const std::string wanted = Canonical(name);
  if (wanted.empty())
    return nullptr;
  for (const ChipModel &m : kModels)
    if (Canonical(m.name) == wanted || Canonical(m.listName) == wanted)
      return &m;
  return nullptr;
}

} // namespace sim::isp
