#include <algorithm>

#include "rindle/engine/ChipAccess.h"
#include "isp/core/FuseGuard.h"
#include "isp/core/Instructions.h"

namespace rindle {

namespace {

bool Requested(const FuseState &f, int bit) { return (f.LockBits & (1u << bit)) != 0; }

// Sends the AVR fuse or lock write the slots hold, with its wait.
void SendAvr(IspEngine &e) {
  e.Transfer4();
  e.TickDelay(isp::avr::kFuseLockWriteTicks);
}

void SendAvrIf(IspEngine &e, bool requested, void (*build)(IspSlots &)) {
  if (requested) {
    build(e.InstructionBytes);
    SendAvr(e);
  }
}

// The AT89S51/52 and AT89S53/8252 lock bits: each step in a programming mode
// of its own. Every entry is checked, so that a chip lost on the way is never
// sent its later lock bits with the buffer off and reported as done.
void WriteLockBits89(IspEngine &e, bool shortForm) {
  for (int n = 1; n <= 3; ++n) {
    if (n > 1) {
      e.ReleaseTarget();
    }
    if (shortForm) {
      e.EnterProgramming89Short();
    } else {
      e.EnterProgramming89();
    }
    if (!e.ChipResponded) {
      return; // the enable's message stands
    }
    if (!Requested(e.Fuses, n - 1)) {
      continue;
    }
    if (shortForm) {
      isp::at89s8252::WriteLockBit(e.InstructionBytes, n);
      e.Transfer3();
      e.TickDelay(isp::at89s8252::kLockWriteTicks);
    } else {
      isp::at89s51::WriteLockBit(e.InstructionBytes, n);
      e.Transfer4();
      e.TickDelay(isp::at89s51::kLockWriteTicks);
    }
  }
  e.ResultText = QStringLiteral("OK");
}

// The device's default fuse values in place of the fuse state's: the low
// byte always, the high and extended bytes where the device has them.
void PutDefaultFuses(IspEngine &e) {
  const DeviceEntry *entry = e.CurrentDevice();
  if (entry == nullptr || !entry->defaults.low) {
    return;
  }
  const FuseDefaults &d = entry->defaults;
  e.Fuses.FuseLow = *d.low;
  if (e.Device.FuseCount >= 2 && d.high) {
    e.Fuses.FuseHigh = *d.high;
  }
  if (e.Device.FuseCount >= 3 && d.extended) {
    e.Fuses.FuseExtended = *d.extended;
  }
}

} // namespace

void IspEngine::WriteLockBits() {
  const DeviceEntry *entry = CurrentDevice();
  const LockWriter writer = entry != nullptr ? entry->lockWriter : LockWriter::At89S51;
  if (writer == LockWriter::At89S51 || writer == LockWriter::At89S8252) {
    WriteLockBits89(*this, writer == LockWriter::At89S8252);
    return;
  }
  EnterProgramming();
  if (!ChipResponded) {
    return;
  }
  const bool lb1 = Requested(Fuses, 0);
  const bool lb2 = Requested(Fuses, 1);
  switch (writer) {
  case LockWriter::At89S8253:
    isp::at89s8253::WriteUserFuses(InstructionBytes, Fuses.FuseLow);
    Transfer4();
    TickDelay(isp::at89s8253::kFuseLockWriteTicks);
    isp::at89s8253::WriteLockBits(InstructionBytes, Fuses.LockBits);
    Transfer4();
    TickDelay(isp::at89s8253::kFuseLockWriteTicks);
    break;
  case LockWriter::At90SLocks:
    SendAvrIf(*this, lb1, isp::avrbyte::WriteLockBit1);
    SendAvrIf(*this, lb2, isp::avrbyte::WriteLockBit2);
    break;
  case LockWriter::At90S8535:
    isp::avrbyte::WriteFstrt(InstructionBytes, Requested(Fuses, 2));
    SendAvr(*this);
    SendAvrIf(*this, lb1, isp::avrbyte::WriteLockBit1Alt);
    SendAvrIf(*this, lb2, isp::avrbyte::WriteLockBit2Alt);
    break;
  case LockWriter::At90S4433:
    isp::avrbyte::WriteFuse4433(InstructionBytes, Fuses.FuseLow);
    SendAvr(*this);
    SendAvrIf(*this, lb1, isp::avrbyte::WriteLockBit1Alt);
    SendAvrIf(*this, lb2, isp::avrbyte::WriteLockBit2Alt);
    break;
  case LockWriter::TinyByteMode:
    isp::avrbyte::WriteFuseByte(InstructionBytes, Fuses.FuseLow);
    SendAvr(*this);
    isp::avrbyte::WriteTinyLockBits(InstructionBytes, Fuses.LockBits);
    SendAvr(*this);
    break;
  case LockWriter::PageMode: {
    const std::uint16_t values[] = {Fuses.FuseLow, Fuses.FuseHigh, Fuses.FuseExtended};
    void (*const writers[])(IspSlots &, std::uint16_t) = {
        isp::avrpage::WriteFuseLow, isp::avrpage::WriteFuseHigh, isp::avrpage::WriteFuseExtended};
    const int count = std::min<int>(Device.FuseCount, 3);
    for (int k = 0; k < count; ++k) {
      writers[k](InstructionBytes, values[k]);
      SendAvr(*this);
    }
    isp::avrpage::WriteLockByte(InstructionBytes, Fuses.LockByte, Fuses.LockBits);
    SendAvr(*this);
    break;
  }
  case LockWriter::At89S51:
  case LockWriter::At89S8252: break;
  }
  ResultText = QStringLiteral("OK");
}

void IspEngine::EraseChip() {
  ResultText.clear();
  EraseOnly = true;
  chip::RunProgramRoutine(*this);
  EraseOnly = false;
  if (!ResultText.isEmpty()) {
    return; // no chip answered: the user's lock and fuse choices stay
  }
  // The erased chip has no lock bits left; it gets the default fuses.
  Fuses.LockBits = 0;
  PutDefaultFuses(*this);
  WriteLockBits();
  // A chip lost after the erase keeps its message: its fuses and lock
  // bits were not written.
  if (ChipResponded) {
    ResultText = QStringLiteral("OK");
  }
}

void IspEngine::ApplyDefaultFuses() {
  const DeviceEntry *entry = CurrentDevice();
  if (entry != nullptr && PutDefaultFusesInPlace(*entry, Fuses)) {
    Fuses.LockByte = 0xFF;
  }
}

void IspEngine::StoreCalibrationBytes() {
  const std::uint32_t count = std::min<std::uint32_t>(Device.CalibrationCount, 4);
  if (count <= 1) {
    return;
  }
  const chip::Layout layout = chip::LayoutOf(*this);
  const auto store = [&](std::uint32_t end) {
    if (end < count) {
      return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      Buffer.cells[end - count + i] = static_cast<std::uint8_t>(CalibrationBytes[i]);
    }
  };
  if (SaveOscCalToFlash) {
    store(layout.flash);
  }
  if (SaveOscCalToEeprom && layout.eeprom > 0) {
    store(layout.flash + layout.eeprom);
  }
}

} // namespace rindle
