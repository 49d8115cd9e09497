#include "tollen/engine/ReportText.h"

namespace tollen::report {

namespace {

QString Hex(std::uint32_t value, int digits) {
  return QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}

const QString kBufferVerify = QStringLiteral("Buffer Verify Error @ Address  ");

} // namespace

QString Hex2(std::uint32_t value) { return Hex(value & 0xFF, 2); }

QString Hex4(std::uint32_t value) { return Hex(value, 4); }

QString ByteDifference(bool programRun, std::uint32_t cell, std::uint8_t read,
                       std::uint8_t expected) {
  return (programRun ? QStringLiteral("Program Verify Error @ Address  ") : kBufferVerify) +
         Hex4(cell) + QStringLiteral("\rData Read  =  ") + Hex2(read) +
         QStringLiteral("\rProg Data   =  ") + Hex2(expected);
}

QString AvrFlashDifference(std::uint32_t byteAddress, std::uint8_t read, std::uint8_t expected) {
  const QString half = (byteAddress & 1) ? QStringLiteral("High") : QStringLiteral("Low");
  return kBufferVerify + Hex4(byteAddress >> 1) + QStringLiteral("\rData Read ") + half +
         QStringLiteral(" Byte  =  ") + Hex2(read) + QStringLiteral("\rProg Data ") + half +
         QStringLiteral(" Byte  =  ") + Hex2(expected);
}

QString AvrEepromDifference(std::uint32_t cell, std::uint8_t read, std::uint8_t expected) {
  return kBufferVerify + Hex4(cell) + QStringLiteral("\rData Read =  ") + Hex2(read) +
         QStringLiteral("\rProg Data  =  ") + Hex2(expected);
}

QString SignatureLines(const std::uint8_t (&bytes)[3]) {
  QString text;
  for (int i = 0; i < 3; ++i) {
    text += QStringLiteral("Byte-%1         ").arg(i + 1) + Hex2(bytes[i]) + u'\r';
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
                 QString::fromLatin1(chip.data(), qsizetype(chip.size())) + QStringLiteral("\r\r") + SignatureLines(bytes);
  for (int n = 1; n <= 3; ++n) {
    const bool on = (lockBits & (1u << (n - 1))) != 0;
    text += QStringLiteral("\rLock Bit-%1    ").arg(n) +
            (on ? QStringLiteral("ON") : QStringLiteral("OFF"));
  }
  return text;
}

QString AvrSignature(std::string_view chip, const std::uint8_t (&bytes)[3]) {
  return QStringLiteral("Signature Bytes Info\rFor  ") + QString::fromLatin1(chip.data(), qsizetype(chip.size())) +
         QStringLiteral("\r\r") + SignatureLines(bytes) + u'\r';
}

} // namespace tollen::report
