#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rindle {

// The programmer's one memory image: flash from cell 0, EEPROM right after
// the flash of the selected device, and for the AT89S8253 the 64 user
// signature bytes after its 2048 EEPROM bytes. 128 KiB for the largest flash
// plus 4 KiB for the largest EEPROM. 0xFF is a blank byte.
inline constexpr std::size_t kIspBufferCells = 135168;

struct IspBuffer {
  std::array<std::uint8_t, kIspBufferCells> cells;

  IspBuffer() { cells.fill(0xFF); }

  std::span<std::uint8_t> all() { return cells; }
  std::span<const std::uint8_t> all() const { return cells; }
};

} // namespace rindle
