#pragma once

#include <cstdint>

#include "rindle/engine/IspEngine.h"
#include "isp/core/FuseBoxes.h"

namespace rindle {

// The fuse dialog without its widgets: the boxes of the selected device,
// filled from the engine's fuse state and written back to it.
class FuseDialogModel {
public:
  explicit FuseDialogModel(IspEngine &engine);

  // The selected device's layout on every box, then RefreshConfigBits.
  void FormShow();
  // Every box checked exactly when its bit is 0, disabled ones too.
  void RefreshConfigBits();
  // The four bytes rebuilt from every box; LB1 and LB2 come from LockBits.
  void UpdateConfigFuseBytes();

  FuseBoxes &boxes() { return boxes_; }
  const FuseBoxes &boxes() const { return boxes_; }

private:
  IspEngine &engine_;
  FuseBoxes boxes_;
};

} // namespace rindle
