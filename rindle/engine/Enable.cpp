#include "rindle/engine/IspEngine.h"

#include "isp/core/Instructions.h"

namespace rindle {

namespace {

// Each enable waits this many tries for the chip's answer.
constexpr int kEnableAttempts = 3;

} // namespace

void IspEngine::EnterProgrammingAvr() {
  isp::avr::ProgrammingEnable(InstructionBytes);
  ChipResponded = true;
  for (int attempt = 0; attempt < kEnableAttempts; ++attempt) {
    ClearLine(Port.BenMask, Port.BenInvert);
    ClearLine(Port.RstMask, Port.RstInvert);
    ClearLine(Port.SckMask, Port.SckInvert);
    WriteDataPort();
    Wait100ms();
    Transfer4();
    // Some chips give no echo to check.
    if (!EnableAnswerChecked() || ResponseBytes[isp::avr::kEchoSlot] == isp::kEnableEcho) {
      return;
    }
    ReleaseTarget();
  }
  ChipResponded = false;
  ResultText = QString::fromLatin1(kNoResponseText);
  ReleaseTarget();
}

void IspEngine::EnterProgramming89() {
  isp::at89s51::ProgrammingEnable(InstructionBytes);
  ChipResponded = true;
  for (int attempt = 0; attempt < kEnableAttempts; ++attempt) {
    ClearLine(Port.BenMask, Port.BenInvert);
    ClearLine(Port.SckMask, Port.SckInvert);
    SetLine(Port.RstMask, Port.RstInvert);
    WriteDataPort();
    Wait100ms();
    Transfer4();
    // Some chips are taken as answering.
    if (!EnableAnswerChecked() ||
        ResponseBytes[isp::at89s51::kAnswerSlot] == isp::at89s51::kEnableAnswer) {
      return;
    }
    ReleaseTarget();
  }
  ChipResponded = false;
  ResultText = QString::fromLatin1(kNoResponseText);
  ReleaseTarget();
}

void IspEngine::EnterProgramming89Short() {
  ClearLine(Port.BenMask, Port.BenInvert);
  ClearLine(Port.SckMask, Port.SckInvert);
  SetLine(Port.RstMask, Port.RstInvert);
  WriteDataPort();
  Wait100ms();
  isp::at89s8252::ProgrammingEnable(InstructionBytes);
  Transfer3();
  ChipResponded = true;
}

void IspEngine::EnterProgramming() {
  switch (Family()) {
  case IspFamily::At89S51:
  case IspFamily::At89S8253: EnterProgramming89(); return;
  case IspFamily::At89S8252: EnterProgramming89Short(); return;
  case IspFamily::AvrByteMode:
  case IspFamily::AvrPageMode: EnterProgrammingAvr(); return;
  }
}

} // namespace rindle
