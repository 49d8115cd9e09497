#include "rindle/app/FuseBitTable.h"

#include "rindle/engine/DeviceCatalogue.h"

namespace rindle {

namespace {

constexpr FuseBit kNo{};
constexpr FuseBit Fixed(std::string_view name) { return FuseBit(name, false); }
constexpr FuseBit kSpien = Fixed("SPIEN");

// Written as in the data sheets: bit 7 first.
constexpr FuseByteLayout Bits(FuseBit b7, FuseBit b6, FuseBit b5, FuseBit b4, FuseBit b3,
                              FuseBit b2, FuseBit b1, FuseBit b0) {
  return {b0, b1, b2, b3, b4, b5, b6, b7};
}

constexpr FuseByteLayout kNone = Bits(kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo);

// Fuse low bytes.
constexpr FuseByteLayout kLowS8253 =
    Bits(kNo, kNo, kNo, kNo, "EXTCLKEN", "URPRGEN", "X2CLKEN", "SPIEN");
constexpr FuseByteLayout kLowS4433 =
    Bits(kNo, kNo, kSpien, "BODLEVEL", "BODEN", "CKSEL2", "CKSEL1", "CKSEL0");
constexpr FuseByteLayout kLowMega8 =
    Bits("BODLEVEL", "BODEN", "SUT1", "SUT0", "CKSEL3", "CKSEL2", "CKSEL1", "CKSEL0");
constexpr FuseByteLayout kLowCkDiv8 =
    Bits("CKDIV8", "CKOUT", "SUT1", "SUT0", "CKSEL3", "CKSEL2", "CKSEL1", "CKSEL0");
constexpr FuseByteLayout kLowTiny12 =
    Bits("BODLEVEL", "BODEN", kSpien, "RSTDISBL", "CKSEL3", "CKSEL2", "CKSEL1", "CKSEL0");
constexpr FuseByteLayout kLowTiny13 =
    Bits(kSpien, "EESAVE", "WDTON", "CKDIV8", "SUT1", "SUT0", "CKSEL1", "CKSEL0");
constexpr FuseByteLayout kLowTiny15 =
    Bits("BODLEVEL", "BODEN", kSpien, "RSTDISBL", kNo, kNo, "CKSEL1", "CKSEL0");
constexpr FuseByteLayout kLowTiny26 =
    Bits("PLLCK", "CKOPT", "SUT1", "SUT0", "CKSEL3", "CKSEL2", "CKSEL1", "CKSEL0");

// Fuse high bytes.
constexpr FuseByteLayout kHighMega8 =
    Bits("RSTDISBL", "WDTON", kSpien, "CKOPT", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
constexpr FuseByteLayout kHighMega16 =
    Bits("OCDEN", "JTAGEN", kSpien, "CKOPT", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
constexpr FuseByteLayout kHighMega8515 =
    Bits("S8515C", "WDTON", kSpien, "CKOPT", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
constexpr FuseByteLayout kHighMega8535 =
    Bits("S8535C", "WDTON", kSpien, "CKOPT", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
constexpr FuseByteLayout kHighMega162 =
    Bits("OCDEN", "JTAGEN", kSpien, "WDTON", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
constexpr FuseByteLayout kHighMega48 =
    Bits("RSTDISBL", "DWEN", kSpien, "WDTON", "EESAVE", "BODLEVEL2", "BODLEVEL1", "BODLEVEL0");
constexpr FuseByteLayout kHighTiny2313 =
    Bits("DWEN", "EESAVE", kSpien, "WDTON", "BODLEVEL2", "BODLEVEL1", "BODLEVEL0", "RSTDISBL");
constexpr FuseByteLayout kHighTiny13 =
    Bits(kNo, kNo, kNo, "SELFPRGEN", "DWEN", "BODLEVEL1", "BODLEVEL0", "RSTDISBL");
constexpr FuseByteLayout kHighTiny26 =
    Bits(kNo, kNo, kNo, "RSTDISBL", kSpien, "EESAVE", "BODLEVEL", "BODEN");

// Fuse extended bytes.
constexpr FuseByteLayout kExtSelfPrg = Bits(kNo, kNo, kNo, kNo, kNo, kNo, kNo, "SELFPRGEN");
constexpr FuseByteLayout kExtMega64 = Bits(kNo, kNo, kNo, kNo, kNo, kNo, "M103C", "WDTON");
constexpr FuseByteLayout kExtMega88 =
    Bits(kNo, kNo, kNo, kNo, kNo, "BOOTSZ1", "BOOTSZ0", "BOOTRST");
constexpr FuseByteLayout kExtMega162 =
    Bits(kNo, kNo, kNo, "M161C", "BODLEVEL2", "BODLEVEL1", "BODLEVEL0", kNo);
constexpr FuseByteLayout kExtMega164 =
    Bits(kNo, kNo, kNo, kNo, kNo, "BODLEVEL2", "BODLEVEL1", "BODLEVEL0");
constexpr FuseByteLayout kExtMega165 =
    Bits(kNo, kNo, kNo, kNo, "BODLEVEL2", "BODLEVEL1", "BODLEVEL0", kNo);
constexpr FuseByteLayout kExtMega169 =
    Bits(kNo, kNo, kNo, kNo, "BODLEVEL2", "BODLEVEL1", "BODLEVEL0", "RSTDISBL");

constexpr bool kBootLock = true;
constexpr bool kNoBootLock = false;

const DeviceFuseLayout kNoFuses{kNone, kNone, kNone, kNoBootLock};

// One row per entry of the device list; rows without fuses stay empty.
const std::array<DeviceFuseLayout, kDeviceListRows> kFuseBitTable = [] {
  std::array<DeviceFuseLayout, kDeviceListRows> t;
  t.fill(kNoFuses);
  using namespace device;
  t[kAt89S8253] = {kLowS8253, kNone, kNone, kNoBootLock};
  t[kAt90S4433] = {kLowS4433, kNone, kNone, kNoBootLock};
  t[kMega8] = {kLowMega8, kHighMega8, kNone, kBootLock};
  t[kMega16] = {kLowMega8, kHighMega16, kNone, kBootLock};
  t[kMega32] = {kLowMega8, kHighMega16, kNone, kBootLock};
  t[kMega48] = {kLowCkDiv8, kHighMega48, kExtSelfPrg, kNoBootLock};
  t[kMega64] = {kLowMega8, kHighMega16, kExtMega64, kBootLock};
  t[kMega88] = {kLowCkDiv8, kHighMega48, kExtMega88, kBootLock};
  t[kMega128] = {kLowMega8, kHighMega16, kExtMega64, kBootLock};
  t[kMega162] = {kLowCkDiv8, kHighMega162, kExtMega162, kBootLock};
  t[kMega164] = {kLowCkDiv8, kHighMega162, kExtMega164, kBootLock};
  t[kMega165] = {kLowCkDiv8, kHighMega162, kExtMega165, kBootLock};
  t[kMega168] = {kLowCkDiv8, kHighMega48, kExtMega88, kBootLock};
  t[kMega169] = {kLowCkDiv8, kHighMega162, kExtMega169, kBootLock};
  t[kMega324] = {kLowCkDiv8, kHighMega162, kExtMega164, kBootLock};
  t[kMega644] = {kLowCkDiv8, kHighMega162, kExtMega164, kBootLock};
  t[kMega8515] = {kLowMega8, kHighMega8515, kNone, kBootLock};
  t[kMega8535] = {kLowMega8, kHighMega8535, kNone, kBootLock};
  t[kTiny12] = {kLowTiny12, kNone, kNone, kNoBootLock};
  t[kTiny13] = {kLowTiny13, kHighTiny13, kNone, kNoBootLock};
  t[kTiny15] = {kLowTiny15, kNone, kNone, kNoBootLock};
  t[kTiny25] = {kLowCkDiv8, kHighMega48, kExtSelfPrg, kNoBootLock};
  t[kTiny26] = {kLowTiny26, kHighTiny26, kNone, kNoBootLock};
  t[kTiny45] = {kLowCkDiv8, kHighMega48, kExtSelfPrg, kNoBootLock};
  t[kTiny85] = {kLowCkDiv8, kHighMega48, kExtSelfPrg, kNoBootLock};
  t[kTiny2313] = {kLowCkDiv8, kHighTiny2313, kExtSelfPrg, kNoBootLock};
  return t;
}();

} // namespace

const DeviceFuseLayout &FuseLayoutFor(std::uint16_t deviceIndex) {
  const std::size_t row = deviceIndex & 0xFFu;
  return row < kFuseBitTable.size() ? kFuseBitTable[row] : kNoFuses;
}

std::string_view FuseBitCaptionName(const FuseBit &bit) { return bit.exists() ? bit.name : "-"; }

} // namespace rindle
