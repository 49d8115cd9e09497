#include "orvane/core/LoaderSettings.h"

#include "common/AppFiles.h"

#include "orvane/core/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace orvane {

namespace {
const QString kGlobal = QStringLiteral("Global");
const QString kModels = QStringLiteral("Models");
const QString kCommunication = QStringLiteral("Communication");
const QString kAuto = QStringLiteral("Auto");
const QString kGeneral = QStringLiteral("General");
} // namespace

void LoaderSettings::ReadProgramIni(const QString &path) { ReadProgramIni(IniFile(path)); }

void LoaderSettings::ReadProgramIni(const IniFile &ini) {
  programIni_ = ini.path();
  FunctionIndex = ini.readInteger(kGlobal, QStringLiteral("FunctionIndex"), 7);
  ModelCount = ini.readInteger(kGlobal, QStringLiteral("ModelCount"), 3);
}

bool LoaderSettings::WriteProgramIni(const QString &path, QString *error) const {
  IniFile ini(path);
  ini.writeInteger(kGlobal, QStringLiteral("FunctionIndex"), FunctionIndex);
  return ini.save(error);
}

QString LoaderSettings::GetModelName(int index) const {
  return IniFile(programIni_).readString(kModels, QStringLiteral("Model") + QString::number(index));
}

QString LoaderSettings::ReadModelValue(const QString &key) const {
  return IniFile(programIni_).readString(programmerModel, key);
}

void LoaderSettings::ReadUserIni(const QString &path) { ReadUserIni(IniFile(path)); }

void LoaderSettings::ReadUserIni(const IniFile &ini) {
  comPort = ini.readString(kCommunication, QStringLiteral("comPort"), QStringLiteral("COM1"));
  comSpeed = ini.readString(kCommunication, QStringLiteral("comSpeed"), QStringLiteral("57600"));
  programmerModel = ini.readString(kCommunication, QStringLiteral("programmerModel"));
  if (programmerModel.isEmpty())
    programmerModel = kDefaultModel;
  Verify = ini.readInteger(kAuto, QStringLiteral("Verify"), 1);
  Lock = ini.readInteger(kAuto, QStringLiteral("Lock"), 0);
  ReloadFile = ini.readInteger(kGeneral, QStringLiteral("ReloadFile"), 1);
  LastDir = ini.readString(kGlobal, QStringLiteral("LastDir"));
  LastFile = ini.readString(kGlobal, QStringLiteral("LastFile"));
  LastDevice = ini.readString(kGlobal, QStringLiteral("LastDevice"));
}

bool LoaderSettings::WriteUserIni(const QString &path, QString *error) const {
  IniFile ini(path);
  WriteUserIni(ini);
  return ini.save(error);
}

void LoaderSettings::WriteUserIni(IniFile &ini) const {
  ini.writeString(kGlobal, QStringLiteral("LastDir"), LastDir);
  ini.writeString(kGlobal, QStringLiteral("LastFile"), LastFile);
  ini.writeString(kGlobal, QStringLiteral("LastDevice"), LastDevice);
  ini.writeString(kCommunication, QStringLiteral("comPort"), comPort);
  ini.writeString(kCommunication, QStringLiteral("comSpeed"), comSpeed);
  ini.writeString(kCommunication, QStringLiteral("programmerModel"), programmerModel);
  ini.writeInteger(kAuto, QStringLiteral("Verify"), Verify);
  ini.writeInteger(kAuto, QStringLiteral("Lock"), Lock);
  ini.writeInteger(kGeneral, QStringLiteral("ReloadFile"), ReloadFile);
}

QString LoaderSettings::GetVersionText() {
  return QStringLiteral("%1.%2").arg(ORVANE_VERSION_MAJOR).arg(ORVANE_VERSION_MINOR);
}

namespace {

QString withSeparator(QString dir) {
  if (!dir.endsWith(QLatin1Char('/')))
    dir += QLatin1Char('/');
  return dir;
}

} // namespace

LoaderPaths::LoaderPaths(QString programPath)
    : program_(std::move(programPath)), settingsDir_(folder()), sharedDir_(folder()) {}

LoaderPaths::LoaderPaths(QString programPath, QString settingsDir, QString sharedDir)
    : program_(std::move(programPath)), settingsDir_(withSeparator(std::move(settingsDir))),
      sharedDir_(withSeparator(std::move(sharedDir))) {}

LoaderPaths LoaderPaths::ForProgram(const QString &programPath) {
  const QFileInfo fi(programPath);
  const common::AppFiles files(fi.absolutePath(), fi.completeBaseName());
  if (files.besideProgram())
    return LoaderPaths(programPath);
  const QString ini = files.sharedFile(fi.completeBaseName() + QStringLiteral(".ini"));
  return LoaderPaths(programPath, QFileInfo(files.settingsFile(QStringLiteral("user.ini"))).path(),
                     QFileInfo(ini).path());
}

QString LoaderPaths::folder() const { return withSeparator(QFileInfo(program_).absolutePath()); }

QString LoaderPaths::baseName() const {
  // Only a suffix of the file name is an extension, never a dot in a folder.
  QString name = QFileInfo(program_).fileName();
  const int dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot > 0)
    name.truncate(dot);
  return name;
}

QString LoaderPaths::withExtension(const QString &ext) const {
  return settingsDir_ + baseName() + ext;
}

QString LoaderPaths::programIniToRead() const {
  const QString own = programIni();
  if (QFileInfo::exists(own))
    return own;
  return sharedDir_ + baseName() + QStringLiteral(".ini");
}

QString LoaderPaths::userIni() const { return settingsDir_ + QStringLiteral("user.ini"); }

QString LoaderPaths::recentDevices(const QString &model) const {
  return withExtension(QStringLiteral("-") + model + QStringLiteral(".dev"));
}

QString LoaderPaths::deviceDatabase(const QString &model) const {
  return sharedDir_ + QStringLiteral("devices/") + model + QStringLiteral(".dat");
}

QString LoaderPaths::placementPicture(const QString &placement) const {
  return sharedDir_ + QStringLiteral("devices/") + placement + QStringLiteral(".bmp");
}

QString LoaderPaths::guide() const { return sharedDir_ + baseName() + QStringLiteral(".html"); }

} // namespace orvane
