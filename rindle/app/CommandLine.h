#pragma once

#include <QString>
#include <QStringList>

namespace rindle {

// The program's options: --simulate[=DEVICE], --help, --version.
struct CommandLine {
  bool simulate = false;
  // With --simulate=DEVICE: the one chip in the socket, as the device list
  // names it (without the leading blanks).
  QString simulatedDevice;
  bool help = false;
  bool version = false;
  // Set when the arguments cannot be used; the program prints it and stops.
  QString error;
};

// args: the arguments after the program name.
CommandLine ParseCommandLine(const QStringList &args);

// examplesFolder: where the example programs are; empty when there are none.
QString UsageText(const QString &program, const QString &examplesFolder);
QString VersionText(const QString &program);

inline constexpr char kVersion[] = RINDLE_VERSION;

} // namespace rindle
