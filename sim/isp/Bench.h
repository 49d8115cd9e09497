#pragma once

#include "common/IoPort.h"
#include "common/TickTimer.h"
#include "sim/isp/Chip.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim::isp {

// How the ISP cable is wired to the parallel port. Output lines are data
// register bits (D0..D7 on pins 2..9); MISO is a status register bit
// (0x08 pin 15, 0x10 pin 13, 0x20 pin 12, 0x40 pin 10, 0x80 pin 11). An
// inverted line has an inverter between port pin and target.
struct CableWiring {
  std::uint8_t ben = 0x08;  // buffer enable, active low at the buffer (D3, pin 5)
  std::uint8_t sck = 0x10;  // D4, pin 6
  std::uint8_t mosi = 0x20; // D5, pin 7
  std::uint8_t rst = 0x80;  // D7, pin 9
  std::uint8_t miso = 0x40; // status bit 6, pin 10
  bool benInverted = false;
  bool sckInverted = false;
  bool mosiInverted = false;
  bool rstInverted = false;
  bool misoInverted = false;
  // The older cable's presence loop: D0 (pin 2) wired to status bit 5 (pin 12).
  bool presenceLoop = false;
};

enum class MisoFault { None, StuckHigh, StuckLow };

// One record of the access log.
struct PortAccess {
  bool write;
  std::uint16_t port;
  std::uint8_t value;
  std::uint64_t time; // virtual ticks
};

// A PC parallel port at any base address with the ISP cable and (optionally)
// a target chip on it, and the virtual clock they share.
//
//   sim::isp::Bench bench("ATmega8");           // chip by name; "" = no chip
//   SomeEngine engine(bench.port(), bench.timer());
//   bench.chip()->flash()[0]                    // look at the chip
//
// Port: data register at base (reads back the last value written), status at
// base + 1, control at base + 2 (reads back its value, drives nothing). Other
// addresses read 0xFF and ignore writes, as an absent port does. Status bits
// 3..6 read their pin levels and bit 7 the inverse of pin 11 (the port's own
// inversion); unconnected pins are pulled high, bits 0..2 read 1.
//
// Cable: while BEN is high at the buffer the target's SCK, MOSI and RST are
// left to the target's own pull-ups (reset inactive) and MISO reads the
// pull-up level (high).
//
// Time: TickDelay advances the virtual clock by its count and then, when a
// forward timer is set, waits on it too; the chip times resets, busy periods
// and edges with the virtual clock. Port accesses take no virtual time.
class Bench : public common::IoPort, public common::TickTimer {
public:
  explicit Bench(std::string_view device = {}, std::uint16_t base = 0x378);
  ~Bench() override;
  Bench(const Bench &) = delete;
  Bench &operator=(const Bench &) = delete;

  common::IoPort &port() { return *this; }
  common::TickTimer &timer() { return *this; }

  // common::IoPort
  std::uint8_t Inp32(std::uint16_t port) override;
  void Out32(std::uint16_t port, std::uint8_t value) override;
  // common::TickTimer
  void TimerSetup() override;
  void TickDelay(std::uint16_t count) override;
  void TimerRestore() override;

  // --- The target.
  Chip *chip() { return chip_.get(); }
  const Chip *chip() const { return chip_.get(); }
  // Puts a new chip of the named model on the cable; false (and no chip) when
  // the name is unknown. An empty name removes the chip.
  bool insertChip(std::string_view device);
  void removeChip();
  // An unpowered chip sees nothing on its pins and drives nothing.
  void setChipPowered(bool powered);
  bool chipPowered() const { return powered_; }

  // --- The cable and port.
  std::uint16_t base() const { return base_; }
  const CableWiring &wiring() const { return wiring_; }
  void setWiring(const CableWiring &wiring);
  void setMisoFault(MisoFault fault);
  std::uint8_t dataRegister() const { return data_; }
  std::uint8_t controlRegister() const { return control_; }
  bool bufferEnabled() const;

  // --- Time.
  std::uint64_t now() const { return now_; }
  void advance(std::uint64_t ticks) { now_ += ticks; }
  // Every TickDelay, TimerSetup and TimerRestore is passed on to this timer
  // too (nullptr: none). The timer must outlive the bench or be reset.
  void forwardDelaysTo(common::TickTimer *timer) { forward_ = timer; }
  int timerSetups() const { return timerSetups_; }
  int timerRestores() const { return timerRestores_; }
  std::uint64_t delayCalls() const { return delayCalls_; }

  // --- Access log, off by default (it costs time on long runs).
  void setLogging(bool on) { logging_ = on; }
  const std::vector<PortAccess> &log() const { return log_; }
  void clearLog() { log_.clear(); }

  // --- Chip state file, so a dry run survives a restart. Both return an
  // empty string on success, otherwise a message; a failed load leaves the
  // chip as it was, a failed save leaves the old file as it was.
  std::string saveState(const std::string &path) const;
  std::string loadState(const std::string &path);

private:
  void updateTarget();

  std::uint16_t base_;
  std::uint8_t data_ = 0x00;
  std::uint8_t control_ = 0x00;
  CableWiring wiring_;
  MisoFault misoFault_ = MisoFault::None;
  std::unique_ptr<Chip> chip_;
  bool powered_ = true;
  std::uint64_t now_ = 0;
  common::TickTimer *forward_ = nullptr;
  int timerSetups_ = 0;
  int timerRestores_ = 0;
  std::uint64_t delayCalls_ = 0;
  bool logging_ = false;
  std::vector<PortAccess> log_;
};

} // namespace sim::isp
