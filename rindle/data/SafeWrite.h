#pragma once

#include "common/SafeFile.h"

#include <QByteArray>
#include <QString>

namespace rindle::files {

enum class WriteOutcome { Ok, CreateFailed, WriteFailed };

// The whole-file save of common/SafeFile.h with the outcome the rindle
// messages are chosen from. `block` > 0 writes the content in blocks of that
// size.
inline WriteOutcome WriteFileSafely(const QString &fileName, const QByteArray &content,
                                    qsizetype block = 0) {
  switch (common::SaveWholeFile(fileName, content, {.block = block}).outcome) {
  case common::SaveOutcome::Ok: return WriteOutcome::Ok;
  case common::SaveOutcome::CreateFailed: return WriteOutcome::CreateFailed;
  case common::SaveOutcome::WriteFailed: break;
  }
  return WriteOutcome::WriteFailed;
}

} // namespace rindle::files

namespace rindle::files {

// Saves a whole file and returns "OK" or the message the windows show.
QString SaveFile(const QString &fileName, const QByteArray &content, qsizetype block = 0);

} // namespace rindle::files
