#pragma once

#include <QString>
#include <string>
#include <utility>

#include "common/TickTimer.h"
#include "sim/isp/Bench.h"

namespace tollen::ui {

// The hardware of a dry run: the simulated cable, with its presence loop, and
// a chip kept between runs in stateFile. `device` names the chip to put in
// (empty: the stored one, or an ATmega8 the first time). Every tick delay
// also waits on `wall` when one is given, so operations take as long as on
// the cable and their progress and Cancel behave the same.
class Simulation {
public:
  static constexpr char kDefaultChip[] = "ATmega8";

  Simulation(const QString &device, const QString &stateFile, common::TickTimer *wall);
  ~Simulation();
  Simulation(const Simulation &) = delete;
  Simulation &operator=(const Simulation &) = delete;

  sim::isp::Bench &bench() { return bench_; }
  // Whether `device` names a chip the simulation knows.
  static bool Knows(const QString &device);
  // A state file that could not be read is moved aside (NAME.bad) and the
  // chip starts fresh; this says so, once (empty when all went well).
  QString takeNotice() { return std::exchange(notice_, {}); }

private:
  sim::isp::Bench bench_;
  std::string stateFile_;
  QString notice_;
  // The damaged state file could not be moved aside: it is not written over.
  bool held_ = false;
};

} // namespace tollen::ui
