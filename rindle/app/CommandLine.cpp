#include "rindle/app/CommandLine.h"

#include <memory>

#include "common/ProgramOptions.h"
#include "rindle/engine/IspEngine.h"
#include "isp/core/DeviceCatalogue.h"

namespace rindle {

namespace {

const QString kProgram = QStringLiteral("rindle");

QString ListName(const DeviceEntry &entry) {
  return QString::fromLatin1(entry.Name().data(), static_cast<qsizetype>(entry.Name().size()));
}

// The device list's name for `text`, a list or data-sheet name compared
// without regard to case.
QString DeviceName(const QString &text) {
  const DeviceEntry *entry = FindDevice(std::string_view(text.toLatin1().constData()));
  return entry != nullptr ? ListName(*entry) : QString();
}

QString ExamplesNotes(const QString &program, const QString &examplesFolder) {
  if (examplesFolder.isEmpty())
    return QStringLiteral("No example programs were found beside the program or in its "
                          "package's documentation.\n");
  return QStringLiteral("Example programs (Open File starts here on a first start):\n"
                        "  %1\n"
                        "  blink-atmega8.hex, with blink-atmega8.eep for the EEPROM: MEGA8\n"
                        "  blink-attiny13.hex: TINY13\n"
                        "  blink-at89s51.hex: AT89S51\n"
                        "To try one: %2 --simulate, pick MEGA8 in the device list, open\n"
                        "blink-atmega8.hex, then Program, Verify and Read.\n")
      .arg(examplesFolder, program);
}

std::unique_ptr<common::ProgramOptions> MakeOptions(const QString &program,
                                                    const QString &examplesFolder) {
  // Without settings the list starts on the engine's default device, and the
  // socket of a dry run holds that chip.
  const DeviceEntry *first = FindDevice(IspDevice{}.DeviceIndex);
  const QString firstDevice = first ? ListName(*first) : QString();
  auto options = std::make_unique<common::ProgramOptions>(
      program, QLatin1String(kVersion),
      QStringLiteral("[--simulate[=DEVICE]] [--close-when-shown] [--help] [--version]"),
      QStringLiteral("Programs AT89S and AVR chips in circuit through an ISP cable on the "
                     "parallel port."));
  options->addOptionalValue(QCommandLineOption(
      QStringLiteral("simulate"),
      QStringLiteral("run against a simulated cable and chip instead of the port;\n"
                     "the socket holds a chip of the device selected in the list\n"
                     "(%1 on a first start), and each chip keeps its memories\n"
                     "between runs; --simulate=DEVICE: one chip of DEVICE\n"
                     "(for example MEGA8), whatever device is selected")
          .arg(firstDevice),
      QStringLiteral("DEVICE")));
  options->add(
      QCommandLineOption(QStringLiteral("close-when-shown"),
                         QStringLiteral("close again right after the main window is shown\n"
                                        "(the settings are saved as on any exit)")));
  options->setNotes(ExamplesNotes(program, examplesFolder));
  return options;
}

} // namespace

CommandLine ParseCommandLine(const QStringList &args, const QString &examplesFolder) {
  CommandLine line;
  const std::unique_ptr<common::ProgramOptions> options = MakeOptions(kProgram, examplesFolder);
  if (const std::optional<int> stop = options->parse(QStringList{kProgram} + args)) {
    line.exitStatus = stop;
    line.help = *stop == 0 && options->isSet(QStringLiteral("help"));
    line.version = *stop == 0 && !line.help && options->isSet(QStringLiteral("version"));
    if (*stop != 0)
      line.error = QStringLiteral("The command line cannot be used.");
    return line;
  }
  line.simulate = options->isSet(QStringLiteral("simulate"));
  const QString device = options->value(QStringLiteral("simulate"));
  if (!device.isEmpty()) {
    line.simulatedDevice = DeviceName(device);
    if (line.simulatedDevice.isEmpty()) {
      line.error = QStringLiteral("Unknown device \"%1\" for --simulate; use a name of the "
                                  "device list or its data sheet, such as MEGA8, ATmega8 or "
                                  "AT89S52.")
                       .arg(device);
      line.exitStatus = options->usageError(line.error);
    }
  }
  return line;
}

} // namespace rindle
