// The parallel-port ISP programmer.

#include <QDir>

#include "common/AppFiles.h"
#include "common/widgets/GuardedApplication.h"
#include "rindle/app/CommandLine.h"
#include "rindle/ui/RindleProgram.h"
#include "rindle/ui/TfrmMain.h"

int main(int argc, char **argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i)
    args << QString::fromLocal8Bit(argv[i]);
  // The options are read before anything needs a display.
  const rindle::CommandLine options =
      rindle::ParseCommandLine(args, common::AppFiles::forThisExecutable().examplesFolder());
  if (options.exitStatus)
    return *options.exitStatus;

  common::GuardedApplication app(argc, argv);
  // The caption of the general error box.
  app.setTitle(QStringLiteral(" Rindle"));
  auto run = rindle::ui::MakeProgramForRun(options);
  run->main().show();
  return QApplication::exec();
}
