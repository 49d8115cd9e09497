#include "isp/widgets/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace rindle::ui {

QPixmap ChipPicture(QSize size, bool onDark) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = size.width();
  const qreal h = size.height();

  // The cable: a ribbon from the left edge into the chip.
  const QColor ribbon = onDark ? QColor(200, 200, 200) : QColor(120, 120, 120);
  p.setPen(QPen(ribbon, std::max<qreal>(1.0, h / 40.0)));
  for (int i = 0; i < 5; ++i) {
    const qreal y = h * (0.38 + 0.06 * i);
    QPainterPath path(QPointF(0, y + h * 0.15));
    path.cubicTo(QPointF(w * 0.12, y + h * 0.15), QPointF(w * 0.16, y), QPointF(w * 0.28, y));
    p.drawPath(path);
  }

  // The chip: a dark body with a notch and two rows of pins.
  const QRectF body(w * 0.28, h * 0.22, w * 0.62, h * 0.56);
  const int pins = 8;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(205, 205, 215));
  const qreal pitch = body.width() / pins;
  for (int i = 0; i < pins; ++i) {
    const qreal x = body.left() + pitch * (i + 0.3);
    p.drawRect(QRectF(x, body.top() - h * 0.1, pitch * 0.4, h * 0.1));
    p.drawRect(QRectF(x, body.bottom(), pitch * 0.4, h * 0.1));
  }
  QLinearGradient shade(body.topLeft(), body.bottomLeft());
  shade.setColorAt(0, QColor(70, 70, 80));
  shade.setColorAt(1, QColor(25, 25, 30));
  p.setBrush(shade);
  p.drawRoundedRect(body, h * 0.03, h * 0.03);
  p.setBrush(onDark ? QColor(0, 0, 128) : QColor(240, 240, 240));
  p.drawEllipse(QPointF(body.left(), body.center().y()), h * 0.06, h * 0.06);
  // Pin 1 mark and a label on the chip.
  p.setBrush(QColor(150, 150, 160));
  p.drawEllipse(QPointF(body.left() + pitch * 0.6, body.bottom() - h * 0.1), h * 0.03, h * 0.03);
  QFont font = p.font();
  font.setPixelSize(std::max(6, static_cast<int>(h * 0.14)));
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(230, 230, 230));
  p.drawText(body, Qt::AlignCenter, QStringLiteral("ISP"));
  return pixmap;
}

QString CreditLine(int line) {
  switch (line) {
  case 1: return QStringLiteral("In-circuit programmer for AT89S and AVR chips");
  case 2: return QStringLiteral("through a cable on the PC parallel port");
  case 3: return QStringLiteral("Free to use; no warranty of any kind");
  default: return {};
  }
}

} // namespace rindle::ui
