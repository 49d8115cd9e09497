#pragma once

#include <QByteArray>
#include <QString>

namespace rindle::files {

// Saves a whole file (common/SafeFile.h) and returns "OK" or the message the
// windows show. `block` > 0 writes the content in blocks of that size.
QString SaveFile(const QString &fileName, const QByteArray &content, qsizetype block = 0);

} // namespace rindle::files
