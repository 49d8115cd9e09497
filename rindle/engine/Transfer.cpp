#include "rindle/engine/IspEngine.h"

namespace rindle {

void IspEngine::ShiftByte() { lines_.Transfer(InstructionBytes, ResponseBytes, 1); }

void IspEngine::Transfer3() { lines_.Transfer(InstructionBytes, ResponseBytes, 3); }

void IspEngine::Transfer4() { lines_.Transfer(InstructionBytes, ResponseBytes, 4); }

void IspEngine::TimerSetup() { timer_.TimerSetup(); }

void IspEngine::TimerRestore() { timer_.TimerRestore(); }

} // namespace rindle
