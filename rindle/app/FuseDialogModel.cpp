#include "rindle/app/FuseDialogModel.h"

#include "rindle/app/FuseBitTable.h"

namespace rindle {

FuseDialogModel::FuseDialogModel(IspEngine &engine) : engine_(engine) {}

void FuseDialogModel::FormShow() {
  boxes_.ShowLayout(FuseLayoutFor(engine_.Device.DeviceIndex));
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
