#pragma once

#include <cstdint>

#include <QString>

#include "rindle/engine/IspEngine.h"
#include "isp/core/ProgressPoint.h"

// Helpers the chip operations share (Memory.cpp, LockFuses.cpp,
// Signature.cpp): report hex text and where each memory area lies in the buffer.
namespace rindle::chip {

// The areas of the selected device, cut so that they always lie inside the
// buffer (a damaged settings file may have left sizes no device has).
struct Layout {
  std::uint32_t flash = 0;
  std::uint32_t eeprom = 0;        // the AT89S8253's 2048 bytes without its user signature
  std::uint32_t userSignature = 0; // AT89S8253 only: 64
  std::uint32_t EepromBase() const { return flash; }
  std::uint32_t UserSignatureBase() const { return flash + eeprom; }
};
Layout LayoutOf(const IspEngine &engine);

// The family's program routine: enable, chip erase and, unless EraseOnly is
// set, the programming run (ResultText set only by a failure).
void RunProgramRoutine(IspEngine &engine);

} // namespace rindle::chip
