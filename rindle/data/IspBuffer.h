#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rindle {

// A blank (erased) byte; programming skips it and clearing writes it.
inline constexpr std::uint8_t kBlankByte = 0xFF;

// A programmer's memory image: flash from cell 0, EEPROM right after the
// flash of the selected device. Every writer stores byte values only.
template <std::size_t Cells>
struct BasicIspBuffer {
  static constexpr std::size_t kCells = Cells;
  std::array<std::uint8_t, Cells> cells;

  BasicIspBuffer() { cells.fill(kBlankByte); }

  std::span<std::uint8_t> all() { return cells; }
  std::span<const std::uint8_t> all() const { return cells; }
};

// 128 KiB for the largest flash plus 4 KiB for the largest EEPROM; for the
// AT89S8253 the 64 user signature bytes follow its 2048 EEPROM bytes.
inline constexpr std::size_t kIspBufferCells = 135168;
using IspBuffer = BasicIspBuffer<kIspBufferCells>;

// The cells [first, first + count) that lie inside the buffer; a range
// reaching past either end is cut to the buffer.
inline std::span<std::uint8_t> CellRange(std::span<std::uint8_t> cells, std::int64_t first,
                                         std::int64_t count) {
  const auto size = static_cast<std::int64_t>(cells.size());
  const std::int64_t begin = std::clamp<std::int64_t>(first, 0, size);
  const std::int64_t end =
      std::clamp<std::int64_t>(first + std::max<std::int64_t>(count, 0), begin, size);
  return cells.subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

inline std::span<const std::uint8_t> CellRange(std::span<const std::uint8_t> cells,
                                               std::int64_t first, std::int64_t count) {
  const auto size = static_cast<std::int64_t>(cells.size());
  const std::int64_t begin = std::clamp<std::int64_t>(first, 0, size);
  const std::int64_t end =
      std::clamp<std::int64_t>(first + std::max<std::int64_t>(count, 0), begin, size);
  return cells.subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

// The sum of the first `count` cells as unsigned values.
inline std::int32_t SumCells(std::span<const std::uint8_t> cells, std::int64_t count) {
  std::uint32_t sum = 0;
  for (std::uint8_t cell : CellRange(cells, 0, count)) {
    sum += cell;
  }
  return static_cast<std::int32_t>(sum);
}

// Sets [first, first + count) to blank.
inline void FillBlank(std::span<std::uint8_t> cells, std::int64_t first, std::int64_t count) {
  std::ranges::fill(CellRange(cells, first, count), kBlankByte);
}

} // namespace rindle
