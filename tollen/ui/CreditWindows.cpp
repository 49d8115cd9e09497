#include "tollen/ui/CreditWindows.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tollen::ui {

namespace {

QLabel *Line(const QString &text, const QColor &colour, int pointDelta, bool bold,
             QWidget *parent, const QString &name) {
  auto *label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  QFont font = label->font();
  font.setPointSize(font.pointSize() + pointDelta);
  font.setBold(bold);
  label->setFont(font);
  if (colour.isValid()) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
  }
  return label;
}

// The panel both windows carry.
QWidget *CreditsPanel(const CreditsLook &look, QSize picture, int titleDelta, QWidget *parent) {
  auto *panel = new QWidget(parent);
  panel->setObjectName(QStringLiteral("Panel1"));
  if (look.panel.isValid()) {
    panel->setAutoFillBackground(true);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, look.panel);
    panel->setPalette(p);
  }
  auto *layout = new QVBoxLayout(panel);
  layout->addWidget(Line(look.title, look.text, titleDelta, true, panel, QStringLiteral("lblTitle")));
  layout->addWidget(Line(look.version, look.text, titleDelta / 2, true, panel, QStringLiteral("lblVersion")));
  auto *image = new QLabel(panel);
  image->setObjectName(QStringLiteral("imgChip"));
  image->setPixmap(ChipPicture(picture.width(), picture.height()));
  image->setAlignment(Qt::AlignCenter);
  layout->addWidget(image);
  for (int i = 0; i < 3; ++i) {
    const auto n = static_cast<std::size_t>(i);
    layout->addWidget(Line(look.credits[n], look.lines[n], 0, i == 2 && look.lastLineBold, panel,
                           QStringLiteral("lblAboutM%1").arg(i + 1)));
  }
  return panel;
}

} // namespace

QPixmap ChipPicture(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const int pins = 8;
  const QRectF body(width * 0.15, height * 0.2, width * 0.7, height * 0.6);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xC0, 0xC0, 0xC0));
  const double pitch = body.width() / pins;
  for (int i = 0; i < pins; ++i) {
    const double x = body.left() + pitch * (i + 0.3);
    p.drawRect(QRectF(x, height * 0.08, pitch * 0.4, height * 0.12));
    p.drawRect(QRectF(x, body.bottom(), pitch * 0.4, height * 0.12));
  }
  p.setBrush(QColor(0x20, 0x20, 0x20));
  p.drawRoundedRect(body, 3, 3);
  p.setBrush(QColor(0x60, 0x60, 0x60));
  p.drawEllipse(QPointF(body.left() + body.height() * 0.25, body.center().y()),
                body.height() * 0.12, body.height() * 0.12);
  return pixmap;
}

SplashWindow::SplashWindow(const CreditsLook &look, int showMilliseconds, QWidget *parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmSplash"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(CreditsPanel(look, QSize(285, 150), 10, this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("Timer1"));
  timer_->setSingleShot(true);
  timer_->setInterval(showMilliseconds);
  connect(timer_, &QTimer::timeout, this, &SplashWindow::Timer1Timer);
}

void SplashWindow::Start() {
  show();
  timer_->start();
}

void SplashWindow::Timer1Timer() { close(); }

AboutWindow::AboutWindow(const QString &caption, const CreditsLook &look,
                         std::function<void()> beep, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint),
      beep_(std::move(beep)) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(caption);
  auto *ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto *layout = new QVBoxLayout(this);
  auto *panel = CreditsPanel(look, QSize(95, 46), 6, this);
  layout->addWidget(panel);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void AboutWindow::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (beep_) {
    beep_();
  }
}

} // namespace tollen::ui
