#pragma once

#include <cstdint>

#include <QString>

#include "rindle/engine/IspEngine.h"

// Helpers the chip operations share (Memory.cpp, LockFuses.cpp,
// Signature.cpp): report hex text, the progress point of the long loops and
// where each memory area lies in the buffer.
namespace rindle::chip {

// Two upper-case digits.
QString Hex2(std::uint32_t value);
// At least four upper-case digits, more when the value needs them.
QString Hex4(std::uint32_t value);

// The progress point of a loop: before each unit the loop asks Go(position
// of the unit); once `interval` bytes have been handled since the last point
// (or the start) it reports the position, lets pending events run and
// answers false when the operation is to stop. An interval of 0 never
// reports.
class ProgressPoint {
public:
  ProgressPoint(IspEngine &engine, std::uint32_t interval) : engine_(engine), interval_(interval) {}
  bool Go(std::int64_t position) {
    if (interval_ == 0 || handled_ < interval_) {
      return true;
    }
    handled_ = 0;
    if (engine_.UpdateProgressBar) {
      engine_.UpdateProgressBar(static_cast<int>(position));
    }
    if (engine_.ProcessEvents) {
      engine_.ProcessEvents();
    }
    return !engine_.CancelRequested;
  }
  void Handled(std::uint32_t bytes) { handled_ += bytes; }

private:
  IspEngine &engine_;
  std::uint32_t interval_;
  std::uint32_t handled_ = 0;
};

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
