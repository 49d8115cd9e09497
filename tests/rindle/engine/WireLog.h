#pragma once

#include <cstdint>
#include <vector>

#include "common/testing/RecordingPort.h"

namespace rindle::testing {

// Expected port events, written as the log shows them.
inline common::PortEvent Out(std::uint16_t port, std::uint8_t value) {
  return {common::PortEvent::Kind::Out, port, value, 0};
}
inline common::PortEvent In(std::uint16_t port, std::uint8_t value) {
  return {common::PortEvent::Kind::In, port, value, 0};
}
inline common::PortEvent Delay(std::uint16_t ticks) {
  return {common::PortEvent::Kind::Delay, 0, 0, ticks};
}

// What a chip on the cable sees: the logic levels of SCK and MOSI at every
// data port write, taken from the recorded pin levels and the cable's
// inversions. Written from the wire's side, without the engine's code.
struct Wiring {
  std::uint16_t base = 0x378;
  std::uint8_t sckMask = 0x10;
  std::uint8_t sckInvert = 0;
  std::uint8_t mosiMask = 0x20;
  std::uint8_t mosiInvert = 0;
};

// The MOSI bit at each rising SCK edge, in order.
inline std::vector<int> ClockedBits(const std::vector<common::PortEvent> &log, const Wiring &w) {
  std::vector<int> bits;
  bool sckHigh = false;
  for (const common::PortEvent &e : log) {
    if (e.kind != common::PortEvent::Kind::Out || e.port != w.base) {
      continue;
    }
    const bool sck = ((e.value & w.sckMask) ^ w.sckInvert) != 0;
    if (sck && !sckHigh) {
      bits.push_back(((e.value & w.mosiMask) ^ w.mosiInvert) != 0 ? 1 : 0);
    }
    sckHigh = sck;
  }
  return bits;
}

// The clocked bits grouped into bytes, most significant bit first.
inline std::vector<std::uint8_t> ClockedBytes(const std::vector<common::PortEvent> &log,
                                              const Wiring &w = {}) {
  const std::vector<int> bits = ClockedBits(log, w);
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 8 <= bits.size(); i += 8) {
    std::uint8_t b = 0;
    for (std::size_t k = 0; k < 8; ++k) {
      b = static_cast<std::uint8_t>((b << 1) | bits[i + k]);
    }
    bytes.push_back(b);
  }
  return bytes;
}

// Status register bytes that present `bytes` on MISO, one read per bit,
// with MISO on a status bit other than bit 7 and not inverted.
inline std::vector<std::uint8_t> MisoReads(const std::vector<std::uint8_t> &bytes,
                                           std::uint8_t misoMask = 0x40) {
  std::vector<std::uint8_t> reads;
  for (std::uint8_t b : bytes) {
    for (int i = 7; i >= 0; --i) {
      reads.push_back(((b >> i) & 1) != 0 ? misoMask : 0);
    }
  }
  return reads;
}

} // namespace rindle::testing
