#include "rindle/data/SafeWrite.h"

#include <QSaveFile>

namespace rindle::files {

WriteOutcome WriteFileSafely(const QString &fileName, const QByteArray &content,
                             qsizetype block) {
  if (fileName.isEmpty())
    return WriteOutcome::CreateFailed;
  QSaveFile file(fileName);
  // Unbuffered: a buffered short write at the final flush goes unnoticed and
  // would be committed as a cut-off file.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    return WriteOutcome::CreateFailed;
  const qsizetype step = block > 0 ? block : std::max<qsizetype>(content.size(), 1);
  for (qsizetype pos = 0; pos < content.size(); pos += step) {
    const qsizetype n = std::min(step, content.size() - pos);
    if (file.write(content.constData() + pos, n) != n) {
      file.cancelWriting();
      return WriteOutcome::WriteFailed;
    }
  }
  if (file.size() != content.size()) {
    file.cancelWriting();
    return WriteOutcome::WriteFailed;
  }
  return file.commit() ? WriteOutcome::Ok : WriteOutcome::WriteFailed;
}

} // namespace rindle::files
