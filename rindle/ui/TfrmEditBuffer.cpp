#include "rindle/ui/TfrmEditBuffer.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "isp/widgets/DialogSupport.h"

namespace rindle {

namespace {

QToolButton *StepButton(const char *name, Qt::ArrowType arrow, const QString &hint,
                        QWidget *parent) {
  auto *button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setArrowType(arrow);
  button->setToolTip(hint);
  button->setFocusPolicy(Qt::NoFocus); // the data field keeps the focus
  button->setAutoRaise(false);
  return button;
}

} // namespace

TfrmEditBuffer::TfrmEditBuffer(IspEngine &engine, common::Prompter &prompter, QWidget *parent)
    : QDialog(parent), flow_(engine, prompter) {
  setObjectName(QStringLiteral("frmEditBuffer"));
  setWindowTitle(QStringLiteral("  Edit Buffer"));
  edtAdr_ = HexField("edtAdr", 5, this);
  edtData_ = HexField("edtData", 2, this);
  auto *fields = new QFormLayout;
  fields->addRow(QStringLiteral("Address :"), edtAdr_);
  fields->addRow(QStringLiteral("Data :"), edtData_);
  fields->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

  auto *rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  auto *dec = StepButton("sbtDec", Qt::DownArrow, QStringLiteral("Previous address"), this);
  auto *inc = StepButton("sbtInc", Qt::UpArrow, QStringLiteral("Next address"), this);
  auto *ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setAutoDefault(false);
  connect(dec, &QToolButton::clicked, this, &TfrmEditBuffer::DecrementAdr);
  connect(inc, &QToolButton::clicked, this, &TfrmEditBuffer::IncrementAdr);
  connect(ok, &QPushButton::clicked, this, &TfrmEditBuffer::btnOKClick);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(dec);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();
  buttons->addWidget(inc);

  auto *all = new QVBoxLayout(this);
  all->addLayout(fields);
  all->addWidget(rule);
  all->addLayout(buttons);
  SetFixedDialogFrame(*this);
  new HexKeyFilter(*this, [this](QWidget *focused) { FormKeyEnter(focused); });
}

void TfrmEditBuffer::Preset(const BufferDisplayModel::EditPreset &preset) {
  edtAdr_->setText(preset.address);
  edtData_->setText(preset.data);
}

void TfrmEditBuffer::Show(const std::optional<EditBufferFlow::Fields> &fields) {
  if (!fields)
    return;
  edtAdr_->setText(fields->address);
  edtData_->setText(fields->data);
}

void TfrmEditBuffer::btnOKClick() {
  flow_.btnOKClick(edtAdr_->text(), edtData_->text());
  accept();
}

void TfrmEditBuffer::IncrementAdr() {
  ShowStep(flow_.IncrementAdr(edtAdr_->text(), edtData_->text()));
}

void TfrmEditBuffer::DecrementAdr() {
  ShowStep(flow_.DecrementAdr(edtAdr_->text(), edtData_->text()));
}

void TfrmEditBuffer::ShowStep(const std::optional<EditBufferFlow::Fields> &fields) {
  Show(fields);
  if (fields) { // typing replaces the byte shown
    edtData_->setFocus();
    edtData_->selectAll();
  }
}

void TfrmEditBuffer::FormKeyEnter(QWidget *focused) {
  if (focused == edtAdr_) {
    try {
      const auto fields = flow_.EnterAddress(edtAdr_->text());
      if (!fields) {
        reject();
        return;
      }
      Show(fields);
    } catch (const ConversionError &error) {
      ReportConversionError(error);
    }
  } else if (focused == edtData_) {
    IncrementAdr();
  }
}

void TfrmEditBuffer::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
  edtAdr_->setFocus();
  edtAdr_->selectAll();
}

} // namespace rindle
