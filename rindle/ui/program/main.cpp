// The parallel-port ISP programmer.

#include <cstdio>

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
  const QString program = QStringLiteral("rindle");
  const rindle::CommandLine options = rindle::ParseCommandLine(args);
  const auto usage = [&program] {
    return rindle::UsageText(program, common::AppFiles::forThisExecutable().examplesFolder());
  };
  if (!options.error.isEmpty()) {
    std::fprintf(stderr, "%s\n%s", qPrintable(options.error), qPrintable(usage()));
    return 2;
  }
  if (options.help) {
    std::fputs(qPrintable(usage()), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(qPrintable(rindle::VersionText(program)), stdout);
    return 0;
  }

  common::GuardedApplication app(argc, argv);
  // The caption of the general error box.
  app.setTitle(QStringLiteral(" Rindle"));
  auto run = rindle::ui::MakeProgramForRun(options);
  run->main().show();
  return QApplication::exec();
}
