// The serial loader. Options:
//   --simulate       dry run against the emulated programmer box
//   --startup-probe  print the time to the first paint and the memory in use, then exit
//   --help, --version
#include "common/AppFiles.h"
#include "common/ProgramOptions.h"
#include "common/ResidentMemory.h"
#include "common/widgets/GuardedApplication.h"
#include "common/widgets/QtPrompter.h"
#include "orvane/core/LoaderCore.h"
#include "orvane/core/LoaderSettings.h"
#include "orvane/session/LoaderSession.h"
#include "orvane/ui/LoaderWindows.h"
#include "sim/box/ProgrammerBox.h"

#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// The options of the loader's window; --help, --version and a wrong option
// end the process before anything needs a display.
struct Options {
  bool simulate = false;
  bool probe = false;
};

QString HelpNotes() {
  const sim::ProgrammerBox::Chip chip;
  const QString examples = common::AppFiles::forThisExecutable().examplesFolder();
  if (examples.isEmpty())
    return QStringLiteral("No example programs were found beside the program or in its package's\n"
                          "documentation.\n");
  return QStringLiteral("Example programs (File > Open starts here on a first start):\n"
                        "  %1\n"
                        "  blink-at89s51.hex: %2\n"
                        "To try it: orvane --simulate, open blink-at89s51.hex, then double-click\n"
                        "Program, Verify and Read in the function list.\n")
      .arg(examples, QString::fromStdString(chip.name));
}

std::optional<int> ReadOptions(const QStringList &arguments, Options *options) {
  const sim::ProgrammerBox::Chip chip;
  common::ProgramOptions parser(
      QStringLiteral("orvane"), orvane::LoaderSettings::GetVersionText(),
      QStringLiteral("[--simulate] [--startup-probe] [--close-when-shown] [--help] [--version]"),
      QStringLiteral("Loads Intel HEX files and programs microcontrollers through the serial\n"
                     "programmer box."));
  const QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QStringLiteral("dry run: the port list holds an emulated programmer box\n"
                     "with an %1 (%2 bytes of flash) that keeps its memory\n"
                     "between runs; for another chip, start\n"
                     "orvane-box-sim --chip NAME --size BYTES and pick the\n"
                     "terminal it prints")
          .arg(QString::fromStdString(chip.name))
          .arg(chip.flashSize));
  const QCommandLineOption probe(QStringLiteral("startup-probe"),
                                 QStringLiteral("print the time to the main window's first paint "
                                                "and the\nresident memory, then exit"));
  // Taken by the application object itself.
  const QCommandLineOption closeWhenShown(
      QStringLiteral("close-when-shown"),
      QStringLiteral("close again right after the main window is shown"));
  for (const QCommandLineOption &o : {simulate, probe, closeWhenShown})
    parser.add(o);
  parser.setNotes(HelpNotes());
  if (const std::optional<int> stop = parser.parse(arguments))
    return stop;
  options->simulate = parser.isSet(simulate.names().constFirst());
  options->probe = parser.isSet(probe.names().constFirst());
  return std::nullopt;
}

// Prints one line at the first paint of the watched window and ends the run.
class FirstPaintProbe : public QObject {
public:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      // After this paint has finished, so that it counts whole.
      QTimer::singleShot(0, [] {
        std::printf("painted rss_kib=%ld\n", common::ResidentKiB());
        std::fflush(stdout);
        QCoreApplication::exit(0);
      });
    }
    return QObject::eventFilter(watched, event);
  }

private:
  bool done_ = false;
};

} // namespace

int main(int argc, char **argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i)
    arguments << QString::fromLocal8Bit(argv[i]);
  Options opts;
  if (const std::optional<int> stop = ReadOptions(arguments, &opts))
    return *stop;

  common::GuardedApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("orvane"));
  app.setTitle(orvane::LoaderCore::ApplicationTitle());
  common::QtPrompter prompter;
  app.setPrompter(&prompter);

  const common::AppFiles files = common::AppFiles::forRunningProgram();
  orvane::LoaderOptions options;
  options.examplesFolder = files.examplesFolder();
  auto session = std::make_unique<orvane::LoaderSession>(
      orvane::LoaderPaths::ForProgram(QCoreApplication::applicationFilePath()), prompter);
  if (opts.simulate) {
    QString error;
    if (!session->Simulate(
            orvane::LoaderSession::BoxChipFile(QCoreApplication::applicationFilePath()), &error)) {
      std::fprintf(stderr, "orvane: the emulated programmer box did not start: %s\n",
                   error.toLocal8Bit().constData());
      return 1;
    }
    std::printf("orvane: dry run, the emulated programmer box is on %s\n",
                session->SimulatedPort().toLocal8Bit().constData());
    std::fflush(stdout);
  }

  orvane::LoaderWindows windows(std::move(session), prompter, std::move(options));
  prompter.setParent(&windows.main());
  FirstPaintProbe paintProbe;
  if (opts.probe)
    windows.main().installEventFilter(&paintProbe);
  else
    // However the run ends, the settings are written once.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &windows.main(),
                     [&windows] { windows.main().FormClose(); });
  windows.main().show();
  return app.exec();
}
