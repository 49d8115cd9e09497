#include "rindle/data/FileTexts.h"

namespace rindle::files {

QString NotHexDetail(int line, const QByteArray &field) {
  return QStringLiteral("\rLine %1: '%2' is not a hexadecimal number")
      .arg(line)
      .arg(QString::fromLatin1(field));
}

QString TooShortDetail(int line) { return QStringLiteral("\rLine %1 is too short").arg(line); }

} // namespace rindle::files
