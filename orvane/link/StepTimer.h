#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace orvane {

// The sequencer's step timer: a repeating tick whose interval may change
// while it runs. The window's timer is a QTimer; tests drive one in virtual
// time.
class StepTimer {
public:
  virtual ~StepTimer() = default;

  // Called on every tick.
  void SetOnTick(std::function<void()> onTick) { onTick_ = std::move(onTick); }

  // A new interval restarts a running timer: the next tick comes one new
  // interval from now.
  virtual void setInterval(int ms) = 0;
  virtual int interval() const = 0;
  // Starts a stopped timer; a running one keeps its rhythm.
  virtual void start() = 0;
  virtual void stop() = 0;
  virtual bool isActive() const = 0;

protected:
  void tick() {
    if (onTick_) {
      onTick_();
    }
  }

private:
  std::function<void()> onTick_;
};

// Ticks on the owner thread's event loop.
class QtStepTimer : public StepTimer {
public:
  QtStepTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
  }

  void setInterval(int ms) override { timer_.setInterval(ms); }
  int interval() const override { return timer_.interval(); }
  void start() override {
    if (!timer_.isActive()) {
      timer_.start();
    }
  }
  void stop() override { timer_.stop(); }
  bool isActive() const override { return timer_.isActive(); }

  // The timer itself, for whoever watches its events.
  QTimer &timer() { return timer_; }

private:
  QTimer timer_;
};

} // namespace orvane
