#include "tollen/engine/TollenEngine.h"

#include "isp/core/Instructions.h"

namespace tollen {

namespace isp = rindle::isp;

namespace {

// Waits of the enables, in 25 ms units, before the enable instruction.
constexpr int kAvrSettleWaits = 10;
constexpr int kAt89SettleWaits = 3;
constexpr int kAt89ShortSettleWaits = 2;
constexpr int kReleaseWaits = 10;

// The three printer ports, in the order they are tried.
constexpr std::uint16_t kCandidates[] = {rindle::kLpt1Base, rindle::kLpt2Base, rindle::kLpt3Base};

} // namespace

TollenEngine::TollenEngine(common::IoPort &port, common::TickTimer &timer)
    : port_(port), timer_(timer), lines_(port, timer, Port, kBitTiming) {
  Port.PortBase = kPortNotSet;
}

void TollenEngine::Wait(std::uint16_t count, int times) {
  for (int i = 0; i < times; ++i) {
    TickDelay(count);
  }
}

void TollenEngine::ReleaseTarget() {
  Port.DataPortValue = Port.BenMask;
  lines_.WriteDataPort();
  Wait(ticks::k25ms, kReleaseWaits);
}

void TollenEngine::Transfer3() { lines_.Transfer(InstructionBytes, ResponseBytes, 3); }

void TollenEngine::Transfer4() { lines_.Transfer(InstructionBytes, ResponseBytes, 4); }

void TollenEngine::Say(const QString &text) {
  if (Messages != nullptr) {
    Messages->message(QStringLiteral(" Tollen"), text, common::Prompter::Icon::None);
  }
}

void TollenEngine::DetectProgrammer() {
  if (Port.PortBase != kPortNotSet) {
    // A stored port is taken untested; only a port that cannot be had is
    // worth a word, with the reason.
    const common::PortReach reach = lines_.OpenPort();
    if (!reach.ok) {
      Say(QString::fromStdString(reach.reason));
    }
    return;
  }
  for (const std::uint16_t candidate : kCandidates) {
    Port.PortBase = candidate;
    if (!lines_.OpenPort().ok) {
      continue; // a port that cannot be had carries no cable for us
    }
    const auto status = static_cast<std::uint16_t>(candidate + rindle::kStatusOffset);
    lines_.SetLine(kLoopOutMask, 0);
    lines_.WriteDataPort();
    const bool highSeen = (port_.Inp32(status) & kLoopInMask) != 0;
    lines_.ClearLine(kLoopOutMask, 0);
    lines_.WriteDataPort();
    const bool lowSeen = (port_.Inp32(status) & kLoopInMask) == 0;
    if (highSeen && lowSeen) {
      return;
    }
  }
  Port.PortBase = rindle::kLpt1Base;
  const common::PortReach reach = lines_.OpenPort();
  QString text = QString::fromLatin1(kNoCableText);
  if (!reach.ok) {
    text += QStringLiteral("\r\r") + QString::fromStdString(reach.reason);
  }
  Say(text);
}

void TollenEngine::HoldInReset(bool resetHigh, int settleWaits) {
  lines_.ClearLine(Port.BenMask, 0);
  lines_.ClearLine(Port.SckMask, 0);
  lines_.ClearLine(Port.MosiMask, 0);
  if (resetHigh) {
    lines_.SetLine(Port.RstMask, 0);
  } else {
    lines_.ClearLine(Port.RstMask, 0);
  }
  lines_.WriteDataPort();
  Wait(ticks::k25ms, settleWaits);
}

void TollenEngine::EnableAnswered(bool answered) {
  ChipResponded = answered;
  if (!answered) {
    ResultText = QString::fromLatin1(kNoResponseText);
    ReleaseTarget();
  }
}

void TollenEngine::EnterProgrammingAvr() {
  HoldInReset(false, kAvrSettleWaits);
  isp::avr::ProgrammingEnable(InstructionBytes);
  Transfer4();
  // Some chips give no echo to check.
  const DeviceInfo *d = CurrentDevice();
  EnableAnswered((d != nullptr && !d->record->enableAnswerChecked) ||
                 ResponseBytes[isp::avr::kEchoSlot] == isp::kEnableEcho);
}

void TollenEngine::EnterProgramming89() {
  HoldInReset(true, kAt89SettleWaits);
  isp::at89s51::ProgrammingEnable(InstructionBytes);
  Transfer4();
  TickDelay(ticks::k25ms);
  EnableAnswered(ResponseBytes[isp::at89s51::kAnswerSlot] == isp::at89s51::kEnableAnswer);
}

void TollenEngine::EnterProgramming89Short() {
  HoldInReset(true, kAt89ShortSettleWaits);
  isp::at89s8252::ProgrammingEnable(InstructionBytes);
  Transfer3();
  TickDelay(ticks::k25ms);
  EnableAnswered(true); // these chips give no answer to check
}

void TollenEngine::EnterProgramming() {
  const DeviceInfo *d = CurrentDevice();
  if (d == nullptr) {
    ChipResponded = false;
    return;
  }
  switch (d->kind) {
  case DeviceKind::At89FourByte: EnterProgramming89(); return;
  case DeviceKind::At89ThreeByte: EnterProgramming89Short(); return;
  case DeviceKind::AvrByteWise:
  case DeviceKind::AvrPaged: EnterProgrammingAvr(); return;
  }
}

} // namespace tollen
