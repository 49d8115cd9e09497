// The serial loader. Options:
//   --simulate       dry run against the emulated programmer box
//   --startup-probe  print the time to the first paint and the memory in use, then exit
//   --help, --version
#include "common/AppFiles.h"
#include "common/ResidentMemory.h"
#include "common/widgets/GuardedApplication.h"
#include "common/widgets/QtPrompter.h"
#include "orvane/core/LoaderCore.h"
#include "orvane/core/LoaderSettings.h"
#include "orvane/ui/LoaderWindows.h"
#include "sim/box/ProgrammerBox.h"

#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

void printHelp() {
  const sim::ProgrammerBox::Chip chip;
  std::printf("Usage: orvane [--simulate] [--startup-probe] [--close-when-shown] [--help] "
              "[--version]\n"
              "Loads Intel HEX files and programs microcontrollers through the serial\n"
              "programmer box.\n\n"
              "  --simulate       dry run: the port list holds an emulated programmer box\n"
              "                   with an %s (%d bytes of flash) that keeps its memory\n"
              "                   between runs; for another chip, start\n"
              "                   orvane-box-sim --chip NAME --size BYTES and pick the\n"
              "                   terminal it prints\n"
              "  --startup-probe  print the time to the main window's first paint and the\n"
              "                   resident memory, then exit\n"
              "  --close-when-shown  close again right after the main window is shown\n"
              "  --help           show this text and exit\n"
              "  --version        show the version and exit\n\n",
              chip.name.c_str(), chip.flashSize);
  const QString examples = common::AppFiles::forThisExecutable().examplesFolder();
  if (examples.isEmpty()) {
    std::printf("No example programs were found beside the program or in its package's\n"
                "documentation.\n");
    return;
  }
  std::printf("Example programs (File > Open starts here on a first start):\n"
              "  %s\n"
              "  blink-at89s51.hex: %s\n"
              "To try it: orvane --simulate, open blink-at89s51.hex, then double-click\n"
              "Program, Verify and Read in the function list.\n",
              examples.toLocal8Bit().constData(), chip.name.c_str());
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
  bool simulate = false;
  bool probe = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      printHelp();
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("orvane %s\n", orvane::LoaderSettings::GetVersionText().toUtf8().constData());
      return 0;
    }
    if (std::strcmp(argv[i], "--simulate") == 0) {
      simulate = true;
    } else if (std::strcmp(argv[i], "--startup-probe") == 0) {
      probe = true;
    } else if (std::strcmp(argv[i], "--close-when-shown") == 0) {
      // Taken by the application object itself.
    } else {
      std::fprintf(stderr, "orvane: unknown option %s (try --help)\n", argv[i]);
      return 2;
    }
  }

  common::GuardedApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("orvane"));
  app.setTitle(orvane::LoaderCore::ApplicationTitle());
  common::QtPrompter prompter;
  app.setPrompter(&prompter);

  const common::AppFiles files = common::AppFiles::forRunningProgram();
  orvane::LoaderOptions options;
  options.examplesFolder = files.examplesFolder();
  std::unique_ptr<sim::ProgrammerBox> box;
  if (simulate) {
    box = std::make_unique<sim::ProgrammerBox>(
        sim::ProgrammerBox::Chip{}, files.dataFile(QStringLiteral("box-chip.bin")).toStdString());
    std::string error;
    if (!box->Start(&error)) {
      std::fprintf(stderr, "orvane: the emulated programmer box did not start: %s\n",
                   error.c_str());
      return 1;
    }
    options.simulatedPort = QString::fromStdString(box->Path());
    std::printf("orvane: dry run, the emulated programmer box is on %s\n", box->Path().c_str());
    std::fflush(stdout);
  }

  orvane::LoaderWindows windows(QCoreApplication::applicationFilePath(), prompter,
                                std::move(options));
  prompter.setParent(&windows.main());
  FirstPaintProbe paintProbe;
  if (probe)
    windows.main().installEventFilter(&paintProbe);
  else
    // However the run ends, the settings are written once.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &windows.main(),
                     [&windows] { windows.main().FormClose(); });
  windows.main().show();
  const int rc = app.exec();
  if (box)
    box->Stop();
  return rc;
}
