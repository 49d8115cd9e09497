#pragma once

#include <optional>

#include <QString>
#include <QStringList>

namespace rindle {

// The program's options: --simulate[=DEVICE], --close-when-shown, --help,
// --version.
struct CommandLine {
  bool simulate = false;
  // With --simulate=DEVICE: the one chip in the socket, as the device list
  // names it (without the leading blanks).
  QString simulatedDevice;
  bool help = false;
  bool version = false;
  // Set when the arguments cannot be used.
  QString error;
  // Set when the program is to stop at once with this status: the help or
  // the version was printed on stdout, or what is wrong on stderr.
  std::optional<int> exitStatus;
};

// args: the arguments after the program name, read by the suite's option
// parser; examplesFolder: where the example programs are, for the help text
// (empty when there are none).
CommandLine ParseCommandLine(const QStringList &args, const QString &examplesFolder = {});

inline constexpr char kVersion[] = RINDLE_VERSION;

} // namespace rindle
