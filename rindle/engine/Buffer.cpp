#include "rindle/engine/IspEngine.h"

namespace rindle {

std::int32_t IspEngine::BufferChecksum() {
  Checksum = SumCells(Buffer.all(), Device.FlashSize);
  return Checksum;
}

void IspEngine::ClearFlashArea() { FillBlank(Buffer.all(), 0, Device.FlashSize); }

void IspEngine::ClearEepromArea() { FillBlank(Buffer.all(), Device.FlashSize, Device.EepromSize); }

} // namespace rindle
