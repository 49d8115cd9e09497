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
#include "sim/isp/Bench.h"
#include "sim/isp/ChipModels.h"
#include "tollen/engine/TollenEngine.h"
#include "tollen/ui/MainWindow.h"

namespace {

constexpr char kSimulatedChipFile[] = "simulated-chip.state";
constexpr char kDefaultSimulatedChip[] = "ATmega8";

// The simulated cable, with its presence loop, and a chip kept between runs.
struct Simulation {
  sim::isp::Bench bench;
  std::string stateFile;

  Simulation(const QString &device, const QString &stateFile_)
      : bench(kDefaultSimulatedChip), stateFile(stateFile_.toStdString()) {
    sim::isp::CableWiring wiring;
    wiring.presenceLoop = true;
    bench.setWiring(wiring);
    const bool stored = QFile::exists(stateFile_) && bench.loadState(stateFile).empty();
    const sim::isp::ChipModel *asked =
        device.isEmpty() ? nullptr : sim::isp::FindChipModel(device.toStdString());
    if (asked != nullptr && (!stored || &bench.chip()->model() != asked)) {
      bench.insertChip(asked->name);
    }
  }
  ~Simulation() { bench.saveState(stateFile); }
};

} // namespace

int main(int argc, char *argv[]) {
  common::GuardedApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tollen"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TOLLEN_VERSION));
  QGuiApplication::setApplicationDisplayName(QStringLiteral(" Tollen"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Programs AT89S and AVR chips in circuit through the ISP cable on the parallel port."));
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QStringLiteral("Run against a simulated cable and chip (kept between runs); DEVICE picks the "
                     "chip, for example ATmega8, AT89S52 or ATtiny26."),
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

  const common::AppFiles files = common::AppFiles::forRunningProgram();
  std::unique_ptr<Simulation> simulation;
  common::PpdevPort ppdev;
  common::MonotonicTickTimer clock;
  common::IoPort *port = &ppdev;
  common::TickTimer *timer = &clock;
  if (parser.isSet(simulate)) {
    const QString device = parser.value(simulate);
    if (!device.isEmpty() && sim::isp::FindChipModel(device.toStdString()) == nullptr) {
      QTextStream(stderr) << "tollen: no simulated chip is called " << device
                          << "; the last one (or an " << kDefaultSimulatedChip << ") is used\n";
    }
    simulation = std::make_unique<Simulation>(parser.value(simulate),
                                              files.dataFile(QString::fromLatin1(kSimulatedChipFile)));
    port = &simulation->bench;
    timer = &simulation->bench;
  }

  common::QtPrompter prompter;
  app.setPrompter(&prompter);
  tollen::TollenEngine engine(*port, *timer);
  engine.SettingsPath = files.settingsFile(QString::fromLatin1(tollen::kSettingsFileName));
  engine.Messages = &prompter;
  tollen::ui::MainWindow window(engine, prompter, {});
  prompter.setParent(&window);
  window.show();
  return app.exec();
}
