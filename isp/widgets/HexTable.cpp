#include "isp/widgets/HexTable.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QShortcut>
#include <QTableWidget>
#include <QWheelEvent>

namespace rindle {

namespace {

constexpr int kGridLines = HexTable::kRows + 1; // with the heading row
constexpr int kCellPixels = 18;
constexpr int kCellPadding = 4;
constexpr int kWheelNotch = 120;

} // namespace

HexTable::HexTable(Options options, RowHeading heading, CellText cell, QWidget *parent)
    : QWidget(parent), options_(options), heading_(std::move(heading)), cell_(std::move(cell)) {
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
  scrollBar_->setSingleStep(options_.singleStep);
  scrollBar_->setPageStep(options_.pageStep);
  connect(scrollBar_, &QScrollBar::valueChanged, this, &HexTable::Redraw);
  // The keyboard scrolls the table through its scroll bar, which has the
  // focus when the window opens: the arrows by a step, Page Up and Page
  // Down by a page, Home and End to either end. The page keys scroll from
  // anywhere in the window.
  scrollBar_->setFocusPolicy(Qt::StrongFocus);
  const auto pageKey = [this](QKeySequence keys, QAbstractSlider::SliderAction action) {
    auto *shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, scrollBar_,
            [this, action] { scrollBar_->triggerAction(action); });
  };
  pageKey(QKeySequence(Qt::Key_PageDown), QAbstractSlider::SliderPageStepAdd);
  pageKey(QKeySequence(Qt::Key_PageUp), QAbstractSlider::SliderPageStepSub);

  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(strGrid_);
  layout->addWidget(scrollBar_);
  InitDataGrid();
}

void HexTable::InitDataGrid() {
  // Cells of 18 pixels, the address column twice that and 5 more, or as
  // much as the font needs.
  const QFontMetrics metrics(strGrid_->font());
  const int cell =
      std::max(kCellPixels, metrics.horizontalAdvance(QStringLiteral("00")) + 2 * kCellPadding);
  const int height = std::max(kCellPixels, metrics.height() + kCellPadding);
  const QString widestHeading = QLatin1Char(' ') + QString(options_.addressDigits, u'0');
  const int first =
      std::max(2 * kCellPixels + 5, metrics.horizontalAdvance(widestHeading) + 2 * kCellPadding);
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
    strGrid_->item(0, c)->setText(
        QStringLiteral("%1").arg(c - 1, 2, 16, QLatin1Char('0')).toUpper());
  const int frame = 2 * strGrid_->frameWidth();
  strGrid_->setFixedSize(first + (kGridLines - 1) * cell + frame, kGridLines * height + frame);
  scrollBar_->setFixedHeight(strGrid_->height());
}

void HexTable::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  scrollBar_->setFocus(Qt::OtherFocusReason);
}

void HexTable::UpdateGridDisp(int position) {
  for (int r = 0; r < kRows; ++r) {
    strGrid_->item(r + 1, 0)->setText(heading_(position, r));
    for (int c = 0; c < kBytesPerRow; ++c)
      strGrid_->item(r + 1, c + 1)->setText(cell_(position, r, c));
  }
}

void HexTable::Redraw() { UpdateGridDisp(scrollBar_->value()); }

void HexTable::SetScrollMaximum(int maximum) {
  const QSignalBlocker quiet(scrollBar_);
  scrollBar_->setMaximum(std::max(0, maximum));
}

bool HexTable::eventFilter(QObject *watched, QEvent *event) {
  // The wheel over the table moves the scroll bar beside it.
  if (watched == strGrid_->viewport() && event->type() == QEvent::Wheel) {
    const int notches = static_cast<QWheelEvent *>(event)->angleDelta().y() / kWheelNotch;
    scrollBar_->setValue(scrollBar_->value() - notches * options_.wheelStep);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

} // namespace rindle
