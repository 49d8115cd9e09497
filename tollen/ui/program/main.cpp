// tollen: the older edition of the parallel-port ISP programmer.

#include <QCoreApplication>
#include <QTextStream>
#include <memory>
#include <optional>

#include "common/AppFiles.h"
#include "common/ProgramOptions.h"
#include "common/widgets/GuardedApplication.h"
#include "common/widgets/QtPrompter.h"
#include "isp/hardware/IspHardware.h"
#include "tollen/engine/Session.h"
#include "tollen/ui/MainWindow.h"

namespace {

struct Options {
  bool simulate = false;
  QString device; // empty: the last run's chip
};

// Reads the command line. --help and --version print, and a wrong option is
// reported, before anything needs a display; the exit status comes back
// when the program is to stop there.
std::optional<int> ReadOptions(const QStringList &arguments, Options &options) {
  const QString examples = common::AppFiles::forRunningProgram().examplesFolder();
  QString description = QStringLiteral(
      "Programs AT89S and AVR chips in circuit through the ISP cable on the parallel port.");
  if (!examples.isEmpty()) {
    description +=
        QStringLiteral("\n\nExample programs (Open File starts here on a first start):\n"
                       "  %1\n"
                       "  blink-atmega8.hex: MEGA8\n"
                       "  blink-at89s51.hex: 89S51\n"
                       "To try one: tollen --simulate, pick MEGA8 in the device list, open\n"
                       "blink-atmega8.hex, then Write, Verify and Read.")
            .arg(examples);
  }
  common::ProgramOptions parser(QStringLiteral("tollen"), QStringLiteral(TOLLEN_VERSION),
                                QStringLiteral("[options]"), description);
  const QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QStringLiteral("Run against a simulated cable and chip (kept\n"
                     "between runs). The socket holds the chip of the\n"
                     "last run, an %1 the first time; DEVICE puts\n"
                     "another in, for example ATmega8, AT89S51, AT89S52\n"
                     "or ATtiny26.")
          .arg(QLatin1String(tollen::kFirstSimulatedChip)),
      QStringLiteral("DEVICE"));
  parser.addOptionalValue(simulate);
  parser.add(QCommandLineOption(QStringLiteral("close-when-shown"),
                                QStringLiteral("Close again as soon as the window is shown.")));
  if (const std::optional<int> status = parser.parse(arguments)) {
    return status;
  }
  options = {parser.isSet(simulate.names().constFirst()),
             parser.value(simulate.names().constFirst())};
  return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication::setApplicationName(QStringLiteral("tollen"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TOLLEN_VERSION));
  Options options;
  {
    // A core application is enough to read the options; the window system
    // is reached only once a window is going to open.
    QCoreApplication reader(argc, argv);
    if (const std::optional<int> status = ReadOptions(QCoreApplication::arguments(), options)) {
      return *status;
    }
  }
  common::GuardedApplication app(argc, argv);
  // The caption of the general error box.
  app.setTitle(QStringLiteral(" Tollen"));
  const common::AppFiles files = common::AppFiles::forRunningProgram();

  if (options.simulate && !options.device.isEmpty() &&
      !rindle::SimulatedHardware::Knows(options.device)) {
    QTextStream(stderr) << "tollen: no simulated chip is called " << options.device
                        << "; the last one (or an " << tollen::kFirstSimulatedChip << ") is used\n";
  }
  common::QtPrompter prompter;
  app.setPrompter(&prompter);
  tollen::Session session(
      rindle::MakeHardware(
          options.simulate,
          tollen::SimulatedCable(options.device,
                                 files.dataFile(QString::fromLatin1(tollen::kSimulatedChipFile)))),
      prompter, files.settingsFile(QString::fromLatin1(tollen::kSettingsFileName)));
  tollen::ui::MainWindow window(session, {});
  window.Commands().SetExamplesFolder(files.examplesFolder());
  prompter.setParent(&window);
  window.show();
  return app.exec();
}
