#include "tollen/ui/FuseBitsDialog.h"

#include <QVBoxLayout>

#include "isp/widgets/FuseBoxesView.h"

namespace tollen::ui {

FuseBitsDialog::FuseBitsDialog(const QString &title, rindle::FuseBoxes &boxes, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmConfigBits"));
  setWindowTitle(title);
  view_ = new rindle::FuseBoxesView(boxes, this);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void FuseBitsDialog::ShowBoxes() { view_->ShowBoxes(); }

} // namespace tollen::ui
