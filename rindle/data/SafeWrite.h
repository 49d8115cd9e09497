#pragma once

#include <QByteArray>
#include <QString>

namespace rindle::files {

enum class WriteOutcome { Ok, CreateFailed, WriteFailed };

// Writes a whole file through a temporary file beside it that is renamed
// over the target only when everything was written, so a failed write (a
// full disk, a crash) leaves the previous file as it was. `block` > 0
// writes the content in blocks of that size.
WriteOutcome WriteFileSafely(const QString &fileName, const QByteArray &content,
                             qsizetype block = 0);

} // namespace rindle::files
