#include "rindle/ui/Centre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace rindle::ui {

void CentreOnScreen(QWidget *window) {
  const QScreen *screen = window->screen();
  if (screen == nullptr)
    screen = QGuiApplication::primaryScreen();
  if (screen == nullptr)
    return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

} // namespace rindle::ui
