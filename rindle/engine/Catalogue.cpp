#include "rindle/engine/IspEngine.h"

namespace rindle {

namespace {

std::uint16_t &FieldOf(FuseState &fuses, FuseField field) {
  switch (field) {
  case FuseField::FuseLow:
    return fuses.FuseLow;
  case FuseField::FuseHigh:
    return fuses.FuseHigh;
  case FuseField::FuseExtended:
    return fuses.FuseExtended;
  case FuseField::LockByte:
    break;
  }
  return fuses.LockByte;
}

void Apply(FuseState &fuses, const FuseRuleStep &step) {
  std::uint16_t &value = FieldOf(fuses, step.field);
  switch (step.op) {
  case FuseOp::Assign:
    value = step.value;
    break;
  case FuseOp::Or:
    value = static_cast<std::uint16_t>(value | step.value);
    break;
  case FuseOp::AndNot:
    value = static_cast<std::uint16_t>(value & ~step.value);
    break;
  }
}

} // namespace

void IspEngine::SelectDevice() {
  Device.FlashPageSize = 0;
  Device.FlashPageCount = 0;
  Device.FuseCount = 0;
  Device.CalibrationCount = 0;
  Device.EepromPageSize = 0;
  Device.EepromPageCount = 0;
  Device.EepromSize = 0;

  const DeviceEntry *entry = CurrentDevice();
  if (entry == nullptr) {
    return;
  }
  Device.FlashSize = entry->flashSize;
  Device.EepromSize = entry->eepromSize;
  Device.ExpectedSignature = entry->expectedSignature;
  Device.FlashPageSize = entry->flashPageSize;
  Device.FlashPageCount = entry->flashPageCount;
  Device.EepromPageSize = entry->eepromPageSize;
  Device.EepromPageCount = entry->eepromPageCount;
  Device.FuseCount = entry->fuseCount;
  Device.CalibrationCount = entry->calibrationCount;
  for (const FuseRuleStep &step : entry->ForcedAtSelection()) {
    Apply(Fuses, step);
  }
}

IspFamily IspEngine::Family() const {
  const DeviceEntry *entry = CurrentDevice();
  return entry != nullptr ? entry->family : IspFamily::At89S51;
}

} // namespace rindle
