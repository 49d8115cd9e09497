#include "isp/core/FuseGuard.h"

namespace rindle {

namespace {

// The fuse column headings the fuse dialog shows.
QString ByteName(FuseField byte) {
  switch (byte) {
  case FuseField::FuseLow: return QStringLiteral("Fuse Low");
  case FuseField::FuseHigh: return QStringLiteral("Fuse High");
  case FuseField::FuseExtended: return QStringLiteral("Fuse Ext");
  case FuseField::LockByte: break;
  }
  return QStringLiteral("Lock Byte");
}

QString FromView(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

bool PutDefaultFusesInPlace(const DeviceEntry &entry, FuseState &fuses) {
  if (!FusesUnprogrammed(entry, fuses)) {
    return false;
  }
  const FuseDefaults &d = entry.defaults;
  fuses.FuseLow = d.low.value_or(0xFF);
  fuses.FuseHigh = d.high.value_or(0xFF);
  fuses.FuseExtended = d.extended.value_or(0xFF);
  return true;
}

QString FuseLockoutQuestion(const DeviceEntry &entry, const FuseState &fuses) {
  const std::vector<SerialLockoutBit> bits = SerialLockoutBits(entry, fuses);
  if (bits.empty()) {
    return {};
  }
  QString text = QStringLiteral("The fuse bytes to be written end serial programming:\r");
  for (const SerialLockoutBit &b : bits) {
    text += QStringLiteral("\r   %1 (%2 bit %3) %4: %5")
                .arg(FromView(b.name), ByteName(b.byte), QString::number(b.bit),
                     b.endsWhenProgrammed ? QStringLiteral("programmed")
                                          : QStringLiteral("unprogrammed"),
                     FromView(b.effect));
  }
  text += QStringLiteral("\r\rThe chip will no longer answer this programmer and can then only be "
                         "recovered with a high-voltage programmer.\r\rDo you want to continue ?");
  return text;
}

bool ConfirmFuseWrite(const DeviceEntry &entry, const FuseState &fuses,
                      common::Prompter &prompter, const QString &caption) {
  const QString question = FuseLockoutQuestion(entry, fuses);
  if (question.isEmpty()) {
    return true;
  }
  return prompter.question(caption, question, common::Prompter::Icon::Warning, false);
}

} // namespace rindle
