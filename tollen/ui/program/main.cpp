// tollen: the older edition of the parallel-port ISP programmer.

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <memory>

#include "common/AppFiles.h"
#include "common/MonotonicTickTimer.h"
#include "common/PpdevPort.h"
#include "common/widgets/GuardedApplication.h"
#include "common/widgets/QtPrompter.h"
#include "tollen/engine/TollenEngine.h"
#include "tollen/ui/MainWindow.h"
#include "tollen/ui/Simulation.h"

namespace {

constexpr char kSimulatedChipFile[] = "simulated-chip.state";

struct Options {
  bool simulate = false;
  QString device; // empty: the last run's chip
};

// Reads the command line; --help, --version and a wrong option print and end
// the process here, before anything needs a display.
Options ReadOptions() {
  const QString examples = common::AppFiles::forRunningProgram().examplesFolder();
  QCommandLineParser parser;
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
  parser.setApplicationDescription(description);
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QStringLiteral("Run against a simulated cable and chip (kept between runs). The socket "
                     "holds the chip of the last run, an %1 the first time; DEVICE puts another "
                     "in, for example ATmega8, AT89S51, AT89S52 or ATtiny26.")
          .arg(QLatin1String(tollen::ui::Simulation::kDefaultChip)),
      QStringLiteral("DEVICE"));
  QCommandLineOption closeWhenShown(QStringLiteral("close-when-shown"),
                                    QStringLiteral("Close again as soon as the window is shown."));
  parser.addOption(simulate);
  parser.addOption(closeWhenShown);
  // "--simulate" may come without a device.
  QStringList arguments = QCoreApplication::arguments();
  for (QString &a : arguments) {
    if (a == QStringLiteral("--simulate")) {
      a = QStringLiteral("--simulate=");
    }
  }
  parser.process(arguments);
  return {parser.isSet(simulate), parser.value(simulate)};
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
    options = ReadOptions();
  }
  common::GuardedApplication app(argc, argv);
  // The caption of the general error box.
  app.setTitle(QStringLiteral(" Tollen"));
  const common::AppFiles files = common::AppFiles::forRunningProgram();

  common::PpdevPort ppdev;
  common::MonotonicTickTimer clock;
  common::IoPort *port = &ppdev;
  common::TickTimer *timer = &clock;
  // Made after the clock it waits on, so it goes first.
  std::unique_ptr<tollen::ui::Simulation> simulation;
  if (options.simulate) {
    const QString &device = options.device;
    if (!device.isEmpty() && !tollen::ui::Simulation::Knows(device)) {
      QTextStream(stderr) << "tollen: no simulated chip is called " << device
                          << "; the last one (or an " << tollen::ui::Simulation::kDefaultChip
                          << ") is used\n";
    }
    // The delays wait for real, as they would on the cable.
    simulation = std::make_unique<tollen::ui::Simulation>(
        device, files.dataFile(QString::fromLatin1(kSimulatedChipFile)), &clock);
    port = &simulation->bench();
    timer = &simulation->bench();
  }

  common::QtPrompter prompter;
  app.setPrompter(&prompter);
  tollen::TollenEngine engine(*port, *timer);
  engine.SettingsPath = files.settingsFile(QString::fromLatin1(tollen::kSettingsFileName));
  engine.Messages = &prompter;
  if (simulation) {
    if (const QString notice = simulation->takeNotice(); !notice.isEmpty()) {
      engine.StoredFileNotices << notice;
    }
  }
  tollen::ui::MainWindow window(engine, prompter, {});
  window.Commands().SetExamplesFolder(files.examplesFolder());
  prompter.setParent(&window);
  window.show();
  return app.exec();
}
