#include "tollen/ui/FuseBitsDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace tollen::ui {

namespace {

QLabel *Heading(const QString &text, QWidget *parent) {
  auto *label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  font.setUnderline(true);
  label->setFont(font);
  return label;
}

template <std::size_t N>
void Load(const std::array<FuseBox, N> &from, const std::array<QCheckBox *, N> &to) {
  for (std::size_t i = 0; i < N; ++i) {
    to[i]->setText(from[i].caption);
    to[i]->setEnabled(from[i].enabled);
    to[i]->setChecked(from[i].checked);
  }
}

template <std::size_t N>
void Store(const std::array<QCheckBox *, N> &from, std::array<FuseBox, N> &to) {
  for (std::size_t i = 0; i < N; ++i) {
    to[i].checked = from[i]->isChecked();
  }
}

} // namespace

FuseBitsDialog::FuseBitsDialog(const QString &title, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmConfigBits"));
  setWindowTitle(title);
  auto *grid = new QGridLayout(this);
  grid->setHorizontalSpacing(18);
  const QString headings[] = {QStringLiteral("Boot Lock"), QStringLiteral("Fuse Ext"),
                              QStringLiteral("Fuse High"), QStringLiteral("Fuse Low")};
  for (int column = 0; column < 4; ++column) {
    grid->addWidget(Heading(headings[column], this), 0, column);
  }
  const auto make = [this, grid](const QString &name, int row, int column) {
    auto *box = new QCheckBox(QStringLiteral(" -"), this);
    box->setObjectName(name);
    box->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(box, row, column);
    return box;
  };
  for (int bit = 5; bit >= 2; --bit) {
    bootLock_[static_cast<std::size_t>(bit - 2)] =
        make(QStringLiteral("chkBL%1").arg(bit), 6 - bit, 0);
  }
  for (int bit = 7; bit >= 0; --bit) {
    const auto b = static_cast<std::size_t>(bit);
    ext_[b] = make(QStringLiteral("chkEF%1").arg(bit), 8 - bit, 1);
    high_[b] = make(QStringLiteral("chkHF%1").arg(bit), 8 - bit, 2);
    low_[b] = make(QStringLiteral("chkLF%1").arg(bit), 8 - bit, 3);
  }
  grid->setSizeConstraint(QLayout::SetFixedSize);
}

void FuseBitsDialog::Load(const FuseBoxes &boxes) {
  ui::Load(boxes.bootLock, bootLock_);
  ui::Load(boxes.ext, ext_);
  ui::Load(boxes.high, high_);
  ui::Load(boxes.low, low_);
}

void FuseBitsDialog::Store(FuseBoxes &boxes) const {
  ui::Store(bootLock_, boxes.bootLock);
  ui::Store(ext_, boxes.ext);
  ui::Store(high_, boxes.high);
  ui::Store(low_, boxes.low);
}

} // namespace tollen::ui
