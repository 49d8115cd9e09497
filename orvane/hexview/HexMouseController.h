#pragma once

#include "orvane/hexview/HexEditState.h"
#include "orvane/hexview/HexLayout.h"

#include <Qt>

#include <optional>

namespace orvane::hexview {

// Caret placement and drag selection with the mouse, given what lies under
// the pointer.
class HexMouseController {
public:
  void press(HexEditState &state, const HexLayout::Hit &hit, bool doubleClick);
  // Pointer moved with the button held.
  void drag(HexEditState &state, const HexLayout::Hit &hit);
  void release(HexEditState &state);

  bool selecting() const { return selecting_ || pending_.has_value(); }

  // Arrow over the selection and the offset column, I-beam elsewhere.
  static Qt::CursorShape cursorShape(const HexEditState &state, const HexLayout::Hit &hit);

  // The caret place for a point in a data pane, or nothing outside them.
  static std::optional<Caret> target(const HexEditState &state, const HexLayout::Hit &hit);

private:
  bool selecting_ = false;
  // A press inside the selection waits for a move or the release.
  std::optional<Caret> pending_;
};

} // namespace orvane::hexview
