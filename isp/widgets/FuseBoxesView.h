#pragma once

#include <array>

#include <QWidget>

#include "isp/core/FuseBoxes.h"

class QCheckBox;

namespace rindle {

// The fuse dialogs' four columns of check boxes under the headings "Boot
// Lock", "Fuse Ext", "Fuse High" and "Fuse Low", one box per FuseBoxes box
// and named after it. A click ticks the box in `boxes` at once; ShowBoxes
// draws what `boxes` holds. The boxes are outside the tab order.
class FuseBoxesView : public QWidget {
  Q_OBJECT
public:
  FuseBoxesView(FuseBoxes &boxes, QWidget *parent = nullptr);
  void ShowBoxes();

private:
  FuseBoxes &boxes_;
  std::array<QCheckBox *, FuseBoxes::kBoxCount> checks_{};
};

} // namespace rindle
