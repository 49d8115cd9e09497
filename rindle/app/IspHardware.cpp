#include "rindle/app/IspHardware.h"

#include <QDir>
#include <QFileInfo>

#include "common/SafeFile.h"
#include "rindle/isp/DeviceCatalogue.h"

namespace rindle {

namespace {

QString ListName(std::uint16_t deviceIndex) {
  const DeviceEntry *entry = FindDevice(deviceIndex);
  if (entry == nullptr)
    return {};
  return QString::fromLatin1(entry->Name().data(), static_cast<qsizetype>(entry->Name().size()));
}

} // namespace

QString ParallelPortHardware::portProblem(std::uint16_t base) {
  if (port_.IsOpen() && port_.Base() == base)
    return {};
  // The port's own reason names the device file and, when access was
  // refused, the group the user must join.
  const common::PortReach reach = port_.Open(base);
  return reach.ok ? QString() : QString::fromStdString(reach.reason);
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
    // The chip written at the next save must not take the damaged one's place.
    const QString kept = common::KeepDamagedFile(file);
    if (kept.isEmpty())
      held_ << device;
    notice_ = common::DamagedFileNotice(file, stateProblem_, kept,
                                        QStringLiteral("a new chip is put in the socket"));
  }
  // A new chip, fresh from the factory.
  if (!bench_.insertChip(device.toStdString()))
    current_.clear();
}

void SimulatedHardware::saveChip() {
  if (current_.isEmpty() || bench_.chip() == nullptr || stateFolder_.isEmpty() ||
      held_.contains(current_))
    return;
  QDir().mkpath(stateFolder_);
  const std::string problem = bench_.saveState(stateFile(current_).toStdString());
  stateProblem_ = QString::fromStdString(problem);
}

std::unique_ptr<IspHardware> MakeHardware(bool simulate, const QString &fixedDevice,
                                          const QString &stateFolder, bool realDelays) {
  if (simulate)
    return std::make_unique<SimulatedHardware>(stateFolder, fixedDevice, realDelays);
  return std::make_unique<ParallelPortHardware>();
}

} // namespace rindle
