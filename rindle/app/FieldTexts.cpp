#include "rindle/app/FieldTexts.h"

#include <algorithm>

#include "common/HexText.h"

namespace rindle {

namespace hex = common::hex;

QString SignatureText(const IspEngine &engine) {
  const DeviceEntry *entry = engine.CurrentDevice();
  const int count = entry != nullptr ? entry->signatureCount : 3;
  if (count == 0)
    return kNoSignatureText;
  const auto &b = engine.SignatureBytes;
  if (count == 2)
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
