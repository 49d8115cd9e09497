// The serial loader's command line: orvane-cli --help tells its options.
#include "orvane/cli/LoaderCli.h"

#include <QCoreApplication>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("orvane-cli"));
  return orvane::RunLoaderCli(app.arguments(), QCoreApplication::applicationDirPath());
}
