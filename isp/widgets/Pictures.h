#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

namespace rindle::ui {

// A drawn picture of a chip on its cable, for the splash and about windows.
QPixmap ChipPicture(QSize size, bool onDark);

// The credit lines of the splash and about windows (line 3 is the about
// window's tooltip).
QString CreditLine(int line);

} // namespace rindle::ui
