#pragma once

#include "orvane/hexview/HexEditState.h"

#include <QString>
#include <Qt>

namespace orvane::hexview {

// Turns key presses into caret moves, selections and edits on a hex view's
// state.
class HexKeyController {
public:
  // Returns false for keys the view leaves to its parent.
  static bool keyPress(HexEditState &state, int key, Qt::KeyboardModifiers modifiers,
                       const QString &text);

  // The digit of Ctrl+0 to 9, also as the shifted symbols of a US keyboard,
  // or -1.
  static int bookmarkDigit(int key);
};

} // namespace orvane::hexview
