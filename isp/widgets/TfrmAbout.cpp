#include "isp/widgets/TfrmAbout.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace rindle::ui {

TfrmAbout::TfrmAbout(const QString &caption, CreditsLook look, OkButton ok, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      beep([] { QApplication::beep(); }), look_(std::move(look)) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(caption);
  auto *outer = new QVBoxLayout(this);
  outer->setSizeConstraint(QLayout::SetFixedSize);
  auto *panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  PaintBackground(*panel, look_);
  outer->addWidget(panel);

  auto *layout = new QVBoxLayout(panel);
  layout->setContentsMargins(20, 12, 20, 12);
  lines_ = AddCredits(*layout, look_, QSize(95, 46), false, 16, 11);
  FillCredits(lines_, look_);
  if (ok == OkButton::Shown) {
    auto *button = new QPushButton(QStringLiteral("OK"), this);
    button->setObjectName(QStringLiteral("cmdOK"));
    connect(button, &QPushButton::clicked, this, &QDialog::accept);
    outer->addWidget(button, 0, Qt::AlignHCenter);
  }
}

void TfrmAbout::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  FillCredits(lines_, look_);
  adjustSize();
  if (beep)
    beep();
}

} // namespace rindle::ui
