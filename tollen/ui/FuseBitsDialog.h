#pragma once

#include <QDialog>
#include <array>

#include "tollen/engine/MainCommands.h"

class QCheckBox;

namespace tollen::ui {

// Four columns of check boxes, one per byte: boot lock bits 5..2 and the
// extended, high and low fuse bytes bit 7 first. The boxes are named
// chkBL5..chkBL2, chkEF7..chkEF0, chkHF7..chkHF0, chkLF7..chkLF0. The dialog
// has no logic: its owner loads the boxes, shows it and reads them back.
class FuseBitsDialog : public QDialog {
  Q_OBJECT
public:
  explicit FuseBitsDialog(const QString &title, QWidget *parent = nullptr);

  void Load(const FuseBoxes &boxes);
  void Store(FuseBoxes &boxes) const;

private:
  std::array<QCheckBox *, 4> bootLock_{};
  std::array<QCheckBox *, 8> ext_{}, high_{}, low_{};
};

} // namespace tollen::ui
