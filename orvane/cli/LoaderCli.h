#pragma once

#include "common/Outcome.h"

#include <QString>
#include <QStringList>

namespace orvane {

// Exit statuses of orvane-cli.
enum CliExit {
  kCliDone = 0,
  kCliFailed = 1,  // the function failed on the chip or the line
  kCliUsage = 2,   // the command line cannot be used
  kCliFile = 3,    // a file could not be read or written
  kCliPort = 4,    // the port could not be opened
  kCliRefused = 5, // stopped before anything reached the chip
};

// The function of a command-line name ("blank-check"); -1 when none.
int CliFunction(const QString &name);
// The command-line names of the functions, in the function list's order.
QStringList CliFunctionNames();

// The exit status of a function's outcome; portNotOpened tells a port
// failure at opening from one later on the line.
int CliExitStatus(const common::Outcome &outcome, bool portNotOpened);

// orvane-cli: runs one chip function through the loader's session.
// arguments: the command line, the program's name first; programDir: the
// folder of the running executable (the loader's files are named as the
// window's, "orvane" in that folder).
int RunLoaderCli(const QStringList &arguments, const QString &programDir);

} // namespace orvane
