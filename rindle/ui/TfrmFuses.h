#pragma once

#include <QDialog>

#include "rindle/app/FuseDialogModel.h"

namespace common {
class Prompter;
}

namespace rindle {

class FuseBoxesView;

// The fuse bytes dialog: four columns of boxes (boot lock bits, extended,
// high and low fuse byte), a checked box being a programmed (0) bit. Each
// showing lays the boxes out for the selected device and fills them from the
// fuse state; closing, however it happens, writes them back. The main window
// shows it with exec() and calls UpdateConfigFuseBytes once more afterwards.
class TfrmFuses : public QDialog {
  Q_OBJECT
public:
  TfrmFuses(IspEngine &engine, common::Prompter &prompter, QWidget *parent = nullptr);

  void FormShow();
  void RefreshConfigBits();
  void UpdateConfigFuseBytes();
  void done(int result) override;

protected:
  void showEvent(QShowEvent *event) override;

private:
  FuseDialogModel model_;
  FuseBoxesView *view_;
};

} // namespace rindle
