#include "rindle/app/FuseDialogModel.h"

#include "rindle/app/FuseBitTable.h"

namespace rindle {

namespace {

// Boxes are kept top to bottom, column by column: boot lock 5..2, then the
// three fuse bytes 7..0.
constexpr int kBootLockTopBit = 5;
constexpr int kFuseTopBit = 7;
constexpr std::uint16_t kLb1 = 0x01;
constexpr std::uint16_t kLb2 = 0x02;

QString Prefix(FuseDialogModel::Column column) {
  switch (column) {
  case FuseDialogModel::Column::BootLock:
    return QStringLiteral("chkBL");
  case FuseDialogModel::Column::Extended:
    return QStringLiteral("chkEF");
  case FuseDialogModel::Column::High:
    return QStringLiteral("chkHF");
  case FuseDialogModel::Column::Low:
    break;
  }
  return QStringLiteral("chkLF");
}

} // namespace

FuseDialogModel::Column FuseDialogModel::ColumnOf(std::size_t index) {
  if (index < kBootLockBoxes)
    return Column::BootLock;
  return static_cast<Column>(1 + (index - kBootLockBoxes) / kFuseBits);
}

int FuseDialogModel::BitOf(std::size_t index) {
  if (index < kBootLockBoxes)
    return kBootLockTopBit - static_cast<int>(index);
  return kFuseTopBit - static_cast<int>((index - kBootLockBoxes) % kFuseBits);
}

FuseDialogModel::FuseDialogModel(IspEngine &engine) : engine_(engine) {
  for (std::size_t i = 0; i < kBoxCount; ++i) {
    boxes_[i].name = Prefix(ColumnOf(i)) + QString::number(BitOf(i));
    boxes_[i].caption = QStringLiteral(" -");
  }
  const std::array<const char *, kBootLockBoxes> bootLock{" BLB12", " BLB11", " BLB02", " BLB01"};
  for (std::size_t i = 0; i < kBootLockBoxes; ++i)
    boxes_[i].caption = QString::fromLatin1(bootLock[i]);
}

std::uint16_t *FuseDialogModel::byteOf(Column column) {
  switch (column) {
  case Column::BootLock:
    return &engine_.Fuses.LockByte;
  case Column::Extended:
    return &engine_.Fuses.FuseExtended;
  case Column::High:
    return &engine_.Fuses.FuseHigh;
  case Column::Low:
    break;
  }
  return &engine_.Fuses.FuseLow;
}

void FuseDialogModel::FormShow() {
  const DeviceFuseLayout &layout = FuseLayoutFor(engine_.Device.DeviceIndex);
  for (std::size_t i = 0; i < kBoxCount; ++i) {
    Box &b = boxes_[i];
    const Column column = ColumnOf(i);
    if (column == Column::BootLock) {
      b.enabled = layout.bootLockEnabled;
      continue;
    }
    const FuseByteLayout &bits = column == Column::Extended ? layout.extended
                                 : column == Column::High   ? layout.high
                                                            : layout.low;
    const FuseBit &bit = bits[static_cast<std::size_t>(BitOf(i))];
    b.caption = QLatin1Char(' ') + QString::fromLatin1(FuseBitCaptionName(bit));
    b.enabled = bit.enabled;
  }
  RefreshConfigBits();
}

void FuseDialogModel::RefreshConfigBits() {
  for (std::size_t i = 0; i < kBoxCount; ++i) {
    const std::uint16_t value = *byteOf(ColumnOf(i));
    boxes_[i].checked = (value & (1u << BitOf(i))) == 0;
  }
}

void FuseDialogModel::UpdateConfigFuseBytes() {
  FuseState &f = engine_.Fuses;
  f.LockByte = 0;
  f.FuseExtended = 0;
  f.FuseHigh = 0;
  f.FuseLow = 0;
  for (std::size_t i = 0; i < kBoxCount; ++i)
    if (!boxes_[i].checked)
      *byteOf(ColumnOf(i)) |= static_cast<std::uint16_t>(1u << BitOf(i));
  if ((f.LockBits & kLb2) == 0)
    f.LockByte |= kLb2;
  if ((f.LockBits & kLb1) == 0)
    f.LockByte |= kLb1;
}

} // namespace rindle
