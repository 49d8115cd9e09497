#include "rindle/app/FieldTexts.h"

#include <algorithm>

namespace rindle {

namespace {

QString Hex2(std::uint16_t value) {
  return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString SignatureText(const IspEngine &engine) {
  const std::uint16_t index = engine.Device.DeviceIndex & 0xFF;
  if (index == device::kAt89S53 || index == device::kAt89S8252)
    return kNoSignatureText;
  const auto &b = engine.SignatureBytes;
  if (index == device::kAt89S8253)
    return Hex2(b[0]) + u' ' + Hex2(b[1]) + QStringLiteral(" - ");
  return Hex2(b[0]) + u' ' + Hex2(b[1]) + u' ' + Hex2(b[2]);
}

std::optional<QString> CalibrationText(const IspEngine &engine) {
  const auto &c = engine.CalibrationBytes;
  switch (engine.Device.CalibrationCount) {
  case 4:
    return Hex2(c[0]) + u' ' + Hex2(c[1]) + u' ' + Hex2(c[2]) + u' ' + Hex2(c[3]);
  case 2:
    return Hex2(c[0]) + u' ' + Hex2(c[1]) + QStringLiteral(" -  -");
  case 1:
    return Hex2(c[0]) + QStringLiteral(" -  -  -");
  default:
    return std::nullopt;
  }
}

QString ChecksumText(std::int32_t checksum) {
  return QStringLiteral("%1")
      .arg(static_cast<std::uint32_t>(checksum), 6, 16, QLatin1Char('0'))
      .toUpper();
}

QString StatusText(const QString &programFileName, const QString &title) {
  if (programFileName.isEmpty())
    return title;
  return QStringLiteral("  ") + programFileName.toLower();
}

QString FolderOf(const QString &fileName) {
  const qsizetype cut = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
  return fileName.left(cut + 1);
}

} // namespace rindle
