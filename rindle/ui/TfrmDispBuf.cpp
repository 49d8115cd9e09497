#include "rindle/ui/TfrmDispBuf.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "rindle/ui/DialogSupport.h"
#include "rindle/ui/TfrmEditBuffer.h"
#include "rindle/ui/TfrmFillBuffer.h"

namespace rindle {

namespace {

constexpr int kGridLines = BufferDisplayModel::kRows + 1; // with the heading row
constexpr int kCellPixels = 18;
constexpr int kCellPadding = 4;
constexpr int kWheelStepRows = 3;

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

  strGrid_ = new QTableWidget(kGridLines, kGridLines, this);
  strGrid_->setObjectName(QStringLiteral("strGrid"));
  strGrid_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  strGrid_->horizontalHeader()->hide();
  strGrid_->verticalHeader()->hide();
  strGrid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  strGrid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  strGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  strGrid_->setSelectionMode(QAbstractItemView::NoSelection);
  strGrid_->setFocusPolicy(Qt::NoFocus);
  strGrid_->viewport()->installEventFilter(this);

  scrollBar_ = new QScrollBar(Qt::Vertical, this);
  scrollBar_->setObjectName(QStringLiteral("ScrollBar1"));
  scrollBar_->setMinimum(0);
  scrollBar_->setSingleStep(1);
  scrollBar_->setPageStep(BufferDisplayModel::kRows);
  connect(scrollBar_, &QScrollBar::valueChanged, this, &TfrmDispBuf::ScrollBar1Scroll);

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

  auto *table = new QHBoxLayout;
  table->setSpacing(0);
  table->addWidget(strGrid_);
  table->addWidget(scrollBar_);
  auto *buttons = new QHBoxLayout;
  for (QPushButton *b : {clrFlash, clrE2, fill, edit})
    buttons->addWidget(b);
  auto *all = new QVBoxLayout(this);
  all->addLayout(table);
  all->addLayout(buttons);

  InitDataGrid();
  SetFixedDialogFrame(*this);
}

void TfrmDispBuf::SetBufferDialogs(TfrmFillBuffer &fill, TfrmEditBuffer &edit) {
  fill_ = &fill;
  edit_ = &edit;
}

void TfrmDispBuf::InitDataGrid() {
  // Cells of 18 pixels, the address column twice that and 5 more, or as
  // much as the font needs.
  const QFontMetrics metrics(strGrid_->font());
  const int cell = std::max(kCellPixels, metrics.horizontalAdvance(QStringLiteral("00")) +
                                             2 * kCellPadding);
  const int height = std::max(kCellPixels, metrics.height() + kCellPadding);
  const int first = std::max(2 * kCellPixels + 5,
                             metrics.horizontalAdvance(QStringLiteral(" 00000")) + 2 * kCellPadding);
  strGrid_->horizontalHeader()->setMinimumSectionSize(1);
  strGrid_->verticalHeader()->setMinimumSectionSize(1);
  strGrid_->setColumnWidth(0, first);
  for (int c = 1; c < kGridLines; ++c)
    strGrid_->setColumnWidth(c, cell);
  for (int r = 0; r < kGridLines; ++r)
    strGrid_->setRowHeight(r, height);
  const QBrush heading = palette().brush(QPalette::Button);
  for (int r = 0; r < kGridLines; ++r) {
    for (int c = 0; c < kGridLines; ++c) {
      auto *item = new QTableWidgetItem;
      item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
      if (r == 0 || c == 0)
        item->setBackground(heading);
      strGrid_->setItem(r, c, item);
    }
  }
  for (int c = 1; c < kGridLines; ++c)
    strGrid_->item(0, c)->setText(Hex2(static_cast<std::uint32_t>(c - 1)));
  const int frame = 2 * strGrid_->frameWidth();
  strGrid_->setFixedSize(first + (kGridLines - 1) * cell + frame, kGridLines * height + frame);
  scrollBar_->setFixedHeight(strGrid_->height());
}

void TfrmDispBuf::UpdateGridDisp(int position) {
  for (int r = 0; r < BufferDisplayModel::kRows; ++r) {
    strGrid_->item(r + 1, 0)->setText(model_.RowHeading(position, r));
    for (int c = 0; c < BufferDisplayModel::kBytesPerRow; ++c)
      strGrid_->item(r + 1, c + 1)->setText(model_.CellText(position, r, c));
  }
}

void TfrmDispBuf::FormShow() {
  InitDataGrid();
  const QSignalBlocker quiet(scrollBar_);
  scrollBar_->setMaximum(model_.ScrollMaximum()); // lowers a larger position
  UpdateGridDisp(scrollBar_->value());
}

void TfrmDispBuf::Redraw() { UpdateGridDisp(scrollBar_->value()); }

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

bool TfrmDispBuf::eventFilter(QObject *watched, QEvent *event) {
  // The wheel over the table moves the scroll bar beside it.
  if (watched == strGrid_->viewport() && event->type() == QEvent::Wheel) {
    const int steps = static_cast<QWheelEvent *>(event)->angleDelta().y() / 120;
    scrollBar_->setValue(scrollBar_->value() - steps * kWheelStepRows);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

} // namespace rindle
