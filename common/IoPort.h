#pragma once

#include <cstdint>
#include <string>

namespace common {

// What a port address reaches: the device file behind it (empty when no
// device file is involved, as on simulated hardware), whether the port is
// usable, and if not, why, in words a user can act on.
struct PortReach {
  std::string deviceFile;
  bool ok = true;
  std::string reason;

  friend bool operator==(const PortReach &, const PortReach &) = default;
};

// Byte-wide access to the PC's I/O ports: the parallel port's data
// (base), status (base + 1) and control (base + 2) registers. Only the low
// eight bits of a value ever reach a port. Implementations: the ppdev port for
// real hardware, the simulated cable and chip under sim/, and recording ports
// in tests.
//
// Inp32 and Out32 never open anything: the owner of the port address opens
// the port whenever that address changes (start-up, new options), and the
// outcome stays readable through Reach until the next Open.
class IoPort {
public:
  virtual ~IoPort() = default;
  virtual std::uint8_t Inp32(std::uint16_t port) = 0;
  virtual void Out32(std::uint16_t port, std::uint8_t value) = 0;

  // Makes the port whose data register is at `base` the one Inp32 and Out32
  // reach, releasing the one held before. Ports that need no opening accept
  // any address.
  virtual PortReach Open(std::uint16_t /*base*/) { return {}; }
  // The outcome of the last Open (usable before any Open).
  virtual PortReach Reach() const { return {}; }
};

} // namespace common
