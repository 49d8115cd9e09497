#pragma once

#include <array>
#include <cstdint>

#include "common/IoPort.h"
#include "common/TickTimer.h"
#include "isp/core/PortSettings.h"

namespace rindle {

// Four instruction or response bytes. Each slot is 16 bits wide so callers
// may store a whole address or word; only the low eight bits go out.
using IspSlots = std::array<std::uint16_t, 4>;

// When, within a bit, MISO is read.
enum class MisoSampling : std::uint8_t {
  WhileClockHigh,   // after the rising edge, before the falling one
  BeforeRisingEdge, // right after MOSI is set, while SCK is still low
};

// The shape of one bit on the wire: waits in ticks after the MOSI write,
// after the SCK rising edge and after the falling edge (0 = no wait at all),
// and where MISO is sampled.
struct BitTiming {
  std::uint16_t afterMosiTicks;
  std::uint16_t afterRiseTicks;
  std::uint16_t afterFallTicks;
  MisoSampling sampling;

  friend bool operator==(const BitTiming &, const BitTiming &) = default;
};

// SPI mode 0 with two 3-tick halves, MISO read about 2.5 us after the
// rising edge.
inline constexpr BitTiming kIspBitTiming{3, 3, 0, MisoSampling::WhileClockHigh};

// The line layer: line primitives on the data port image, the MISO read and
// the byte transfer. It owns nothing; the wiring lives in a PortSettings the
// caller keeps (an engine's record, or a fixed wiring). The transfer neither
// allocates nor calls anything but the port and the tick delay.
class IspLines {
public:
  IspLines(common::IoPort &port, common::TickTimer &timer, PortSettings &settings,
           BitTiming timing = kIspBitTiming)
      : port_(port), timer_(timer), settings_(settings), timing_(timing) {}

  IspLines(const IspLines &) = delete;
  IspLines &operator=(const IspLines &) = delete;

  // Change the image only; WriteDataPort puts it on the port. With invert
  // equal to the mask the pin is driven to the opposite level, so the image
  // always holds the electrical levels.
  void SetLine(std::uint16_t mask, std::uint16_t invert) {
    settings_.DataPortValue = static_cast<std::uint16_t>((settings_.DataPortValue | mask) ^ invert);
  }
  void ClearLine(std::uint16_t mask, std::uint16_t invert) {
    settings_.DataPortValue =
        static_cast<std::uint16_t>((settings_.DataPortValue & ~mask) ^ invert);
  }
  void WriteDataPort() {
    port_.Out32(settings_.PortBase, static_cast<std::uint8_t>(settings_.DataPortValue));
  }
  void WriteControlPort(std::uint16_t value) {
    port_.Out32(static_cast<std::uint16_t>(settings_.PortBase + kControlOffset),
                static_cast<std::uint8_t>(value));
  }

  // Opens the port at the wiring's PortBase; call it whenever PortBase
  // changes. Register accesses never open a port themselves.
  common::PortReach OpenPort() { return port_.Open(settings_.PortBase); }
  // What the last OpenPort found.
  common::PortReach Reach() const { return port_.Reach(); }

  // The data bit MISO carries now.
  bool ReadMiso() {
    const std::uint16_t status =
        port_.Inp32(static_cast<std::uint16_t>(settings_.PortBase + kStatusOffset));
    return ((status & settings_.MisoMask) ^ settings_.MisoInvert) != 0;
  }

  // Clock one byte out, most significant bit first, and return the byte
  // clocked in.
  std::uint8_t ShiftBits(std::uint8_t out);

  // Clock slots 0 .. count-1 of `instruction` out into the same slots of
  // `response`; the other response slots keep their values.
  void Transfer(const IspSlots &instruction, IspSlots &response, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
      response[k] = ShiftBits(static_cast<std::uint8_t>(instruction[k]));
    }
  }

  void TickDelay(std::uint16_t count) { timer_.TickDelay(count); }

  const BitTiming &Timing() const { return timing_; }
  void SetTiming(BitTiming timing) { timing_ = timing; }
  const PortSettings &Settings() const { return settings_; }

private:
  void WaitIfAny(std::uint16_t count) {
    if (count != 0) {
      timer_.TickDelay(count);
    }
  }

  common::IoPort &port_;
  common::TickTimer &timer_;
  PortSettings &settings_;
  BitTiming timing_;
};

inline std::uint8_t IspLines::ShiftBits(std::uint8_t out) {
  const bool sampleBeforeRise = timing_.sampling == MisoSampling::BeforeRisingEdge;
  std::uint8_t in = 0;
  for (int i = 0; i < 8; ++i) {
    if ((out << i) & 0x80) {
      SetLine(settings_.MosiMask, settings_.MosiInvert);
    } else {
      ClearLine(settings_.MosiMask, settings_.MosiInvert);
    }
    WriteDataPort();
    WaitIfAny(timing_.afterMosiTicks);
    if (sampleBeforeRise) {
      in = static_cast<std::uint8_t>((in << 1) | (ReadMiso() ? 1 : 0));
    }
    SetLine(settings_.SckMask, settings_.SckInvert);
    WriteDataPort();
    WaitIfAny(timing_.afterRiseTicks);
    if (!sampleBeforeRise) {
      in = static_cast<std::uint8_t>((in << 1) | (ReadMiso() ? 1 : 0));
    }
    ClearLine(settings_.SckMask, settings_.SckInvert);
    WriteDataPort();
    WaitIfAny(timing_.afterFallTicks);
  }
  return in;
}

} // namespace rindle
