#include "tollen/ui/BufferGrid.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "isp/widgets/HexTable.h"
#include "tollen/engine/MainCommands.h"

namespace tollen::ui {

namespace {

constexpr int kAddressDigits = 4;
constexpr int kBytesPerRow = rindle::HexTable::kBytesPerRow;

QString Hex(int value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

int RowAddress(int position, int row) {
  return MainCommands::FirstShownAddress(position) + row * kBytesPerRow;
}

} // namespace

BufferGrid::BufferGrid(const QString &title, ByteAt byteAt, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), byteAt_(std::move(byteAt)) {
  setObjectName(QStringLiteral("frmDispBuf"));
  setWindowTitle(title);
  // Steps of one row, pages of one screen, three rows a wheel notch.
  table_ = new rindle::HexTable(
      {kAddressDigits, kBytesPerRow, rindle::HexTable::kRows * kBytesPerRow, 3 * kBytesPerRow},
      [](int position, int row) {
        return QLatin1Char(' ') + Hex(RowAddress(position, row), kAddressDigits);
      },
      [this](int position, int row, int column) {
        return Hex(byteAt_(RowAddress(position, row) + column), 2);
      },
      this);
  buttons_ = new QHBoxLayout;
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addLayout(buttons_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton *BufferGrid::AddButton(const QString &objectName, const QString &caption) {
  auto *button = new QPushButton(caption, this);
  button->setObjectName(objectName);
  button->setAutoDefault(false);
  buttons_->addWidget(button);
  return button;
}

void BufferGrid::SetScrollMaximum(int maximum) { table_->SetScrollMaximum(maximum); }

QScrollBar *BufferGrid::ScrollBar() const { return table_->scrollBar(); }

void BufferGrid::Redraw() { table_->Redraw(); }

} // namespace tollen::ui
