#include "tollen/engine/Devices.h"

#include "rindle/engine/DeviceCatalogue.h"

namespace tollen {

namespace {

constexpr std::uint16_t k10ms = 11932;
constexpr std::uint16_t k25ms = 29829;

using K = DeviceKind;

// Rows by index; the separator row holds no device.
constexpr std::array<DeviceInfo, kDeviceRows> kDevices{{
    {0, "  89S51", "AT89S51", 4096, 0, 0x1E5106, K::At89FourByte, 0, 0, 0, 128, true},
    {1, "  89S52", "AT89S52", 8192, 0, 0x1E5206, K::At89FourByte, 0, 0, 0, 128, true},
    {2, "  89S53", "AT89S53", 12288, 0, 0, K::At89ThreeByte, 0, 0, 0, 128, true},
    {3, "  89S8252", "AT89S8252", 8192, 2048, 0, K::At89ThreeByte, 0, 0, 0, 128, true},
    {},
    {5, "  90S1200", "AT90S1200", 1024, 64, 0x1E9001, K::AvrByteWise, 0, k10ms, k25ms, 32, false},
    {6, "  90S2313", "AT90S2313", 2048, 128, 0x1E9101, K::AvrByteWise, 0, k10ms, k25ms, 64, false},
    {7, "  90S4433", "AT90S4433", 4096, 256, 0x1E9203, K::AvrByteWise, 0, k10ms, k25ms, 128, false},
    {8, "  90S8515", "AT90S8515", 8192, 512, 0x1E9301, K::AvrByteWise, 0, k10ms, k25ms, 128, true},
    {9, "  90S8535", "AT90S8535", 8192, 512, 0x1E9303, K::AvrByteWise, 0, k10ms, k25ms, 128, true},
    {10, "  MEGA8", "ATMEGA8", 8192, 512, 0x1E9307, K::AvrPaged, 64, k25ms, k25ms, 128, true},
    {11, "  TINY26", "ATtiny26", 2048, 128, 0x1E9109, K::AvrPaged, 32, k10ms, k25ms, 64, false},
}};

} // namespace

const DeviceInfo *FindDevice(std::uint16_t index) {
  if (index >= kDeviceRows || index == device::kSeparator) {
    return nullptr;
  }
  return &kDevices[index];
}

std::array<std::string_view, kDeviceRows> DeviceListTexts() {
  std::array<std::string_view, kDeviceRows> texts{};
  for (std::uint16_t i = 0; i < kDeviceRows; ++i) {
    texts[i] = i == device::kSeparator ? kSeparatorText : kDevices[i].listText;
  }
  return texts;
}

std::optional<std::uint16_t> CatalogueRow(std::uint16_t index) {
  using namespace rindle::device;
  // By this edition's rows; the separator has none.
  constexpr std::array<std::uint16_t, kDeviceRows> kRows{
      kAt89S51,   kAt89S52,   kAt89S53,   kAt89S8252, 0,     kAt90S1200,
      kAt90S2313, kAt90S4433, kAt90S8515, kAt90S8535, kMega8, kTiny26};
  if (FindDevice(index) == nullptr) {
    return std::nullopt;
  }
  return kRows[index];
}

} // namespace tollen
