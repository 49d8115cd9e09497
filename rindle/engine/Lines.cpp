#include "rindle/engine/IspEngine.h"

#include "isp/core/Instructions.h"

namespace rindle {

IspEngine::IspEngine(common::IoPort &port, common::TickTimer &timer)
    : timer_(timer), lines_(port, timer, Port, kIspBitTiming) {}

void IspEngine::Wait100ms() {
  for (int i = 0; i < isp::kWaitsPer100ms; ++i) {
    TickDelay(isp::kTicks10ms);
  }
}

void IspEngine::ReleaseTarget() {
  SetLine(Port.BenMask, Port.BenInvert);
  WriteDataPort();
  lines_.WriteControlPort(Port.ControlPortValue);
  Wait100ms();
}

void IspEngine::HoldReset() {
  ClearLine(Port.BenMask, Port.BenInvert);
  SetLine(Port.SckMask, Port.SckInvert);
  if (IsAt89SFamily()) {
    SetLine(Port.RstMask, Port.RstInvert);
  } else {
    ClearLine(Port.RstMask, Port.RstInvert);
  }
  WriteDataPort();
}

void IspEngine::ReleaseReset() {
  SetLine(Port.BenMask, Port.BenInvert);
  ClearLine(Port.RstMask, Port.RstInvert);
  ClearLine(Port.SckMask, Port.SckInvert);
  WriteDataPort();
}

void IspEngine::ApplyPortOptions() {
  // The preset is kept as typed; only what goes to the port has the
  // inverted lines flipped.
  const std::uint16_t written = Port.DataPortValue ^ Port.SckInvert ^ Port.MosiInvert ^
                                Port.RstInvert ^ Port.BenInvert ^ Port.SsInvert;
  const std::uint16_t kept = Port.DataPortValue;
  OpenPort();
  Port.DataPortValue = written;
  WriteDataPort();
  Port.DataPortValue = kept;
  lines_.WriteControlPort(Port.ControlPortValue);
}

void IspEngine::DefaultPortOptions() {
  Port = PortSettings{};
  Port.DataPortValue = kDefaultDataPortPreset;
  OpenPort();
  WriteDataPort();
  lines_.WriteControlPort(Port.ControlPortValue);
}

} // namespace rindle
