#include "rindle/ui/TfrmAbout.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

#include "rindle/app/CommandLine.h"
#include "rindle/ui/Pictures.h"

namespace rindle::ui {

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      beep([] { QApplication::beep(); }) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral(" About Rindle"));
  auto *outer = new QVBoxLayout(this);
  outer->setSizeConstraint(QLayout::SetFixedSize);
  auto *panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  outer->addWidget(panel);

  auto *layout = new QVBoxLayout(panel);
  layout->setContentsMargins(20, 12, 20, 12);
  const auto navyBold = [panel](const QString &text, int pointSize) {
    auto *label = new QLabel(text, panel);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSize(pointSize);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: navy;"));
    label->setAlignment(Qt::AlignCenter);
    return label;
  };
  layout->addWidget(navyBold(QStringLiteral("Rindle"), 16));
  layout->addWidget(navyBold(QStringLiteral("Version %1").arg(QLatin1String(kVersion)), 11));
  auto *picture = new QLabel(panel);
  picture->setObjectName(QStringLiteral("imgAbout"));
  picture->setPixmap(ChipPicture(QSize(95, 46), false));
  picture->setAlignment(Qt::AlignCenter);
  layout->addWidget(picture);
  lblAboutM1_ = new QLabel(panel);
  lblAboutM1_->setObjectName(QStringLiteral("lblAboutM1"));
  lblAboutM1_->setAlignment(Qt::AlignCenter);
  layout->addWidget(lblAboutM1_);
  lblAboutM2_ = new QLabel(panel);
  lblAboutM2_->setObjectName(QStringLiteral("lblAboutM2"));
  lblAboutM2_->setAlignment(Qt::AlignCenter);
  layout->addWidget(lblAboutM2_);
  lblAboutM1_->setText(CreditLine(1));
  lblAboutM2_->setText(CreditLine(2));
}

void TfrmAbout::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  lblAboutM1_->setText(CreditLine(1));
  lblAboutM2_->setText(CreditLine(2));
  lblAboutM1_->setToolTip(CreditLine(3));
  lblAboutM2_->setToolTip(CreditLine(3));
  adjustSize();
  if (beep)
    beep();
}

} // namespace rindle::ui
