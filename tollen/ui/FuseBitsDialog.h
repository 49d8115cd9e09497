#pragma once

#include <QDialog>

#include "isp/core/FuseBoxes.h"

namespace rindle {
class FuseBoxesView;
}

namespace tollen::ui {

// The fuse dialog: the programmer's four columns of fuse boxes, on top. It
// has no logic: its owner fills the boxes, shows it and reads them back.
class FuseBitsDialog : public QDialog {
  Q_OBJECT
public:
  FuseBitsDialog(const QString &title, rindle::FuseBoxes &boxes, QWidget *parent = nullptr);

  // Draws the boxes as they are now.
  void ShowBoxes();

private:
  rindle::FuseBoxesView *view_;
};

} // namespace tollen::ui
