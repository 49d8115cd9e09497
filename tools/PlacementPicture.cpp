#include "tools/PlacementPicture.h"

#include <QPainter>
#include <QRegularExpression>

namespace tools {

namespace {
constexpr int kWidth = 120;
constexpr int kHeight = 232;
constexpr int kPitch = 10;    // one row of pins
constexpr int kTop = 22;      // first pin row
constexpr int kLeftPin = 34;  // left pin column
constexpr int kRightPin = 86; // right pin column
} // namespace

int pinsFromPlacementName(const QString &name) {
  static const QRegularExpression re(QStringLiteral("^(\\d+)pin$"));
  const QRegularExpressionMatch m = re.match(name);
  if (!m.hasMatch())
    return 0;
  const int pins = m.captured(1).toInt();
  return (pins >= 4 && pins <= kSocketPins && pins % 2 == 0) ? pins : 0;
}

QImage drawPlacement(int chipPins) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(QColor(0xF0, 0xF0, 0xF0));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);

  // Socket body and lever.
  const int rows = kSocketPins / 2;
  const QRect body(kLeftPin - 16, kTop - 14, kRightPin - kLeftPin + 32, rows * kPitch + 20);
  p.setPen(QColor(0x20, 0x20, 0x20));
  p.setBrush(QColor(0x2E, 0x6B, 0x3A));
  p.drawRect(body);
  p.setBrush(QColor(0xC0, 0xC0, 0xC0));
  p.drawRect(QRect(body.left() - 10, body.top() + 2, 6, body.height() - 40));
  p.drawEllipse(QPoint(body.left() - 7, body.top() - 2), 5, 5);

  // Pin holes of the socket.
  p.setBrush(QColor(0x10, 0x10, 0x10));
  for (int r = 0; r < rows; ++r) {
    const int y = kTop + r * kPitch;
    p.drawRect(QRect(kLeftPin - 3, y - 2, 6, 4));
    p.drawRect(QRect(kRightPin - 3, y - 2, 6, 4));
  }

  if (chipPins > 0) {
    // The chip, seated from the lever end.
    const int chipRows = chipPins / 2;
    p.setBrush(QColor(0xD8, 0xD8, 0xD8));
    for (int r = 0; r < chipRows; ++r) {
      const int y = kTop + r * kPitch;
      p.drawRect(QRect(kLeftPin - 4, y - 2, 8, 4));
      p.drawRect(QRect(kRightPin - 4, y - 2, 8, 4));
    }
    const QRect chip(kLeftPin + 3, kTop - 6, kRightPin - kLeftPin - 6,
                     (chipRows - 1) * kPitch + 12);
    p.setBrush(QColor(0x28, 0x28, 0x28));
    p.drawRect(chip);
    p.setBrush(QColor(0x2E, 0x6B, 0x3A));
    p.drawChord(QRect(chip.center().x() - 6, chip.top() - 6, 12, 12), 180 * 16, 180 * 16);
    p.setBrush(QColor(0xF0, 0xF0, 0xF0));
    p.drawEllipse(QPoint(chip.left() + 6, chip.top() + 8), 2, 2);
  }
  p.end();
  return image;
}

} // namespace tools
