#include "common/testing/RecordingPort.h"

#include <algorithm>

namespace common {

std::uint8_t RecordingPort::Inp32(std::uint16_t port) {
  std::uint8_t value = idleRead_;
  if (!queued_.empty()) {
    value = queued_.front();
    queued_.pop_front();
  } else if (responder_) {
    value = responder_(port);
  }
  log_.push_back({PortEvent::Kind::In, port, value, 0});
  return value;
}

void RecordingPort::Out32(std::uint16_t port, std::uint8_t value) {
  log_.push_back({PortEvent::Kind::Out, port, value, 0});
}

void RecordingPort::TimerSetup() { log_.push_back({PortEvent::Kind::TimerSetup}); }

void RecordingPort::TickDelay(std::uint16_t count) {
  log_.push_back({PortEvent::Kind::Delay, 0, 0, count});
}

void RecordingPort::TimerRestore() { log_.push_back({PortEvent::Kind::TimerRestore}); }

void RecordingPort::QueueReads(std::span<const std::uint8_t> bytes) {
  queued_.insert(queued_.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> RecordingPort::Writes(std::uint16_t port) const {
  std::vector<std::uint8_t> out;
  for (const PortEvent &e : log_) {
    if (e.kind == PortEvent::Kind::Out && e.port == port) {
      out.push_back(e.value);
    }
  }
  return out;
}

std::vector<std::uint16_t> RecordingPort::Delays() const {
  std::vector<std::uint16_t> out;
  for (const PortEvent &e : log_) {
    if (e.kind == PortEvent::Kind::Delay) {
      out.push_back(e.ticks);
    }
  }
  return out;
}

std::size_t RecordingPort::Count(PortEvent::Kind kind) const {
  return static_cast<std::size_t>(
      std::ranges::count_if(log_, [kind](const PortEvent &e) { return e.kind == kind; }));
}

} // namespace common
