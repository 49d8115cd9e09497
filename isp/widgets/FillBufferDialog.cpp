#include "isp/widgets/FillBufferDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "isp/widgets/DialogSupport.h"

namespace rindle {

FillBufferDialog::FillBufferDialog(int addressDigits, OkHandler onOk, QWidget *parent)
    : QDialog(parent), onOk_(std::move(onOk)) {
  setObjectName(QStringLiteral("frmFillBuffer"));
  setWindowTitle(QStringLiteral("  Fill  Buffer"));
  edtStart_ = HexField("edtStart", addressDigits, this);
  edtEnd_ = HexField("edtEnd", addressDigits, this);
  edtData_ = HexField("edtData", 2, this);
  auto *fields = new QFormLayout;
  fields->addRow(QStringLiteral("Start Address :"), edtStart_);
  fields->addRow(QStringLiteral("End Address :"), edtEnd_);
  fields->addRow(QStringLiteral("Data :"), edtData_);
  fields->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

  auto *ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton *b : {ok, cancel})
    b->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &FillBufferDialog::btnOKClick);
  connect(cancel, &QPushButton::clicked, this, &FillBufferDialog::btnCancelClick);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto *all = new QVBoxLayout(this);
  all->addLayout(fields);
  all->addSpacing(8);
  all->addLayout(buttons);
  SetFixedDialogFrame(*this);
  new HexKeyFilter(*this); // Enter does nothing here
}

void FillBufferDialog::Preset(const QString &start, const QString &end, const QString &data) {
  edtStart_->setText(start);
  edtEnd_->setText(end);
  edtData_->setText(data);
}

void FillBufferDialog::btnOKClick() {
  if (onOk_)
    onOk_(edtStart_->text(), edtEnd_->text(), edtData_->text());
  accept();
}

void FillBufferDialog::btnCancelClick() { reject(); }

void FillBufferDialog::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
  edtStart_->setFocus();
  edtStart_->selectAll();
}

} // namespace rindle
