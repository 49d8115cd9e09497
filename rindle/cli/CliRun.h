#pragma once

#include "common/ConsoleOutput.h"

#include <cstdio>
#include <functional>
#include <memory>

#include <QString>

#include "common/Outcome.h"
#include "rindle/cli/CliRequest.h"

namespace rindle {
class IspHardware;
}

namespace rindle::cli {

// Where a run writes and what it finds around it.
struct RunSetup {
  std::FILE *out = stdout; // data: device list, bytes read as text, JSON
  std::FILE *err = stderr; // diagnostics and the progress bar
  // Whether err is a terminal: only then is there a progress bar.
  bool errIsTerminal = false;
  // The settings file when --settings is not given.
  QString defaultSettingsFile;
  // The simulated chips' folder, the window's.
  QString stateFolder;
  QString procRoot = QStringLiteral("/proc/sys/dev/parport");
  // Asked at each progress point and between steps: true once the user has
  // asked the run to stop (Ctrl+C). The operation then stops at its next
  // block, the target is released and no further step runs.
  std::function<bool()> interrupted;
};

using common::ExitStatus;

// Runs the request: the device list, or every step in order until one does
// not end well. Returns the exit status.
int Run(const Request &request, const RunSetup &setup);

// The device list as `devices` prints it.
QString DeviceTable();

} // namespace rindle::cli
