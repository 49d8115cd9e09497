#pragma once

#include <QString>

namespace orvane {

class IniFile;

// The default hardware model, also taken when user.ini names none.
inline const QString kDefaultModel = QStringLiteral("2207-5130 v2");

// The loader's settings: the user's choices kept in user.ini and the hardware
// model catalogue of the program ini. Field names are the keys they are kept
// under.
struct LoaderSettings {
  // user.ini [Communication]
  QString comPort = QStringLiteral("COM1");
  QString comSpeed = QStringLiteral("57600");
  QString programmerModel = kDefaultModel;
  // user.ini [Auto]
  int Verify = 1;
  int Lock = 0;
  // user.ini [General]
  int ReloadFile = 1;
  // user.ini [Global]
  QString LastDir;
  QString LastFile;
  QString LastDevice;
  // program ini [Global]
  int FunctionIndex = 7;
  int ModelCount = 3;

  // Remembers the program ini for the model reads below and fills
  // FunctionIndex and ModelCount.
  void ReadProgramIni(const QString &path);
  // The same from a document already read (from a file or from memory).
  void ReadProgramIni(const IniFile &ini);
  // Writes [Global] FunctionIndex, keeping the rest of the file.
  bool WriteProgramIni(const QString &path, QString *error = nullptr) const;

  // [Models] "Model" + index of the program ini; empty when absent.
  QString GetModelName(int index) const;
  // A key of the current model's section of the program ini; empty when absent.
  QString ReadModelValue(const QString &key) const;

  void ReadUserIni(const QString &path);
  void ReadUserIni(const IniFile &ini);
  bool WriteUserIni(const QString &path, QString *error = nullptr) const;
  // The same keys into a document in memory, the rest of it kept.
  void WriteUserIni(IniFile &ini) const;

  // "major.minor" of this release.
  static QString GetVersionText();

  const QString &programIniPath() const { return programIni_; }

private:
  QString programIni_;
};

// Where the loader's files sit, all named from the running program's path.
class LoaderPaths {
public:
  // Every file beside the program, named from its path.
  explicit LoaderPaths(QString programPath);
  // Settings, recent lists and the buffer's temporary file in settingsDir,
  // the shipped files (model catalogue, device databases, pictures, guide) in
  // sharedDir; names still come from the program's name.
  LoaderPaths(QString programPath, QString settingsDir, QString sharedDir);
  // Where the running program keeps its files: beside itself when its folder
  // is writable and no install's, else the user's configuration folder, with
  // the shipped files from the install's share folder.
  static LoaderPaths ForProgram(const QString &programPath);

  const QString &programPath() const { return program_; }
  // The same program with its settings and recent lists in settingsDir.
  LoaderPaths WithSettingsIn(const QString &settingsDir) const {
    return LoaderPaths(program_, settingsDir, sharedDir_);
  }
  // The program's folder with a trailing separator.
  QString folder() const;
  // The program path with its extension replaced by ext (ext with its dot),
  // in the settings folder.
  QString withExtension(const QString &ext) const;

  // Where the program ini is written; it is read from there once it exists,
  // before that from the shipped copy.
  QString programIni() const { return withExtension(QStringLiteral(".ini")); }
  QString programIniToRead() const;
  QString userIni() const;
  QString recentFiles() const { return withExtension(QStringLiteral(".mru")); }
  QString recentDevices(const QString &model) const;
  QString deviceDatabase(const QString &model) const;
  QString placementPicture(const QString &placement) const;
  QString tempFile() const { return withExtension(QStringLiteral(".tmp")); }
  QString helpFile() const { return withExtension(QStringLiteral(".chm")); }
  // The user guide that ships with the program.
  QString guide() const;

private:
  QString baseName() const;

  QString program_;
  QString settingsDir_; // with a trailing separator
  QString sharedDir_;   // with a trailing separator
};

} // namespace orvane
