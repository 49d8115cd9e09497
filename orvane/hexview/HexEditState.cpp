#include "orvane/hexview/HexEditState.h"

#include "common/HexText.h"
#include "orvane/hexview/AnsiCodePage.h"
#include "orvane/hexview/HexViewError.h"

namespace orvane::hexview {

namespace {

constexpr int kMaxBytesPerRow = 256;
constexpr int kMaxBytesPerColumn = 256;

} // namespace

void HexEditState::setBytesPerRow(int count) {
  if (count < 1 || count > kMaxBytesPerRow)
    throw HexViewError(QStringLiteral("Invalid bytes per line argument"));
  bytesPerRow_ = count;
  scrollTo(topRow_);
  ensureVisible(rowOf(caret_.position));
}

void HexEditState::setBytesPerColumn(int count) {
  if (count < 1 || count > kMaxBytesPerColumn)
    throw HexViewError(QStringLiteral("Invalid bytes per column argument"));
  bytesPerColumn_ = count;
}

qint64 HexEditState::rowCount() const {
  const qint64 size = model_.size();
  if (size == 0)
    return 1;
  const qint64 rows = (size + bytesPerRow_ - 1) / bytesPerRow_;
  return insertMode_ && size % bytesPerRow_ == 0 ? rows + 1 : rows;
}

void HexEditState::setVisibleRows(int rows) {
  visibleRows_ = std::max(rows, 1);
  scrollTo(topRow_);
}

qint64 HexEditState::maxTopRow() const { return std::max<qint64>(rowCount() - visibleRows_, 0); }

void HexEditState::scrollTo(qint64 row) { topRow_ = std::clamp<qint64>(row, 0, maxTopRow()); }

void HexEditState::ensureVisible(qint64 row) {
  if (row < topRow_)
    scrollTo(row);
  else if (row >= topRow_ + visibleRows_)
    scrollTo(row - visibleRows_ + 1);
}

void HexEditState::setInsertMode(bool on) {
  insertMode_ = on;
  model_.clearChangeMarks();
  caret_ = clamped(caret_);
  scrollTo(topRow_);
}

qint64 HexEditState::lastCaretPosition() const {
  const qint64 size = model_.size();
  return insertMode_ ? size : std::max<qint64>(size - 1, 0);
}

Caret HexEditState::clamped(Caret target) const {
  target.position = std::max<qint64>(target.position, 0);
  if (target.position > lastCaretPosition())
    target.position = lastCaretPosition();
  if (target.pane == Pane::Char || target.position >= model_.size())
    target.lowNibble = false;
  return target;
}

void HexEditState::moveCaret(Caret target) {
  caret_ = clamped(target);
  if (tracking_)
    select(trackAnchor_, caret_.position);
  ensureVisible(rowOf(caret_.position));
}

void HexEditState::dropSelection() {
  anchor_ = -1;
  end_ = -1;
}

void HexEditState::beginTracking(qint64 anchor) {
  tracking_ = true;
  trackAnchor_ = anchor;
}

void HexEditState::select(qint64 anchor, qint64 end) {
  const qint64 last = model_.size() - 1;
  if (last < 0) {
    dropSelection();
    return;
  }
  anchor_ = std::clamp<qint64>(anchor, 0, last);
  end_ = std::clamp<qint64>(end, 0, last);
}

void HexEditState::removeRange(qint64 position, qint64 count) {
  model_.replace(position, count, {});
  dropSelection();
  moveCaret(Caret{position, caret_.pane, false});
}

void HexEditState::insertByte(std::uint8_t value, bool lowNibbleAfter) {
  const QByteArray bytes(1, static_cast<char>(value));
  qint64 at = caret_.position;
  if (hasSelection()) {
    at = selectionLower();
    model_.replace(at, SelectionCount(), bytes);
  } else {
    model_.replace(at, 0, bytes);
  }
  dropSelection();
  moveCaret(lowNibbleAfter ? Caret{at, Pane::Hex, true} : Caret{at + 1, caret_.pane, false});
}

void HexEditState::typeChar(QChar ch) {
  if (ch.unicode() < 32)
    return;
  const qint64 position = caret_.position;
  const qint64 size = model_.size();

  if (caret_.pane == Pane::Hex) {
    const int digit = common::hex::DigitValue(ch.unicode());
    if (digit < 0)
      return;
    if (insertMode_ && (!caret_.lowNibble || hasSelection())) {
      insertByte(static_cast<std::uint8_t>(digit << 4), true);
      return;
    }
    dropSelection();
    if (position >= size)
      return;
    const std::uint8_t old = model_.at(position);
    const auto value = static_cast<std::uint8_t>(caret_.lowNibble ? (old & 0xF0) | digit
                                                                  : (digit << 4) | (old & 0x0F));
    model_.overwrite(position, value);
    if (!caret_.lowNibble)
      moveCaret(Caret{position, Pane::Hex, true});
    else if (position + 1 <= lastCaretPosition())
      moveCaret(Caret{position + 1, Pane::Hex, false});
    return;
  }

  const auto byte = ansi::fromChar(ch);
  if (!byte)
    return;
  if (insertMode_) {
    insertByte(*byte, false);
    return;
  }
  dropSelection();
  if (position >= size)
    return;
  model_.overwrite(position, *byte);
  moveCaret(Caret{position + 1, Pane::Char, false});
}

void HexEditState::deleteKey(bool withCtrl) {
  if (!insertMode_ && !withCtrl)
    return;
  if (hasSelection())
    removeRange(selectionLower(), SelectionCount());
  else if (caret_.position < model_.size())
    removeRange(caret_.position, 1);
}

void HexEditState::backspaceKey() {
  if (hasSelection()) {
    removeRange(selectionLower(), SelectionCount());
    return;
  }
  const qint64 position = caret_.position;
  // On a low nibble the caret stands inside its byte, so that byte is the
  // one before it.
  if (caret_.pane == Pane::Hex && caret_.lowNibble)
    removeRange(position, 1);
  else if (position > 0)
    removeRange(position - 1, 1);
}

void HexEditState::switchPane() {
  moveCaret(Caret{caret_.position, caret_.pane == Pane::Hex ? Pane::Char : Pane::Hex, false});
}

void HexEditState::toggleBookmark(int index) {
  const Bookmark here{caret_.position, caret_.pane};
  model_.setBookmark(index, model_.bookmark(index) == here ? Bookmark{} : here);
}

void HexEditState::gotoBookmark(int index) {
  const Bookmark mark = model_.bookmark(index);
  if (!mark.isSet())
    return;
  if (mark.position >= model_.size()) {
    model_.setBookmark(index, Bookmark{});
    return;
  }
  moveCaret(Caret{mark.position, mark.pane, false});
}

void HexEditState::SetSelectionStart(qint64 position) {
  if (position < 0 || position >= model_.size())
    throw HexViewError(QStringLiteral("Invalid selection start"));
  tracking_ = false;
  dropSelection();
  moveCaret(Caret{position, caret_.pane, false});
}

void HexEditState::SetSelectionEnd(qint64 position) {
  if (position < -1 || position >= model_.size())
    throw HexViewError(QStringLiteral("Invalid selection end"));
  tracking_ = false;
  dropSelection();
  if (position < 0)
    return;
  select(caret_.position, position);
  ensureVisible(rowOf(position));
  ensureVisible(rowOf(caret_.position));
}

void HexEditState::resetAfterLoad() {
  tracking_ = false;
  dropSelection();
  caret_ = Caret{};
  topRow_ = 0;
}

} // namespace orvane::hexview
