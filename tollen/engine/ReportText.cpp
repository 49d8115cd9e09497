#include "tollen/engine/ReportText.h"

#include "common/HexText.h"

namespace tollen::report {

namespace {

namespace hex = common::hex;

const QString kBufferVerify = QStringLiteral("Buffer Verify Error @ Address  ");

} // namespace

QString ByteDifference(bool programRun, std::uint32_t cell, std::uint8_t read,
                       std::uint8_t expected) {
  return (programRun ? QStringLiteral("Program Verify Error @ Address  ") : kBufferVerify) +
         hex::AtLeast(cell, 4) + QStringLiteral("\rData Read  =  ") + hex::Text(read, 2) +
         QStringLiteral("\rProg Data   =  ") + hex::Text(expected, 2);
}

QString AvrFlashDifference(std::uint32_t byteAddress, std::uint8_t read, std::uint8_t expected) {
  const QString half = (byteAddress & 1) ? QStringLiteral("High") : QStringLiteral("Low");
  return kBufferVerify + hex::AtLeast(byteAddress >> 1, 4) + QStringLiteral("\rData Read ") + half +
         QStringLiteral(" Byte  =  ") + hex::Text(read, 2) + QStringLiteral("\rProg Data ") + half +
         QStringLiteral(" Byte  =  ") + hex::Text(expected, 2);
}

QString AvrEepromDifference(std::uint32_t cell, std::uint8_t read, std::uint8_t expected) {
  return kBufferVerify + hex::AtLeast(cell, 4) + QStringLiteral("\rData Read =  ") +
         hex::Text(read, 2) + QStringLiteral("\rProg Data  =  ") + hex::Text(expected, 2);
}

QString SignatureLines(const std::uint8_t (&bytes)[3]) {
  QString text;
  for (int i = 0; i < 3; ++i) {
    text += QStringLiteral("Byte-%1         ").arg(i + 1) + hex::Text(bytes[i], 2) + u'\r';
  }
  return text;
}

QString SignatureMismatch(const std::uint8_t (&bytes)[3]) {
  return QStringLiteral("Device Signature did not match.\rSignature read from the device,\r\r") +
         SignatureLines(bytes);
}

QString At89SignatureAndLocks(std::string_view chip, const std::uint8_t (&bytes)[3],
                              std::uint16_t lockBits) {
  QString text = QStringLiteral("Signature Bytes & Lock Bits Info\rFor  ") +
                 QString::fromLatin1(chip.data(), qsizetype(chip.size())) + QStringLiteral("\r\r") +
                 SignatureLines(bytes);
  for (int n = 1; n <= 3; ++n) {
    const bool on = (lockBits & (1u << (n - 1))) != 0;
    text += QStringLiteral("\rLock Bit-%1    ").arg(n) +
            (on ? QStringLiteral("ON") : QStringLiteral("OFF"));
  }
  return text;
}

QString AvrSignature(std::string_view chip, const std::uint8_t (&bytes)[3]) {
  return QStringLiteral("Signature Bytes Info\rFor  ") +
         QString::fromLatin1(chip.data(), qsizetype(chip.size())) + QStringLiteral("\r\r") +
         SignatureLines(bytes) + u'\r';
}

} // namespace tollen::report
