#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include <QString>

#include "isp/core/DeviceCatalogue.h"

namespace rindle {

// The boxes of the fuse dialog without their widgets: 28 boxes in four
// columns (boot lock bits 5..2 of the lock byte, then the extended, high and
// low fuse bytes, bits 7..0), top to bottom, column by column. A checked box
// is a programmed bit, which is a 0 bit.
class FuseBoxes {
public:
  struct Box {
    QString name;    // the control's object name, e.g. "chkHF5"
    QString caption; // " BODLEVEL", or " -" for a bit the device lacks
    bool enabled = false;
    bool checked = false;
  };
  enum class Column { BootLock, Extended, High, Low };
  // The bytes the boxes stand for.
  struct Bytes {
    std::uint16_t lock = 0xFF;
    std::uint16_t extended = 0xFF;
    std::uint16_t high = 0xFF;
    std::uint16_t low = 0xFF;
  };
  static constexpr std::size_t kBoxCount = 28;
  static constexpr std::size_t kBootLockBoxes = 4;
  static constexpr std::size_t kFuseBits = 8;

  // Boot lock boxes " BLB12" to " BLB01", every fuse box " -"; all disabled
  // and clear.
  FuseBoxes();

  const std::array<Box, kBoxCount> &boxes() const { return boxes_; }
  void setChecked(std::size_t index, bool checked) { boxes_.at(index).checked = checked; }
  const Box &at(Column column, int bit) const { return boxes_.at(IndexOf(column, bit)); }
  Box &at(Column column, int bit) { return boxes_.at(IndexOf(column, bit)); }

  // The column, bit and row (0 = top) of a box index, and back.
  static Column ColumnOf(std::size_t index);
  static int BitOf(std::size_t index);
  static int RowOf(std::size_t index);
  static std::size_t IndexOf(Column column, int bit);

  // One fuse bit as the device has it: its name (empty: the device lacks
  // it, shown " -" and disabled) and whether the user may change it.
  void ShowBit(Column column, int bit, const QString &name, bool enabled);
  void EnableBootLock(bool enabled);
  // Every fuse box and the boot lock boxes as a device's record lays them
  // out, whatever the boxes showed before.
  void ShowLayout(const DeviceFuseLayout &layout);

  // Every box checked exactly when its bit is 0, disabled ones too.
  void Refresh(const Bytes &bytes);
  // The bytes rebuilt from every box: each starts at 0 and gets a 1 in every
  // bit whose box is clear. Lock byte bits 1 and 0 are 1 unless lock bit 2
  // or 1 is chosen in lockBits; bits 7 and 6 are 0.
  Bytes Build(std::uint16_t lockBits) const;

private:
  std::array<Box, kBoxCount> boxes_;
};

} // namespace rindle
