#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "isp/core/DeviceCatalogue.h"

// The twelve rows of the device list. A row's index is the device's identity:
// the settings file stores it. The chips' facts are the programmer's device
// records; this edition adds its own list order and captions and the few
// rules in which it differs.
namespace tollen {

// The instruction dialects of the edition's devices.
enum class DeviceKind : std::uint8_t {
  At89FourByte,  // AT89S51, AT89S52
  At89ThreeByte, // AT89S53, AT89S8252: no signature, enable never checked
  AvrByteWise,   // AT90S: flash and EEPROM written byte by byte
  AvrPaged,      // ATmega8, ATtiny26: flash written page by page
};

// What this edition does its own way, per row.
struct EditionRules {
  std::string_view chip;       // the record's data-sheet name
  std::string_view listText;   // "  MEGA8"
  std::string_view reportName; // the name signature reports give, "ATMEGA8"
  // Chip-erase waits in ticks (the AVRs wait twice).
  std::uint16_t eraseWaitFirst;
  std::uint16_t eraseWaitSecond;
  // Long EEPROM loops report every this many bytes, and on some devices also
  // obey a cancel there.
  std::uint16_t eepromProgressBytes;
  bool eepromCancels;
  // AVR lock bits: the AT90S codes (AC E4, AC E2) rather than AC FD, AC FB.
  bool at90sLockCodes;
  // Paged AVRs: the wait after each fuse and lock write; the target is
  // released before the writes; the lock byte is the fuse dialog's (else
  // 0xFF with the lock bits the boxes ask for).
  std::uint16_t fuseWaitTicks;
  bool releaseBeforeFuses;
  bool lockByteFromDialog;
};

struct DeviceInfo {
  std::uint16_t index;
  std::string_view listText;   // "  MEGA8"
  std::string_view reportName; // the name signature reports give, "ATMEGA8"
  std::uint32_t flashBytes;
  std::uint32_t eepromBytes;
  std::int32_t expectedSignature; // B1 * 65536 + B2 * 256 + B3; 0: none to check
  DeviceKind kind;
  std::uint16_t pageBytes; // flash page of the paged AVRs; 0 otherwise
  std::uint16_t eraseWaitFirst;
  std::uint16_t eraseWaitSecond;
  std::uint16_t eepromProgressBytes;
  bool eepromCancels;
  const rindle::DeviceEntry *record; // the chip's record
  const EditionRules *rules;

  std::uint32_t TotalBytes() const { return flashBytes + eepromBytes; }
  bool IsAvr() const { return kind == DeviceKind::AvrByteWise || kind == DeviceKind::AvrPaged; }
};

namespace device {
enum Row : std::uint16_t {
  kAt89S51,
  kAt89S52,
  kAt89S53,
  kAt89S8252,
  kSeparator,
  kAt90S1200,
  kAt90S2313,
  kAt90S4433,
  kAt90S8515,
  kAt90S8535,
  kAtMega8,
  kAtTiny26,
};
} // namespace device

inline constexpr std::uint16_t kDeviceRows = 12;
inline constexpr std::uint16_t kFirstDeviceRow = 0;
inline constexpr std::string_view kSeparatorText = "-------------------------";

// The device of a list row; nullptr for the separator and rows past the list.
const DeviceInfo *FindDevice(std::uint16_t index);

// The list's twelve texts, separator included.
std::array<std::string_view, kDeviceRows> DeviceListTexts();

} // namespace tollen
