#pragma once

#include "common/Prompter.h"

#include <QApplication>

namespace common {

// The application object of every program. An error that escapes an event
// handler is not fatal: it is shown in the general error box (its message and
// a full stop, the application title as caption, an error icon) and the
// program goes on with the next event.
class GuardedApplication : public QApplication {
public:
  GuardedApplication(int &argc, char **argv);

  // Where the error box goes; a test puts a scripted prompter here. Without
  // one, a real message box is shown.
  void setPrompter(Prompter *prompter) { prompter_ = prompter; }

  bool notify(QObject *receiver, QEvent *event) override;

  // The box itself, for flows that catch a conversion error on their own.
  void showError(const QString &message);

private:
  Prompter *prompter_ = nullptr;
};

} // namespace common
