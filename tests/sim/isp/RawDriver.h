#pragma once

// Drives the simulated port pin by pin, as a programmer would, without any
// programmer code: every instruction byte is written out bit by bit.

#include "common/IoPort.h"
#include "common/TickTimer.h"
#include "sim/isp/Bench.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

namespace simtest {

inline constexpr std::uint16_t kMs10 = 11932;

class RawDriver {
public:
  // Where MISO is read: while SCK is high after the rising edge, or just
  // before the rising edge while SCK is still low (the older programmer).
  enum class Sample { WhileHigh, BeforeRise };
  friend void PrintTo(Sample s, std::ostream *os) {
    *os << (s == Sample::WhileHigh ? "sampled while high" : "sampled before the rise");
  }

  RawDriver(common::IoPort &io, common::TickTimer &timer, std::uint16_t base = 0x378,
            sim::isp::CableWiring wiring = {})
      : io_(io), timer_(timer), base_(base), w_(wiring) {}

  void setSample(Sample s) { sample_ = s; }
  std::uint8_t data() const { return data_; }

  void set(std::uint8_t mask, bool inverted, bool level) {
    if (level != inverted)
      data_ |= mask;
    else
      data_ = static_cast<std::uint8_t>(data_ & ~mask);
  }
  void write() { io_.Out32(base_, data_); }

  void wait(std::uint32_t ticks) {
    while (ticks > 0) {
      const std::uint16_t step = ticks > 0x7FFF ? 0x7FFF : static_cast<std::uint16_t>(ticks);
      timer_.TickDelay(step);
      ticks -= step;
    }
  }

  // Buffer on, SCK low, reset active; then the usual 100 ms.
  void enterReset(bool activeHigh, std::uint32_t settle = 10u * kMs10) {
    set(w_.ben, w_.benInverted, false);
    set(w_.sck, w_.sckInverted, false);
    set(w_.rst, w_.rstInverted, activeHigh);
    write();
    wait(settle);
  }

  // Buffer off; the target lines keep their levels behind it.
  void release() {
    set(w_.ben, w_.benInverted, true);
    write();
    wait(10u * kMs10);
  }

  bool misoBit() {
    const std::uint8_t status = io_.Inp32(static_cast<std::uint16_t>(base_ + 1));
    bool bit = (status & w_.miso) != 0;
    if (w_.miso == 0x80)
      bit = !bit; // the port inverts status bit 7
    return bit != w_.misoInverted;
  }

  std::uint8_t byte(std::uint8_t out) {
    std::uint8_t in = 0;
    for (int i = 0; i < 8; ++i) {
      set(w_.mosi, w_.mosiInverted, (out & (0x80 >> i)) != 0);
      write();
      timer_.TickDelay(half_);
      bool bit = false;
      if (sample_ == Sample::BeforeRise)
        bit = misoBit();
      set(w_.sck, w_.sckInverted, true);
      write();
      timer_.TickDelay(half_);
      if (sample_ == Sample::WhileHigh)
        bit = misoBit();
      in = static_cast<std::uint8_t>((in << 1) | (bit ? 1 : 0));
      set(w_.sck, w_.sckInverted, false);
      write();
    }
    return in;
  }

  std::vector<std::uint8_t> send(std::initializer_list<std::uint8_t> bytes) {
    std::vector<std::uint8_t> answer;
    for (std::uint8_t b : bytes)
      answer.push_back(byte(b));
    return answer;
  }

  // The answer byte of a four-byte instruction (byte 4).
  std::uint8_t read4(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return send({a, b, c, 0x00})[3];
  }
  // The answer byte of a three-byte instruction (byte 3).
  std::uint8_t read3(std::uint8_t a, std::uint8_t b) { return send({a, b, 0x00})[2]; }

  void setHalfBit(std::uint16_t ticks) { half_ = ticks; }

private:
  common::IoPort &io_;
  common::TickTimer &timer_;
  std::uint16_t base_;
  sim::isp::CableWiring w_;
  std::uint8_t data_ = 0x00;
  Sample sample_ = Sample::WhileHigh;
  std::uint16_t half_ = 3;
};

} // namespace simtest
