#pragma once

#include "common/Outcome.h"
#include "common/Prompter.h"
#include "orvane/core/LoaderCore.h"
#include "orvane/link/ComDataPacket.h"
#include "orvane/link/ComPort.h"
#include "orvane/link/Sequencer.h"
#include "orvane/link/SequencerHost.h"
#include "orvane/link/StepTimer.h"

#include <QObject>
#include <QString>
#include <memory>

namespace sim {
class ProgrammerBox;
}

namespace orvane {

// Where a session's status-log lines go: the main window's log, a command
// line's output.
using StatusLog = SequencerHost;

// The loader without its windows: the core (settings, buffer, device
// database, recent lists), the serial port with its splitter, the sequencer
// that runs the chip functions, and for a dry run the emulated programmer
// box. Windows and the command line are its clients: they pick the
// function, the port and the model, and show the status log and the
// outcome.
class LoaderSession : public QObject, private SequencerHost {
  Q_OBJECT
public:
  // Files where paths says; caption titles the message boxes. Without a
  // step timer the sequencer ticks on the event loop.
  LoaderSession(LoaderPaths paths, common::Prompter &prompter,
                QString caption = LoaderCore::ApplicationTitle(),
                std::unique_ptr<StepTimer> stepTimer = nullptr);
  ~LoaderSession() override;

  // The chip file of the emulated box of the loader at loaderPath (the
  // window's program path): kept between runs in the user's data folder.
  static QString BoxChipFile(const QString &loaderPath);

  void SetStatusLog(StatusLog *log) { log_ = log; }
  void SetProgress(common::Progress *progress) { sequencer_.SetProgress(progress); }

  LoaderCore &core() { return core_; }
  const LoaderCore &core() const { return core_; }
  ComPort &port() { return port_; }
  Sequencer &sequencer() { return sequencer_; }
  bool Busy() const { return sequencer_.Busy(); }

  // Start-up without the lists of a window: the program ini, user.ini, the
  // last file (unless the client brings its own); the port and the current
  // model chosen.
  void StartUp(bool loadLastFile = true);
  // First use: the current model's device database and the last device.
  void FirstActivation() { core_.FirstActivation(); }

  // A dry run: starts the emulated box, on a thread of its own, with its
  // chip kept in chipFile, and talks to it. False, with the reason, when it
  // does not start.
  bool Simulate(const QString &chipFile, QString *error = nullptr);
  // A dry run against a box that runs elsewhere, on port name.
  void UseSimulatedPort(const QString &name);
  // The dry run's port; empty when the loader talks to real hardware.
  const QString &SimulatedPort() const { return simulatedPort_; }

  // The port the functions open: the dry run's, else the one of the
  // settings.
  void ChoosePort();
  // The user picked a port: kept in the settings and used.
  void SelectPort(const QString &name);
  // Used for this run only; the settings keep theirs.
  void UsePort(const QString &name) { port_.SetPort(name); }
  // Makes model current: its speed on the port and its recent devices.
  void ModelChange(const QString &model);
  // The models of the catalogue, in its order.
  QStringList Models() const;
  // The catalogue's spelling of a model named in any letter case; empty
  // when it has none of that name.
  QString FindModel(const QString &name) const;

  // Starts a chip function (an index of FunctionNames()); Finished comes
  // when it ends. False when it did not start; LastOutcome() says why.
  bool Execute(int function);
  // Runs a chip function to its end, letting events run meanwhile.
  common::Outcome Run(int function);
  const common::Outcome &LastOutcome() const { return sequencer_.LastOutcome(); }

  // Loads an Intel HEX file into the buffer, as File > Open does: Failed
  // (File) when it cannot be read or loads only in part, a line in error
  // left out included (the window shows each and lets the user go on; here
  // nobody reads them before the chip is written).
  common::Outcome LoadFile(const QString &path);
  // Saves what Read brought (TransferCount bytes) as Intel HEX, whole or
  // not at all.
  common::Outcome SaveBuffer(const QString &path);
  // A function with its file: program, verify and auto-program load it
  // first, and stop when it holds no bytes to write; read saves the chip
  // into it, and stops before the port opens when it could not be created.
  // The other functions take no file.
  common::Outcome RunWithFile(int function, const QString &path);

  // Writes the program ini and user.ini (at exit).
  bool SaveSettings(QString *error = nullptr) { return core_.SaveSettings(error); }

signals:
  void Finished(const common::Outcome &outcome);

private:
  // SequencerHost: passed on to the status log.
  void AddStatus(const QString &text, bool result) override;
  void ClearStatus() override;
  void SelectFunction(int index) override;
  void BusyChanged(bool busy) override;

  LoaderCore core_;
  ComPort port_;
  ComDataPacket packets_;
  Sequencer sequencer_;
  std::unique_ptr<sim::ProgrammerBox> box_;
  QString simulatedPort_;
  StatusLog *log_ = nullptr;
};

} // namespace orvane
