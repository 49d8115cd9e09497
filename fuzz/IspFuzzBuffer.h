#pragma once

// A programmer's buffer inside guard cells: whatever a load writes outside
// the span it was given shows in the guards.
#include "fuzz/FuzzSupport.h"
#include "rindle/data/IspBuffer.h"

#include <QBuffer>
#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace fuzz {

class GuardedBuffer {
public:
  static constexpr std::size_t kGuard = 64;
  static constexpr std::uint8_t kGuardByte = 0xA5;

  GuardedBuffer() : cells_(kGuard + rindle::kIspBufferCells + kGuard) { clear(); }

  void clear() {
    std::fill(cells_.begin(), cells_.begin() + kGuard, kGuardByte);
    std::fill(cells_.end() - kGuard, cells_.end(), kGuardByte);
    std::ranges::fill(span(), rindle::kBlankByte);
  }
  std::span<std::uint8_t> span() { return {cells_.data() + kGuard, rindle::kIspBufferCells}; }
  std::span<const std::uint8_t> span() const {
    return {cells_.data() + kGuard, rindle::kIspBufferCells};
  }
  bool guardsWhole() const {
    const auto whole = [](auto first, auto last) {
      return std::all_of(first, last, [](std::uint8_t c) { return c == kGuardByte; });
    };
    return whole(cells_.begin(), cells_.begin() + kGuard) && whole(cells_.end() - kGuard, cells_.end());
  }
  // The cells outside [first, first + count) are still blank.
  bool blankOutside(std::size_t first, std::size_t count) const {
    const auto s = span();
    const auto blank = [](std::uint8_t c) { return c == rindle::kBlankByte; };
    first = std::min(first, s.size());
    count = std::min(count, s.size() - first);
    return std::all_of(s.begin(), s.begin() + std::ptrdiff_t(first), blank) &&
           std::all_of(s.begin() + std::ptrdiff_t(first + count), s.end(), blank);
  }
  bool sameCells(const GuardedBuffer &other) const {
    return std::memcmp(span().data(), other.span().data(), span().size()) == 0;
  }
  // [first non-blank, last non-blank + 1) within [from, to); empty when all blank.
  std::pair<std::size_t, std::size_t> used(std::size_t from, std::size_t to) const {
    const auto s = span();
    std::size_t lo = from, hi = to;
    while (lo < hi && s[lo] == rindle::kBlankByte)
      ++lo;
    while (hi > lo && s[hi - 1] == rindle::kBlankByte)
      --hi;
    return {lo, hi};
  }

private:
  std::vector<std::uint8_t> cells_;
};

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
