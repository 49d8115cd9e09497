#include "rindle/ui/TfrmSplash.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "rindle/app/CommandLine.h"
#include "rindle/ui/Centre.h"
#include "rindle/ui/Pictures.h"

namespace rindle::ui {

namespace {

QLabel *Caption(const QString &text, int pointSize, QWidget *parent) {
  auto *label = new QLabel(text, parent);
  QFont font = label->font();
  font.setPointSize(pointSize);
  font.setBold(true);
  label->setFont(font);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

} // namespace

TfrmSplash::TfrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmSplash"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAutoFillBackground(true);
  QPalette navy = palette();
  navy.setColor(QPalette::Window, QColor(0, 0, 128));
  navy.setColor(QPalette::WindowText, Qt::white);
  setPalette(navy);

  auto *layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addWidget(Caption(QStringLiteral("Rindle"), 24, this));
  layout->addWidget(Caption(QStringLiteral("Version %1").arg(QLatin1String(kVersion)), 16, this));
  auto *picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("imgSplash"));
  picture->setPixmap(ChipPicture(QSize(285, 150), true));
  picture->setAlignment(Qt::AlignCenter);
  layout->addWidget(picture);
  lblAboutM2_ = new QLabel(this);
  lblAboutM2_->setObjectName(QStringLiteral("lblAboutM2"));
  lblAboutM2_->setAlignment(Qt::AlignCenter);
  layout->addWidget(lblAboutM2_);
  lblAboutM3_ = new QLabel(this);
  lblAboutM3_->setObjectName(QStringLiteral("lblAboutM3"));
  lblAboutM3_->setAlignment(Qt::AlignCenter);
  lblAboutM3_->setStyleSheet(QStringLiteral("color: #a6caf0;"));
  layout->addWidget(lblAboutM3_);

  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("Timer1"));
  timer_->setSingleShot(true);
  timer_->setInterval(2000);
  connect(timer_, &QTimer::timeout, this, &TfrmSplash::Timer1Timer);
}

void TfrmSplash::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  lblAboutM2_->setText(CreditLine(1));
  lblAboutM3_->setText(CreditLine(2));
  adjustSize();
  CentreOnScreen(this);
  timer_->start();
  setFocus();
}

void TfrmSplash::Timer1Timer() { close(); }

} // namespace rindle::ui
