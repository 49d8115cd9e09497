#pragma once

#include <cstdint>
#include <functional>

// The point where a long chip operation reports how far it got, lets the
// windows handle pending events and learns whether it is to stop.
namespace rindle::isp {

// What an engine offers its long operations: the progress hook (a byte
// position), the event pump and the cancel flag the pumped events may set.
// The hooks may be empty. The object refers to the engine's own members.
struct OperationHooks {
  const std::function<void(int)> &updateProgress;
  const std::function<void()> &processEvents;
  const bool &cancelRequested;
};

// Whether a progress point ends the operation when cancel was asked for;
// some loops only report and run on.
enum class CancelCheck : std::uint8_t { Obey, Ignore };

// The progress point of a loop: before each unit the loop asks Go(position
// of the unit); once `interval` bytes have been handled since the last point
// (or the start) it reports the position, lets pending events run and
// answers false when the operation is to stop. An interval of 0 never
// reports.
class ProgressPoint {
public:
  ProgressPoint(OperationHooks hooks, std::uint32_t interval,
                CancelCheck cancel = CancelCheck::Obey)
      : hooks_(hooks), interval_(interval), cancel_(cancel) {}

  bool Go(std::int64_t position) {
    if (interval_ == 0 || handled_ < interval_) {
      return true;
    }
    handled_ = 0;
    if (hooks_.updateProgress) {
      hooks_.updateProgress(static_cast<int>(position));
    }
    if (hooks_.processEvents) {
      hooks_.processEvents();
    }
    return cancel_ == CancelCheck::Ignore || !hooks_.cancelRequested;
  }
  void Handled(std::uint32_t bytes) { handled_ += bytes; }

private:
  OperationHooks hooks_;
  std::uint32_t interval_;
  CancelCheck cancel_;
  std::uint32_t handled_ = 0;
};

} // namespace rindle::isp
