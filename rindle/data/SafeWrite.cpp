#include "rindle/data/SafeWrite.h"

#include "common/SafeFile.h"
#include "rindle/data/FileTexts.h"

namespace rindle::files {

QString SaveFile(const QString &fileName, const QByteArray &content, qsizetype block) {
  switch (common::SaveWholeFile(fileName, content, {.block = block}).outcome) {
  case common::SaveOutcome::Ok: return kOk;
  case common::SaveOutcome::CreateFailed: return kFileCreateError;
  case common::SaveOutcome::WriteFailed: break;
  }
  return kFileWriteError;
}

} // namespace rindle::files
