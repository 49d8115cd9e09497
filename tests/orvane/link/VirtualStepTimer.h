#pragma once

#include "orvane/link/StepTimer.h"

#include <QtGlobal>

namespace linktest {

// A step timer in virtual time: it ticks only when the test lets time pass.
class VirtualStepTimer : public orvane::StepTimer {
public:
  qint64 now() const { return now_; }

  void setInterval(int ms) override {
    interval_ = ms;
    if (active_) {
      due_ = now_ + ms;
    }
  }
  int interval() const override { return interval_; }
  void start() override {
    if (!active_) {
      active_ = true;
      due_ = now_ + interval_;
    }
  }
  void stop() override { active_ = false; }
  bool isActive() const override { return active_; }

  // Lets ms of virtual time pass, ticking whenever a tick falls due; a tick
  // may stop the timer or change its interval.
  void advance(qint64 ms) {
    const qint64 until = now_ + ms;
    while (active_ && interval_ > 0 && due_ <= until) {
      now_ = due_;
      due_ += interval_;
      tick();
    }
    now_ = until;
  }

  // Lets time pass up to the next tick, if one is due.
  void advanceToNextTick() {
    if (active_) {
      advance(due_ - now_);
    }
  }

private:
  qint64 now_ = 0;
  qint64 due_ = 0;
  int interval_ = 0;
  bool active_ = false;
};

} // namespace linktest
