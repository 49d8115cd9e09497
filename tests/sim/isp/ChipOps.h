#pragma once

// Raw instruction sequences per family, written from the chips' instruction
// tables, for tests that talk to a simulated chip through RawDriver.

#include "sim/isp/ChipModels.h"
#include "tests/sim/isp/RawDriver.h"

#include <cstdint>
#include <vector>

namespace simtest {

using sim::isp::ChipModel;
using sim::isp::Family;

inline std::uint8_t Lo(std::uint32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }
inline std::uint8_t Hi(std::uint32_t v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }

class ChipOps {
public:
  ChipOps(RawDriver &d, const ChipModel &m) : d_(d), m_(m) {}

  // Reset, settle, programming enable; returns the enable's answer bytes.
  std::vector<std::uint8_t> enter() {
    d_.enterReset(m_.resetActiveHigh());
    return enable();
  }
  std::vector<std::uint8_t> enable() {
    return m_.family == Family::At89S8252 ? d_.send({0xAC, 0x53, 0x00})
                                          : d_.send({0xAC, 0x53, 0x00, 0x00});
  }

  void erase() {
    switch (m_.family) {
    case Family::At89S8252: d_.send({0xAC, 0x04, 0x00}); break;
    default: d_.send({0xAC, 0x80, 0x00, 0x00});
    }
    d_.wait(m_.timing.erase);
  }

  // --- Flash
  std::uint8_t readFlash(std::uint32_t a) {
    switch (m_.family) {
    case Family::At89S51: return d_.read4(0x20, Hi(a), Lo(a));
    case Family::At89S8252: return d_.read3(ThreeByteFlash(a, 0x01), Lo(a));
    case Family::At89S8253: return readPage(0x30, a & ~63u, 64)[a & 63u];
    default: {
      const std::uint32_t w = a / 2;
      return d_.read4(a & 1 ? 0x28 : 0x20, Hi(w), Lo(w));
    }
    }
  }

  // Byte families write one byte; page families write the page holding a
  // with value at a and 0xFF elsewhere.
  void writeFlash(std::uint32_t a, std::uint8_t v) {
    switch (m_.family) {
    case Family::At89S51:
      d_.send({0x40, Hi(a), Lo(a), v});
      d_.wait(m_.timing.flashWrite);
      return;
    case Family::At89S8252:
      d_.send({ThreeByteFlash(a, 0x02), Lo(a), v});
      d_.wait(m_.timing.flashWrite);
      return;
    case Family::AvrByteMode: {
      const std::uint32_t w = a / 2;
      d_.send({static_cast<std::uint8_t>(a & 1 ? 0x48 : 0x40), Hi(w), Lo(w), v});
      d_.wait(m_.timing.flashWrite);
      return;
    }
    default: {
      const std::uint32_t size = m_.family == Family::At89S8253 ? 64 : m_.flashPageSize;
      std::vector<std::uint8_t> page(size, 0xFF);
      page[a % size] = v;
      writeFlashPage(a - a % size, page);
    }
    }
  }

  void writeFlashPage(std::uint32_t base, const std::vector<std::uint8_t> &page) {
    if (m_.family == Family::At89S8253) {
      d_.send({0x50, Hi(base), Lo(base)});
      for (std::uint8_t b : page)
        d_.byte(b);
      d_.wait(m_.timing.flashWrite);
      return;
    }
    for (std::uint32_t i = 0; i < page.size(); ++i)
      d_.send({static_cast<std::uint8_t>(i & 1 ? 0x48 : 0x40), 0x00, Lo(i / 2), page[i]});
    const std::uint32_t w = base / 2;
    d_.send({0x4C, Hi(w), Lo(w), 0x00});
    d_.wait(m_.timing.flashWrite);
  }

  std::vector<std::uint8_t> readPage(std::uint8_t header, std::uint32_t base, int n) {
    d_.send({header, Hi(base), Lo(base)});
    std::vector<std::uint8_t> out;
    for (int i = 0; i < n; ++i)
      out.push_back(d_.byte(0x00));
    return out;
  }

  // --- EEPROM (byte access; the AT89S8253 through a 32-byte page)
  std::uint8_t readEeprom(std::uint32_t a) {
    switch (m_.family) {
    case Family::At89S8252: return d_.read3(ThreeByteEeprom(a, 0x05), Lo(a));
    case Family::At89S8253: return readPage(0xB0, a & ~31u, 32)[a & 31u];
    default: return d_.read4(0xA0, Hi(a), Lo(a));
    }
  }

  void writeEeprom(std::uint32_t a, std::uint8_t v) {
    switch (m_.family) {
    case Family::At89S8252: d_.send({ThreeByteEeprom(a, 0x06), Lo(a), v}); break;
    case Family::At89S8253: {
      std::vector<std::uint8_t> page = readPage(0xB0, a & ~31u, 32);
      page[a & 31u] = v;
      d_.send({0xD0, Hi(a & ~31u), Lo(a & ~31u)});
      for (std::uint8_t b : page)
        d_.byte(b);
      break;
    }
    default: d_.send({0xC0, Hi(a), Lo(a), v});
    }
    d_.wait(m_.timing.eepromWrite);
  }

  std::uint8_t ThreeByteFlash(std::uint32_t a, std::uint8_t op) const {
    std::uint8_t first = static_cast<std::uint8_t>(((a >> 8) & 0x1F) << 3 | op);
    if (m_.eepromSize == 0 && (a & 0x2000))
      first |= 0x04; // A13 of the AT89S53
    return first;
  }
  static std::uint8_t ThreeByteEeprom(std::uint32_t a, std::uint8_t op) {
    return static_cast<std::uint8_t>(((a >> 8) & 0x07) << 3 | op);
  }

private:
  RawDriver &d_;
  const ChipModel &m_;
};

} // namespace simtest
