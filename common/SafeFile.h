#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>

namespace common {

enum class SaveOutcome { Ok, CreateFailed, WriteFailed };

struct SaveResult {
  SaveOutcome outcome = SaveOutcome::Ok;
  QString reason; // the system's reason when the save failed
  bool ok() const { return outcome == SaveOutcome::Ok; }
};

struct SaveOptions {
  // > 0: the content goes out in blocks of this many bytes.
  qsizetype block = 0;
  // Every write goes through the device this returns (opened for writing),
  // which passes the bytes on to the file; a test puts a device here that
  // stops after so many bytes, as a full disk does.
  std::function<std::unique_ptr<QIODevice>(QIODevice &file)> wrapDevice;
  // False: no temporary file may be made beside the target, as in a folder
  // that allows no new file.
  bool temporaryAllowed = true;
};

// Writes a whole file. The content goes to a temporary file beside the
// target that replaces it only when every byte was written, so a failed save
// (a full disk, a crash) leaves the old file as it was. Where the folder
// allows no new file but the file itself is writable, the file is written in
// place, as a plain save would. A short write is always reported.
SaveResult SaveWholeFile(const QString &path, const QByteArray &content,
                         const SaveOptions &options = {});

// A file the program keeps for the user (settings, recent lists, a simulated
// chip) that could not be read or used is moved out of the way, so that the
// file written in its place does not destroy it: to NAME.bad, or NAME.bad.2,
// NAME.bad.3, ... when that name is taken. Where it cannot be moved (a folder
// that allows no new name) it is copied there. Returns the name it is kept
// under; empty when neither worked: the file must then not be written over.
QString KeepDamagedFile(const QString &path);

// What the user is told once about such a file: what is wrong with it (the
// loader's own text), where it is kept now (keptAs; empty: left where it is,
// not to be written over) and what the program does instead. Lines are
// separated by "\r".
QString DamagedFileNotice(const QString &path, const QString &problem, const QString &keptAs,
                          const QString &instead);

} // namespace common
