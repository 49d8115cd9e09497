#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <vector>

#include "common/IoPort.h"
#include "common/TickTimer.h"

namespace common {

// One port access or timer call, in the order they happened.
struct PortEvent {
  enum class Kind : std::uint8_t { Out, In, Delay, TimerSetup, TimerRestore };
  Kind kind;
  std::uint16_t port = 0;  // Out and In
  std::uint8_t value = 0;  // the byte written or returned
  std::uint16_t ticks = 0; // Delay

  friend bool operator==(const PortEvent &, const PortEvent &) = default;
};

// A port and tick timer for tests that log every access and delay in one
// sequence. Reads are answered from a queue of scripted bytes, then by the
// responder when one is set, then with the idle byte.
class RecordingPort : public IoPort, public TickTimer {
public:
  std::uint8_t Inp32(std::uint16_t port) override;
  void Out32(std::uint16_t port, std::uint8_t value) override;
  void TimerSetup() override;
  void TickDelay(std::uint16_t count) override;
  void TimerRestore() override;

  void QueueReads(std::span<const std::uint8_t> bytes);
  void SetIdleRead(std::uint8_t value) { idleRead_ = value; }
  // Answers a read of `port` once the queue is empty.
  void SetResponder(std::function<std::uint8_t(std::uint16_t port)> responder) {
    responder_ = std::move(responder);
  }
  std::size_t QueuedReads() const { return queued_.size(); }

  const std::vector<PortEvent> &Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // The bytes written to one port, in order.
  std::vector<std::uint8_t> Writes(std::uint16_t port) const;
  // The delays, in order.
  std::vector<std::uint16_t> Delays() const;
  std::size_t Count(PortEvent::Kind kind) const;

private:
  std::vector<PortEvent> log_;
  std::deque<std::uint8_t> queued_;
  std::function<std::uint8_t(std::uint16_t)> responder_;
  std::uint8_t idleRead_ = 0x00;
};

} // namespace common
