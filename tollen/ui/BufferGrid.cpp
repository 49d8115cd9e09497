#include "tollen/ui/BufferGrid.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "tollen/engine/MainCommands.h"

namespace tollen::ui {

namespace {
constexpr int kRows = 16;
constexpr int kColumns = 16;
} // namespace

BufferGrid::BufferGrid(Options options, ByteAt byteAt, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                          (options.staysOnTop ? Qt::WindowStaysOnTopHint : Qt::Widget)),
      options_(std::move(options)), byteAt_(std::move(byteAt)) {
  setObjectName(QStringLiteral("frmDispBuf"));
  setWindowTitle(options_.title);
  grid_ = new QTableWidget(kRows + 1, kColumns + 1, this);
  grid_->setObjectName(QStringLiteral("strGrid"));
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::NoSelection);
  grid_->setFocusPolicy(Qt::NoFocus);
  grid_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  const QFontMetrics metrics(grid_->font());
  const int cell = metrics.horizontalAdvance(QStringLiteral("00")) + 10;
  const int rowHeight = metrics.height() + 6;
  for (int c = 0; c <= kColumns; ++c) {
    grid_->setColumnWidth(c, c == 0 ? 2 * cell + 5 + metrics.horizontalAdvance(u'0') * (options_.addressDigits - 3) : cell);
  }
  for (int r = 0; r <= kRows; ++r) {
    grid_->setRowHeight(r, rowHeight);
  }
  for (int c = 1; c <= kColumns; ++c) {
    auto *item = new QTableWidgetItem(QStringLiteral("%1").arg(c - 1, 2, 16, QChar(u'0')).toUpper());
    item->setTextAlignment(Qt::AlignCenter);
    item->setBackground(palette().button());
    grid_->setItem(0, c, item);
  }
  for (int r = 0; r <= kRows; ++r) {
    for (int c = 0; c <= kColumns; ++c) {
      if (r == 0 && c != 0) {
        continue;
      }
      auto *item = new QTableWidgetItem;
      item->setTextAlignment(Qt::AlignCenter);
      if (r == 0 || c == 0) {
        item->setBackground(palette().button());
      }
      grid_->setItem(r, c, item);
    }
  }
  int width = 2 * grid_->frameWidth();
  for (int c = 0; c <= kColumns; ++c) {
    width += grid_->columnWidth(c);
  }
  grid_->setFixedSize(width, (kRows + 1) * rowHeight + 2 * grid_->frameWidth());

  scroll_ = new QScrollBar(Qt::Vertical, this);
  scroll_->setObjectName(QStringLiteral("ScrollBar1"));
  scroll_->setSingleStep(options_.positionCountsBytes ? kColumns : 1);
  scroll_->setPageStep(options_.positionCountsBytes ? kRows * kColumns : kRows);
  connect(scroll_, &QScrollBar::valueChanged, this, &BufferGrid::Redraw);

  auto *top = new QHBoxLayout;
  top->addWidget(grid_);
  top->addWidget(scroll_);
  auto *buttons = new QHBoxLayout;
  buttons_ = buttons;
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton *BufferGrid::AddButton(const QString &objectName, const QString &caption) {
  auto *button = new QPushButton(caption, this);
  button->setObjectName(objectName);
  button->setAutoDefault(false);
  buttons_->addWidget(button);
  return button;
}

void BufferGrid::SetScrollMaximum(int maximum) {
  scroll_->setMaximum(std::max(0, maximum));
}

int BufferGrid::FirstAddress() const {
  return options_.positionCountsBytes ? MainCommands::FirstShownAddress(scroll_->value())
                                      : scroll_->value() * kColumns;
}

void BufferGrid::Redraw() {
  const int first = FirstAddress();
  for (int r = 1; r <= kRows; ++r) {
    const int address = first + (r - 1) * kColumns;
    grid_->item(r, 0)->setText(
        u' ' + QStringLiteral("%1").arg(address, options_.addressDigits, 16, QChar(u'0')).toUpper());
    for (int c = 1; c <= kColumns; ++c) {
      grid_->item(r, c)->setText(
          QStringLiteral("%1").arg(byteAt_(address + c - 1), 2, 16, QChar(u'0')).toUpper());
    }
  }
}

} // namespace tollen::ui
