#pragma once

#include "orvane/hexview/HexEditState.h"
#include "orvane/hexview/HexLayout.h"
#include "orvane/hexview/OffsetFormat.h"
#include "orvane/hexview/TVelaHColors.h"

#include <QFont>
#include <QStaticText>

#include <array>

class QPainter;

namespace orvane::hexview {

// Draws the rows of a hex view that meet a clip rectangle: offsets with
// bookmark markers, the hex and character panes with their colours, the
// caret and the focus frame. Glyphs are laid out once per font, so a paint
// costs the same whatever the size of the data.
class HexPainter {
public:
  struct Options {
    bool focused = false;
    bool focusFrame = true;
  };

  // Lays the glyphs out for font; maskChar stands for bytes 0 to 31 and for
  // the code page's unassigned bytes.
  void setFont(const QFont &font, QChar maskChar);

  // clip is in content pixels, with (0, 0) at the left of the first row
  // shown.
  void paint(QPainter &painter, const HexEditState &state, const HexLayout &layout,
             const OffsetFormat &format, const TVelaHColors &colors, const Options &options,
             const QRect &clip) const;

private:
  void paintOffset(QPainter &painter, const HexEditState &state, const HexLayout &layout,
                   const OffsetFormat &format, const TVelaHColors &colors, qint64 row, int y,
                   qint64 lastRowOffset) const;
  void paintBookmarks(QPainter &painter, const HexEditState &state, const HexLayout &layout,
                      qint64 firstRow, qint64 lastRow) const;
  void paintCaret(QPainter &painter, const HexEditState &state, const HexLayout &layout,
                  const TVelaHColors &colors, const Options &options) const;

  QFont markerFont_;
  std::array<QStaticText, 16> hexGlyphs_;
  std::array<QStaticText, 256> charGlyphs_;
  std::array<QStaticText, 10> markerGlyphs_;
};

} // namespace orvane::hexview
