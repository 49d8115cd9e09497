#include "common/AppFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace common {
namespace {

// $VAR when it holds an absolute path, else HOME + fallback.
QString xdgDir(const char *var, const char *fallback) {
  const QString v = qEnvironmentVariable(var);
  if (!v.isEmpty() && QDir::isAbsolutePath(v))
    return QDir::cleanPath(v);
  return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback));
}

bool writableFolder(const QString &dir) {
  return ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
}

// An installed program: <prefix>/bin/<program> with its desktop entry or its
// shared files under <prefix>/share. Such a folder may well be writable (for
// root), but it is no place for a user's files.
bool installed(const QString &programDir, const QString &program) {
  const QString share = programDir + QLatin1String("/../share/");
  return QFileInfo(share + program).isDir() ||
         QFileInfo::exists(share + QLatin1String("applications/") + program +
                           QLatin1String(".desktop"));
}

} // namespace

AppFiles::AppFiles(QString programDir, QString program)
    : programDir_(QDir::cleanPath(std::move(programDir))), program_(std::move(program)),
      beside_(writableFolder(programDir_) && !installed(programDir_, program_)) {}

AppFiles AppFiles::forRunningProgram() {
  return AppFiles(QCoreApplication::applicationDirPath(),
                  QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

AppFiles AppFiles::forThisExecutable() {
  const QFileInfo exe(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
  return AppFiles(exe.absolutePath(), exe.completeBaseName());
}

QString AppFiles::settingsFile(const QString &name) const {
  if (beside_)
    return programDir_ + QLatin1Char('/') + name;
  const QString dir = xdgDir("XDG_CONFIG_HOME", ".config") + QLatin1Char('/') + program_;
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name;
}

QString AppFiles::dataFile(const QString &name) const {
  const QString dir = xdgDir("XDG_DATA_HOME", ".local/share") + QLatin1Char('/') + program_;
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name;
}

QString AppFiles::sharedFile(const QString &name) const {
  const QString beside = programDir_ + QLatin1Char('/') + name;
  if (QFileInfo::exists(beside))
    return beside;
  // An install: <prefix>/bin/<program> and <prefix>/share/<program>/.
  const QString shared = QDir::cleanPath(programDir_ + QLatin1String("/../share/") + program_) +
                         QLatin1Char('/') + name;
  if (QFileInfo::exists(shared))
    return shared;
  return beside;
}

QString AppFiles::examplesFolder() const {
  const QString beside = programDir_ + QLatin1String("/examples");
  if (QFileInfo(beside).isDir())
    return beside;
  // The package's documentation folder of an install.
  const QString installed =
      QDir::cleanPath(programDir_ + QLatin1String("/../share/doc/chipsuite/examples"));
  if (QFileInfo(installed).isDir())
    return installed;
  return {};
}

} // namespace common
