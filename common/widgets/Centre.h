#pragma once

class QWidget;

namespace common {

// Moves a top-level window to the middle of the screen it is on (the primary
// one before it is shown), at the size it shows with: a window whose layout
// has not run yet is brought to its final size first, so that it is centred
// the first time too.
void CentreOnScreen(QWidget &window);

// For a dialog that does not place itself: each time it is shown, it opens
// centred over its parent's window (on the screen without one) at the size
// it shows with. Qt's own placement guesses the frame of windows it has not
// seen framed, and a message box takes its size only as it is shown.
void CentreWhenShown(QWidget &window);

} // namespace common
