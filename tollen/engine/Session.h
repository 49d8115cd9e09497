#pragma once

#include <memory>

#include <QString>

#include "common/Outcome.h"
#include "common/Prompter.h"
#include "isp/core/FuseBoxes.h"
#include "isp/hardware/IspHardware.h"
#include "tollen/engine/TollenEngine.h"

// One run of the older edition without widgets: the hardware, the engine on
// it with its settings, and the flow of every chip command, written once for
// whichever client drives it.
namespace tollen {

// The dry run's chip: kept in one state file between runs, the last run's
// chip unless another is named, an ATmega8 the first time.
inline constexpr char kFirstSimulatedChip[] = "ATmega8";
inline constexpr char kSimulatedChipFile[] = "simulated-chip.state";

// The simulated bench of this edition: its cable with the presence loop and
// one state file. `device` names the chip to put in (empty: the stored one).
// The delays wait for real, as they would on the cable.
rindle::SimulationSetup SimulatedCable(const QString &device, const QString &stateFile);

class Session {
public:
  // A run of the program on the hardware the factory made; the settings
  // live in settingsPath (empty: none are read or written).
  Session(std::unique_ptr<rindle::IspHardware> hardware, common::Prompter &prompter,
          const QString &settingsPath);
  // The commands on an engine and its hardware owned elsewhere.
  Session(TollenEngine &engine, common::Prompter &prompter);
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  TollenEngine &Engine() { return e_; }
  const TollenEngine &Engine() const { return e_; }
  common::Prompter &Prompter() { return prompter_; }

  // ---- Run ----
  // Buffer, defaults, the settings and the program file they name, the cable
  // looked for.
  void Start();
  // The settings written, the timer given back.
  void Finish();
  // Selects the device of a list row; false (nothing changes) for the
  // separator. Another device starts from a fresh fuse state.
  bool SelectDevice(int row);
  // Asks a running command to stop at its next progress point.
  void Cancel() { e_.CancelRequested = true; }

  // ---- Chip commands ----
  // Each is refused after a signature that did not match when the user did
  // not want to go on (nothing said), and ends with the target released.
  // The fuse and lock bytes a write takes are `fuses`, put in place once the
  // device check passed: the factory fuses stand in for bytes that program
  // nothing, and fuses that end serial programming are asked about (a No
  // refuses the command without a word).
  common::Outcome Read(common::Progress &progress);
  common::Outcome Write(const rindle::FuseBoxes::Bytes &fuses, common::Progress &progress);
  common::Outcome Verify(common::Progress &progress);
  // Reads the signature (and the AT89S5x lock bits); no device check. The
  // signature bytes are worth showing when the outcome is Ok and
  // SignatureMatched().
  common::Outcome Signature(common::Progress &progress);
  bool SignatureMatched() const;
  // Refused with a message when no lock bit the device offers is chosen and
  // it has no fuse bytes.
  common::Outcome WriteLockBits(const rindle::FuseBoxes::Bytes &fuses, common::Progress &progress);

  // The device has fuse bytes, which Write and Write LBs program too.
  bool HasFuseBytes() const;
  // The third lock box is offered.
  bool ThirdLockBitOffered() const;

private:
  // The device check: true when the command may go on.
  bool DeviceChecked();
  // False when the user said No to the fuses.
  bool TakeFuseBytes(const rindle::FuseBoxes::Bytes &fuses, const QString &caption);
  // Reports progress and lets events run through `progress` while the engine works.
  class Reporting;
  // A long engine operation in a progress report; false when it was cancelled.
  template <class Operation>
  bool Run(common::Progress &progress, const QString &title, qint64 total, Operation operation);

  std::unique_ptr<rindle::IspHardware> hardware_;
  std::unique_ptr<TollenEngine> ownEngine_;
  TollenEngine &e_;
  common::Prompter &prompter_;
};

} // namespace tollen
