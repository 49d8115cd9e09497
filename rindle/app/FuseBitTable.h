#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace rindle {

// One fuse bit as the fuse dialog shows it: the chip's name for the bit and
// whether the user may change it. A bit the device does not have has no name
// and is never enabled; a bit that must keep its value (SPIEN on the AVRs)
// has a name and is not enabled.
struct FuseBit {
  std::string_view name;
  bool enabled = false;

  constexpr FuseBit() = default;
  constexpr FuseBit(const char *bitName) : name(bitName), enabled(true) {} // NOLINT: table entries
  constexpr FuseBit(std::string_view bitName, bool canChange) : name(bitName), enabled(canChange) {}

  bool exists() const { return !name.empty(); }
  friend bool operator==(const FuseBit &, const FuseBit &) = default;
};

// The eight bits of one fuse byte, indexed by bit number (0 = lowest).
using FuseByteLayout = std::array<FuseBit, 8>;

// What the fuse dialog shows for one device.
struct DeviceFuseLayout {
  FuseByteLayout low;
  FuseByteLayout high;
  FuseByteLayout extended;
  bool bootLockEnabled = false; // the four boot lock boxes, LockByte bits 5..2
};

// The layout of the device in a row of the device list. Rows without fuses
// (the older AT89S and AT90S chips, separators, rows past the list) give a
// layout with every bit absent and the boot lock disabled.
const DeviceFuseLayout &FuseLayoutFor(std::uint16_t deviceIndex);

// The caption of a fuse box: one blank and the bit's name, or " -".
std::string_view FuseBitCaptionName(const FuseBit &bit);

} // namespace rindle
