#include "orvane/hexview/HexMouseController.h"

namespace orvane::hexview {

std::optional<Caret> HexMouseController::target(const HexEditState &state,
                                                const HexLayout::Hit &hit) {
  const qint64 rowStart = state.rowStart(state.topRow() + hit.row);
  const bool insert = state.insertMode();
  switch (hit.area) {
  case HexLayout::Area::Hex: {
    const qint64 position = rowStart + hit.byteInRow;
    if (insert && hit.rightHalf) {
      // The right half of a cell stands for the place after it.
      if (!hit.lowNibble)
        return Caret{position, Pane::Hex, true};
      return Caret{position + 1, Pane::Hex, false};
    }
    return Caret{position, Pane::Hex, hit.lowNibble};
  }
  case HexLayout::Area::Gap: return Caret{rowStart + hit.byteInRow, Pane::Hex, true};
  case HexLayout::Area::Char: {
    const qint64 position = rowStart + hit.byteInRow;
    return Caret{insert && hit.rightHalf ? position + 1 : position, Pane::Char, false};
  }
  case HexLayout::Area::Offset:
  case HexLayout::Area::None: break;
  }
  return std::nullopt;
}

void HexMouseController::press(HexEditState &state, const HexLayout::Hit &hit, bool doubleClick) {
  const auto place = target(state, hit);
  if (!place)
    return;
  state.endTracking();
  if (doubleClick) {
    state.moveCaret(*place);
    return;
  }
  if (state.isSelected(place->position)) {
    pending_ = place;
    return;
  }
  state.dropSelection();
  state.moveCaret(*place);
  state.beginTracking(state.caret().position);
  selecting_ = true;
}

void HexMouseController::drag(HexEditState &state, const HexLayout::Hit &hit) {
  const auto place = target(state, hit);
  if (!place)
    return;
  if (pending_) {
    if (*place == *pending_)
      return;
    // Dragging from inside the selection starts a new one at the press.
    state.dropSelection();
    state.moveCaret(*pending_);
    state.beginTracking(state.caret().position);
    pending_.reset();
    selecting_ = true;
  }
  if (selecting_ && !(*place == state.caret()))
    state.moveCaret(*place);
}

void HexMouseController::release(HexEditState &state) {
  if (pending_) {
    state.dropSelection();
    state.moveCaret(*pending_);
    pending_.reset();
  }
  selecting_ = false;
  state.endTracking();
}

Qt::CursorShape HexMouseController::cursorShape(const HexEditState &state,
                                                const HexLayout::Hit &hit) {
  if (hit.area == HexLayout::Area::Offset)
    return Qt::ArrowCursor;
  const auto place = target(state, hit);
  if (place && state.isSelected(place->position))
    return Qt::ArrowCursor;
  return Qt::IBeamCursor;
}

} // namespace orvane::hexview
