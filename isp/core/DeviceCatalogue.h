#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace rindle {

// The instruction set and memory routines a device speaks.
enum class IspFamily : std::uint8_t {
  At89S51,     // AT89S51, AT89S52
  At89S8252,   // AT89S53, AT89S8252: three-byte instructions
  At89S8253,   // flash, EEPROM and user signature in page mode
  AvrByteMode, // AT90S, ATtiny12, ATtiny15
  AvrPageMode, // every ATmega and the other ATtiny
};

// Rows of the device list. The row is a device's identity: the settings file
// stores it. What a device is and does is in its record below; these names
// serve the tests that pick a device.
namespace device {
inline constexpr std::uint16_t kAt89S51 = 0;
inline constexpr std::uint16_t kAt89S52 = 1;
inline constexpr std::uint16_t kAt89S53 = 2;
inline constexpr std::uint16_t kAt89S8252 = 3;
inline constexpr std::uint16_t kAt89S8253 = 4;
inline constexpr std::uint16_t kAt90S1200 = 6;
inline constexpr std::uint16_t kAt90S2313 = 7;
inline constexpr std::uint16_t kAt90S4433 = 8;
inline constexpr std::uint16_t kAt90S8515 = 9;
inline constexpr std::uint16_t kAt90S8535 = 10;
inline constexpr std::uint16_t kMega8 = 12;
inline constexpr std::uint16_t kMega16 = 13;
inline constexpr std::uint16_t kMega32 = 14;
inline constexpr std::uint16_t kMega48 = 15;
inline constexpr std::uint16_t kMega64 = 16;
inline constexpr std::uint16_t kMega88 = 17;
inline constexpr std::uint16_t kMega128 = 18;
inline constexpr std::uint16_t kMega162 = 19;
inline constexpr std::uint16_t kMega164 = 20;
inline constexpr std::uint16_t kMega165 = 21;
inline constexpr std::uint16_t kMega168 = 22;
inline constexpr std::uint16_t kMega169 = 23;
inline constexpr std::uint16_t kMega324 = 24;
inline constexpr std::uint16_t kMega644 = 25;
inline constexpr std::uint16_t kMega8515 = 26;
inline constexpr std::uint16_t kMega8535 = 27;
inline constexpr std::uint16_t kTiny12 = 29;
inline constexpr std::uint16_t kTiny13 = 30;
inline constexpr std::uint16_t kTiny15 = 31;
inline constexpr std::uint16_t kTiny25 = 32;
inline constexpr std::uint16_t kTiny26 = 33;
inline constexpr std::uint16_t kTiny45 = 34;
inline constexpr std::uint16_t kTiny85 = 35;
inline constexpr std::uint16_t kTiny2313 = 36;
} // namespace device

inline constexpr std::size_t kDeviceListRows = 37;
inline constexpr std::string_view kSeparatorEntry = "-------------------------";

// Lock and fuse choices; fuse and lock bytes use the chips' convention (a 0
// bit is programmed), LockBits the opposite (a set bit asks for that lock
// bit, or FSTRT on the AT90S8535, to be programmed).
struct FuseState {
  std::uint16_t LockBits = 0;
  std::uint16_t FuseLow = 0xFF;
  std::uint16_t FuseHigh = 0xFF;
  std::uint16_t FuseExtended = 0xFF;
  std::uint16_t LockByte = 0xFF;

  friend bool operator==(const FuseState &, const FuseState &) = default;
};

// One step of a device's forced-at-selection fuse rule.
enum class FuseField : std::uint8_t { FuseLow, FuseHigh, FuseExtended, LockByte };
enum class FuseOp : std::uint8_t { Assign, Or, AndNot };
struct FuseRuleStep {
  FuseField field;
  FuseOp op;
  std::uint8_t value;
};

// Selects fuse bytes in FuseDefaults::applyWhen.
enum FuseByteSet : std::uint8_t {
  kNoFuseBytes = 0,
  kLowFuse = 1,
  kHighFuse = 2,
  kExtendedFuse = 4,
};

// The fuse values the chip erase writes and the default-fuse safeguard puts
// in place; a byte without a default is left alone. They apply when the AND
// of the bytes named by applyWhen is 0xFF.
struct FuseDefaults {
  std::optional<std::uint8_t> low;
  std::optional<std::uint8_t> high;
  std::optional<std::uint8_t> extended;
  std::uint8_t applyWhen = kNoFuseBytes;
};

inline constexpr std::size_t kMaxFuseRuleSteps = 5;
using FuseRule = std::array<FuseRuleStep, kMaxFuseRuleSteps>;

// What programming a fuse bit to the wrong value does to serial programming:
// a bit with this mark, once written, leaves a chip that no longer answers an
// ISP cable; only a high-voltage programmer recovers it.
struct SerialLockout {
  bool endsWhenProgrammed; // false: it ends it when left unprogrammed (1)
  std::string_view effect; // what the bit does
};
inline constexpr SerialLockout kResetPinLost{true, "the RESET pin becomes an I/O pin"};
inline constexpr SerialLockout kResetPinDebugs{true,
                                               "the RESET pin becomes the one-wire debug line"};
inline constexpr SerialLockout kSerialSwitchedOff{false, "serial programming is switched off"};

// One fuse bit as the chip names it and the fuse dialog shows it. A bit the
// device does not have has no name and is never enabled; a bit that must
// keep its value (SPIEN on the AVRs) has a name and is not enabled. A bit
// the chip has but the dialog does not offer is `hidden`: shown as absent and
// written back as it was read. A hidden bit that ends serial programming
// keeps its chip name for the lockout question: a fuse byte from a file or
// the fuse database can still program it.
struct FuseBit {
  std::string_view name;
  bool enabled = false;
  const SerialLockout *lockout = nullptr;
  bool hidden = false;
  std::string_view hiddenName;

  constexpr FuseBit() = default;
  constexpr FuseBit(const char *bitName) : name(bitName), enabled(true) {} // NOLINT: table entries
  constexpr FuseBit(std::string_view bitName, bool canChange) : name(bitName), enabled(canChange) {}
  constexpr FuseBit(std::string_view bitName, const SerialLockout &ends)
      : name(bitName), enabled(true), lockout(&ends) {}

  constexpr bool exists() const { return !name.empty(); }
  friend bool operator==(const FuseBit &, const FuseBit &) = default;
};

// The eight bits of one fuse byte, indexed by bit number (0 = lowest).
using FuseByteLayout = std::array<FuseBit, 8>;

// The fuse bytes of one device as the fuse dialog lays them out.
struct DeviceFuseLayout {
  FuseByteLayout low;
  FuseByteLayout high;
  FuseByteLayout extended;
  bool bootLockEnabled = false; // the four boot lock boxes, LockByte bits 5..2

  // The byte of `field`; the lock byte has no named bits here.
  constexpr const FuseByteLayout *Byte(FuseField field) const {
    switch (field) {
    case FuseField::FuseLow: return &low;
    case FuseField::FuseHigh: return &high;
    case FuseField::FuseExtended: return &extended;
    case FuseField::LockByte: break;
    }
    return nullptr;
  }
  // True when any fuse bit has a name: the fuse dialog has something to show.
  constexpr bool HasNamedBits() const {
    for (const FuseByteLayout *byte : {&low, &high, &extended})
      for (const FuseBit &bit : *byte)
        if (bit.exists())
          return true;
    return false;
  }
};

// What the signature read reads back besides the signature.
enum class ReadBackKind : std::uint8_t {
  At89SLockBits, // the lock byte; LB1..LB3 from its bits 2..4, 1 = programmed
  At89S8253,     // lock bits (0 = programmed) and the user fuses
  None,          // nothing: the target is released after the signature
  FuseByte,      // the one fuse byte, then the lock bits
  PageMode,      // two or three fuse bytes, then the lock byte
};

struct SignatureReadBack {
  ReadBackKind kind = ReadBackKind::None;
  // FuseByte and PageMode: the bits of the lock answer that hold LB1, LB2
  // and the third lock box's bit; -1 where the answer has none. A bit
  // reading 0 is programmed.
  std::array<std::int8_t, 3> lockAnswerBits{-1, -1, -1};
  std::uint8_t fuseBytes = 0; // PageMode: fuse bytes read back, low first
  bool keepLockByte = false;  // the lock answer is stored as LockByte
};

// How a device takes its fuse bytes and lock bits.
enum class LockWriter : std::uint8_t {
  At89S51,      // one lock bit per programming mode entry
  At89S8252,    // the same with the three-byte instructions
  At89S8253,    // user fuses, then all lock bits in one instruction
  At90SLocks,   // LB1, LB2 with the AT90S lock codes
  At90S8535,    // FSTRT, then LB1, LB2
  At90S4433,    // the fuse byte, then LB1, LB2
  TinyByteMode, // the fuse byte, then the one-byte lock form
  PageMode,     // FuseCount fuse bytes, then the lock byte
};

// The main window's third lock box: enabled or not, and its caption.
struct ThirdLockBox {
  bool enabled = false;
  std::string_view caption = "   Lock Bit-3";
};

struct DeviceEntry {
  std::string_view entry;         // the text of the device list row
  std::string_view dataSheetName; // the chip's own name, "ATmega8"
  bool isDevice;
  IspFamily family;
  std::int32_t flashSize;
  std::uint16_t eepromSize; // with the user signature area, where there is one
  std::uint16_t userSignatureSize;
  std::int32_t expectedSignature; // bytes packed first byte highest, 0 = none
  std::uint8_t signatureCount;    // bytes read in serial mode: 0 (none), 2 or 3
  std::uint16_t flashPageSize;    // 0 = written byte by byte
  std::uint16_t flashPageCount;
  std::uint16_t eepromPageSize; // 0 = written byte by byte
  std::uint16_t eepromPageCount;
  std::uint16_t fuseCount;
  std::uint16_t calibrationCount;
  FuseRule forced;
  std::uint8_t forcedSteps;
  FuseDefaults defaults;
  DeviceFuseLayout fuseLayout;
  ThirdLockBox thirdLockBox;
  SignatureReadBack readBack;
  LockWriter lockWriter;
  // False where programming enable gives nothing to check: the chip is taken
  // as answering.
  bool enableAnswerChecked;
  // The signature report: its first line, and what stands between the bytes.
  std::string_view reportHeader;
  std::string_view reportGap;

  constexpr std::span<const FuseRuleStep> ForcedAtSelection() const {
    return std::span<const FuseRuleStep>(forced).first(forcedSteps);
  }
  // The name without the list's two leading blanks.
  constexpr std::string_view Name() const {
    return isDevice ? entry.substr(2) : std::string_view{};
  }
  // A chip erase puts default fuses in place on devices that have them.
  constexpr bool EraseSetsFuses() const { return defaults.low.has_value(); }
  // The fuse dialog (and the main window's button for it) serves devices
  // with named fuse bits.
  constexpr bool HasFuseDialog() const { return fuseLayout.HasNamedBits(); }
  // The AT89S chips hold reset high while programmed.
  constexpr bool ResetActiveHigh() const {
    return family == IspFamily::At89S51 || family == IspFamily::At89S8252 ||
           family == IspFamily::At89S8253;
  }

  // Builders for the table below: each returns the record changed.
  constexpr DeviceEntry WithFuseLayout(const FuseByteLayout &lowBits,
                                       const FuseByteLayout &highBits,
                                       const FuseByteLayout &extendedBits, bool bootLock) const {
    DeviceEntry d = *this;
    d.fuseLayout = {lowBits, highBits, extendedBits, bootLock};
    return d;
  }
  constexpr DeviceEntry WithReadBack(const SignatureReadBack &r) const {
    DeviceEntry d = *this;
    d.readBack = r;
    return d;
  }
  constexpr DeviceEntry WithLockWriter(LockWriter w) const {
    DeviceEntry d = *this;
    d.lockWriter = w;
    return d;
  }
  constexpr DeviceEntry WithThirdLockBox(std::string_view caption) const {
    DeviceEntry d = *this;
    d.thirdLockBox = {true, caption};
    return d;
  }
  constexpr DeviceEntry WithoutEnableAnswer() const {
    DeviceEntry d = *this;
    d.enableAnswerChecked = false;
    return d;
  }
  constexpr DeviceEntry WithReport(std::string_view header, std::string_view gap) const {
    DeviceEntry d = *this;
    d.reportHeader = header;
    d.reportGap = gap;
    return d;
  }
  constexpr DeviceEntry WithUserSignature(std::uint16_t bytes) const {
    DeviceEntry d = *this;
    d.userSignatureSize = bytes;
    return d;
  }
};

namespace catalogue_detail {

struct Rule {
  FuseRule steps;
  std::uint8_t count;
};

constexpr FuseRuleStep Set(FuseField f, std::uint8_t v) { return {f, FuseOp::Assign, v}; }
constexpr FuseRuleStep Or(FuseField f, std::uint8_t v) { return {f, FuseOp::Or, v}; }
constexpr FuseRuleStep AndNot(FuseField f, std::uint8_t v) { return {f, FuseOp::AndNot, v}; }

using enum FuseField;

// Bits the chip does not have stay 1; SPIEN (high fuse bit 5 on most AVRs)
// stays programmed so the chip can still be reached over this cable.
inline constexpr Rule kNoRule{{}, 0};
inline constexpr Rule kAt89S8253Rule{
    {Or(FuseLow, 0xF0), Set(FuseHigh, 0xFF), Set(FuseExtended, 0xFF), Set(LockByte, 0xFF)}, 4};
inline constexpr Rule kAt90S4433Rule{
    {Set(FuseHigh, 0xFF), Set(FuseExtended, 0xFF), Set(LockByte, 0xFF)}, 3};
inline constexpr Rule kMega8Rule{
    {Or(LockByte, 0xC0), Set(FuseExtended, 0xFF), AndNot(FuseHigh, 0x20)}, 3};
inline constexpr Rule kMega48Rule{
    {Or(LockByte, 0xFC), Or(FuseExtended, 0xFE), AndNot(FuseHigh, 0x20)}, 3};
inline constexpr Rule kMega64Rule{
    {Or(LockByte, 0xC0), Or(FuseExtended, 0xFC), AndNot(FuseHigh, 0x20)}, 3};
inline constexpr Rule kMega88Rule{
    {Or(LockByte, 0xC0), Or(FuseExtended, 0xF8), AndNot(FuseHigh, 0x20)}, 3};
inline constexpr Rule kMega162Rule{
    {Or(LockByte, 0xC0), Or(FuseExtended, 0xE1), AndNot(FuseHigh, 0x20)}, 3};
inline constexpr Rule kMega165Rule{
    {Or(LockByte, 0xC0), Or(FuseExtended, 0xF0), AndNot(FuseHigh, 0x20)}, 3};
inline constexpr Rule kTiny12Rule{
    {AndNot(FuseLow, 0x20), Set(FuseHigh, 0xFF), Set(FuseExtended, 0xFF), Set(LockByte, 0xFF)}, 4};
inline constexpr Rule kTiny13Rule{
    {Or(LockByte, 0xFC), Set(FuseExtended, 0xFF), Or(FuseHigh, 0xE0), AndNot(FuseLow, 0x80)}, 4};
inline constexpr Rule kTiny15Rule{{Set(LockByte, 0xFF), Set(FuseExtended, 0xFF),
                                   Set(FuseHigh, 0xFF), Or(FuseLow, 0x0C), AndNot(FuseLow, 0x20)},
                                  5};
inline constexpr Rule kTiny25Rule{
    {Or(LockByte, 0xFC), Or(FuseExtended, 0xFE), AndNot(FuseHigh, 0x20)}, 3};
inline constexpr Rule kTiny26Rule{
    {Or(LockByte, 0xFC), Set(FuseExtended, 0xFF), Or(FuseHigh, 0xE0), AndNot(FuseHigh, 0x08)}, 4};

inline constexpr std::uint8_t kLowHigh = kLowFuse | kHighFuse;
inline constexpr std::uint8_t kAllThree = kLowFuse | kHighFuse | kExtendedFuse;

inline constexpr FuseDefaults kNoDefaults{};
constexpr FuseDefaults LowOnly(std::uint8_t low) { return {low, {}, {}, kLowFuse}; }
constexpr FuseDefaults LowHigh(std::uint8_t low, std::uint8_t high) {
  return {low, high, {}, kLowHigh};
}
constexpr FuseDefaults Three(std::uint8_t low, std::uint8_t high, std::uint8_t ext,
                             std::uint8_t applyWhen) {
  return {low, high, ext, applyWhen};
}

// Fuse bits, written as in the data sheets: bit 7 first.
inline constexpr FuseBit kNo{};
constexpr FuseBit Fixed(std::string_view name) { return FuseBit(name, false); }
inline constexpr FuseBit kSpien = Fixed("SPIEN");
inline constexpr FuseBit kRstdisbl{"RSTDISBL", kResetPinLost};
inline constexpr FuseBit kDwen{"DWEN", kResetPinDebugs};
// The AT89S8253's SPIEN is a user fuse the user may clear.
inline constexpr FuseBit kUserSpien{"SPIEN", kSerialSwitchedOff};
constexpr FuseBit Hidden(std::string_view chipName, const SerialLockout &ends) {
  FuseBit bit;
  bit.hidden = true;
  bit.hiddenName = chipName;
  bit.lockout = &ends;
  return bit;
}

constexpr FuseByteLayout Bits(FuseBit b7, FuseBit b6, FuseBit b5, FuseBit b4, FuseBit b3,
                              FuseBit b2, FuseBit b1, FuseBit b0) {
  return {b0, b1, b2, b3, b4, b5, b6, b7};
}

inline constexpr FuseByteLayout kNone = Bits(kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo);

// Fuse low bytes.
inline constexpr FuseByteLayout kLowS8253 =
    Bits(kNo, kNo, kNo, kNo, "EXTCLKEN", "URPRGEN", "X2CLKEN", kUserSpien);
inline constexpr FuseByteLayout kLowS4433 =
    Bits(kNo, kNo, kSpien, "BODLEVEL", "BODEN", "CKSEL2", "CKSEL1", "CKSEL0");
inline constexpr FuseByteLayout kLowMega8 =
    Bits("BODLEVEL", "BODEN", "SUT1", "SUT0", "CKSEL3", "CKSEL2", "CKSEL1", "CKSEL0");
inline constexpr FuseByteLayout kLowCkDiv8 =
    Bits("CKDIV8", "CKOUT", "SUT1", "SUT0", "CKSEL3", "CKSEL2", "CKSEL1", "CKSEL0");
inline constexpr FuseByteLayout kLowTiny12 =
    Bits("BODLEVEL", "BODEN", kSpien, kRstdisbl, "CKSEL3", "CKSEL2", "CKSEL1", "CKSEL0");
inline constexpr FuseByteLayout kLowTiny13 =
    Bits(kSpien, "EESAVE", "WDTON", "CKDIV8", "SUT1", "SUT0", "CKSEL1", "CKSEL0");
inline constexpr FuseByteLayout kLowTiny15 =
    Bits("BODLEVEL", "BODEN", kSpien, kRstdisbl, kNo, kNo, "CKSEL1", "CKSEL0");
inline constexpr FuseByteLayout kLowTiny26 =
    Bits("PLLCK", "CKOPT", "SUT1", "SUT0", "CKSEL3", "CKSEL2", "CKSEL1", "CKSEL0");

// Fuse high bytes.
inline constexpr FuseByteLayout kHighMega8 =
    Bits(kRstdisbl, "WDTON", kSpien, "CKOPT", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
inline constexpr FuseByteLayout kHighMega16 =
    Bits("OCDEN", "JTAGEN", kSpien, "CKOPT", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
inline constexpr FuseByteLayout kHighMega8515 =
    Bits("S8515C", "WDTON", kSpien, "CKOPT", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
inline constexpr FuseByteLayout kHighMega8535 =
    Bits("S8535C", "WDTON", kSpien, "CKOPT", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
inline constexpr FuseByteLayout kHighMega162 =
    Bits("OCDEN", "JTAGEN", kSpien, "WDTON", "EESAVE", "BOOTSZ1", "BOOTSZ0", "BOOTRST");
inline constexpr FuseByteLayout kHighMega48 =
    Bits(kRstdisbl, kDwen, kSpien, "WDTON", "EESAVE", "BODLEVEL2", "BODLEVEL1", "BODLEVEL0");
inline constexpr FuseByteLayout kHighTiny2313 =
    Bits(kDwen, "EESAVE", kSpien, "WDTON", "BODLEVEL2", "BODLEVEL1", "BODLEVEL0", kRstdisbl);
inline constexpr FuseByteLayout kHighTiny13 =
    Bits(kNo, kNo, kNo, "SELFPRGEN", kDwen, "BODLEVEL1", "BODLEVEL0", kRstdisbl);
inline constexpr FuseByteLayout kHighTiny26 =
    Bits(kNo, kNo, kNo, kRstdisbl, kSpien, "EESAVE", "BODLEVEL", "BODEN");

// Fuse extended bytes.
inline constexpr FuseByteLayout kExtSelfPrg = Bits(kNo, kNo, kNo, kNo, kNo, kNo, kNo, "SELFPRGEN");
inline constexpr FuseByteLayout kExtMega64 = Bits(kNo, kNo, kNo, kNo, kNo, kNo, "M103C", "WDTON");
inline constexpr FuseByteLayout kExtMega88 =
    Bits(kNo, kNo, kNo, kNo, kNo, "BOOTSZ1", "BOOTSZ0", "BOOTRST");
inline constexpr FuseByteLayout kExtMega162 =
    Bits(kNo, kNo, kNo, "M161C", "BODLEVEL2", "BODLEVEL1", "BODLEVEL0", kNo);
inline constexpr FuseByteLayout kExtMega164 =
    Bits(kNo, kNo, kNo, kNo, kNo, "BODLEVEL2", "BODLEVEL1", "BODLEVEL0");
// The chip's bit 0 (RSTDISBL) is not offered by the dialog.
inline constexpr FuseByteLayout kExtMega165 = Bits(kNo, kNo, kNo, kNo, "BODLEVEL2", "BODLEVEL1",
                                                   "BODLEVEL0", Hidden("RSTDISBL", kResetPinLost));
inline constexpr FuseByteLayout kExtMega169 =
    Bits(kNo, kNo, kNo, kNo, "BODLEVEL2", "BODLEVEL1", "BODLEVEL0", kRstdisbl);

inline constexpr bool kBootLock = true;
inline constexpr bool kNoBootLock = false;

// Signatures, page geometry in bytes x pages.
constexpr std::int32_t Sig3(std::int32_t b0, std::int32_t b1, std::int32_t b2) {
  return b0 * 65536 + b1 * 256 + b2;
}
constexpr std::int32_t Sig2(std::int32_t b0, std::int32_t b1) { return b0 * 256 + b1; }

// Read-back forms.
inline constexpr SignatureReadBack kNoReadBack{};
constexpr SignatureReadBack FuseByteReadBack(std::int8_t lb1, std::int8_t lb2, std::int8_t lb3,
                                             bool keepLockByte) {
  return {ReadBackKind::FuseByte, {lb1, lb2, lb3}, 0, keepLockByte};
}
constexpr SignatureReadBack PageReadBack(std::uint8_t fuseBytes, bool keepLockByte) {
  return {ReadBackKind::PageMode, {0, 1, -1}, fuseBytes, keepLockByte};
}

using enum IspFamily;

// What each family does unless a device's row says otherwise.
constexpr DeviceEntry Device(std::string_view entry, std::string_view dataSheetName,
                             IspFamily family, std::int32_t flash, std::uint16_t eeprom,
                             std::int32_t signature, std::uint16_t flashPage,
                             std::uint16_t flashPages, std::uint16_t eepromPage,
                             std::uint16_t eepromPages, std::uint16_t fuses,
                             std::uint16_t calibration, const Rule &rule = kNoRule,
                             const FuseDefaults &defaults = kNoDefaults) {
  DeviceEntry d{entry,
                dataSheetName,
                true,
                family,
                flash,
                eeprom,
                0,
                signature,
                static_cast<std::uint8_t>(signature == 0        ? 0
                                          : family == At89S8253 ? 2
                                                                : 3),
                flashPage,
                flashPages,
                eepromPage,
                eepromPages,
                fuses,
                calibration,
                rule.steps,
                rule.count,
                defaults,
                {kNone, kNone, kNone, kNoBootLock},
                {},
                kNoReadBack,
                LockWriter::PageMode,
                true,
                {},
                "  "};
  switch (family) {
  case At89S51:
    d.readBack = {ReadBackKind::At89SLockBits};
    d.lockWriter = LockWriter::At89S51;
    d.thirdLockBox.enabled = true;
    break;
  case At89S8252:
    d.readBack = {ReadBackKind::At89SLockBits};
    d.lockWriter = LockWriter::At89S8252;
    d.thirdLockBox.enabled = true;
    break;
  case At89S8253:
    d.readBack = {ReadBackKind::At89S8253};
    d.lockWriter = LockWriter::At89S8253;
    d.thirdLockBox.enabled = true;
    break;
  case AvrByteMode: d.lockWriter = LockWriter::At90SLocks; break;
  case AvrPageMode: d.readBack = PageReadBack(fuses >= 3 ? 3 : 2, true); break;
  }
  return d;
}

constexpr DeviceEntry Separator() {
  return DeviceEntry{kSeparatorEntry,
                     {},
                     false,
                     IspFamily::At89S51,
                     0,
                     0,
                     0,
                     0,
                     0,
                     0,
                     0,
                     0,
                     0,
                     0,
                     0,
                     kNoRule.steps,
                     0,
                     kNoDefaults,
                     {kNone, kNone, kNone, kNoBootLock},
                     {},
                     kNoReadBack,
                     LockWriter::PageMode,
                     true,
                     {},
                     {}};
}

} // namespace catalogue_detail

// The 37 rows of the device list: 34 devices and three separators. Each
// device's record holds every fact the programmer needs about the chip.
inline constexpr std::array<DeviceEntry, kDeviceListRows> kDeviceList = [] {
  using namespace catalogue_detail;
  return std::array<DeviceEntry, kDeviceListRows>{
      Device("  AT89S51", "AT89S51", At89S51, 4096, 0, Sig3(0x1E, 0x51, 0x06), 0, 0, 0, 0, 0, 0)
          .WithReport("Signature info for  AT89S51", "  "),
      Device("  AT89S52", "AT89S52", At89S51, 8192, 0, Sig3(0x1E, 0x52, 0x06), 0, 0, 0, 0, 0, 0)
          .WithReport("Signature info for  AT89S52", "  "),
      Device("  AT89S53", "AT89S53", At89S8252, 12288, 0, 0, 0, 0, 0, 0, 0, 0),
      Device("  AT89S8252", "AT89S8252", At89S8252, 8192, 2048, 0, 0, 0, 0, 0, 0, 0),
      // Its page sizes are fixed in its own routines.
      Device("  AT89S8253", "AT89S8253", At89S8253, 12288, 2112, Sig2(0x1E, 0x73), 0, 0, 0, 0, 0, 0,
             kAt89S8253Rule, LowOnly(0xF6))
          .WithUserSignature(64)
          .WithFuseLayout(kLowS8253, kNone, kNone, kNoBootLock)
          .WithoutEnableAnswer()
          .WithReport("Signature info for  AT89S8253", "  "),
      Separator(),
      // No echo to check during programming enable.
      Device("  AT90S1200", "AT90S1200", AvrByteMode, 1024, 64, Sig3(0x1E, 0x90, 0x01), 0, 0, 0, 0,
             0, 0)
          .WithoutEnableAnswer()
          .WithReport("Signature info for  AT90S1200", "  "),
      Device("  AT90S2313", "AT90S2313", AvrByteMode, 2048, 128, Sig3(0x1E, 0x91, 0x01), 0, 0, 0, 0,
             0, 0)
          .WithReport("Signature info for  AT90S2313", "  "),
      Device("  AT90S4433", "AT90S4433", AvrByteMode, 4096, 256, Sig3(0x1E, 0x92, 0x03), 0, 0, 0, 0,
             1, 0, kAt90S4433Rule, LowOnly(0xDA))
          .WithFuseLayout(kLowS4433, kNone, kNone, kNoBootLock)
          .WithReadBack(FuseByteReadBack(1, 2, -1, false))
          .WithLockWriter(LockWriter::At90S4433)
          .WithReport("Signature info for  AT90S4433", "  "),
      Device("  AT90S8515", "AT90S8515", AvrByteMode, 8192, 512, Sig3(0x1E, 0x93, 0x01), 0, 0, 0, 0,
             0, 0)
          .WithReport("Signature info for  AT90S8515", "  "),
      // Its third lock box is the FSTRT fuse.
      Device("  AT90S8535", "AT90S8535", AvrByteMode, 8192, 512, Sig3(0x1E, 0x93, 0x03), 0, 0, 0, 0,
             0, 0)
          .WithThirdLockBox("   FSTRT")
          .WithReadBack(FuseByteReadBack(7, 6, 0, false))
          .WithLockWriter(LockWriter::At90S8535)
          .WithReport("Signature info for  AT90S8535", "  "),
      Separator(),
      Device("  MEGA8", "ATmega8", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x07), 64, 128, 0, 0, 2,
             4, kMega8Rule, LowHigh(0xE1, 0xD9))
          .WithFuseLayout(kLowMega8, kHighMega8, kNone, kBootLock)
          .WithReport("Signature info for  ATMEGA8", "  "),
      Device("  MEGA16", "ATmega16", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x03), 128, 128, 0,
             0, 2, 1, kMega8Rule, LowHigh(0xE1, 0x99))
          .WithFuseLayout(kLowMega8, kHighMega16, kNone, kBootLock)
          .WithReport("Signature info for  ATMEGA16", "  "),
      Device("  MEGA32", "ATmega32", AvrPageMode, 32768, 1024, Sig3(0x1E, 0x95, 0x02), 128, 256, 0,
             0, 2, 4, kMega8Rule, LowHigh(0xE1, 0x99))
          .WithFuseLayout(kLowMega8, kHighMega16, kNone, kBootLock)
          .WithReport("Signature info for  ATMEGA32", "  "),
      Device("  MEGA48", "ATmega48", AvrPageMode, 4096, 256, Sig3(0x1E, 0x92, 0x05), 64, 64, 4, 64,
             3, 1, kMega48Rule, Three(0x62, 0xDF, 0xFF, kLowHigh))
          .WithFuseLayout(kLowCkDiv8, kHighMega48, kExtSelfPrg, kNoBootLock)
          .WithReport("Signature info for  ATMEGA48", "  "),
      Device("  MEGA64", "ATmega64", AvrPageMode, 65536, 2048, Sig3(0x1E, 0x96, 0x02), 256, 256, 0,
             0, 3, 4, kMega64Rule, Three(0xE1, 0x99, 0xFD, kAllThree))
          .WithFuseLayout(kLowMega8, kHighMega16, kExtMega64, kBootLock)
          .WithReport("Signature info for  ATMEGA64", "  "),
      Device("  MEGA88", "ATmega88", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x0A), 64, 128, 4,
             128, 3, 1, kMega88Rule, Three(0x62, 0xDF, 0xF9, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega48, kExtMega88, kBootLock)
          .WithReport("Signature info for  ATMEGA88", "  "),
      Device("  MEGA128", "ATmega128", AvrPageMode, 131072, 4096, Sig3(0x1E, 0x97, 0x02), 256, 512,
             0, 0, 3, 4, kMega64Rule, Three(0xE1, 0x99, 0xFD, kAllThree))
          .WithFuseLayout(kLowMega8, kHighMega16, kExtMega64, kBootLock)
          .WithReport("Signature info for  ATMEGA128", "  "),
      Device("  MEGA162", "ATmega162", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x04), 128, 128, 4,
             128, 3, 1, kMega162Rule, Three(0x62, 0x99, 0xFF, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega162, kExtMega162, kBootLock)
          .WithReport("Signature info for  ATMEGA162", "  "),
      Device("  MEGA164", "ATmega164", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x00), 128, 128, 4,
             128, 3, 1, kMega88Rule, Three(0x62, 0x99, 0xFF, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega162, kExtMega164, kBootLock)
          .WithReport("Signature info for  ATMEGA164", "  "),
      Device("  MEGA165", "ATmega165", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x07), 128, 128, 4,
             128, 3, 1, kMega165Rule, Three(0x62, 0x99, 0xFF, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega162, kExtMega165, kBootLock)
          .WithReport("Signature info for  ATMEGA165", "  "),
      Device("  MEGA168", "ATmega168", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x06), 128, 128, 4,
             128, 3, 1, kMega88Rule, Three(0x62, 0xDF, 0xF9, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega48, kExtMega88, kBootLock)
          .WithReport("Signature info for  ATMEGA168", "  "),
      Device("  MEGA169", "ATmega169", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x05), 128, 128, 4,
             128, 3, 1, kMega165Rule, Three(0x62, 0x99, 0xFF, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega162, kExtMega169, kBootLock)
          .WithReport("Signature info for  ATMEGA169", "  "),
      Device("  MEGA324", "ATmega324", AvrPageMode, 32768, 1024, Sig3(0x1E, 0x95, 0x00), 128, 256,
             4, 256, 3, 1, kMega88Rule, Three(0x62, 0x99, 0xFF, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega162, kExtMega164, kBootLock)
          .WithReport("Signature info for  ATMEGA324", "  "),
      Device("  MEGA644", "ATmega644", AvrPageMode, 65536, 2048, Sig3(0x1E, 0x96, 0x00), 256, 256,
             8, 256, 3, 1, kMega88Rule, Three(0x62, 0x99, 0xFF, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega162, kExtMega164, kBootLock)
          .WithReport("Signature info for  ATMEGA644", "  "),
      Device("  MEGA8515", "ATmega8515", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x06), 64, 128, 0,
             0, 2, 4, kMega8Rule, LowHigh(0xE1, 0xD9))
          .WithFuseLayout(kLowMega8, kHighMega8515, kNone, kBootLock)
          .WithReport("Signature info for  ATMEGA8515", "  "),
      Device("  MEGA8535", "ATmega8535", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x08), 64, 128, 0,
             0, 2, 4, kMega8Rule, LowHigh(0xE1, 0xD9))
          .WithFuseLayout(kLowMega8, kHighMega8535, kNone, kBootLock)
          .WithReport("Signature info for  ATMEGA8535", "  "),
      Separator(),
      Device("  TINY12", "ATtiny12", AvrByteMode, 1024, 64, Sig3(0x1E, 0x90, 0x05), 0, 0, 0, 0, 1,
             1, kTiny12Rule, LowOnly(0x52))
          .WithFuseLayout(kLowTiny12, kNone, kNone, kNoBootLock)
          .WithReadBack(FuseByteReadBack(1, 2, -1, true))
          .WithLockWriter(LockWriter::TinyByteMode)
          .WithReport("Signature info for  ATTINY12", "  "),
      Device("  TINY13", "ATtiny13", AvrPageMode, 1024, 64, Sig3(0x1E, 0x90, 0x07), 32, 32, 4, 16,
             2, 1, kTiny13Rule, LowHigh(0x6A, 0xFF))
          .WithFuseLayout(kLowTiny13, kHighTiny13, kNone, kNoBootLock)
          .WithReport("Signature info for  ATTINY13", "  "),
      Device("  TINY15", "ATtiny15", AvrByteMode, 1024, 64, Sig3(0x1E, 0x90, 0x06), 0, 0, 0, 0, 1,
             1, kTiny15Rule, LowOnly(0x5C))
          .WithFuseLayout(kLowTiny15, kNone, kNone, kNoBootLock)
          .WithReadBack(FuseByteReadBack(1, 2, -1, true))
          .WithLockWriter(LockWriter::TinyByteMode)
          .WithReport("Signature info for  ATTINY15", "  "),
      Device("  TINY25", "ATtiny25", AvrPageMode, 2048, 128, Sig3(0x1E, 0x91, 0x08), 32, 64, 4, 32,
             3, 1, kTiny25Rule, Three(0x62, 0xDF, 0xFF, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega48, kExtSelfPrg, kNoBootLock)
          .WithReport("Signature info for  ATTINY25", "  "),
      // Its lock byte is read back but not kept.
      Device("  TINY26", "ATtiny26", AvrPageMode, 2048, 128, Sig3(0x1E, 0x91, 0x09), 32, 64, 0, 0,
             2, 4, kTiny26Rule, LowHigh(0xE1, 0xF7))
          .WithFuseLayout(kLowTiny26, kHighTiny26, kNone, kNoBootLock)
          .WithReadBack(PageReadBack(2, false))
          .WithReport("Signature info for  ATTINY26", "  "),
      Device("  TINY45", "ATtiny45", AvrPageMode, 4096, 256, Sig3(0x1E, 0x92, 0x06), 64, 64, 4, 64,
             3, 1, kTiny25Rule, Three(0x62, 0xDF, 0xFF, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega48, kExtSelfPrg, kNoBootLock)
          .WithReport("Signature info for  ATTINY45", "  "),
      Device("  TINY85", "ATtiny85", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x0B), 64, 128, 4,
             128, 3, 1, kTiny25Rule, Three(0x62, 0xDF, 0xFF, kAllThree))
          .WithFuseLayout(kLowCkDiv8, kHighMega48, kExtSelfPrg, kNoBootLock)
          .WithReport("Signature info for  ATTINY85", "  "),
      // Reads back its low and high fuses only, and keeps no lock byte; its
      // report has its own header and single blanks between the bytes.
      Device("  TINY2313", "ATtiny2313", AvrPageMode, 2048, 128, Sig3(0x1E, 0x91, 0x0A), 32, 64, 4,
             32, 3, 2, kTiny25Rule, Three(0x64, 0xDF, 0xFF, kLowHigh))
          .WithFuseLayout(kLowCkDiv8, kHighTiny2313, kExtSelfPrg, kNoBootLock)
          .WithReadBack(PageReadBack(2, false))
          .WithReport("Signature info  ATTINY2313", " "),
  };
}();

// The first row: the device chosen when the settings name none.
inline constexpr std::uint16_t kFirstDeviceRow = 0;

// The row's entry, or nullptr for a separator or a row past the list. Only
// the low byte of a device index counts.
constexpr const DeviceEntry *FindDevice(std::uint16_t deviceIndex) {
  const std::size_t row = deviceIndex & 0xFFu;
  if (row >= kDeviceListRows || !kDeviceList[row].isDevice) {
    return nullptr;
  }
  return &kDeviceList[row];
}

// The device a name stands for: its list name ("MEGA8") or its data-sheet
// name ("ATmega8"), compared without regard to case or surrounding blanks;
// nullptr when no device has it.
const DeviceEntry *FindDevice(std::string_view name);

// The row of a device record in the list.
std::uint16_t RowOf(const DeviceEntry &entry);

// The byte of the fuse state that `field` names.
std::uint16_t &FuseByte(FuseState &fuses, FuseField field);
std::uint16_t FuseByte(const FuseState &fuses, FuseField field);

// The fuse state a device's forced-at-selection rule makes of `fuses`.
FuseState ApplyForcedFuses(const DeviceEntry &entry, FuseState fuses);

// True when the fuse bytes the device's defaults look at hold nothing the
// user programmed: they equal, once the forced rule is applied, what the rule
// makes of a fresh all-unprogrammed state. Such a state must never reach the
// chip; its defaults are written instead. False for a device without
// defaults.
bool FusesUnprogrammed(const DeviceEntry &entry, const FuseState &fuses);

// A fuse bit that, once written, ends serial programming: the chip then no
// longer answers an ISP cable and only a high-voltage programmer recovers it.
struct SerialLockoutBit {
  FuseField byte;
  std::uint8_t bit;        // 0 to 7
  bool endsWhenProgrammed; // false: it ends it when left unprogrammed (1)
  std::string_view name;   // the chip's own name for the bit
  std::string_view effect; // what the bit does
  friend bool operator==(const SerialLockoutBit &, const SerialLockoutBit &) = default;
};

// The bits of the fuse state that would end serial programming when the
// device's fuse bytes are written: the bits its fuse layout marks, in the
// state that ends it (RSTDISBL and DWEN programmed, the AT89S8253's SPIEN
// user fuse unprogrammed). Empty for a row that is not a device or a state
// that is safe.
std::vector<SerialLockoutBit> SerialLockoutBits(const DeviceEntry &entry, const FuseState &fuses);
std::vector<SerialLockoutBit> SerialLockoutBits(std::uint16_t deviceIndex, const FuseState &fuses);

} // namespace rindle
