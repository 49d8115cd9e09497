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

// Rows of the device list. The row is a device's identity: the settings
// file stores it and every chip operation branches on it.
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
// The AT89S family is rows 0 to 4: their reset is active high.
inline constexpr std::uint16_t kLastAt89S = kAt89S8253;
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

struct DeviceEntry {
  std::string_view entry; // the text of the device list row
  bool isDevice;
  IspFamily family;
  std::int32_t flashSize;
  std::uint16_t eepromSize;
  std::int32_t expectedSignature; // bytes packed first byte highest, 0 = none
  std::uint16_t flashPageSize;    // 0 = written byte by byte
  std::uint16_t flashPageCount;
  std::uint16_t eepromPageSize; // 0 = written byte by byte
  std::uint16_t eepromPageCount;
  std::uint16_t fuseCount;
  std::uint16_t calibrationCount;
  FuseRule forced;
  std::uint8_t forcedSteps;
  FuseDefaults defaults;

  constexpr std::span<const FuseRuleStep> ForcedAtSelection() const {
    return std::span<const FuseRuleStep>(forced).first(forcedSteps);
  }
  // The name without the list's two leading blanks.
  constexpr std::string_view Name() const {
    return isDevice ? entry.substr(2) : std::string_view{};
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

// Signatures, page geometry in bytes x pages.
constexpr std::int32_t Sig3(std::int32_t b0, std::int32_t b1, std::int32_t b2) {
  return b0 * 65536 + b1 * 256 + b2;
}
constexpr std::int32_t Sig2(std::int32_t b0, std::int32_t b1) { return b0 * 256 + b1; }

constexpr DeviceEntry Device(std::string_view entry, IspFamily family, std::int32_t flash,
                             std::uint16_t eeprom, std::int32_t signature, std::uint16_t flashPage,
                             std::uint16_t flashPages, std::uint16_t eepromPage,
                             std::uint16_t eepromPages, std::uint16_t fuses,
                             std::uint16_t calibration, const Rule &rule = kNoRule,
                             const FuseDefaults &defaults = kNoDefaults) {
  return DeviceEntry{entry,     true,        family,     flash,      eeprom,
                     signature, flashPage,   flashPages, eepromPage, eepromPages,
                     fuses,     calibration, rule.steps, rule.count, defaults};
}

constexpr DeviceEntry Separator() {
  return DeviceEntry{kSeparatorEntry, false, IspFamily::At89S51, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                     kNoRule.steps,   0,     kNoDefaults};
}

using enum IspFamily;

} // namespace catalogue_detail

// The 37 rows of the device list: 34 devices and three separators.
inline constexpr std::array<DeviceEntry, kDeviceListRows> kDeviceList = [] {
  using namespace catalogue_detail;
  return std::array<DeviceEntry, kDeviceListRows>{
      Device("  AT89S51", At89S51, 4096, 0, Sig3(0x1E, 0x51, 0x06), 0, 0, 0, 0, 0, 0),
      Device("  AT89S52", At89S51, 8192, 0, Sig3(0x1E, 0x52, 0x06), 0, 0, 0, 0, 0, 0),
      Device("  AT89S53", At89S8252, 12288, 0, 0, 0, 0, 0, 0, 0, 0),
      Device("  AT89S8252", At89S8252, 8192, 2048, 0, 0, 0, 0, 0, 0, 0),
      Device("  AT89S8253", At89S8253, 12288, 2112, Sig2(0x1E, 0x73), 0, 0, 0, 0, 0, 0,
             kAt89S8253Rule, LowOnly(0xF6)),
      Separator(),
      Device("  AT90S1200", AvrByteMode, 1024, 64, Sig3(0x1E, 0x90, 0x01), 0, 0, 0, 0, 0, 0),
      Device("  AT90S2313", AvrByteMode, 2048, 128, Sig3(0x1E, 0x91, 0x01), 0, 0, 0, 0, 0, 0),
      Device("  AT90S4433", AvrByteMode, 4096, 256, Sig3(0x1E, 0x92, 0x03), 0, 0, 0, 0, 1, 0,
             kAt90S4433Rule, LowOnly(0xDA)),
      Device("  AT90S8515", AvrByteMode, 8192, 512, Sig3(0x1E, 0x93, 0x01), 0, 0, 0, 0, 0, 0),
      Device("  AT90S8535", AvrByteMode, 8192, 512, Sig3(0x1E, 0x93, 0x03), 0, 0, 0, 0, 0, 0),
      Separator(),
      Device("  MEGA8", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x07), 64, 128, 0, 0, 2, 4,
             kMega8Rule, LowHigh(0xE1, 0xD9)),
      Device("  MEGA16", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x03), 128, 128, 0, 0, 2, 1,
             kMega8Rule, LowHigh(0xE1, 0x99)),
      Device("  MEGA32", AvrPageMode, 32768, 1024, Sig3(0x1E, 0x95, 0x02), 128, 256, 0, 0, 2, 4,
             kMega8Rule, LowHigh(0xE1, 0x99)),
      Device("  MEGA48", AvrPageMode, 4096, 256, Sig3(0x1E, 0x92, 0x05), 64, 64, 4, 64, 3, 1,
             kMega48Rule, Three(0x62, 0xDF, 0xFF, kLowHigh)),
      Device("  MEGA64", AvrPageMode, 65536, 2048, Sig3(0x1E, 0x96, 0x02), 256, 256, 0, 0, 3, 4,
             kMega64Rule, Three(0xE1, 0x99, 0xFD, kAllThree)),
      Device("  MEGA88", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x0A), 64, 128, 4, 128, 3, 1,
             kMega88Rule, Three(0x62, 0xDF, 0xF9, kAllThree)),
      Device("  MEGA128", AvrPageMode, 131072, 4096, Sig3(0x1E, 0x97, 0x02), 256, 512, 0, 0, 3, 4,
             kMega64Rule, Three(0xE1, 0x99, 0xFD, kAllThree)),
      Device("  MEGA162", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x04), 128, 128, 4, 128, 3, 1,
             kMega162Rule, Three(0x62, 0x99, 0xFF, kAllThree)),
      Device("  MEGA164", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x00), 128, 128, 4, 128, 3, 1,
             kMega88Rule, Three(0x62, 0x99, 0xFF, kAllThree)),
      Device("  MEGA165", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x07), 128, 128, 4, 128, 3, 1,
             kMega165Rule, Three(0x62, 0x99, 0xFF, kAllThree)),
      Device("  MEGA168", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x06), 128, 128, 4, 128, 3, 1,
             kMega88Rule, Three(0x62, 0xDF, 0xF9, kAllThree)),
      Device("  MEGA169", AvrPageMode, 16384, 512, Sig3(0x1E, 0x94, 0x05), 128, 128, 4, 128, 3, 1,
             kMega165Rule, Three(0x62, 0x99, 0xFF, kAllThree)),
      Device("  MEGA324", AvrPageMode, 32768, 1024, Sig3(0x1E, 0x95, 0x00), 128, 256, 4, 256, 3, 1,
             kMega88Rule, Three(0x62, 0x99, 0xFF, kAllThree)),
      Device("  MEGA644", AvrPageMode, 65536, 2048, Sig3(0x1E, 0x96, 0x00), 256, 256, 8, 256, 3, 1,
             kMega88Rule, Three(0x62, 0x99, 0xFF, kAllThree)),
      Device("  MEGA8515", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x06), 64, 128, 0, 0, 2, 4,
             kMega8Rule, LowHigh(0xE1, 0xD9)),
      Device("  MEGA8535", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x08), 64, 128, 0, 0, 2, 4,
             kMega8Rule, LowHigh(0xE1, 0xD9)),
      Separator(),
      Device("  TINY12", AvrByteMode, 1024, 64, Sig3(0x1E, 0x90, 0x05), 0, 0, 0, 0, 1, 1,
             kTiny12Rule, LowOnly(0x52)),
      Device("  TINY13", AvrPageMode, 1024, 64, Sig3(0x1E, 0x90, 0x07), 32, 32, 4, 16, 2, 1,
             kTiny13Rule, LowHigh(0x6A, 0xFF)),
      Device("  TINY15", AvrByteMode, 1024, 64, Sig3(0x1E, 0x90, 0x06), 0, 0, 0, 0, 1, 1,
             kTiny15Rule, LowOnly(0x5C)),
      Device("  TINY25", AvrPageMode, 2048, 128, Sig3(0x1E, 0x91, 0x08), 32, 64, 4, 32, 3, 1,
             kTiny25Rule, Three(0x62, 0xDF, 0xFF, kAllThree)),
      Device("  TINY26", AvrPageMode, 2048, 128, Sig3(0x1E, 0x91, 0x09), 32, 64, 0, 0, 2, 4,
             kTiny26Rule, LowHigh(0xE1, 0xF7)),
      Device("  TINY45", AvrPageMode, 4096, 256, Sig3(0x1E, 0x92, 0x06), 64, 64, 4, 64, 3, 1,
             kTiny25Rule, Three(0x62, 0xDF, 0xFF, kAllThree)),
      Device("  TINY85", AvrPageMode, 8192, 512, Sig3(0x1E, 0x93, 0x0B), 64, 128, 4, 128, 3, 1,
             kTiny25Rule, Three(0x62, 0xDF, 0xFF, kAllThree)),
      Device("  TINY2313", AvrPageMode, 2048, 128, Sig3(0x1E, 0x91, 0x0A), 32, 64, 4, 32, 3, 2,
             kTiny25Rule, Three(0x64, 0xDF, 0xFF, kLowHigh)),
  };
}();

// The row's entry, or nullptr for a separator or a row past the list. Only
// the low byte of a device index counts.
constexpr const DeviceEntry *FindDevice(std::uint16_t deviceIndex) {
  const std::size_t row = deviceIndex & 0xFFu;
  if (row >= kDeviceListRows || !kDeviceList[row].isDevice) {
    return nullptr;
  }
  return &kDeviceList[row];
}

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
// device's fuse bytes are written: RSTDISBL and DWEN programmed, or the
// AT89S8253's SPIEN user fuse unprogrammed. Empty for a row that is not a
// device or a state that is safe.
std::vector<SerialLockoutBit> SerialLockoutBits(std::uint16_t deviceIndex, const FuseState &fuses);

} // namespace rindle
