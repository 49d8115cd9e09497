#include "rindle/app/CommandLine.h"

#include "rindle/engine/IspEngine.h"
#include "isp/core/DeviceCatalogue.h"

namespace rindle {

namespace {

QString ListName(const DeviceEntry &entry) {
  return QString::fromLatin1(entry.Name().data(), static_cast<qsizetype>(entry.Name().size()));
}

// The device list's name for `text`, a list or data-sheet name compared
// without regard to case.
QString DeviceName(const QString &text) {
  const DeviceEntry *entry = FindDevice(std::string_view(text.toLatin1().constData()));
  return entry != nullptr ? ListName(*entry) : QString();
}

} // namespace

CommandLine ParseCommandLine(const QStringList &args) {
  CommandLine line;
  static const QString kSimulateWith = QStringLiteral("--simulate=");
  for (const QString &arg : args) {
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      line.help = true;
    } else if (arg == QLatin1String("--version")) {
      line.version = true;
    } else if (arg == QLatin1String("--simulate")) {
      line.simulate = true;
    } else if (arg == QLatin1String("--close-when-shown")) {
      // Taken by the application object itself.
    } else if (arg.startsWith(kSimulateWith)) {
      line.simulate = true;
      line.simulatedDevice = DeviceName(arg.mid(kSimulateWith.size()));
      if (line.simulatedDevice.isEmpty()) {
        line.error = QStringLiteral("Unknown device \"%1\" for --simulate; use a name of the "
                                    "device list or its data sheet, such as MEGA8, ATmega8 or "
                                    "AT89S52.")
                         .arg(arg.mid(kSimulateWith.size()));
      }
    } else if (line.error.isEmpty()) {
      line.error = QStringLiteral("Unknown option \"%1\".").arg(arg);
    }
  }
  return line;
}

QString UsageText(const QString &program, const QString &examplesFolder) {
  // Without settings the list starts on the engine's default device, and the
  // socket of a dry run holds that chip.
  const DeviceEntry *first = FindDevice(IspDevice{}.DeviceIndex);
  const QString firstDevice = first ? ListName(*first) : QString();
  QString text =
      QStringLiteral(
          "Usage: %1 [--simulate[=DEVICE]] [--close-when-shown] [--help] [--version]\n"
          "Programs AT89S and AVR chips in circuit through an ISP cable on the parallel "
          "port.\n\n"
          "  --simulate         run against a simulated cable and chip instead of the port;\n"
          "                     the socket holds a chip of the device selected in the list\n"
          "                     (%2 on a first start), and each chip keeps its memories\n"
          "                     between runs\n"
          "  --simulate=DEVICE  the same with one chip of DEVICE (for example MEGA8),\n"
          "                     whatever device is selected\n"
          "  --close-when-shown close again right after the main window is shown\n"
          "                     (the settings are saved as on any exit)\n"
          "  --help             show this text and exit\n"
          "  --version          show the version and exit\n\n")
          .arg(program, firstDevice);
  if (examplesFolder.isEmpty())
    return text + QStringLiteral("No example programs were found beside the program or in its "
                                 "package's documentation.\n");
  return text + QStringLiteral("Example programs (Open File starts here on a first start):\n"
                               "  %1\n"
                               "  blink-atmega8.hex, with blink-atmega8.eep for the EEPROM: MEGA8\n"
                               "  blink-attiny13.hex: TINY13\n"
                               "  blink-at89s51.hex: AT89S51\n"
                               "To try one: %2 --simulate, pick MEGA8 in the device list, open\n"
                               "blink-atmega8.hex, then Program, Verify and Read.\n")
                    .arg(examplesFolder, program);
}

QString VersionText(const QString &program) {
  return QStringLiteral("%1 %2\n").arg(program, QLatin1String(kVersion));
}

} // namespace rindle
