#include "rindle/ui/TfrmFuses.h"

#include <QVBoxLayout>

#include "isp/widgets/DialogSupport.h"
#include "isp/widgets/FuseBoxesView.h"

namespace rindle {

TfrmFuses::TfrmFuses(IspEngine &engine, common::Prompter &, QWidget *parent)
    : QDialog(parent), model_(engine) {
  setObjectName(QStringLiteral("frmFuses"));
  setWindowTitle(QStringLiteral(" Configuration Fuses"));
  view_ = new FuseBoxesView(model_.boxes(), this);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  SetFixedDialogFrame(*this);
}

void TfrmFuses::FormShow() {
  model_.FormShow();
  view_->ShowBoxes();
}

void TfrmFuses::RefreshConfigBits() {
  model_.RefreshConfigBits();
  view_->ShowBoxes();
}

void TfrmFuses::UpdateConfigFuseBytes() { model_.UpdateConfigFuseBytes(); }

void TfrmFuses::showEvent(QShowEvent *event) {
  FormShow();
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

void TfrmFuses::done(int result) {
  UpdateConfigFuseBytes();
  QDialog::done(result);
}

} // namespace rindle
