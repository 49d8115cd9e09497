#include "isp/widgets/TfrmSplash.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "common/widgets/Centre.h"

namespace rindle::ui {

TfrmSplash::TfrmSplash(CreditsLook look, int showMilliseconds, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      look_(std::move(look)) {
  setObjectName(QStringLiteral("frmSplash"));
  setAttribute(Qt::WA_DeleteOnClose);
  PaintBackground(*this, look_);

  auto *layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->setContentsMargins(24, 16, 24, 16);
  lines_ = AddCredits(*layout, look_, QSize(285, 150), true, 24, 16);

  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("Timer1"));
  timer_->setSingleShot(true);
  timer_->setInterval(showMilliseconds);
  connect(timer_, &QTimer::timeout, this, &TfrmSplash::Timer1Timer);
}

void TfrmSplash::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  FillCredits(lines_, look_);
  adjustSize();
  common::CentreOnScreen(*this);
  timer_->start();
  setFocus();
}

void TfrmSplash::Timer1Timer() { close(); }

} // namespace rindle::ui
