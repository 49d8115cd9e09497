#pragma once

#include <QColor>
#include <QPalette>

namespace orvane::hexview {

// The hex view's colours; standard() gives the start values, which follow
// the desktop's palette for the system colours.
struct TVelaHColors {
  QColor Background;
  QColor ActiveFieldBackground;
  QColor OddColumn;
  QColor EvenColumn;
  QColor ChangedText;
  QColor ChangedBackground;
  QColor Offset;
  QColor OffsetBackGround;
  QColor CurrentOffset;
  QColor CurrentOffsetBackground;
  QColor CursorFrame;
  QColor NonFocusCursorFrame;
  QColor Grid;
  // Characters of the character pane.
  QColor Text;

  static TVelaHColors standard(const QPalette &palette);

  friend bool operator==(const TVelaHColors &, const TVelaHColors &) = default;
};

// A colour with every RGB bit flipped, as selected bytes are drawn.
inline QColor inverted(const QColor &color) { return QColor::fromRgb(color.rgb() ^ 0xFFFFFFu); }

} // namespace orvane::hexview
