#include "rindle/ui/TfrmFuses.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

#include "rindle/ui/DialogSupport.h"

namespace rindle {

namespace {

QLabel *Heading(const QString &text, QWidget *parent) {
  auto *label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  font.setUnderline(true);
  label->setFont(font);
  return label;
}

} // namespace

TfrmFuses::TfrmFuses(IspEngine &engine, common::Prompter &, QWidget *parent)
    : QDialog(parent), model_(engine) {
  setObjectName(QStringLiteral("frmFuses"));
  setWindowTitle(QStringLiteral(" Configuration Fuses"));
  auto *grid = new QGridLayout(this);
  grid->setHorizontalSpacing(24);
  grid->setVerticalSpacing(4);
  const std::array<const char *, 4> headings{"Boot Lock", "Fuse Ext", "Fuse High", "Fuse Low"};
  for (int column = 0; column < 4; ++column)
    grid->addWidget(Heading(QString::fromLatin1(headings[column]), this), 0, column);
  for (std::size_t i = 0; i < FuseDialogModel::kBoxCount; ++i) {
    const FuseDialogModel::Box &b = model_.boxes()[i];
    auto *box = new QCheckBox(b.caption, this);
    box->setObjectName(b.name);
    box->setFocusPolicy(Qt::ClickFocus); // outside the tab order
    connect(box, &QCheckBox::toggled, this, [this, i](bool on) { model_.setChecked(i, on); });
    const int column = static_cast<int>(FuseDialogModel::ColumnOf(i));
    const std::size_t row = FuseDialogModel::ColumnOf(i) == FuseDialogModel::Column::BootLock
                                ? i
                                : (i - FuseDialogModel::kBootLockBoxes) % FuseDialogModel::kFuseBits;
    grid->addWidget(box, static_cast<int>(row) + 1, column);
    boxes_[i] = box;
  }
  grid->setRowStretch(9, 1);
  SetFixedDialogFrame(*this);
}

void TfrmFuses::ShowBoxes() {
  for (std::size_t i = 0; i < FuseDialogModel::kBoxCount; ++i) {
    const FuseDialogModel::Box &b = model_.boxes()[i];
    const QSignalBlocker quiet(boxes_[i]);
    boxes_[i]->setText(b.caption);
    boxes_[i]->setEnabled(b.enabled);
    boxes_[i]->setChecked(b.checked);
  }
}

void TfrmFuses::FormShow() {
  model_.FormShow();
  ShowBoxes();
}

void TfrmFuses::RefreshConfigBits() {
  model_.RefreshConfigBits();
  ShowBoxes();
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
