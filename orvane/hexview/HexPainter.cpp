#include "orvane/hexview/HexPainter.h"

#include "orvane/hexview/AnsiCodePage.h"

#include "common/HexText.h"

#include <QPainter>

namespace orvane::hexview {

namespace {

constexpr int kMarkerWidth = 8;
constexpr int kMarkerLeft = 2;
const QColor kHexMarker(0x00, 0x00, 0x80);
const QColor kCharMarker(0x00, 0x80, 0x00);

QStaticText prepared(const QString &text, const QFont &font) {
  QStaticText glyph(text);
  glyph.setTextFormat(Qt::PlainText);
  glyph.setPerformanceHint(QStaticText::AggressiveCaching);
  glyph.prepare(QTransform(), font);
  return glyph;
}

} // namespace

void HexPainter::setFont(const QFont &font, QChar maskChar) {
  for (unsigned i = 0; i < 16; ++i)
    hexGlyphs_[i] = prepared(QString(QLatin1Char(common::hex::Digit(i))), font);
  for (int b = 0; b < 256; ++b) {
    const auto ch = b < 32 ? std::optional<QChar>() : ansi::toChar(static_cast<std::uint8_t>(b));
    charGlyphs_[static_cast<std::size_t>(b)] = prepared(QString(ch.value_or(maskChar)), font);
  }
  markerFont_ = font;
  markerFont_.setPixelSize(std::max(QFontInfo(font).pixelSize() * 2 / 3, 7));
  markerFont_.setBold(true);
  for (int i = 0; i < 10; ++i)
    markerGlyphs_[static_cast<std::size_t>(i)] = prepared(QString::number(i), markerFont_);
}

void HexPainter::paint(QPainter &painter, const HexEditState &state, const HexLayout &layout,
                       const OffsetFormat &format, const TVelaHColors &colors,
                       const Options &options, const QRect &clip) const {
  const HexByteModel &model = state.model();
  const int h = layout.rowHeight();
  const int w = layout.charWidth();
  const int bpr = state.bytesPerRow();
  const int bpc = state.bytesPerColumn();
  const qint64 size = model.size();
  const bool showMarks = !state.insertMode();
  const qint64 lastRowOffset = state.rowStart(state.rowCount() - 1);

  const QColor hexPaneBack =
      state.caret().pane == Pane::Hex ? colors.ActiveFieldBackground : colors.Background;
  const QColor charPaneBack =
      state.caret().pane == Pane::Char ? colors.ActiveFieldBackground : colors.Background;

  painter.fillRect(clip, colors.Background);
  const qint64 firstRow = state.topRow() + std::max(clip.top(), 0) / h;
  const qint64 lastRow =
      std::min(state.topRow() + (clip.bottom() + 1 + h - 1) / h, state.rowCount()) - 1;

  const auto cellColors = [&](qint64 position, QColor text, QColor &fg, QColor &bg,
                              const QColor &paneBack) {
    fg = text;
    bg = paneBack;
    if (showMarks && model.isChanged(position)) {
      fg = colors.ChangedText;
      bg = colors.ChangedBackground;
    }
    if (state.isSelected(position)) {
      fg = inverted(fg);
      bg = inverted(bg);
    }
  };
  // Whether the blank after a byte belongs to it: only between two bytes
  // that share a background.
  const auto sameLook = [&](qint64 a, qint64 b) {
    return b < size && state.isSelected(a) == state.isSelected(b) &&
           (!showMarks || model.isChanged(a) == model.isChanged(b));
  };

  for (qint64 row = firstRow; row <= lastRow; ++row) {
    const int y = static_cast<int>(row - state.topRow()) * h;
    paintOffset(painter, state, layout, format, colors, row, y, lastRowOffset);
    painter.fillRect(layout.hexPaneLeft(), y, layout.hexPaneRight() - layout.hexPaneLeft(), h,
                     hexPaneBack);
    painter.fillRect(layout.charPaneLeft(), y, layout.totalWidth() - layout.charPaneLeft(), h,
                     charPaneBack);

    const qint64 start = state.rowStart(row);
    const int count = static_cast<int>(std::clamp<qint64>(size - start, 0, bpr));
    for (int b = 0; b < count; ++b) {
      const qint64 position = start + b;
      const std::uint8_t value = model.at(position);
      QColor fg;
      QColor bg;

      const QColor &column = (b / bpc) % 2 == 0 ? colors.OddColumn : colors.EvenColumn;
      cellColors(position, column, fg, bg, hexPaneBack);
      const int hx = layout.hexLeft(2 * b);
      if (bg != hexPaneBack) {
        const bool joined = b + 1 < count && sameLook(position, position + 1);
        const int right = joined ? layout.hexLeft(2 * b + 2) : layout.hexLeft(2 * b + 1) + w;
        painter.fillRect(hx, y, right - hx, h, bg);
      }
      painter.setPen(fg);
      painter.drawStaticText(hx, y + 1, hexGlyphs_[value >> 4]);
      painter.drawStaticText(layout.hexLeft(2 * b + 1), y + 1, hexGlyphs_[value & 0x0F]);

      cellColors(position, colors.Text, fg, bg, charPaneBack);
      const int cx = layout.charLeft(b);
      if (bg != charPaneBack)
        painter.fillRect(cx, y, layout.charWidthAt(b), h, bg);
      painter.setPen(fg);
      painter.drawStaticText(cx, y + 1, charGlyphs_[value]);
    }
  }
  paintBookmarks(painter, state, layout, firstRow, lastRow);
  paintCaret(painter, state, layout, colors, options);
}

void HexPainter::paintOffset(QPainter &painter, const HexEditState &state, const HexLayout &layout,
                             const OffsetFormat &format, const TVelaHColors &colors, qint64 row,
                             int y, qint64 lastRowOffset) const {
  const bool current = state.rowOf(state.caret().position) == row;
  painter.fillRect(0, y, layout.offsetWidth(), layout.rowHeight(),
                   current ? colors.CurrentOffsetBackground : colors.OffsetBackGround);
  const QString text = format.format(state.rowStart(row), lastRowOffset, state.bytesPerRow(),
                                     state.bytesPerColumn());
  const int x = layout.offsetWidth() - HexLayout::kOffsetMargin -
                static_cast<int>(text.size()) * layout.charWidth();
  painter.setPen(current ? colors.CurrentOffset : colors.Offset);
  painter.drawText(QPoint(x, y + 1 + layout.ascent()), text);
}

void HexPainter::paintBookmarks(QPainter &painter, const HexEditState &state,
                                const HexLayout &layout, qint64 firstRow, qint64 lastRow) const {
  // A static text is laid out again when drawn in another font.
  painter.save();
  painter.setFont(markerFont_);
  for (int i = 0; i < HexByteModel::kBookmarkCount; ++i) {
    const Bookmark mark = state.model().bookmark(i);
    if (!mark.isSet())
      continue;
    const qint64 row = state.rowOf(mark.position);
    if (row < firstRow || row > lastRow)
      continue;
    const bool hex = mark.pane == Pane::Hex;
    const int x = kMarkerLeft + (hex ? 0 : kMarkerWidth + 1);
    const int y = static_cast<int>(row - state.topRow()) * layout.rowHeight();
    const QRect box(x, y + 2, kMarkerWidth, layout.rowHeight() - 4);
    painter.fillRect(box, hex ? kHexMarker : kCharMarker);
    painter.setPen(Qt::white);
    const QStaticText &digit = markerGlyphs_[static_cast<std::size_t>(i)];
    const QPointF center = QRectF(box).center();
    const QSizeF size = digit.size();
    painter.drawStaticText(center - QPointF(size.width() / 2, size.height() / 2), digit);
  }
  painter.restore();
}

void HexPainter::paintCaret(QPainter &painter, const HexEditState &state, const HexLayout &layout,
                            const TVelaHColors &colors, const Options &options) const {
  if (!options.focused)
    return;
  const Caret &caret = state.caret();
  const qint64 row = state.rowOf(caret.position);
  if (row < state.topRow() || row >= state.topRow() + state.visibleRows() + 1)
    return;
  const int h = layout.rowHeight();
  const int w = layout.charWidth();
  const int y = static_cast<int>(row - state.topRow()) * h;
  const int b = static_cast<int>(caret.position - state.rowStart(row));
  const int hexX = layout.hexLeft(2 * b);
  const int charX = layout.charLeft(b);

  const QRect frame = QRect(caret.pane == Pane::Hex ? QRect(charX, y, layout.charWidthAt(b), h)
                                                    : QRect(hexX, y, 2 * w, h))
                          .adjusted(0, 0, -1, -1);
  const int caretX =
      caret.pane == Pane::Hex ? layout.hexLeft(2 * b + (caret.lowNibble ? 1 : 0)) : charX;
  const int caretWidth = state.insertMode() ? 2 : w;

  painter.save();
  painter.setBrush(Qt::NoBrush);
  if (options.focusFrame) {
    // Inverted dots stay visible on any cell colour, selected ones too.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
  } else {
    painter.setPen(QPen(colors.CursorFrame, 1));
  }
  painter.drawRect(frame);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.fillRect(caretX, y, caretWidth, h, Qt::white);
  painter.restore();
}

} // namespace orvane::hexview
