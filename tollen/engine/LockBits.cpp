#include "tollen/engine/TollenEngine.h"

#include "isp/core/FuseGuard.h"
#include "isp/core/Instructions.h"
#include "tollen/engine/ReportText.h"

namespace tollen {

namespace isp = rindle::isp;

namespace {

constexpr std::uint16_t kLockBit1 = 0x01;
constexpr std::uint16_t kLockBit2 = 0x02;
constexpr std::uint16_t kLockBit3 = 0x04; // FSTRT on the AT90S8535

// The lock byte as the fuse dialog built it keeps its two top bits
// unprogrammed.
constexpr std::uint16_t kDialogLockTop = 0xC0;

void SetBit(std::uint16_t &bits, std::uint16_t mask, bool on) {
  bits = static_cast<std::uint16_t>(on ? bits | mask : bits & ~mask);
}

} // namespace

void TollenEngine::WriteLockBits() {
  const DeviceInfo *d = CurrentDevice();
  if (d == nullptr) {
    return;
  }
  switch (d->kind) {
  case DeviceKind::At89FourByte:
  case DeviceKind::At89ThreeByte: WriteLockBits89(*d); return;
  case DeviceKind::AvrByteWise: WriteLockBitsAvrByte(*d); return;
  case DeviceKind::AvrPaged: WriteLockBitsAvrPaged(*d); return;
  }
}

// One enable per lock bit, the target released between them.
void TollenEngine::WriteLockBits89(const DeviceInfo &d) {
  const bool fourByte = d.kind == DeviceKind::At89FourByte;
  for (int n = 1; n <= 3; ++n) {
    if (n > 1) {
      ReleaseTarget();
    }
    if (fourByte) {
      EnterProgramming89();
    } else {
      EnterProgramming89Short();
    }
    if (!ChipResponded) {
      return; // released by the enable
    }
    if ((LockBits & (1u << (n - 1))) == 0) {
      continue;
    }
    if (fourByte) {
      isp::at89s51::WriteLockBit(InstructionBytes, n);
      Transfer4();
      TickDelay(ticks::k1ms);
    } else {
      isp::at89s8252::WriteLockBit(InstructionBytes, n);
      Transfer3();
      TickDelay(ticks::k3ms);
    }
  }
  ResultText = QString::fromLatin1(report::kOk);
  ReleaseTarget();
}

void TollenEngine::ApplyDefaultFuses() {
  const DeviceInfo *device = FindDevice(DeviceIndex);
  rindle::FuseState fuses = FuseChoices();
  if (device == nullptr || !rindle::PutDefaultFusesInPlace(*device->record, fuses)) {
    return;
  }
  FuseLow = fuses.FuseLow;
  FuseHigh = fuses.FuseHigh;
  FuseExtended = fuses.FuseExtended;
}

void TollenEngine::WriteLockBitsAvrByte(const DeviceInfo &d) {
  EnterProgrammingAvr();
  if (!ChipResponded) {
    return;
  }
  auto &s = InstructionBytes;
  const auto send = [this](void (*build)(rindle::IspSlots &)) {
    build(InstructionBytes);
    Transfer4();
    TickDelay(ticks::k5ms);
  };
  const bool blank = BlankBuffer();
  const rindle::FuseDefaults &factory = d.record->defaults;
  bool locks = true;
  switch (d.record->lockWriter) {
  case rindle::LockWriter::At90S4433:
    if (blank) {
      FuseLow = *factory.low;
    }
    isp::avrbyte::WriteFuse4433(s, FuseLow);
    Transfer4();
    TickDelay(ticks::k5ms);
    locks = !blank;
    break;
  case rindle::LockWriter::At90S8535:
    isp::avrbyte::WriteFstrt(s, (LockBits & kLockBit3) != 0);
    Transfer4();
    TickDelay(ticks::k5ms);
    locks = !blank;
    break;
  default: break;
  }
  if (locks) {
    const bool ownCodes = d.rules->at90sLockCodes;
    if (LockBits & kLockBit1) {
      send(ownCodes ? isp::avrbyte::WriteLockBit1 : isp::avrbyte::WriteLockBit1Alt);
    }
    if (LockBits & kLockBit2) {
      send(ownCodes ? isp::avrbyte::WriteLockBit2 : isp::avrbyte::WriteLockBit2Alt);
    }
  }
  ResultText = QString::fromLatin1(report::kOk);
  ReleaseTarget();
}

void TollenEngine::WriteLockBitsAvrPaged(const DeviceInfo &d) {
  const std::uint16_t wait = d.rules->fuseWaitTicks;
  if (d.rules->releaseBeforeFuses) {
    ReleaseTarget();
  }
  EnterProgrammingAvr();
  if (!ChipResponded) {
    return;
  }
  auto &s = InstructionBytes;
  const bool blank = BlankBuffer();
  const rindle::FuseDefaults &factory = d.record->defaults;
  if (blank) {
    FuseLow = *factory.low;
  }
  isp::avrpage::WriteFuseLow(s, FuseLow);
  Transfer4();
  TickDelay(wait);
  if (blank) {
    FuseHigh = *factory.high;
  }
  isp::avrpage::WriteFuseHigh(s, FuseHigh);
  Transfer4();
  TickDelay(wait);
  if (!blank) {
    if (d.rules->lockByteFromDialog) {
      // The lock byte as the fuse dialog built it, lock bits included.
      isp::avrpage::WriteLockByte(s, LockByte | kDialogLockTop,
                                  static_cast<std::uint16_t>(~LockByte & 0x03));
    } else {
      isp::avrpage::WriteLockByte(s, 0xFF, LockBits);
    }
    Transfer4();
    TickDelay(wait);
  }
  ResultText = QString::fromLatin1(report::kOk);
  ReleaseTarget();
}

void TollenEngine::ReadAvrFusesAndLocks(const DeviceInfo &d) {
  auto &s = InstructionBytes;
  const auto answer = [this] {
    Transfer4();
    return static_cast<std::uint8_t>(ResponseBytes[isp::avr::kAnswerSlot]);
  };
  const rindle::SignatureReadBack &r = d.record->readBack;
  // Where the chip answers its lock bits (0 = programmed).
  const auto takeLockBits = [&](std::uint8_t lock) {
    const std::uint16_t masks[] = {kLockBit1, kLockBit2, kLockBit3};
    for (std::size_t k = 0; k < 3; ++k) {
      if (r.lockAnswerBits[k] >= 0) {
        SetBit(LockBits, masks[k], (lock & (1u << r.lockAnswerBits[k])) == 0);
      }
    }
  };
  switch (r.kind) {
  case rindle::ReadBackKind::FuseByte: {
    isp::avrbyte::ReadFuse(s);
    FuseLow = answer();
    isp::avrbyte::ReadLockBits(s);
    takeLockBits(answer());
    return;
  }
  case rindle::ReadBackKind::PageMode: {
    isp::avrpage::ReadFuseLow(s);
    FuseLow = answer();
    isp::avrpage::ReadFuseHigh(s);
    FuseHigh = answer();
    for (int i = 0; i < d.record->calibrationCount; ++i) {
      isp::avrpage::ReadCalibration(s, i);
      CalibrationBytes[static_cast<std::size_t>(i)] = answer();
    }
    isp::avrpage::ReadLockByte(s);
    const std::uint8_t lock = answer();
    takeLockBits(lock);
    if (r.keepLockByte) {
      LockByte = lock;
    }
    return;
  }
  default: return; // nothing more to read
  }
}

void TollenEngine::ReadSignature() {
  const DeviceInfo *d = CurrentDevice();
  if (d == nullptr) {
    return;
  }
  if (d->kind == DeviceKind::At89ThreeByte) {
    ResultText = QString::fromLatin1(report::kNoSignature);
    return;
  }
  EnterProgramming();
  if (!ChipResponded) {
    return;
  }
  const bool at89 = d->kind == DeviceKind::At89FourByte;
  std::uint8_t bytes[3];
  for (int i = 0; i < 3; ++i) {
    if (at89) {
      isp::at89s51::ReadSignature(InstructionBytes, i);
    } else {
      isp::avrbyte::ReadSignature(InstructionBytes, i);
    }
    Transfer4();
    bytes[i] = static_cast<std::uint8_t>(ResponseBytes[3]);
    SignatureBytes[static_cast<std::size_t>(i)] = bytes[i];
  }
  ReadSignatureValue = (bytes[0] << 16) | (bytes[1] << 8) | bytes[2];
  if (SignatureOnly) {
    ReleaseTarget();
    return;
  }
  if (ReadSignatureValue != ExpectedSignature) {
    ReleaseTarget();
    ResultText = report::SignatureMismatch(bytes);
    return;
  }
  if (at89) {
    isp::at89s51::ReadLockBits(InstructionBytes);
    Transfer4();
    const auto lock = static_cast<std::uint8_t>(ResponseBytes[isp::at89s51::kAnswerSlot]);
    SignatureBytes[3] = lock;
    LockBits = static_cast<std::uint16_t>((lock >> isp::at89s51::kLockBitsShift) & 0x07);
  } else {
    ReadAvrFusesAndLocks(*d);
  }
  ReleaseTarget();
  ResultText = at89 ? report::At89SignatureAndLocks(d->reportName, bytes, LockBits)
                    : report::AvrSignature(d->reportName, bytes);
}

} // namespace tollen
