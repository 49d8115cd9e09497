#pragma once

#include <QString>

namespace orvane {

// What the function sequencer needs from whoever shows its status log.
class SequencerHost {
public:
  virtual ~SequencerHost() = default;

  // A status-log line: progress (grey, as given) or result (black, with
  // three blanks in front).
  virtual void AddStatus(const QString &text, bool result) = 0;
  // Empties the status log.
  virtual void ClearStatus() = 0;
  // The chain goes on with its function: a function list shows it selected.
  virtual void SelectFunction(int index) { (void)index; }
  // Busy changed: the window locks or frees the actions that would disturb a
  // running function.
  virtual void BusyChanged(bool busy) { (void)busy; }
};

} // namespace orvane
