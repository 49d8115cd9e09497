// The parallel-port ISP programmer's command line.

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>

#include "common/AppFiles.h"
#include "rindle/cli/CliRun.h"
#include "rindle/engine/Settings.h"

int main(int argc, char **argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i)
    args << QString::fromLocal8Bit(argv[i]);
  const rindle::cli::Parsed parsed = rindle::cli::ParseArguments(args);
  if (!parsed.request)
    return parsed.exitStatus;

  QCoreApplication app(argc, argv);
  // The window's settings and simulated chips: the same files, whichever
  // of the two programs runs.
  const common::AppFiles own = common::AppFiles::forThisExecutable();
  const common::AppFiles window(own.programDir(), QStringLiteral("rindle"));
  rindle::cli::RunSetup setup;
  setup.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
  setup.defaultSettingsFile = window.settingsFile(rindle::settings::kSettingsFileName);
  if (parsed.request->simulate)
    setup.stateFolder = QFileInfo(window.dataFile(QStringLiteral("simulated"))).absolutePath();
  return rindle::cli::Run(*parsed.request, setup);
}
