#pragma once

#include "common/Prompter.h"

#include <QApplication>

namespace common {

// The application object of every program. An error that escapes an event
// handler is not fatal: it is shown in the general error box (its message and
// a full stop, the application title as caption, an error icon) and the
// program goes on with the next event.
//
// The application title is kept here rather than as Qt's display name: on
// X11 Qt appends the display name to every window title, and each window's
// title must be exactly its own caption.
//
// It also ends the program cleanly: on SIGTERM or SIGINT every window is
// closed as if the user had closed it, so settings are saved; and with the
// option --close-when-shown the main window is closed right after its first
// paint, which smoke tests and start-up measurements use.
class GuardedApplication : public QApplication {
public:
  GuardedApplication(int &argc, char **argv);
  ~GuardedApplication() override;

  // Where the error box goes; a test puts a scripted prompter here. Without
  // one, a real message box is shown.
  void setPrompter(Prompter *prompter) { prompter_ = prompter; }

  // The caption of the general error box.
  void setTitle(const QString &title) { title_ = title; }
  const QString &title() const { return title_; }

  bool notify(QObject *receiver, QEvent *event) override;

  // The box itself, for flows that catch a conversion error on their own.
  void showError(const QString &message);

  // Closes the windows in the order a user would and quits.
  void closeAll();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void watchSignals();

  Prompter *prompter_ = nullptr;
  QString title_;
  bool closeWhenShown_ = false;
};

} // namespace common
