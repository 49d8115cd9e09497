#pragma once

#include <QString>

namespace common {

// Where a program's files live. A program keeps its files beside its
// executable when that folder is writable (a build folder, an unpacked copy)
// and is no install's bin folder; otherwise settings go to the user's configuration folder and kept data to
// the user's data folder, under the program's name, following the XDG
// base-directory rules. Read-only shipped files are found beside the
// executable or in the install's share/<program>/ folder.
class AppFiles {
public:
  // programDir: the folder of the executable; program: its name.
  AppFiles(QString programDir, QString program);

  // For the running program (needs a QCoreApplication).
  static AppFiles forRunningProgram();
  // The same before the application object exists (for --help).
  static AppFiles forThisExecutable();

  const QString &programDir() const { return programDir_; }
  const QString &program() const { return program_; }
  bool besideProgram() const { return beside_; }

  // A settings or recent-list file by its file name.
  QString settingsFile(const QString &name) const;
  // A file the program keeps for the user between runs (the simulated chips).
  // Always in the user's data folder, which is created when missing.
  QString dataFile(const QString &name) const;
  // A read-only file that ships with the program.
  QString sharedFile(const QString &name) const;
  // The example programs that ship with the suite, where the file dialogs
  // start until the user has picked a file: examples/ beside the program (a
  // build puts a copy there), else the package's share/doc/chipsuite/examples
  // of an install. Empty when there is neither.
  QString examplesFolder() const;

private:
  QString programDir_;
  QString program_;
  bool beside_;
};

} // namespace common
