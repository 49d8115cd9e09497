#include "isp/hardware/IspHardware.h"

#include <QDir>
#include <QFileInfo>

#include "common/SafeFile.h"
#include "isp/core/DeviceCatalogue.h"
#include "sim/isp/ChipModels.h"

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

SimulatedHardware::SimulatedHardware(SimulationSetup setup) : setup_(std::move(setup)) {
  bench_.setWiring(setup_.wiring);
  if (setup_.wall != nullptr)
    bench_.forwardDelaysTo(setup_.wall);
  else if (setup_.realDelays)
    bench_.forwardDelaysTo(&wall_);
  if (setup_.keeping == ChipKeeping::LastChip)
    insertLastChip();
  else if (!setup_.device.isEmpty())
    insert(setup_.device);
}

SimulatedHardware::SimulatedHardware(QString stateFolder, QString fixedDevice, bool realDelays)
    : SimulatedHardware(SimulationSetup{.keeping = ChipKeeping::FilePerChip,
                                        .place = std::move(stateFolder),
                                        .device = std::move(fixedDevice),
                                        .realDelays = realDelays}) {}

SimulatedHardware::~SimulatedHardware() {
  saveChip();
  bench_.forwardDelaysTo(nullptr);
}

QString SimulatedHardware::stateFile(const QString &device) const {
  if (setup_.keeping == ChipKeeping::LastChip)
    return setup_.place;
  return QDir(setup_.place).filePath(QStringLiteral("simulated-%1.chip").arg(device));
}

bool SimulatedHardware::Knows(const QString &device) {
  return sim::isp::FindChipModel(device.toStdString()) != nullptr;
}

void SimulatedHardware::deviceSelected(std::uint16_t deviceIndex) {
  if (setup_.keeping == ChipKeeping::LastChip || !setup_.device.isEmpty())
    return;
  const QString device = ListName(deviceIndex);
  if (device.isEmpty() || device == current_)
    return;
  saveChip();
  insert(device);
}

void SimulatedHardware::operationDone() { saveChip(); }

bool SimulatedHardware::load(const QString &file, bool &held) {
  stateProblem_.clear();
  if (!QFileInfo::exists(file))
    return false;
  const std::string problem = bench_.loadState(file.toStdString());
  if (problem.empty())
    return true;
  stateProblem_ = QString::fromStdString(problem);
  // The chip written at the next save must not take the damaged one's place.
  const QString kept = common::KeepDamagedFile(file);
  held = kept.isEmpty();
  notice_ = common::DamagedFileNotice(file, stateProblem_, kept,
                                      QStringLiteral("a new chip is put in the socket"));
  return false;
}

void SimulatedHardware::insert(const QString &device) {
  current_ = device;
  bool held = false;
  if (load(stateFile(device), held))
    return;
  if (held)
    held_ << device;
  // A new chip, fresh from the factory.
  if (!bench_.insertChip(device.toStdString()))
    current_.clear();
}

void SimulatedHardware::insertLastChip() {
  bench_.insertChip(setup_.firstChip.toStdString());
  bool held = false;
  const bool stored = !setup_.place.isEmpty() && load(setup_.place, held);
  if (held)
    held_ << setup_.place;
  const sim::isp::ChipModel *asked =
      setup_.device.isEmpty() ? nullptr : sim::isp::FindChipModel(setup_.device.toStdString());
  if (asked != nullptr && (!stored || bench_.chip() == nullptr || &bench_.chip()->model() != asked))
    bench_.insertChip(asked->name);
  current_ = setup_.place;
}

void SimulatedHardware::saveChip() {
  if (current_.isEmpty() || bench_.chip() == nullptr || setup_.place.isEmpty() ||
      held_.contains(current_))
    return;
  if (setup_.keeping == ChipKeeping::FilePerChip)
    QDir().mkpath(setup_.place);
  const std::string problem = bench_.saveState(stateFile(current_).toStdString());
  stateProblem_ = QString::fromStdString(problem);
}

std::unique_ptr<IspHardware> MakeHardware(bool simulate, SimulationSetup simulation) {
  if (simulate)
    return std::make_unique<SimulatedHardware>(std::move(simulation));
  return std::make_unique<ParallelPortHardware>();
}

std::unique_ptr<IspHardware> MakeHardware(bool simulate, const QString &fixedDevice,
                                          const QString &stateFolder) {
  return MakeHardware(simulate, SimulationSetup{.keeping = ChipKeeping::FilePerChip,
                                                .place = stateFolder,
                                                .device = fixedDevice,
                                                .realDelays = true});
}

} // namespace rindle
