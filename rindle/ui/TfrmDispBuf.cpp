#include "rindle/ui/TfrmDispBuf.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "isp/widgets/DialogSupport.h"
#include "isp/widgets/HexTable.h"
#include "rindle/ui/TfrmEditBuffer.h"
#include "rindle/ui/TfrmFillBuffer.h"

namespace rindle {

namespace {

QPushButton *Button(const char *name, const QString &caption, const QString &hint,
                    QWidget *parent) {
  auto *button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(hint);
  button->setAutoDefault(false);
  return button;
}

} // namespace

TfrmDispBuf::TfrmDispBuf(IspEngine &engine, common::Prompter &prompter, QWidget *parent)
    : QDialog(parent), model_(engine, prompter) {
  setObjectName(QStringLiteral("frmDispBuf"));
  setWindowTitle(QStringLiteral(" Buffer Hex Display"));

  // One scroll step is one row of 16 bytes.
  table_ = new HexTable(
      {5, 1, BufferDisplayModel::kRows, 3},
      [this](int position, int row) { return model_.RowHeading(position, row); },
      [this](int position, int row, int column) { return model_.CellText(position, row, column); },
      this);

  auto *clrFlash = Button("cmdClrFlash", QStringLiteral("Clear &Flash"),
                          QStringLiteral("Clear Program Buffer"), this);
  auto *clrE2 = Button("cmdClrE2", QStringLiteral("&Clear Eeprom"),
                       QStringLiteral("Clear Eeprom Buffer"), this);
  auto *fill = Button("cmdFillBuffer", QStringLiteral("Fill &Buffer"), QString(), this);
  auto *edit = Button("cmdEdit", QStringLiteral("&Edit Buffer"), QString(), this);
  connect(clrFlash, &QPushButton::clicked, this, &TfrmDispBuf::cmdClrFlashClick);
  connect(clrE2, &QPushButton::clicked, this, &TfrmDispBuf::cmdClrE2Click);
  connect(fill, &QPushButton::clicked, this, &TfrmDispBuf::cmdFillBufferClick);
  connect(edit, &QPushButton::clicked, this, &TfrmDispBuf::cmdEditClick);

  auto *buttons = new QHBoxLayout;
  for (QPushButton *b : {clrFlash, clrE2, fill, edit})
    buttons->addWidget(b);
  auto *all = new QVBoxLayout(this);
  all->addWidget(table_);
  all->addLayout(buttons);

  InitDataGrid();
  SetFixedDialogFrame(*this);
}

void TfrmDispBuf::SetBufferDialogs(TfrmFillBuffer &fill, TfrmEditBuffer &edit) {
  fill_ = &fill;
  edit_ = &edit;
}

void TfrmDispBuf::InitDataGrid() { table_->InitDataGrid(); }

void TfrmDispBuf::UpdateGridDisp(int position) { table_->UpdateGridDisp(position); }

void TfrmDispBuf::FormShow() {
  InitDataGrid();
  table_->SetScrollMaximum(model_.ScrollMaximum());
  Redraw();
}

void TfrmDispBuf::Redraw() { table_->Redraw(); }

// The table redraws itself when its scroll bar moves.
void TfrmDispBuf::ScrollBar1Scroll() { Redraw(); }

void TfrmDispBuf::cmdClrFlashClick() {
  if (!model_.ClearFlash())
    return;
  Redraw();
  emit flashCleared();
}

void TfrmDispBuf::cmdClrE2Click() {
  if (!model_.ClearEeprom())
    return;
  Redraw();
  emit eepromCleared();
}

template <class Dialog, class Preset>
void TfrmDispBuf::RunBufferDialog(Dialog *dialog, const Preset &preset) {
  if (!dialog)
    return;
  dialog->Flow().BufferEdited = false;
  dialog->Preset(preset);
  dialog->exec();
  Redraw();
  if (dialog->Flow().BufferEdited)
    emit bufferEdited();
}

void TfrmDispBuf::cmdFillBufferClick() { RunBufferDialog(fill_, model_.FillPresets()); }

void TfrmDispBuf::cmdEditClick() { RunBufferDialog(edit_, model_.EditPresets()); }

void TfrmDispBuf::showEvent(QShowEvent *event) {
  FormShow();
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

} // namespace rindle
