#include "rindle/app/FuseDialogModel.h"

#include "rindle/app/FuseBitTable.h"

namespace rindle {

FuseDialogModel::FuseDialogModel(IspEngine &engine) : engine_(engine) {}

void FuseDialogModel::FormShow() {
  using Column = FuseBoxes::Column;
  const DeviceFuseLayout &layout = FuseLayoutFor(engine_.Device.DeviceIndex);
  boxes_.EnableBootLock(layout.bootLockEnabled);
  for (const auto &[column, bits] :
       {std::pair<Column, const FuseByteLayout &>{Column::Extended, layout.extended},
        {Column::High, layout.high},
        {Column::Low, layout.low}}) {
    for (int b = 0; b < int(FuseBoxes::kFuseBits); ++b) {
      const FuseBit &bit = bits[static_cast<std::size_t>(b)];
      boxes_.ShowBit(column, b,
                     QString::fromLatin1(bit.name.data(), static_cast<qsizetype>(bit.name.size())),
                     bit.enabled);
    }
  }
  RefreshConfigBits();
}

void FuseDialogModel::RefreshConfigBits() {
  const FuseState &f = engine_.Fuses;
  boxes_.Refresh({f.LockByte, f.FuseExtended, f.FuseHigh, f.FuseLow});
}

void FuseDialogModel::UpdateConfigFuseBytes() {
  FuseState &f = engine_.Fuses;
  const FuseBoxes::Bytes bytes = boxes_.Build(f.LockBits);
  f.LockByte = bytes.lock;
  f.FuseExtended = bytes.extended;
  f.FuseHigh = bytes.high;
  f.FuseLow = bytes.low;
}

} // namespace rindle
