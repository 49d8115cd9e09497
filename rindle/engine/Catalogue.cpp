#include "rindle/engine/IspEngine.h"

namespace rindle {

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
  Fuses = ApplyForcedFuses(*entry, Fuses);
}

IspFamily IspEngine::Family() const {
  const DeviceEntry *entry = CurrentDevice();
  return entry != nullptr ? entry->family : IspFamily::At89S51;
}

} // namespace rindle
