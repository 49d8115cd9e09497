#include <algorithm>

#include "common/HexText.h"
#include "rindle/engine/ChipAccess.h"
#include "isp/core/Instructions.h"

namespace rindle {

namespace {

// Sends the four-byte instruction the slots hold and returns its answer.
std::uint8_t Ask(IspEngine &e) {
  e.Transfer4();
  return static_cast<std::uint8_t>(e.ResponseBytes[3]);
}

// An AVR lock bit reading 0 asks for that lock bit; one reading 1 does not.
void TakeLockBit(FuseState &f, std::uint8_t answer, int answerBit, int lockBit) {
  const auto mask = static_cast<std::uint16_t>(1u << lockBit);
  if ((answer & (1u << answerBit)) == 0) {
    f.LockBits |= mask;
  } else {
    f.LockBits &= static_cast<std::uint16_t>(~mask);
  }
}

// The lock answer's bits that hold LB1, LB2 and the third lock box's bit.
void TakeLockBits(FuseState &f, std::uint8_t answer, const SignatureReadBack &r) {
  for (int lockBit = 0; lockBit < 3; ++lockBit) {
    const int answerBit = r.lockAnswerBits[static_cast<std::size_t>(lockBit)];
    if (answerBit >= 0) {
      TakeLockBit(f, answer, answerBit, lockBit);
    }
  }
}

void ReadFusesAndLocks(IspEngine &e, const SignatureReadBack &r) {
  FuseState &f = e.Fuses;
  switch (r.kind) {
  case ReadBackKind::At89SLockBits: {
    isp::at89s51::ReadLockBits(e.InstructionBytes);
    const std::uint8_t locks = Ask(e);
    e.SignatureBytes[3] = locks;
    f.LockBits = static_cast<std::uint16_t>((locks >> isp::at89s51::kLockBitsShift) & 0x07);
    break;
  }
  case ReadBackKind::At89S8253: {
    isp::at89s8253::ReadLockBits(e.InstructionBytes);
    const std::uint8_t locks = Ask(e);
    e.SignatureBytes[3] = locks;
    f.LockBits = static_cast<std::uint16_t>(~locks & 0x07);
    isp::at89s8253::ReadUserFuses(e.InstructionBytes);
    f.FuseLow = Ask(e);
    break;
  }
  case ReadBackKind::None: break;
  case ReadBackKind::FuseByte: {
    isp::avrbyte::ReadFuse(e.InstructionBytes);
    f.FuseLow = Ask(e);
    isp::avrbyte::ReadLockBits(e.InstructionBytes);
    const std::uint8_t locks = Ask(e);
    TakeLockBits(f, locks, r);
    if (r.keepLockByte) {
      f.LockByte = locks;
    }
    break;
  }
  case ReadBackKind::PageMode: {
    isp::avrpage::ReadFuseLow(e.InstructionBytes);
    f.FuseLow = Ask(e);
    isp::avrpage::ReadFuseHigh(e.InstructionBytes);
    f.FuseHigh = Ask(e);
    if (r.fuseBytes >= 3) {
      isp::avrpage::ReadFuseExtended(e.InstructionBytes);
      f.FuseExtended = Ask(e);
    }
    isp::avrpage::ReadLockByte(e.InstructionBytes);
    const std::uint8_t locks = Ask(e);
    TakeLockBits(f, locks, r);
    if (r.keepLockByte) {
      f.LockByte = locks;
    }
    break;
  }
  }
}

// The report's first line, then the bytes read with the device's gap.
QString Report(const IspEngine &e, const DeviceEntry &entry) {
  namespace hex = common::hex;
  const auto text = [](std::string_view v) {
    return QString::fromLatin1(v.data(), static_cast<qsizetype>(v.size()));
  };
  const QString gap = text(entry.reportGap);
  QString report = text(entry.reportHeader) + QLatin1String("\r\rSignature     ");
  for (int k = 0; k < entry.signatureCount; ++k) {
    if (k > 0) {
      report += gap;
    }
    report += hex::Text(e.SignatureBytes[static_cast<std::size_t>(k)], 2);
  }
  return report;
}

} // namespace

void IspEngine::ReadSignature() {
  ReadSignatureValue = 0;
  const DeviceEntry *entry = CurrentDevice();
  if (entry == nullptr) {
    return;
  }
  const IspFamily family = entry->family;
  if (entry->signatureCount == 0) {
    ResultText = QStringLiteral("Signature info not available in serial mode");
    return;
  }
  EnterProgramming();
  if (!ChipResponded) {
    return;
  }
  const int count = entry->signatureCount;
  for (int k = 0; k < count; ++k) {
    switch (family) {
    case IspFamily::At89S8253: isp::at89s8253::ReadSignature(InstructionBytes, k); break;
    case IspFamily::AvrByteMode: isp::avrbyte::ReadSignature(InstructionBytes, k); break;
    case IspFamily::AvrPageMode: isp::avrpage::ReadSignature(InstructionBytes, k); break;
    default: isp::at89s51::ReadSignature(InstructionBytes, k); break;
    }
    SignatureBytes[static_cast<std::size_t>(k)] = Ask(*this);
  }
  ReadSignatureValue = 0;
  for (int k = 0; k < count; ++k) {
    ReadSignatureValue = ReadSignatureValue * 256 + SignatureBytes[static_cast<std::size_t>(k)];
  }

  const int calibration = std::min<int>(Device.CalibrationCount, 4);
  for (int k = 0; k < calibration; ++k) {
    if (family == IspFamily::AvrByteMode) {
      isp::avrbyte::ReadCalibration(InstructionBytes);
    } else if (family == IspFamily::AvrPageMode) {
      isp::avrpage::ReadCalibration(InstructionBytes, k);
    } else {
      break;
    }
    CalibrationBytes[static_cast<std::size_t>(k)] = Ask(*this);
  }

  if (SignatureOnly) {
    ReleaseTarget();
    return;
  }
  ReadFusesAndLocks(*this, entry->readBack);
  ReleaseTarget();
  ResultText = Report(*this, *entry);
}

} // namespace rindle
