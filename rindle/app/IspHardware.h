#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include <QString>
#include <QStringList>

#include "common/IoPort.h"
#include "common/MonotonicTickTimer.h"
#include "common/PpdevPort.h"
#include "common/TickTimer.h"
#include "sim/isp/Bench.h"

namespace rindle {

// What the programmer talks to: the parallel port with the cable, or the
// simulated bench of a dry run. Created before the engine, which keeps
// references to its port and timer.
class IspHardware {
public:
  virtual ~IspHardware() = default;
  virtual common::IoPort &port() = 0;
  virtual common::TickTimer &timer() = 0;
  virtual bool simulated() const = 0;
  // A new device was chosen in the list.
  virtual void deviceSelected(std::uint16_t /*deviceIndex*/) {}
  // A chip operation has ended.
  virtual void operationDone() {}
  // Why the port at `base` cannot be used, as one line for a message;
  // empty when it can.
  virtual QString portProblem(std::uint16_t /*base*/) { return {}; }
  // What the user is to be told once about the hardware's own files (a
  // simulated chip whose state file was damaged), emptied by the call.
  virtual QString takeNotice() { return {}; }
};

// The parallel port through ppdev, timed on the monotonic clock.
class ParallelPortHardware : public IspHardware {
public:
  common::IoPort &port() override { return port_; }
  common::TickTimer &timer() override { return timer_; }
  bool simulated() const override { return false; }
  QString portProblem(std::uint16_t base) override;

private:
  common::PpdevPort port_;
  common::MonotonicTickTimer timer_;
};

// The simulated cable with a chip in the socket. Each chip's memories, fuses
// and lock bits are kept in a file of their own in stateFolder, read when the
// chip is put in the socket and written after every operation. With a fixed
// device that chip stays whatever is selected; otherwise selecting a device
// puts its chip in. With realDelays every tick delay also waits for real, so
// operations take as long as on hardware.
class SimulatedHardware : public IspHardware {
public:
  SimulatedHardware(QString stateFolder, QString fixedDevice, bool realDelays);
  ~SimulatedHardware() override;

  common::IoPort &port() override { return bench_.port(); }
  common::TickTimer &timer() override { return bench_.timer(); }
  bool simulated() const override { return true; }
  void deviceSelected(std::uint16_t deviceIndex) override;
  void operationDone() override;

  sim::isp::Bench &bench() { return bench_; }
  // The state file of a chip by its list name.
  QString stateFile(const QString &device) const;
  // The problem of the last state file read or write; empty when all went well.
  const QString &stateProblem() const { return stateProblem_; }
  // A damaged state file is moved aside and a new chip put in the socket;
  // the notice says so.
  QString takeNotice() override { return std::exchange(notice_, {}); }

private:
  void insert(const QString &device);
  void saveChip();

  QString stateFolder_;
  QString fixedDevice_;
  QString current_;
  QString stateProblem_;
  QString notice_;
  // Chips whose damaged state file could not be moved aside: never written over.
  QStringList held_;
  common::MonotonicTickTimer wall_;
  sim::isp::Bench bench_;
};

// The hardware a run asks for: the simulated one when `simulate` (waiting
// for real unless realDelays is false), else the parallel port.
std::unique_ptr<IspHardware> MakeHardware(bool simulate, const QString &fixedDevice,
                                          const QString &stateFolder, bool realDelays = true);

} // namespace rindle
