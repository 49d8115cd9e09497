#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace common {

namespace {

// Writes content to the device (through the options' wrapper, if any); false
// with the reason when a write takes fewer bytes than it was given.
bool writeAll(QIODevice &file, const QByteArray &content, const SaveOptions &options,
              QString *reason) {
  std::unique_ptr<QIODevice> wrapper = options.wrapDevice ? options.wrapDevice(file) : nullptr;
  QIODevice &out = wrapper ? *wrapper : file;
  const qsizetype step = options.block > 0 ? options.block : std::max<qsizetype>(content.size(), 1);
  for (qsizetype pos = 0; pos < content.size(); pos += step) {
    const qsizetype n = std::min(step, content.size() - pos);
    const qint64 written = out.write(content.constData() + pos, n);
    if (written != n) {
      *reason = out.errorString();
      if (reason->isEmpty() || *reason == QLatin1String("Unknown error"))
        *reason = QStringLiteral("only %1 of %2 bytes were written")
                      .arg(pos + std::max<qint64>(written, 0))
                      .arg(content.size());
      return false;
    }
  }
  return true;
}

SaveResult failed(SaveOutcome outcome, const QString &reason) { return {outcome, reason}; }

SaveResult saveInPlace(const QString &path, const QByteArray &content, const SaveOptions &options) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
    return failed(SaveOutcome::CreateFailed, file.errorString());
  QString reason;
  if (!writeAll(file, content, options, &reason))
    return failed(SaveOutcome::WriteFailed, reason);
  file.close();
  if (file.error() != QFileDevice::NoError)
    return failed(SaveOutcome::WriteFailed, file.errorString());
  return {};
}

} // namespace

SaveResult SaveWholeFile(const QString &path, const QByteArray &content,
                         const SaveOptions &options) {
  if (path.isEmpty())
    return failed(SaveOutcome::CreateFailed, QStringLiteral("No file name"));
  QSaveFile file(path);
  // Unbuffered: a buffered write that falls short only at the final flush
  // would go unnoticed.
  if (!options.temporaryAllowed || !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    const QString reason = options.temporaryAllowed
                               ? file.errorString()
                               : QStringLiteral("No temporary file may be made here");
    if (QFileInfo(path).isFile())
      return saveInPlace(path, content, options);
    return failed(SaveOutcome::CreateFailed, reason);
  }
  QString reason;
  if (!writeAll(file, content, options, &reason)) {
    file.cancelWriting();
    return failed(SaveOutcome::WriteFailed, reason);
  }
  if (!file.commit())
    return failed(SaveOutcome::WriteFailed, file.errorString());
  return {};
}

QString KeepDamagedFile(const QString &path) {
  constexpr int kMostKept = 99;
  for (int n = 1; n <= kMostKept; ++n) {
    const QString kept =
        path + (n == 1 ? QStringLiteral(".bad") : QStringLiteral(".bad.%1").arg(n));
    if (QFileInfo::exists(kept) || QFileInfo(kept).isSymLink())
      continue;
    if (QDir().rename(path, kept) || QFile::copy(path, kept))
      return kept;
    return {};
  }
  return {};
}

QString DamagedFileNotice(const QString &path, const QString &problem, const QString &keptAs,
                          const QString &instead) {
  const QString where =
      keptAs.isEmpty()
          ? QStringLiteral("The file \"%1\" is left as it is and not written over; %2.")
                .arg(path, instead)
          : QStringLiteral("The file \"%1\" is kept as \"%2\"; %3.").arg(path, keptAs, instead);
  return problem + QStringLiteral("\r\r") + where;
}

} // namespace common
