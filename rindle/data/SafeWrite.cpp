#include "rindle/data/SafeWrite.h"

#include "rindle/data/FileTexts.h"

namespace rindle::files {

QString SaveFile(const QString &fileName, const QByteArray &content, qsizetype block) {
  switch (WriteFileSafely(fileName, content, block)) {
  case WriteOutcome::Ok: return kOk;
  case WriteOutcome::CreateFailed: return kFileCreateError;
  case WriteOutcome::WriteFailed: break;
  }
  return kFileWriteError;
}

} // namespace rindle::files
