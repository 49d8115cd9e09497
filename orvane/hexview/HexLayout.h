#pragma once

#include <QFontMetrics>

#include <vector>

namespace orvane::hexview {

// Pixel geometry of one row, from left to right: the offset column, a
// 6-pixel spacer, the hex pane with a cell per nibble, a one-character gap
// and the character pane with a cell per byte. With w the width of "w": a
// nibble cell is w wide, but the last nibble of each column group and of the
// row is 2w, so a blank follows; a character cell is w + 1, the row's last
// 2w + 1. Rows are as high as "yY" plus 2 pixels.
class HexLayout {
public:
  static constexpr int kSpacer = 6;
  static constexpr int kOffsetMargin = 4;
  static constexpr int kOffsetExtra = 21;

  enum class Area { None, Offset, Hex, Gap, Char };

  struct Hit {
    Area area = Area::None;
    qint64 row = 0;    // row under the point, counted from the view's top
    int byteInRow = 0; // the cell's byte within the row
    bool lowNibble = false;
    bool rightHalf = false; // the point is on the right half of the cell
  };

  void update(const QFontMetrics &metrics, int bytesPerRow, int bytesPerColumn,
              int offsetTextLength);

  int charWidth() const { return w_; }
  int rowHeight() const { return rowHeight_; }
  int ascent() const { return ascent_; }
  int offsetWidth() const { return offsetWidth_; }
  int totalWidth() const { return charLeft_.back(); }

  // Nibble cell k = 2 * byte + (low ? 1 : 0) of a row.
  int hexLeft(int nibble) const { return hexLeft_[static_cast<std::size_t>(nibble)]; }
  int hexWidth(int nibble) const { return hexLeft(nibble + 1) - hexLeft(nibble); }
  int hexPaneLeft() const { return hexLeft_.front(); }
  int hexPaneRight() const { return hexLeft_.back(); }
  int charLeft(int byte) const { return charLeft_[static_cast<std::size_t>(byte)]; }
  int charWidthAt(int byte) const { return charLeft(byte + 1) - charLeft(byte); }
  int charPaneLeft() const { return charLeft_.front(); }

  // What lies under a point given in content pixels (0, 0 at the top left
  // of the first row shown).
  Hit hitTest(int x, int y) const;

private:
  int w_ = 8;
  int rowHeight_ = 16;
  int ascent_ = 12;
  int offsetWidth_ = 0;
  std::vector<int> hexLeft_{0};  // left edge of every nibble cell, then the pane's end
  std::vector<int> charLeft_{0}; // left edge of every character cell, then the end
};

} // namespace orvane::hexview
