#include "rindle/ui/TfrmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "rindle/app/BufferDialogs.h"
#include "isp/widgets/DialogSupport.h"

namespace rindle {

namespace {

struct PinControl {
  const char *list;
  const char *invert;
  const char *label;
  const char *hint;
};
constexpr std::array<PinControl, OptionsForm::LineCount> kPins{{
    {"cbSck", "chkSck", "SCK", "SCK Pin"},
    {"cbMosi", "chkMosi", "MOSI", "MOSI Pin"},
    {"cbRst", "chkRst", "RST", "Reset Pin"},
    {"cbBen", "chkBen", "BEN", "Buffer Enable Pin"},
    {"cbSs", "chkSs", "SS", "Slave Select Pin"},
    {"cbMiso", "chkMiso", "MISO", "MISO Pin"},
}};

QLabel *PinHeading(const QString &text, QWidget *parent) {
  auto *label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QCheckBox *OptionBox(const char *name, const QString &caption, QWidget *parent) {
  auto *box = new QCheckBox(caption, parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

} // namespace

TfrmOptions::TfrmOptions(IspEngine &engine, common::Prompter &, QWidget *parent)
    : QDialog(parent), engine_(engine), model_(engine),
      diagnosis_([](quint16 base) { return DiagnoseParallelPort(base); }) {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(QStringLiteral(" Rindle  Options"));

  // Port and what it reaches.
  cbPort_ = new QComboBox(this);
  cbPort_->setObjectName(QStringLiteral("cbPort"));
  cbPort_->addItems(PortRows());
  cbPort_->setToolTip(QStringLiteral("Select Parallel Port"));
  connect(cbPort_, &QComboBox::activated, this, &TfrmOptions::cbPortChange);
  edtPort_ = HexField("edtPort", 4, this);
  edtPort_->setToolTip(QStringLiteral("Port Base Address (Hex)"));
  lblPortState_ = new QLabel(this);
  lblPortState_->setObjectName(QStringLiteral("lblPortState"));
  lblPortState_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto *portRow = new QHBoxLayout;
  portRow->addWidget(new QLabel(QStringLiteral("Port"), this));
  portRow->addWidget(cbPort_);
  portRow->addWidget(edtPort_);
  portRow->addStretch();

  // Pins, each with its Invert box.
  auto *pins = new QGridLayout;
  pins->addWidget(PinHeading(QStringLiteral("Port Pins"), this), 0, 1);
  pins->addWidget(PinHeading(QStringLiteral("Invert"), this), 0, 2, Qt::AlignHCenter);
  for (int i = 0; i < OptionsForm::LineCount; ++i) {
    const PinControl &c = kPins[static_cast<std::size_t>(i)];
    auto *list = new QComboBox(this);
    list->setObjectName(QString::fromLatin1(c.list));
    list->addItems(i == OptionsForm::Miso ? MisoPinRows() : OutputPinRows());
    list->setCurrentIndex(-1);
    list->setToolTip(QString::fromLatin1(c.hint));
    auto *invert = new QCheckBox(this);
    invert->setObjectName(QString::fromLatin1(c.invert));
    pins->addWidget(new QLabel(QString::fromLatin1(c.label), this), i + 1, 0);
    pins->addWidget(list, i + 1, 1);
    pins->addWidget(invert, i + 1, 2, Qt::AlignHCenter);
    pins_[static_cast<std::size_t>(i)] = list;
    inverts_[static_cast<std::size_t>(i)] = invert;
  }

  // Idle presets.
  edtData_ = HexField("edtData", 2, this);
  edtData_->setToolTip(QStringLiteral("Preset Data Port Bits (Hex)"));
  edtCtrl_ = HexField("edtCtrl", 2, this);
  edtCtrl_->setToolTip(QStringLiteral("Preset Control Port Bits (Hex)"));
  auto *presets = new QGridLayout;
  presets->addWidget(new QLabel(QStringLiteral("Preset Data Port"), this), 0, 0);
  presets->addWidget(edtData_, 0, 1);
  presets->addWidget(new QLabel(QStringLiteral("Preset Control Port"), this), 1, 0);
  presets->addWidget(edtCtrl_, 1, 1);
  presets->setColumnStretch(2, 1);

  chkVerify_ = OptionBox("chkVerify", QStringLiteral("   Auto Verify  "), this);
  chkOscFlash_ = OptionBox("chkOscFlash", QStringLiteral("   Save OSCCAL to Flash  "), this);
  chkOscE2_ = OptionBox("chkOscE2", QStringLiteral("   Save OSCCAL to Eeprom  "), this);

  auto *apply = new QPushButton(QStringLiteral("&Apply"), this);
  apply->setObjectName(QStringLiteral("cmdApply"));
  apply->setToolTip(QStringLiteral("Apply Port Settings"));
  auto *defaults = new QPushButton(QStringLiteral("&Default"), this);
  defaults->setObjectName(QStringLiteral("cmdDefault"));
  defaults->setToolTip(QStringLiteral("Default Port Settings"));
  for (QPushButton *b : {apply, defaults})
    b->setAutoDefault(false);
  connect(apply, &QPushButton::clicked, this, &TfrmOptions::cmdApplyClick);
  connect(defaults, &QPushButton::clicked, this, &TfrmOptions::cmdDefaultClick);

  auto *left = new QVBoxLayout;
  left->addLayout(pins);
  left->addSpacing(8);
  left->addLayout(presets);
  left->addStretch();
  auto *right = new QVBoxLayout;
  right->addWidget(chkVerify_);
  right->addWidget(chkOscFlash_);
  right->addWidget(chkOscE2_);
  right->addStretch();
  right->addWidget(apply);
  right->addWidget(defaults);
  auto *body = new QHBoxLayout;
  body->addLayout(left);
  body->addSpacing(16);
  body->addLayout(right);

  auto *all = new QVBoxLayout(this);
  all->addLayout(portRow);
  all->addWidget(lblPortState_);
  all->addSpacing(8);
  all->addLayout(body);
  SetFixedDialogFrame(*this);
  new HexKeyFilter(*this); // Enter does nothing here
}

OptionsForm TfrmOptions::ReadForm() const {
  OptionsForm form;
  form.port = cbPort_->currentIndex();
  form.portText = edtPort_->text();
  form.portTextEnabled = edtPort_->isEnabled();
  for (std::size_t i = 0; i < pins_.size(); ++i) {
    form.pin[i] = pins_[i]->currentIndex();
    form.invert[i] = inverts_[i]->isChecked();
  }
  form.data = edtData_->text();
  form.ctrl = edtCtrl_->text();
  form.verify = chkVerify_->isChecked();
  form.oscFlash = chkOscFlash_->isChecked();
  form.oscE2 = chkOscE2_->isChecked();
  return form;
}

void TfrmOptions::ShowForm(const OptionsForm &form) {
  cbPort_->setCurrentIndex(form.port);
  edtPort_->setText(form.portText);
  edtPort_->setEnabled(form.portTextEnabled);
  for (std::size_t i = 0; i < pins_.size(); ++i) {
    pins_[i]->setCurrentIndex(form.pin[i]);
    inverts_[i]->setChecked(form.invert[i]);
  }
  edtData_->setText(form.data);
  edtCtrl_->setText(form.ctrl);
  chkVerify_->setChecked(form.verify);
  chkOscFlash_->setChecked(form.oscFlash);
  chkOscE2_->setChecked(form.oscE2);
}

void TfrmOptions::RefreshPortState() {
  lblPortState_->setText(diagnosis_ ? diagnosis_(engine_.Port.PortBase) : QString());
}

void TfrmOptions::FormShow() {
  OptionsForm form = ReadForm();
  model_.FormShow(form);
  ShowForm(form);
  RefreshPortState();
}

void TfrmOptions::cbPortChange() {
  OptionsForm form = ReadForm();
  model_.cbPortChange(form);
  ShowForm(form);
}

void TfrmOptions::cmdApplyClick() {
  OptionsForm form = ReadForm();
  try {
    model_.cmdApplyClick(form);
    ShowForm(form);
  } catch (const ConversionError &error) {
    RefreshPortState(); // the address may be stored already
    ReportConversionError(error);
    return;
  }
  RefreshPortState();
}

void TfrmOptions::cmdDefaultClick() {
  OptionsForm form = ReadForm();
  model_.cmdDefaultClick(form);
  ShowForm(form);
  RefreshPortState();
}

void TfrmOptions::showEvent(QShowEvent *event) {
  FormShow();
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

void TfrmOptions::done(int result) {
  model_.FormClose(ReadForm());
  QDialog::done(result);
}

} // namespace rindle
