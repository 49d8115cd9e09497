#pragma once

#include <QString>

namespace rindle {

// What the chip operations need from the screen: the progress window, the
// main window's enabled state, the busy cursor and letting pending events
// run. The windows implement it; tests of the flows record it.
class OperationView {
public:
  virtual ~OperationView() = default;
  // Shows the progress window at position 0 of `maximum`, without waiting.
  virtual void showProgress(const QString &title, int maximum) = 0;
  virtual void setProgress(int position) = 0;
  virtual void closeProgress() = 0;
  virtual void setMainEnabled(bool enabled) = 0;
  virtual void setBusyCursor(bool busy) = 0;
  // Runs pending window events from inside a long operation.
  virtual void processEvents() = 0;
  // The fields changed (checksum, signature, calibration, status bar, lock
  // boxes): draw them now, before the message that follows.
  virtual void fieldsChanged() = 0;
};

} // namespace rindle
