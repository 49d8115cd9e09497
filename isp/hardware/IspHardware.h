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

// How a dry run keeps its chips between runs: each edition has stored them
// its own way from the start, and keeps doing so.
enum class ChipKeeping {
  // Each chip's memories, fuses and lock bits in a file of their own in a
  // folder, read when the chip is put in the socket and written after every
  // operation. With a fixed device that chip stays whatever is selected;
  // otherwise selecting a device puts its chip in.
  FilePerChip,
  // One file holding the chip of the last run, which stays in the socket
  // whatever is selected; the first run starts with `firstChip`.
  LastChip,
};

// What a simulated bench is made of.
struct SimulationSetup {
  ChipKeeping keeping = ChipKeeping::FilePerChip;
  // The state folder (FilePerChip) or the state file (LastChip); empty:
  // nothing is kept.
  QString place;
  // FilePerChip: the fixed chip, empty when the chip follows the list.
  // LastChip: the chip to put in, empty for the stored one.
  QString device;
  // LastChip: the chip of the first run (data-sheet name).
  QString firstChip;
  sim::isp::CableWiring wiring;
  // Every tick delay also waits for real, so operations take as long as on
  // hardware: on `wall` when given, else on the monotonic clock.
  bool realDelays = false;
  common::TickTimer *wall = nullptr;
};

// The simulated cable with a chip in the socket, kept as the setup says.
class SimulatedHardware : public IspHardware {
public:
  explicit SimulatedHardware(SimulationSetup setup);
  // One file per chip in stateFolder.
  SimulatedHardware(QString stateFolder, QString fixedDevice, bool realDelays);
  ~SimulatedHardware() override;
  SimulatedHardware(const SimulatedHardware &) = delete;
  SimulatedHardware &operator=(const SimulatedHardware &) = delete;

  common::IoPort &port() override { return bench_.port(); }
  common::TickTimer &timer() override { return bench_.timer(); }
  bool simulated() const override { return true; }
  void deviceSelected(std::uint16_t deviceIndex) override;
  void operationDone() override;

  sim::isp::Bench &bench() { return bench_; }
  // The state file of a chip by its list name (FilePerChip), or the one
  // state file (LastChip).
  QString stateFile(const QString &device) const;
  // The problem of the last state file read or write; empty when all went well.
  const QString &stateProblem() const { return stateProblem_; }
  // A damaged state file is moved aside and a new chip put in the socket;
  // the notice says so, once.
  QString takeNotice() override { return std::exchange(notice_, {}); }

  // Whether `device` names a chip the simulation knows (its data-sheet name).
  static bool Knows(const QString &device);

private:
  void insert(const QString &device);
  void insertLastChip();
  // Reads a chip's state file; false when there was none or it was damaged
  // (moved aside, `held` when it could not be).
  bool load(const QString &file, bool &held);
  void saveChip();

  SimulationSetup setup_;
  QString current_;
  QString stateProblem_;
  QString notice_;
  // Chips whose damaged state file could not be moved aside: never written over.
  QStringList held_;
  common::MonotonicTickTimer wall_;
  sim::isp::Bench bench_;
};

// The hardware a run asks for: the simulated one when `simulate`, else the
// parallel port.
std::unique_ptr<IspHardware> MakeHardware(bool simulate, SimulationSetup simulation);
// The same with one state file per chip in stateFolder and real delays.
std::unique_ptr<IspHardware> MakeHardware(bool simulate, const QString &fixedDevice,
                                          const QString &stateFolder);

} // namespace rindle
