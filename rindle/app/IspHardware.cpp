#include "rindle/app/IspHardware.h"

#include <grp.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>

#include "rindle/engine/DeviceCatalogue.h"

namespace rindle {

namespace {

// The group that owns a device file, empty when it cannot be found.
QString OwningGroup(const QString &path) {
  struct stat info {};
  if (::stat(path.toLocal8Bit().constData(), &info) != 0)
    return {};
  const struct group *g = ::getgrgid(info.st_gid);
  return g != nullptr ? QString::fromLocal8Bit(g->gr_name) : QString();
}

QString ListName(std::uint16_t deviceIndex) {
  const DeviceEntry *entry = FindDevice(deviceIndex);
  if (entry == nullptr)
    return {};
  return QString::fromLatin1(entry->Name().data(), static_cast<qsizetype>(entry->Name().size()));
}

} // namespace

QString PortProblemLine(const std::string &errorText, const QString &group) {
  QString line = QString::fromStdString(errorText);
  if (errorText.find("Permission denied") != std::string::npos) {
    line += group.isEmpty()
                ? QStringLiteral(" Your user must be in the group that owns the port device.")
                : QStringLiteral(" Your user must be in the group \"%1\" that owns the port "
                                 "device.")
                      .arg(group);
  }
  return line;
}

QString ParallelPortHardware::portProblem(std::uint16_t base) {
  if (port_.IsOpen() && port_.Base() == base)
    return {};
  if (port_.Open(base))
    return {};
  QString group;
  if (const auto number = common::PpdevPort::ParportNumberFor(base, "/proc/sys/dev/parport"))
    group = OwningGroup(QStringLiteral("/dev/parport%1").arg(*number));
  return PortProblemLine(port_.ErrorText(), group);
}

SimulatedHardware::SimulatedHardware(QString stateFolder, QString fixedDevice, bool realDelays)
    : stateFolder_(std::move(stateFolder)), fixedDevice_(std::move(fixedDevice)) {
  if (realDelays)
    bench_.forwardDelaysTo(&wall_);
  if (!fixedDevice_.isEmpty())
    insert(fixedDevice_);
}

SimulatedHardware::~SimulatedHardware() {
  saveChip();
  bench_.forwardDelaysTo(nullptr);
}

QString SimulatedHardware::stateFile(const QString &device) const {
  return QDir(stateFolder_).filePath(QStringLiteral("simulated-%1.chip").arg(device));
}

void SimulatedHardware::deviceSelected(std::uint16_t deviceIndex) {
  const QString device = ListName(deviceIndex);
  if (!fixedDevice_.isEmpty() || device.isEmpty() || device == current_)
    return;
  saveChip();
  insert(device);
}

void SimulatedHardware::operationDone() { saveChip(); }

void SimulatedHardware::insert(const QString &device) {
  current_ = device;
  stateProblem_.clear();
  const QString file = stateFile(device);
  if (QFileInfo::exists(file)) {
    const std::string problem = bench_.loadState(file.toStdString());
    if (problem.empty())
      return;
    stateProblem_ = QString::fromStdString(problem);
  }
  // A new chip, fresh from the factory.
  if (!bench_.insertChip(device.toStdString()))
    current_.clear();
}

void SimulatedHardware::saveChip() {
  if (current_.isEmpty() || bench_.chip() == nullptr || stateFolder_.isEmpty())
    return;
  QDir().mkpath(stateFolder_);
  const std::string problem = bench_.saveState(stateFile(current_).toStdString());
  stateProblem_ = QString::fromStdString(problem);
}

std::unique_ptr<IspHardware> MakeHardware(bool simulate, const QString &fixedDevice,
                                          const QString &stateFolder) {
  if (simulate)
    return std::make_unique<SimulatedHardware>(stateFolder, fixedDevice, true);
  return std::make_unique<ParallelPortHardware>();
}

} // namespace rindle
