#pragma once

class QWidget;

namespace rindle::ui {

// Moves a window to the middle of the screen it is on (the primary one
// before it is shown).
void CentreOnScreen(QWidget *window);

} // namespace rindle::ui
