// The parallel-port ISP programmer's command line.

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>

#include "common/AppFiles.h"
#include "common/InterruptWatch.h"
#include "rindle/cli/CliRun.h"
#include "rindle/engine/Settings.h"

int main(int argc, char **argv) {
  // Before any thread: Ctrl+C stops the operation at its next block and
  // releases the target instead of leaving it held in reset.
  common::InterruptWatch interrupts;
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
  setup.interrupted = [&interrupts] { return interrupts.interrupted(); };
  const int status = rindle::cli::Run(*parsed.request, setup);
  // The target is released and the simulated chip kept: now the signal may
  // end the program, so that the shell or make sees it was interrupted.
  interrupts.interrupted();
  interrupts.endBySignal();
  return status;
}
