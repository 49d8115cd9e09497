#include "orvane/hexview/TVelaHColors.h"

namespace orvane::hexview {

TVelaHColors TVelaHColors::standard(const QPalette &palette) {
  TVelaHColors c;
  c.Background = palette.color(QPalette::Active, QPalette::Base);
  c.ActiveFieldBackground = c.Background;
  c.OddColumn = QColor(0x00, 0x00, 0xFF);
  c.EvenColumn = QColor(0x00, 0x00, 0x80);
  c.ChangedText = QColor(0x80, 0x00, 0x00);
  // 0xA8FFFF in blue-green-red order.
  c.ChangedBackground = QColor(0xFF, 0xFF, 0xA8);
  c.Offset = QColor(Qt::black);
  c.OffsetBackGround = palette.color(QPalette::Active, QPalette::Button);
  c.CurrentOffset = palette.color(QPalette::Active, QPalette::Light);
  c.CurrentOffsetBackground = palette.color(QPalette::Active, QPalette::Dark);
  c.CursorFrame = QColor(0x00, 0x00, 0x80);
  c.NonFocusCursorFrame = QColor(0x00, 0xFF, 0xFF);
  c.Grid = c.OffsetBackGround;
  c.Text = palette.color(QPalette::Active, QPalette::Text);
  return c;
}

} // namespace orvane::hexview
