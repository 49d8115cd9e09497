#include "isp/widgets/FuseBoxesView.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace rindle {

namespace {

QLabel *ColumnHeading(const QString &text, QWidget *parent) {
  auto *label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  font.setUnderline(true);
  label->setFont(font);
  return label;
}

} // namespace

FuseBoxesView::FuseBoxesView(FuseBoxes &boxes, QWidget *parent) : QWidget(parent), boxes_(boxes) {
  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(24);
  grid->setVerticalSpacing(4);
  const std::array<const char *, 4> headings{"Boot Lock", "Fuse Ext", "Fuse High", "Fuse Low"};
  for (int column = 0; column < 4; ++column)
    grid->addWidget(ColumnHeading(QString::fromLatin1(headings[column]), this), 0, column);
  for (std::size_t i = 0; i < FuseBoxes::kBoxCount; ++i) {
    const FuseBoxes::Box &b = boxes_.boxes()[i];
    auto *box = new QCheckBox(b.caption, this);
    box->setObjectName(b.name);
    box->setFocusPolicy(Qt::ClickFocus); // outside the tab order
    connect(box, &QCheckBox::toggled, this, [this, i](bool on) { boxes_.setChecked(i, on); });
    grid->addWidget(box, FuseBoxes::RowOf(i) + 1, static_cast<int>(FuseBoxes::ColumnOf(i)));
    checks_[i] = box;
  }
  grid->setRowStretch(static_cast<int>(FuseBoxes::kFuseBits) + 1, 1);
  ShowBoxes();
}

void FuseBoxesView::ShowBoxes() {
  for (std::size_t i = 0; i < FuseBoxes::kBoxCount; ++i) {
    const FuseBoxes::Box &b = boxes_.boxes()[i];
    const QSignalBlocker quiet(checks_[i]);
    checks_[i]->setText(b.caption);
    checks_[i]->setEnabled(b.enabled);
    checks_[i]->setChecked(b.checked);
  }
}

} // namespace rindle
