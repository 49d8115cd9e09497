#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include <QString>

#include "rindle/engine/IspEngine.h"

namespace rindle {

// The fuse dialog without its widgets: 28 boxes in four columns (boot lock
// bits 5..2 of LockByte, then FuseExtended, FuseHigh and FuseLow, bits 7..0).
// A checked box is a programmed bit, which is a 0 bit.
class FuseDialogModel {
public:
  struct Box {
    QString name;    // the control's object name, e.g. "chkHF5"
    QString caption; // " BODLEVEL", or " -" for a bit the device lacks
    bool enabled = false;
    bool checked = false;
  };
  enum class Column { BootLock, Extended, High, Low };
  static constexpr std::size_t kBoxCount = 28;
  static constexpr std::size_t kBootLockBoxes = 4;
  static constexpr std::size_t kFuseBits = 8;

  explicit FuseDialogModel(IspEngine &engine);

  // The selected device's layout on every box, then RefreshConfigBits.
  void FormShow();
  // Every box checked exactly when its bit is 0, disabled ones too.
  void RefreshConfigBits();
  // The four bytes rebuilt from every box; LB1 and LB2 come from LockBits.
  void UpdateConfigFuseBytes();

  const std::array<Box, kBoxCount> &boxes() const { return boxes_; }
  void setChecked(std::size_t index, bool checked) { boxes_.at(index).checked = checked; }

  // The column and bit of a box index.
  static Column ColumnOf(std::size_t index);
  static int BitOf(std::size_t index);

private:
  std::uint16_t *byteOf(Column column);

  IspEngine &engine_;
  std::array<Box, kBoxCount> boxes_;
};

} // namespace rindle
