#include "rindle/app/FieldTexts.h"

#include <algorithm>

#include "common/HexText.h"

namespace rindle {

namespace hex = common::hex;

QString SignatureText(const IspEngine &engine) {
  const std::uint16_t index = engine.Device.DeviceIndex & 0xFF;
  if (index == device::kAt89S53 || index == device::kAt89S8252)
    return kNoSignatureText;
  const auto &b = engine.SignatureBytes;
  if (index == device::kAt89S8253)
    return hex::Text(b[0], 2) + u' ' + hex::Text(b[1], 2) + QStringLiteral(" - ");
  return hex::Text(b[0], 2) + u' ' + hex::Text(b[1], 2) + u' ' + hex::Text(b[2], 2);
}

std::optional<QString> CalibrationText(const IspEngine &engine) {
  const auto &c = engine.CalibrationBytes;
  switch (engine.Device.CalibrationCount) {
  case 4:
    return hex::Text(c[0], 2) + u' ' + hex::Text(c[1], 2) + u' ' + hex::Text(c[2], 2) + u' ' +
           hex::Text(c[3], 2);
  case 2: return hex::Text(c[0], 2) + u' ' + hex::Text(c[1], 2) + QStringLiteral(" -  -");
  case 1: return hex::Text(c[0], 2) + QStringLiteral(" -  -  -");
  default: return std::nullopt;
  }
}

QString ChecksumText(std::int32_t checksum) {
  return hex::AtLeast(static_cast<std::uint32_t>(checksum), 6);
}

QString StatusText(const QString &programFileName, const QString &title) {
  if (programFileName.isEmpty())
    return title;
  return QStringLiteral("  ") + programFileName;
}

QString FolderOf(const QString &fileName) {
  const qsizetype cut = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
  return fileName.left(cut + 1);
}

} // namespace rindle
