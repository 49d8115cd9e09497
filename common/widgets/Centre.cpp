#include "common/widgets/Centre.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace common {

void CentreOnScreen(QWidget &window) {
  const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen)
    return;
  window.ensurePolished();
  if (QLayout *layout = window.layout())
    layout->activate();
  window.adjustSize();
  // The frame's corner is what moves: for a window not shown yet Qt puts
  // the corner of the frame the window system gives it at that point.
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

namespace {

class CentreOnShow : public QObject {
public:
  explicit CentreOnShow(QWidget &window) : QObject(&window), window_(window) {
    window.installEventFilter(this);
  }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    // On showing, and on the resizes that come before the window system
    // has it on screen.
    const bool placing =
        event->type() == QEvent::Show ||
        (event->type() == QEvent::Resize && window_.isVisible() &&
         !(window_.windowHandle() && window_.windowHandle()->isExposed()));
    if (watched == &window_ && placing)
      place();
    return false;
  }

private:
  void place() {
    const QWidget *over = window_.parentWidget() ? window_.parentWidget()->window() : nullptr;
    QRect area;
    if (over && over->isVisible()) {
      area = over->frameGeometry();
    } else {
      const QScreen *screen =
          window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
      if (!screen)
        return;
      area = screen->availableGeometry();
    }
    QRect frame = window_.frameGeometry();
    frame.moveCenter(area.center());
    window_.move(frame.topLeft());
  }

  QWidget &window_;
};

} // namespace

void CentreWhenShown(QWidget &window) { new CentreOnShow(window); }

} // namespace common
