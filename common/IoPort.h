#pragma once

#include <cstdint>

namespace common {

// Byte-wide access to the PC's I/O ports: the parallel port's data
// (base), status (base + 1) and control (base + 2) registers. Only the low
// eight bits of a value ever reach a port. Implementations: the ppdev port for
// real hardware, the simulated cable and chip under sim/, and recording ports
// in tests.
class IoPort {
public:
  virtual ~IoPort() = default;
  virtual std::uint8_t Inp32(std::uint16_t port) = 0;
  virtual void Out32(std::uint16_t port, std::uint8_t value) = 0;
};

} // namespace common
