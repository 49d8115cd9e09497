#include "tollen/engine/Devices.h"

#include <optional>

namespace tollen {

namespace {

constexpr std::uint16_t k5ms = 5966;
constexpr std::uint16_t k10ms = 11932;
constexpr std::uint16_t k25ms = 29829;

// The list in this edition's order; the separator row has no chip.
constexpr std::array<EditionRules, kDeviceRows> kRows{{
    {"AT89S51", "  89S51", "AT89S51", 0, 0, 128, true, false, 0, false, false},
    {"AT89S52", "  89S52", "AT89S52", 0, 0, 128, true, false, 0, false, false},
    {"AT89S53", "  89S53", "AT89S53", 0, 0, 128, true, false, 0, false, false},
    {"AT89S8252", "  89S8252", "AT89S8252", 0, 0, 128, true, false, 0, false, false},
    {},
    {"AT90S1200", "  90S1200", "AT90S1200", k10ms, k25ms, 32, false, false, 0, false, false},
    {"AT90S2313", "  90S2313", "AT90S2313", k10ms, k25ms, 64, false, true, 0, false, false},
    {"AT90S4433", "  90S4433", "AT90S4433", k10ms, k25ms, 128, false, false, 0, false, false},
    {"AT90S8515", "  90S8515", "AT90S8515", k10ms, k25ms, 128, true, true, 0, false, false},
    {"AT90S8535", "  90S8535", "AT90S8535", k10ms, k25ms, 128, true, false, 0, false, false},
    {"ATmega8", "  MEGA8", "ATMEGA8", k25ms, k25ms, 128, true, false, k25ms, true, true},
    {"ATtiny26", "  TINY26", "ATtiny26", k10ms, k25ms, 64, false, false, k5ms, false, false},
}};

DeviceKind KindOf(rindle::IspFamily family) {
  switch (family) {
  case rindle::IspFamily::At89S51: return DeviceKind::At89FourByte;
  case rindle::IspFamily::At89S8252: return DeviceKind::At89ThreeByte;
  case rindle::IspFamily::AvrByteMode: return DeviceKind::AvrByteWise;
  case rindle::IspFamily::At89S8253:
  case rindle::IspFamily::AvrPageMode: break;
  }
  return DeviceKind::AvrPaged;
}

std::optional<DeviceInfo> Make(std::uint16_t index) {
  const EditionRules &r = kRows[index];
  const rindle::DeviceEntry *record = rindle::FindDevice(r.chip);
  if (r.chip.empty() || record == nullptr) {
    return std::nullopt;
  }
  return DeviceInfo{index,
                    r.listText,
                    r.reportName,
                    static_cast<std::uint32_t>(record->flashSize),
                    record->eepromSize,
                    record->expectedSignature,
                    KindOf(record->family),
                    record->flashPageSize,
                    r.eraseWaitFirst,
                    r.eraseWaitSecond,
                    r.eepromProgressBytes,
                    r.eepromCancels,
                    record,
                    &r};
}

const std::array<std::optional<DeviceInfo>, kDeviceRows> &Devices() {
  static const std::array<std::optional<DeviceInfo>, kDeviceRows> devices = [] {
    std::array<std::optional<DeviceInfo>, kDeviceRows> d;
    for (std::uint16_t i = 0; i < kDeviceRows; ++i) {
      d[i] = Make(i);
    }
    return d;
  }();
  return devices;
}

} // namespace

const DeviceInfo *FindDevice(std::uint16_t index) {
  if (index >= kDeviceRows || !Devices()[index]) {
    return nullptr;
  }
  return &*Devices()[index];
}

std::array<std::string_view, kDeviceRows> DeviceListTexts() {
  std::array<std::string_view, kDeviceRows> texts{};
  for (std::uint16_t i = 0; i < kDeviceRows; ++i) {
    texts[i] = kRows[i].chip.empty() ? kSeparatorText : kRows[i].listText;
  }
  return texts;
}

} // namespace tollen
