#include <algorithm>

#include "common/HexText.h"
#include "rindle/engine/ChipAccess.h"
#include "rindle/isp/Instructions.h"

namespace rindle {

namespace {

// What a device's signature reader reads back besides the signature.
enum class ReadBack : std::uint8_t {
  At89S51,   // lock bits, 1 = programmed
  At89S8253, // lock bits, 0 = programmed, and the user fuses
  None,      // AT90S1200, AT90S2313, AT90S8515
  At90S4433, // fuse byte; LB1, LB2 in bits 1, 2
  At90S8535, // fuse byte; LB1, LB2, FSTRT in bits 7, 6, 0
  TinyByte,  // ATtiny12, ATtiny15: fuse byte, lock byte; LB1, LB2 in bits 1, 2
  PageMode,  // two or three fuse bytes, the lock byte; LB1, LB2 in bits 0, 1
};

struct Reader {
  ReadBack readBack;
  int fuseBytes;     // page mode: fuse bytes read back
  bool keepLockByte; // page mode: the lock byte read is stored in LockByte
};

Reader ReaderOf(const IspEngine &e) {
  switch (e.Device.DeviceIndex & 0xFF) {
  case device::kAt90S4433: return {ReadBack::At90S4433, 0, false};
  case device::kAt90S8535: return {ReadBack::At90S8535, 0, false};
  case device::kTiny12:
  case device::kTiny15: return {ReadBack::TinyByte, 0, true};
  case device::kTiny26: return {ReadBack::PageMode, 2, false};
  case device::kTiny2313: return {ReadBack::PageMode, 2, false};
  default: break;
  }
  switch (e.Family()) {
  case IspFamily::At89S51:
  case IspFamily::At89S8252: return {ReadBack::At89S51, 0, false};
  case IspFamily::At89S8253: return {ReadBack::At89S8253, 0, false};
  case IspFamily::AvrByteMode: return {ReadBack::None, 0, false};
  case IspFamily::AvrPageMode: break;
  }
  return {ReadBack::PageMode, e.Device.FuseCount >= 3 ? 3 : 2, true};
}

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

void ReadFusesAndLocks(IspEngine &e, const Reader &reader) {
  FuseState &f = e.Fuses;
  switch (reader.readBack) {
  case ReadBack::At89S51: {
    isp::at89s51::ReadLockBits(e.InstructionBytes);
    const std::uint8_t locks = Ask(e);
    e.SignatureBytes[3] = locks;
    f.LockBits = static_cast<std::uint16_t>((locks >> isp::at89s51::kLockBitsShift) & 0x07);
    break;
  }
  case ReadBack::At89S8253: {
    isp::at89s8253::ReadLockBits(e.InstructionBytes);
    const std::uint8_t locks = Ask(e);
    e.SignatureBytes[3] = locks;
    f.LockBits = static_cast<std::uint16_t>(~locks & 0x07);
    isp::at89s8253::ReadUserFuses(e.InstructionBytes);
    f.FuseLow = Ask(e);
    break;
  }
  case ReadBack::None: break;
  case ReadBack::At90S4433:
  case ReadBack::At90S8535:
  case ReadBack::TinyByte: {
    isp::avrbyte::ReadFuse(e.InstructionBytes);
    f.FuseLow = Ask(e);
    isp::avrbyte::ReadLockBits(e.InstructionBytes);
    const std::uint8_t locks = Ask(e);
    if (reader.readBack == ReadBack::At90S8535) {
      TakeLockBit(f, locks, 7, 0);
      TakeLockBit(f, locks, 6, 1);
      TakeLockBit(f, locks, 0, 2);
    } else {
      TakeLockBit(f, locks, 1, 0);
      TakeLockBit(f, locks, 2, 1);
    }
    if (reader.keepLockByte) {
      f.LockByte = locks;
    }
    break;
  }
  case ReadBack::PageMode: {
    isp::avrpage::ReadFuseLow(e.InstructionBytes);
    f.FuseLow = Ask(e);
    isp::avrpage::ReadFuseHigh(e.InstructionBytes);
    f.FuseHigh = Ask(e);
    if (reader.fuseBytes >= 3) {
      isp::avrpage::ReadFuseExtended(e.InstructionBytes);
      f.FuseExtended = Ask(e);
    }
    isp::avrpage::ReadLockByte(e.InstructionBytes);
    const std::uint8_t locks = Ask(e);
    TakeLockBit(f, locks, 0, 0);
    TakeLockBit(f, locks, 1, 1);
    if (reader.keepLockByte) {
      f.LockByte = locks;
    }
    break;
  }
  }
}

QString Report(const IspEngine &e) {
  namespace hex = common::hex;
  const DeviceEntry *entry = e.CurrentDevice();
  QString name =
      entry != nullptr
          ? QString::fromLatin1(entry->Name().data(), static_cast<qsizetype>(entry->Name().size()))
          : QString();
  if (!name.startsWith(QLatin1String("AT"))) {
    name.prepend(QLatin1String("AT"));
  }
  const auto &b = e.SignatureBytes;
  const QString bytes2 = hex::Text(b[0], 2) + QLatin1String("  ") + hex::Text(b[1], 2);
  switch (e.Device.DeviceIndex & 0xFF) {
  case device::kAt89S8253:
    return QLatin1String("Signature info for  AT89S8253\r\rSignature     ") + bytes2;
  case device::kTiny2313:
    return QLatin1String("Signature info  ATTINY2313\r\rSignature     ") + hex::Text(b[0], 2) +
           QLatin1Char(' ') + hex::Text(b[1], 2) + QLatin1Char(' ') + hex::Text(b[2], 2);
  default: break;
  }
  return QLatin1String("Signature info for  ") + name + QLatin1String("\r\rSignature     ") +
         bytes2 + QLatin1String("  ") + hex::Text(b[2], 2);
}

} // namespace

void IspEngine::ReadSignature() {
  ReadSignatureValue = 0;
  const IspFamily family = Family();
  if (family == IspFamily::At89S8252) {
    ResultText = QStringLiteral("Signature info not available in serial mode");
    return;
  }
  EnterProgramming();
  if (!ChipResponded) {
    return;
  }
  const int count = family == IspFamily::At89S8253 ? 2 : 3;
  for (int k = 0; k < count; ++k) {
    switch (family) {
    case IspFamily::At89S8253: isp::at89s8253::ReadSignature(InstructionBytes, k); break;
    case IspFamily::AvrByteMode: isp::avrbyte::ReadSignature(InstructionBytes, k); break;
    case IspFamily::AvrPageMode: isp::avrpage::ReadSignature(InstructionBytes, k); break;
    default: isp::at89s51::ReadSignature(InstructionBytes, k); break;
    }
    SignatureBytes[static_cast<std::size_t>(k)] = Ask(*this);
  }
  ReadSignatureValue =
      count == 2 ? SignatureBytes[0] * 256 + SignatureBytes[1]
                 : SignatureBytes[0] * 65536 + SignatureBytes[1] * 256 + SignatureBytes[2];

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
  ReadFusesAndLocks(*this, ReaderOf(*this));
  ReleaseTarget();
  ResultText = Report(*this);
}

} // namespace rindle
