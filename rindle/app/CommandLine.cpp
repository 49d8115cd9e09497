#include "rindle/app/CommandLine.h"

#include "rindle/engine/DeviceCatalogue.h"

namespace rindle {

namespace {

// The device list's name for `text`, compared without regard to case.
QString DeviceName(const QString &text) {
  for (const DeviceEntry &entry : kDeviceList) {
    const QString name =
        QString::fromLatin1(entry.Name().data(), static_cast<qsizetype>(entry.Name().size()));
    if (entry.isDevice && name.compare(text.trimmed(), Qt::CaseInsensitive) == 0)
      return name;
  }
  return {};
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
                                    "device list, such as MEGA8 or AT89S52.")
                         .arg(arg.mid(kSimulateWith.size()));
      }
    } else if (line.error.isEmpty()) {
      line.error = QStringLiteral("Unknown option \"%1\".").arg(arg);
    }
  }
  return line;
}

QString UsageText(const QString &program) {
  return QStringLiteral(
             "Usage: %1 [--simulate[=DEVICE]] [--close-when-shown] [--help] [--version]\n"
             "Programs AT89S and AVR chips in circuit through an ISP cable on the parallel "
             "port.\n\n"
             "  --simulate         run against a simulated cable and chip instead of the port;\n"
             "                     the socket holds a chip of the device selected in the list,\n"
             "                     and each chip keeps its memories between runs\n"
             "  --simulate=DEVICE  the same with one chip of DEVICE (for example MEGA8),\n"
             "                     whatever device is selected\n"
             "  --close-when-shown close again right after the main window is shown\n"
             "                     (the settings are saved as on any exit)\n"
             "  --help             show this text and exit\n"
             "  --version          show the version and exit\n")
      .arg(program);
}

QString VersionText(const QString &program) {
  return QStringLiteral("%1 %2\n").arg(program, QLatin1String(kVersion));
}

} // namespace rindle
