#include "rindle/ui/TfrmFillBuffer.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "rindle/ui/DialogSupport.h"

namespace rindle {

TfrmFillBuffer::TfrmFillBuffer(IspEngine &engine, common::Prompter &prompter, QWidget *parent)
    : TfrmFillBuffer(5, {}, parent) {
  flow_ = std::make_unique<FillBufferFlow>(engine, prompter);
  onOk_ = [this](const QString &start, const QString &end, const QString &data) {
    flow_->btnOKClick(start, end, data);
  };
}

TfrmFillBuffer::TfrmFillBuffer(int addressDigits, OkHandler onOk, QWidget *parent)
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

void TfrmFillBuffer::Preset(const QString &start, const QString &end, const QString &data) {
  edtStart_->setText(start);
  edtEnd_->setText(end);
  edtData_->setText(data);
}

void TfrmFillBuffer::Preset(const BufferDisplayModel::FillPreset &preset) {
  Preset(preset.start, preset.end, preset.data);
}

void TfrmFillBuffer::btnOKClick() {
  if (onOk_)
    onOk_(edtStart_->text(), edtEnd_->text(), edtData_->text());
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
