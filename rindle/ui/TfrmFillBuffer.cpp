#include "rindle/ui/TfrmFillBuffer.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "rindle/ui/DialogSupport.h"

namespace rindle {

TfrmFillBuffer::TfrmFillBuffer(IspEngine &engine, common::Prompter &prompter, QWidget *parent)
    : QDialog(parent), flow_(engine, prompter) {
  setObjectName(QStringLiteral("frmFillBuffer"));
  setWindowTitle(QStringLiteral("  Fill  Buffer"));
  edtStart_ = HexField("edtStart", 5, this);
  edtEnd_ = HexField("edtEnd", 5, this);
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
  connect(ok, &QPushButton::clicked, this, &TfrmFillBuffer::btnOKClick);
  connect(cancel, &QPushButton::clicked, this, &TfrmFillBuffer::btnCancelClick);
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

void TfrmFillBuffer::Preset(const BufferDisplayModel::FillPreset &preset) {
  edtStart_->setText(preset.start);
  edtEnd_->setText(preset.end);
  edtData_->setText(preset.data);
}

void TfrmFillBuffer::btnOKClick() {
  flow_.btnOKClick(edtStart_->text(), edtEnd_->text(), edtData_->text());
  accept();
}

void TfrmFillBuffer::btnCancelClick() { reject(); }

void TfrmFillBuffer::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
  edtStart_->setFocus();
  edtStart_->selectAll();
}

} // namespace rindle
