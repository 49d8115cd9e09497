#pragma once

#include <cstdint>

namespace rindle {

// How the ISP cable is wired to the parallel port. Masks select one bit of
// the data register (outputs) or of the status register (MISO); an invert
// value is 0 or the line's own mask. Only the low eight bits of any field
// reach a port. The member initialisers are the start-up defaults.
struct PortSettings {
  std::uint16_t PortBase = 0x378;
  // Live image of the data register, holding the electrical level of every
  // pin, and at the same time the "Preset Data Port" value.
  std::uint16_t DataPortValue = 0x00;
  std::uint16_t ControlPortValue = 0x04;
  std::uint16_t BenMask = 0x08;
  std::uint16_t SckMask = 0x10;
  std::uint16_t MosiMask = 0x20;
  std::uint16_t SsMask = 0x40;
  std::uint16_t RstMask = 0x80;
  std::uint16_t MisoMask = 0x40;
  std::uint16_t BenInvert = 0;
  std::uint16_t SckInvert = 0;
  std::uint16_t MosiInvert = 0;
  std::uint16_t SsInvert = 0;
  std::uint16_t RstInvert = 0;
  // The value of (status AND MisoMask) that reads as a 0 bit.
  std::uint16_t MisoInvert = 0;

  friend bool operator==(const PortSettings &, const PortSettings &) = default;
};

// Port addresses of the three standard printer ports.
inline constexpr std::uint16_t kLpt1Base = 0x378;
inline constexpr std::uint16_t kLpt2Base = 0x278;
inline constexpr std::uint16_t kLpt3Base = 0x3BC;

inline constexpr std::uint16_t kStatusOffset = 1;
inline constexpr std::uint16_t kControlOffset = 2;

// The data port value the Options dialog's Default button restores; the
// start-up default is 0x00.
inline constexpr std::uint16_t kDefaultDataPortPreset = 0x08;

// Status bit 7 reaches the register inverted by the port hardware itself.
inline constexpr std::uint16_t kHardwareInvertedStatusBit = 0x80;

// MisoInvert for a MISO input and the state of its Invert box: a ticked box
// always means the data bit is the inverse of the pin level.
constexpr std::uint16_t MisoInvertFor(std::uint16_t misoMask, bool invertTicked) {
  const bool hardwareInverted = misoMask == kHardwareInvertedStatusBit;
  return invertTicked != hardwareInverted ? misoMask : 0;
}

// Whether a stored MisoInvert means the Invert box is ticked.
constexpr bool MisoInvertTicked(std::uint16_t misoMask, std::uint16_t misoInvert) {
  return misoInvert != MisoInvertFor(misoMask, false);
}

} // namespace rindle
