#include "isp/widgets/TfrmCmdSts.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include "common/widgets/Centre.h"

namespace rindle::ui {

TGauge::TGauge(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Gauge1"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TGauge::setMaxValue(int maximum) {
  max_ = maximum;
  update();
}

void TGauge::setProgress(int position) {
  position_ = position;
  update();
}

int TGauge::percentDone() const {
  if (max_ <= 0)
    return 0;
  return static_cast<int>(static_cast<long long>(position_) * 100 / max_);
}

QString TGauge::text() const { return QString::asprintf("%d%%", percentDone()); }

void TGauge::setTextVisible(bool visible) {
  textVisible_ = visible;
  update();
}

QSize TGauge::sizeHint() const {
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(QStringLiteral("100%")) * 8, metrics.height() * 2};
}

void TGauge::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  p.fillRect(rect(), Qt::white);
  const int percent = std::clamp(percentDone(), 0, 100);
  const int filled = (rect().width() - 2) * percent / 100;
  p.fillRect(QRect(1, 1, filled, rect().height() - 2), QColor(0, 160, 0));
  p.setPen(Qt::darkGray);
  p.drawRect(frame);
  if (!textVisible_)
    return;
  QFont bold = font();
  bold.setBold(true);
  p.setFont(bold);
  p.setPen(Qt::black);
  p.drawText(rect(), Qt::AlignCenter, text());
}

TfrmCmdSts::TfrmCmdSts(Percentage percentage, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("frmCmdSts"));
  setModal(false);
  auto *layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  gauge_ = new TGauge(this);
  gauge_->setTextVisible(percentage == Percentage::Shown);
  layout->addWidget(gauge_);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("Button1"));
  cancel_->setAutoDefault(false);
  layout->addWidget(cancel_, 0, Qt::AlignHCenter);
  connect(cancel_, &QPushButton::clicked, this, &TfrmCmdSts::Button1Click);
}

void TfrmCmdSts::start(const QString &title, int maximum) {
  setWindowTitle(title);
  gauge_->setMaxValue(maximum);
  gauge_->setProgress(0);
  show();
  raise();
  // The operation keeps the event loop from running until its first
  // progress report, which may be seconds away: wait here until the window
  // system has put the window on screen, so that this paint is seen. A
  // window system that never does gives up after a while.
  constexpr int kMapWaitMs = 1000;
  const QDeadlineTimer deadline(kMapWaitMs);
  while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
  repaint();
}

void TfrmCmdSts::Button1Click() {
  if (onCancel)
    onCancel();
  hide();
}

void TfrmCmdSts::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  common::CentreOnScreen(*this);
}

} // namespace rindle::ui
