#pragma once

#include <csignal>

// Ctrl+C (SIGINT), SIGTERM and SIGHUP taken as a request to stop at the next
// safe point, rather than as the end of the process at whatever bit it was
// clocking: a command line that drives hardware releases it first. The
// signals are held back (blocked) and read from a signal file descriptor when
// the program asks; nothing global is touched from a handler.
//
// Make the watch first thing in main, before any thread starts, so that every
// thread holds the signals back. Once one has arrived, the signals act as
// they always do again: a second Ctrl+C ends the program at once.
namespace common {

class InterruptWatch {
public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch &) = delete;
  InterruptWatch &operator=(const InterruptWatch &) = delete;

  // Whether a stop was asked for, now or before.
  bool interrupted();
  // The signal that asked; 0 when none did.
  int signal() const { return signal_; }
  // After an interrupt, ends the process by that signal, so that a shell or
  // make sees what ended it (status 130 for Ctrl+C); does nothing otherwise.
  void endBySignal();

private:
  void restore();

  int fd_ = -1;
  int signal_ = 0;
  bool restored_ = false;
  sigset_t oldMask_{}; // what the process held back before
};

} // namespace common
