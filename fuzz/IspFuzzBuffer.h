#pragma once

// A programmer's buffer inside guard cells: whatever a load writes outside
// the span it was given shows in the guards.
#include "fuzz/FuzzSupport.h"
#include "rindle/data/IspBuffer.h"

#include <QBuffer>
#include <algorithm>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

namespace fuzz {

class GuardedBuffer {
public:
  static constexpr std::size_t kGuard = 64;
  static constexpr std::uint8_t kGuardByte = 0xA5;

  GuardedBuffer() : cells_(kGuard + rindle::kIspBufferCells + kGuard), blank_(cells_.size()) {
    std::ranges::fill(blank_, rindle::kBlankByte);
    clear();
  }

  FUZZ_UNTRACED void clear() {
    std::memset(cells_.data(), kGuardByte, kGuard);
    std::memset(cells_.data() + kGuard + rindle::kIspBufferCells, kGuardByte, kGuard);
    std::memset(cells_.data() + kGuard, rindle::kBlankByte, rindle::kIspBufferCells);
  }
  std::span<std::uint8_t> span() { return {cells_.data() + kGuard, rindle::kIspBufferCells}; }
  std::span<const std::uint8_t> span() const {
    return {cells_.data() + kGuard, rindle::kIspBufferCells};
  }
  FUZZ_UNTRACED bool guardsWhole() const {
    std::uint8_t guard[kGuard];
    std::memset(guard, kGuardByte, kGuard);
    return std::memcmp(cells_.data(), guard, kGuard) == 0 &&
           std::memcmp(cells_.data() + kGuard + rindle::kIspBufferCells, guard, kGuard) == 0;
  }
  // The cells outside [first, first + count) are still blank.
  FUZZ_UNTRACED bool blankOutside(std::size_t first, std::size_t count) const {
    const auto s = span();
    first = std::min(first, s.size());
    count = std::min(count, s.size() - first);
    return std::memcmp(s.data(), blank_.data(), first) == 0 &&
           std::memcmp(s.data() + first + count, blank_.data(), s.size() - first - count) == 0;
  }
  FUZZ_UNTRACED bool sameCells(const GuardedBuffer &other) const {
    return std::memcmp(span().data(), other.span().data(), span().size()) == 0;
  }
  // [first non-blank, last non-blank + 1) within [from, to); empty when all blank.
  // Blank stretches are passed over a block at a time with memcmp, the last
  // block cell by cell.
  FUZZ_UNTRACED std::pair<std::size_t, std::size_t> used(std::size_t from, std::size_t to) const {
    constexpr std::size_t kBlock = 1024;
    const std::uint8_t *s = span().data();
    std::size_t lo = from, hi = to;
    while (lo < hi && std::memcmp(s + lo, blank_.data(), std::min(kBlock, hi - lo)) == 0)
      lo += std::min(kBlock, hi - lo);
    while (lo < hi && s[lo] == rindle::kBlankByte)
      ++lo;
    while (hi > lo && std::memcmp(s + hi - std::min(kBlock, hi - lo), blank_.data(),
                                  std::min(kBlock, hi - lo)) == 0)
      hi -= std::min(kBlock, hi - lo);
    while (hi > lo && s[hi - 1] == rindle::kBlankByte)
      --hi;
    return {lo, hi};
  }

private:
  std::vector<std::uint8_t> cells_;
  std::vector<std::uint8_t> blank_;
};

// A selected device's flash size, where the EEPROM area begins: from below 0
// to past the buffer, in steps of 4.
inline std::int64_t TakeFlashSize(Input &in) { return std::int64_t(in.word()) * 4 - 4096; }

// A read-only device over bytes, as the loads read from a file.
class ByteDevice {
public:
  explicit ByteDevice(const QByteArray &bytes) : bytes_(bytes), device_(&bytes_) {
    device_.open(QIODevice::ReadOnly);
  }
  QIODevice &device() { return device_; }

private:
  QByteArray bytes_;
  QBuffer device_;
};

} // namespace fuzz
