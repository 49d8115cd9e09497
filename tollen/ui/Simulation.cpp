#include "tollen/ui/Simulation.h"

#include <QFile>

#include "sim/isp/ChipModels.h"

namespace tollen::ui {

Simulation::Simulation(const QString &device, const QString &stateFile, common::TickTimer *wall)
    : bench_(kDefaultChip), stateFile_(stateFile.toStdString()) {
  sim::isp::CableWiring wiring;
  wiring.presenceLoop = true;
  bench_.setWiring(wiring);
  bench_.forwardDelaysTo(wall);
  const bool stored = QFile::exists(stateFile) && bench_.loadState(stateFile_).empty();
  const sim::isp::ChipModel *asked =
      device.isEmpty() ? nullptr : sim::isp::FindChipModel(device.toStdString());
  if (asked != nullptr && (!stored || &bench_.chip()->model() != asked)) {
    bench_.insertChip(asked->name);
  }
}

Simulation::~Simulation() {
  bench_.forwardDelaysTo(nullptr);
  bench_.saveState(stateFile_);
}

bool Simulation::Knows(const QString &device) {
  return sim::isp::FindChipModel(device.toStdString()) != nullptr;
}

} // namespace tollen::ui
