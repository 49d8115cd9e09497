#include "orvane/hexview/HexKeyController.h"

#include <optional>

namespace orvane::hexview {

namespace {

// The caret's new place for a navigation key, or nothing when the key is not
// one or does not move here.
std::optional<Caret> navigationTarget(HexEditState &state, int key, bool ctrl, bool shift) {
  const Caret c = state.caret();
  const qint64 size = state.model().size();
  const qint64 last = state.lastCaretPosition();
  const int bpr = state.bytesPerRow();
  const qint64 row = state.rowOf(c.position);
  const qint64 rowStart = state.rowStart(row);
  const qint64 column = c.position - rowStart;
  const bool hex = c.pane == Pane::Hex;
  const auto onRow = [&](qint64 targetRow) {
    return Caret{state.rowStart(targetRow) + column, c.pane, c.lowNibble};
  };

  switch (key) {
  case Qt::Key_Left:
    if (ctrl)
      return Caret{rowStart, Pane::Hex, false};
    if (hex && !shift) {
      if (c.lowNibble)
        return Caret{c.position, Pane::Hex, false};
      if (c.position > 0)
        return Caret{c.position - 1, Pane::Hex, true};
      return std::nullopt;
    }
    if (c.position > 0)
      return Caret{c.position - 1, c.pane, false};
    return std::nullopt;
  case Qt::Key_Right:
    if (ctrl)
      return Caret{rowStart + bpr - 1, Pane::Char, false};
    if (hex && !shift && !c.lowNibble && c.position < size)
      return Caret{c.position, Pane::Hex, true};
    if (c.position + 1 <= last)
      return Caret{c.position + 1, c.pane, false};
    return std::nullopt;
  case Qt::Key_Up:
    if (ctrl || row == 0)
      return std::nullopt;
    return onRow(row - 1);
  case Qt::Key_Down:
    if (ctrl || row + 1 >= state.rowCount())
      return std::nullopt;
    return onRow(row + 1);
  case Qt::Key_PageUp:
  case Qt::Key_PageDown: {
    if (ctrl) {
      const qint64 target =
          key == Qt::Key_PageUp
              ? state.topRow()
              : std::min(state.topRow() + state.visibleRows() - 1, state.rowCount() - 1);
      return onRow(target);
    }
    const qint64 step = std::max(state.visibleRows() - 1, 1);
    const qint64 delta = key == Qt::Key_PageUp ? -step : step;
    state.scrollBy(delta);
    return onRow(std::clamp<qint64>(row + delta, 0, state.rowCount() - 1));
  }
  case Qt::Key_Home:
    if (ctrl)
      return Caret{0, c.pane, false};
    return Caret{rowStart, c.pane, false};
  case Qt::Key_End: {
    if (ctrl)
      return Caret{last, c.pane, false};
    const qint64 rowLast = std::min(rowStart + bpr - 1, size - 1);
    if (rowLast < rowStart) // the empty row after the data in insert mode
      return Caret{rowStart, c.pane, false};
    return Caret{rowLast, c.pane, hex};
  }
  default: return std::nullopt;
  }
}

bool isNavigationKey(int key) {
  switch (key) {
  case Qt::Key_Left:
  case Qt::Key_Right:
  case Qt::Key_Up:
  case Qt::Key_Down:
  case Qt::Key_PageUp:
  case Qt::Key_PageDown:
  case Qt::Key_Home:
  case Qt::Key_End: return true;
  default: return false;
  }
}

void move(HexEditState &state, const std::optional<Caret> &target, bool shift) {
  if (shift && !state.tracking()) {
    // A selection that already ends at the caret grows from its anchor.
    const bool extends =
        state.hasSelection() && state.selectionMovingEnd() == state.caret().position;
    state.beginTracking(extends ? state.selectionAnchor() : state.caret().position);
  }
  if (!shift)
    state.dropSelection();
  if (target)
    state.moveCaret(*target);
}

} // namespace

int HexKeyController::bookmarkDigit(int key, quint32 nativeScanCode) {
  // The desktop's key codes of the top row: 1 to 9, then 0 (the kernel's
  // scan codes 2 to 11, plus 8).
  constexpr quint32 kKeyOne = 10;
  constexpr quint32 kKeyZero = 19;
  if (nativeScanCode >= kKeyOne && nativeScanCode <= kKeyZero)
    return static_cast<int>((nativeScanCode - kKeyOne + 1) % 10);
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return key - Qt::Key_0;
  switch (key) {
  case Qt::Key_ParenRight: return 0;
  case Qt::Key_Exclam: return 1;
  case Qt::Key_At: return 2;
  case Qt::Key_NumberSign: return 3;
  case Qt::Key_Dollar: return 4;
  case Qt::Key_Percent: return 5;
  case Qt::Key_AsciiCircum: return 6;
  case Qt::Key_Ampersand: return 7;
  case Qt::Key_Asterisk: return 8;
  case Qt::Key_ParenLeft: return 9;
  default: return -1;
  }
}

bool HexKeyController::keyPress(HexEditState &state, int key, Qt::KeyboardModifiers modifiers,
                                const QString &text, quint32 nativeScanCode) {
  switch (key) {
  case Qt::Key_Shift:
  case Qt::Key_Control:
  case Qt::Key_Alt:
  case Qt::Key_AltGr:
  case Qt::Key_Meta:
    // Holding a modifier is no key press of its own: a selection stays.
    return false;
  default: break;
  }
  const bool shift = modifiers & Qt::ShiftModifier;
  const bool ctrl = modifiers & Qt::ControlModifier;
  if (!shift) {
    state.endTracking();
    if (!state.insertMode())
      state.dropSelection();
  }

  if (ctrl) {
    const int digit = bookmarkDigit(key, nativeScanCode);
    if (digit >= 0) {
      if (shift)
        state.toggleBookmark(digit);
      else
        state.gotoBookmark(digit);
      return true;
    }
  }

  if (isNavigationKey(key)) {
    move(state, navigationTarget(state, key, ctrl, shift), shift);
    return true;
  }

  switch (key) {
  case Qt::Key_Tab:
  case Qt::Key_Backtab: state.switchPane(); return true;
  case Qt::Key_T:
    if (ctrl) {
      state.switchPane();
      return true;
    }
    break;
  case Qt::Key_Insert:
    // Shift+Insert and Ctrl+Insert are the desktop's clipboard keys.
    if (shift || ctrl)
      return false;
    state.setInsertMode(!state.insertMode());
    return true;
  case Qt::Key_Delete: state.deleteKey(ctrl); return true;
  case Qt::Key_Backspace:
    if (state.insertMode())
      state.backspaceKey();
    else
      move(state, navigationTarget(state, Qt::Key_Left, false, shift), shift);
    return true;
  default: break;
  }

  // Enter, Escape and the like belong to the dialog around the view, and so
  // do Ctrl and Alt shortcuts; Ctrl with Alt is AltGr on some desktops and
  // types.
  const bool shortcut = ctrl != static_cast<bool>(modifiers & Qt::AltModifier);
  if (text.isEmpty() || text.front().unicode() < 32 || shortcut)
    return false;
  for (QChar ch : text)
    state.typeChar(ch);
  return true;
}

} // namespace orvane::hexview
