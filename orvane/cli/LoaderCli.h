#pragma once

#include "common/ConsoleOutput.h"
#include "common/ProgramOptions.h"

#include "common/Outcome.h"

#include <QString>
#include <QStringList>

namespace orvane {

// Exit statuses of orvane-cli, those of every command-line program.
enum CliExit {
  kCliDone = common::kExitOk,
  kCliFailed = common::kExitChip,     // the function failed on the chip or the line
  kCliUsage = common::kExitUsage,     // the command line cannot be used
  kCliFile = common::kExitFile,       // a file could not be read or written
  kCliPort = common::kExitPort,       // the port could not be opened
  kCliRefused = common::kExitRefused, // stopped before anything reached the chip
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
