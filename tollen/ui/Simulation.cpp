#include "tollen/ui/Simulation.h"

#include <QFile>

#include "common/SafeFile.h"
#include "sim/isp/ChipModels.h"

namespace tollen::ui {

Simulation::Simulation(const QString &device, const QString &stateFile, common::TickTimer *wall)
    : bench_(kDefaultChip), stateFile_(stateFile.toStdString()) {
  sim::isp::CableWiring wiring;
  wiring.presenceLoop = true;
  bench_.setWiring(wiring);
  bench_.forwardDelaysTo(wall);
  bool stored = false;
  if (QFile::exists(stateFile)) {
    const std::string problem = bench_.loadState(stateFile_);
    stored = problem.empty();
    if (!stored) {
      const QString kept = common::KeepDamagedFile(stateFile);
      held_ = kept.isEmpty();
      notice_ = common::DamagedFileNotice(stateFile, QString::fromStdString(problem), kept,
                                          QStringLiteral("a new chip is put in the socket"));
    }
  }
  const sim::isp::ChipModel *asked =
      device.isEmpty() ? nullptr : sim::isp::FindChipModel(device.toStdString());
  if (asked != nullptr && (!stored || &bench_.chip()->model() != asked)) {
    bench_.insertChip(asked->name);
  }
}

Simulation::~Simulation() {
  bench_.forwardDelaysTo(nullptr);
  if (!held_) {
    bench_.saveState(stateFile_);
  }
}

bool Simulation::Knows(const QString &device) {
  return sim::isp::FindChipModel(device.toStdString()) != nullptr;
}

} // namespace tollen::ui
