#include "common/InterruptWatch.h"

#include <csignal>

#include <sys/signalfd.h>
#include <unistd.h>

namespace common {

namespace {

sigset_t Watched() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

} // namespace

InterruptWatch::InterruptWatch() {
  const sigset_t set = Watched();
  if (pthread_sigmask(SIG_BLOCK, &set, &oldMask_) != 0) {
    restored_ = true; // nothing held back: the signals act as usual
    return;
  }
  fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0)
    restore();
}

InterruptWatch::~InterruptWatch() {
  restore();
  if (fd_ >= 0)
    ::close(fd_);
}

bool InterruptWatch::interrupted() {
  if (signal_ != 0 || fd_ < 0)
    return signal_ != 0;
  signalfd_siginfo info{};
  if (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    signal_ = static_cast<int>(info.ssi_signo);
    restore();
  }
  return signal_ != 0;
}

void InterruptWatch::restore() {
  if (restored_)
    return;
  restored_ = true;
  pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
}

void InterruptWatch::endBySignal() {
  if (signal_ == 0)
    return;
  std::signal(signal_, SIG_DFL);
  restore();
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, signal_);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  std::raise(signal_);
}

} // namespace common
