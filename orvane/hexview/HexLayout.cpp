#include "orvane/hexview/HexLayout.h"

#include <algorithm>

namespace orvane::hexview {

void HexLayout::update(const QFontMetrics &metrics, int bytesPerRow, int bytesPerColumn,
                       int offsetTextLength) {
  w_ = std::max(metrics.horizontalAdvance(QLatin1Char('w')), 1);
  rowHeight_ = metrics.boundingRect(QStringLiteral("yY")).height() + 2;
  ascent_ = metrics.ascent();
  offsetWidth_ = (offsetTextLength + 1) * w_ + kOffsetExtra;

  hexLeft_.assign(static_cast<std::size_t>(2 * bytesPerRow + 1), 0);
  int x = offsetWidth_ + kSpacer;
  for (int byte = 0; byte < bytesPerRow; ++byte) {
    const bool wide = (byte + 1) % bytesPerColumn == 0 || byte == bytesPerRow - 1;
    hexLeft_[static_cast<std::size_t>(2 * byte)] = x;
    x += w_;
    hexLeft_[static_cast<std::size_t>(2 * byte + 1)] = x;
    x += wide ? 2 * w_ : w_;
  }
  hexLeft_.back() = x;

  x += w_; // the gap between the panes
  charLeft_.assign(static_cast<std::size_t>(bytesPerRow + 1), 0);
  for (int byte = 0; byte < bytesPerRow; ++byte) {
    charLeft_[static_cast<std::size_t>(byte)] = x;
    x += byte == bytesPerRow - 1 ? 2 * w_ + 1 : w_ + 1;
  }
  charLeft_.back() = x;
}

HexLayout::Hit HexLayout::hitTest(int x, int y) const {
  Hit hit;
  if (y < 0 || x < 0)
    return hit;
  hit.row = y / rowHeight_;
  if (x < offsetWidth_ + kSpacer) {
    hit.area = Area::Offset;
    return hit;
  }
  const auto cellOf = [](const std::vector<int> &edges, int px) {
    const auto it = std::upper_bound(edges.begin(), edges.end(), px);
    return static_cast<int>(it - edges.begin()) - 1;
  };
  if (x < hexPaneRight()) {
    const int nibble = cellOf(hexLeft_, x);
    hit.area = Area::Hex;
    hit.byteInRow = nibble / 2;
    hit.lowNibble = nibble % 2 == 1;
    hit.rightHalf = x - hexLeft(nibble) >= hexWidth(nibble) / 2;
    return hit;
  }
  if (x < charPaneLeft()) {
    hit.area = Area::Gap;
    hit.byteInRow = static_cast<int>(charLeft_.size()) - 2;
    hit.lowNibble = true;
    return hit;
  }
  if (x < totalWidth()) {
    const int byte = cellOf(charLeft_, x);
    hit.area = Area::Char;
    hit.byteInRow = byte;
    hit.rightHalf = x - charLeft(byte) >= charWidthAt(byte) / 2;
    return hit;
  }
  return hit;
}

} // namespace orvane::hexview
