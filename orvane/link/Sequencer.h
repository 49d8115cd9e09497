#pragma once

#include "common/Outcome.h"
#include "common/Prompter.h"
#include "orvane/link/ComDataPacket.h"
#include "orvane/link/ComPort.h"
#include "orvane/link/SequencerHost.h"
#include "orvane/link/StepTimer.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

namespace orvane {

class LoaderCore;

// The chip functions, by their index in the function list.
enum Function {
  kErase = 0,
  kBlankCheck = 1,
  kProgram = 2,
  kVerify = 3,
  kLock = 4,
  kRead = 5,
  kSignature = 6,
  kAutoProgram = 7
};

// The items of the function list, in index order.
QStringList FunctionNames();

// The steps of the chains, by the value StepState holds while each runs.
// Timer steps send their command and are judged on ticks; the others send
// and read at once.
struct Step {
  enum Id : int {
    None = 0,
    DetectHardware = 1,  // timer: CR, the greeting at the first tick
    DetectChip = 2,      // inline: "g", the chip name
    Erase = 3,           // inline: "e"
    BlankCheck = 4,      // timer: "p", the used-byte count, up to 51 ticks
    Lock = 5,            // inline: "l"
    ChipSize = 6,        // timer: "b", the chip size at the first tick
    SetReadCounter = 7,  // inline: "s", the counter's digits, LF
    ReadData = 8,        // timer: "r", the chip's bytes, up to 51 ticks
    WriteData = 9,       // timer: "w", then the image bytes at the first tick
    SetWriteCounter = 10 // inline: as SetReadCounter
  };
};

// Runs the chip functions as chains of command/reply steps with the
// programmer hardware, on the owner's thread with one step timer. Timer steps
// send their command and are evaluated on ticks; inline steps send and wait
// for the reply at once, blocking the thread, and start the next step from
// within themselves. Every outcome goes to the status log through the host.
class Sequencer : public QObject {
  Q_OBJECT

public:
  static constexpr int kTickMs = 2000;
  // How long an inline wait may go without a byte from the hardware before
  // the function is given up: far beyond a slow chip erase.
  static constexpr int kInlineSilenceMs = 30000;

  // The port and the splitter are bound here: packets reach Algo1_RxPacket
  // while the current model speaks protocol "1". Without a step timer the
  // sequencer ticks on the event loop.
  Sequencer(LoaderCore &core, ComPort &port, ComDataPacket &packets, SequencerHost &host,
            common::Prompter &prompter, QObject *parent = nullptr,
            std::unique_ptr<StepTimer> stepTimer = nullptr);

  // The step timer's interval; the chip-size step waits five of them.
  void SetTickInterval(int ms);
  int TickInterval() const { return tickMs_; }
  void SetInlineSilenceLimit(int ms) { inlineSilenceMs_ = ms; }

  bool Busy() const { return busy_; }

  // Where the byte transfers of writing and reading report their progress.
  void SetProgress(common::Progress *progress) { progress_ = progress; }
  // A chip other than this one (by its database name, case-blind) stops the
  // function when it is detected, before anything reaches it. Empty: any
  // chip the database knows.
  void SetExpectedDevice(const QString &name) { expectedDevice_ = name; }

  // Runs function (an index of FunctionNames()). False when it did not
  // start: a function is running, or the file to reload or the image is not
  // fit to send (LastOutcome() says which).
  bool ExecuteFunction(int function);
  // How the last function ended (or why it did not start).
  const common::Outcome &LastOutcome() const { return outcome_; }
  void Algo1_Init();
  void Algo1_Lookup();
  void Algo1_Start(const QByteArray &command, const QString &message, int resume, int state);
  void Algo1_End(const QString &message = QString());
  void Algo1_ResetBuffer();
  void Algo1_RxPacket(const QByteArray &packet);
  void Algo1_Timer1Timer();
  void GlobalAlgoEnd();
  // A packet from the splitter: passed on while the model speaks protocol "1".
  void ComDataPacket1Packet(const QByteArray &packet);

  // Sequencer state, readable for the window and for tests.
  int Function = -1; // the running function's index
  int StepState = 0;
  int ResumeIndex = -1;
  QByteArray ReplyText;
  int PacketCount = 0;
  bool StepSucceeded = false;
  int TickCount = 0;

  const StepTimer &Algo1_Timer1() const { return *timer_; }

  // One link of a function's chain.
  struct Link;

private:
  bool protocolOne() const;
  // Loads the last file again; false, with the load's message shown, when
  // it no longer loads.
  bool reloadFile();
  // Ends the function when the hardware stays silent or the link fails
  // during an inline wait; true when the wait found its character.
  bool awaited(ComPort::WaitResult result);
  bool sent(const QByteArray &bytes);
  void linkLost();
  void finish();
  // A result line, kept as the function's last word.
  void resultLine(const QString &text);
  // The function ends on a failure (the first one counts).
  void fail(common::Outcome outcome);
  void beginProgress(const QString &title, qint64 total);
  // The read's bar: the dump received so far, `waiting` bytes of it not
  // yet cut into a packet.
  void readProgress(qsizetype waiting);
  void endProgress();
  bool applies(const Link &link) const;
  // Runs the links of the selected function's chain from position at on:
  // starts the first step that applies, or compares after a read-back.
  void continueChain(int function, std::size_t at);
  // Compares the chip's bytes with the image; false (function ended) on a
  // difference.
  bool compareWithImage();

  void stepDetectHardware();
  void stepDetectChip();
  void stepErase();
  void stepBlankCheck();
  void stepLock();
  void stepChipSize();
  void stepCounter();
  void stepReadData();
  void stepWriteData();

  LoaderCore &core_;
  ComPort &port_;
  ComDataPacket &packets_;
  SequencerHost &host_;
  common::Prompter &prompter_;
  std::unique_ptr<StepTimer> timer_;
  // The running step's place in its chain; a function may run one step
  // twice.
  std::size_t chainPos_ = 0;
  int tickMs_ = kTickMs;
  int inlineSilenceMs_ = kInlineSilenceMs;
  bool busy_ = false;
  common::Progress *progress_ = nullptr;
  bool progressOpen_ = false;
  QString expectedDevice_;
  // How the running function goes: its last result line, whether its chain
  // came to its end, and its failure.
  QString lastResult_;
  bool completed_ = false;
  std::optional<common::Outcome> failure_;
  common::Outcome outcome_;
};

} // namespace orvane
