#pragma once

#include "orvane/hexview/HexByteModel.h"

#include <QString>

#include <algorithm>

namespace orvane::hexview {

struct Caret {
  qint64 position = 0;
  Pane pane = Pane::Hex;
  bool lowNibble = false; // hex pane only

  friend bool operator==(const Caret &, const Caret &) = default;
};

// Caret, selection, insert mode, row geometry and scroll position of a hex
// view over a byte model, with every edit and caret rule of the control. The
// key and mouse controllers drive it; the painter only reads it.
class HexEditState {
public:
  explicit HexEditState(HexByteModel &model) : model_(model) {}

  HexByteModel &model() { return model_; }
  const HexByteModel &model() const { return model_; }

  // Row layout; 1 to 256 each, else HexViewError.
  int bytesPerRow() const { return bytesPerRow_; }
  void setBytesPerRow(int count);
  int bytesPerColumn() const { return bytesPerColumn_; }
  void setBytesPerColumn(int count);

  // Rows of the data; one empty row more in insert mode when the data fills
  // its last row, so the caret can stand after the last byte; at least one.
  qint64 rowCount() const;
  qint64 rowOf(qint64 position) const { return position / bytesPerRow_; }
  qint64 rowStart(qint64 row) const { return row * bytesPerRow_; }

  // View: first row shown and the number of whole rows that fit.
  qint64 topRow() const { return topRow_; }
  int visibleRows() const { return visibleRows_; }
  void setVisibleRows(int rows);
  void scrollTo(qint64 row);
  void scrollBy(qint64 rows) { scrollTo(topRow_ + rows); }
  qint64 maxTopRow() const;
  void ensureVisible(qint64 row);

  bool insertMode() const { return insertMode_; }
  // Switching clears every change mark.
  void setInsertMode(bool on);

  const Caret &caret() const { return caret_; }
  // Highest caret position: the last byte, or the place after it in insert
  // mode.
  qint64 lastCaretPosition() const;
  // Puts the caret on target, ending a move past the data on the last caret
  // position; extends a selection in progress and scrolls the caret into
  // view.
  void moveCaret(Caret target);

  bool hasSelection() const { return anchor_ >= 0; }
  // The fixed and the moving end of the selection, only while there is one;
  // SelectionStart and SelectionEnd below give the caret byte otherwise.
  qint64 selectionAnchor() const { return anchor_; }
  qint64 selectionMovingEnd() const { return end_; }
  qint64 selectionLower() const { return std::min(anchor_, end_); }
  qint64 selectionUpper() const { return std::max(anchor_, end_); }
  bool isSelected(qint64 position) const {
    return hasSelection() && position >= selectionLower() && position <= selectionUpper();
  }
  void dropSelection();
  // A selection that follows the caret: from anchor to the caret byte after
  // each move, until it ends. Nothing is selected before the first move.
  void beginTracking(qint64 anchor);
  void endTracking() { tracking_ = false; }
  bool tracking() const { return tracking_; }
  // Selects from anchor to end, both clamped to the data.
  void select(qint64 anchor, qint64 end);

  // Editing, as typed: one character of the pane's kind; control characters
  // and, in the hex pane, anything but a hex digit are ignored.
  void typeChar(QChar ch);
  // Delete removes in insert mode or with withCtrl: the selection, or the
  // byte under the caret.
  void deleteKey(bool withCtrl);
  // Backspace of insert mode: removes the selection, or the byte before the
  // caret.
  void backspaceKey();
  // The same byte in the other pane.
  void switchPane();
  // Sets bookmark index at the caret, or removes it when it is there already.
  void toggleBookmark(int index);
  // Moves to bookmark index; a bookmark past the data is removed instead.
  void gotoBookmark(int index);

  // Selection access of the dialog.
  qint64 SelectionStart() const { return hasSelection() ? anchor_ : caret_.position; }
  qint64 SelectionEnd() const { return hasSelection() ? end_ : caret_.position; }
  qint64 SelectionCount() const {
    return hasSelection() ? selectionUpper() - selectionLower() + 1 : 0;
  }
  void SetSelectionStart(qint64 position);
  void SetSelectionEnd(qint64 position);

  // After a new load: marks and selection gone, caret on byte 0's high
  // nibble, view at the top.
  void resetAfterLoad();

private:
  Caret clamped(Caret target) const;
  void removeRange(qint64 position, qint64 count);
  void insertByte(std::uint8_t value, bool lowNibbleAfter);

  HexByteModel &model_;
  int bytesPerRow_ = 16;
  int bytesPerColumn_ = 2;
  qint64 topRow_ = 0;
  int visibleRows_ = 1;
  bool insertMode_ = false;
  Caret caret_;
  qint64 anchor_ = -1;
  qint64 end_ = -1;
  bool tracking_ = false;
  qint64 trackAnchor_ = 0;
};

} // namespace orvane::hexview
