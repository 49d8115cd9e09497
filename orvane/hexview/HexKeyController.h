#pragma once

#include "orvane/hexview/HexEditState.h"

#include <QString>
#include <Qt>

namespace orvane::hexview {

// Turns key presses into caret moves, selections and edits on a hex view's
// state.
class HexKeyController {
public:
  // Returns false for keys the view leaves to its parent. nativeScanCode is
  // the key's place on the keyboard as the desktop reports it (0: unknown).
  static bool keyPress(HexEditState &state, int key, Qt::KeyboardModifiers modifiers,
                       const QString &text, quint32 nativeScanCode = 0);

  // The digit of Ctrl+0 to 9 and Ctrl+Shift+0 to 9, or -1. The digit keys
  // of the top row are known by their place, so that whatever symbol a
  // layout puts on their shifted level still names the digit; without a
  // place, by the digit's key code or a US keyboard's shifted symbol.
  static int bookmarkDigit(int key, quint32 nativeScanCode = 0);
};

} // namespace orvane::hexview
