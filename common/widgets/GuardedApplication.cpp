#include "common/widgets/GuardedApplication.h"

#include "common/widgets/QtPrompter.h"

#include <QMainWindow>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <exception>
#include <sys/socket.h>
#include <unistd.h>

namespace common {
namespace {

// The write end of the signal pipe; a signal handler may only write to it.
int signalFd[2] = {-1, -1};

void onSignal(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = ::write(signalFd[0], &c, 1);
}

} // namespace

GuardedApplication::GuardedApplication(int &argc, char **argv) : QApplication(argc, argv) {
  closeWhenShown_ = arguments().contains(QStringLiteral("--close-when-shown"));
  if (closeWhenShown_)
    installEventFilter(this);
  watchSignals();
}

GuardedApplication::~GuardedApplication() {
  if (signalFd[0] >= 0) {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    ::close(signalFd[0]);
    ::close(signalFd[1]);
    signalFd[0] = signalFd[1] = -1;
  }
}

void GuardedApplication::watchSignals() {
  // One application per process; a second one (in a test) leaves the
  // signals to the first.
  if (signalFd[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalFd) != 0)
    return;
  auto *notifier = new QSocketNotifier(signalFd[1], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this] {
    char c;
    [[maybe_unused]] const ssize_t n = ::read(signalFd[1], &c, 1);
    closeAll();
  });
  std::signal(SIGTERM, onSignal);
  std::signal(SIGINT, onSignal);
}

bool GuardedApplication::notify(QObject *receiver, QEvent *event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception &e) {
    showError(QString::fromUtf8(e.what()));
  } catch (...) {
    showError(QStringLiteral("Unknown error"));
  }
  return false;
}

void GuardedApplication::showError(const QString &message) {
  QString text = message;
  if (!text.endsWith(QLatin1Char('.')))
    text += QLatin1Char('.');
  if (prompter_) {
    prompter_->message(title_, text, Prompter::Icon::Error);
  } else {
    QtPrompter real(activeWindow());
    real.message(title_, text, Prompter::Icon::Error);
  }
}

void GuardedApplication::closeAll() {
  // Modal dialogs first, so that the main window's close runs its exit code.
  if (QWidget *modal = activeModalWidget())
    modal->close();
  for (QWidget *w : topLevelWidgets()) {
    if (qobject_cast<QMainWindow *>(w) && w->isVisible())
      w->close();
  }
  quit();
}

bool GuardedApplication::eventFilter(QObject *watched, QEvent *event) {
  if (closeWhenShown_ && event->type() == QEvent::Paint) {
    auto *w = qobject_cast<QMainWindow *>(watched);
    if (w) {
      closeWhenShown_ = false;
      removeEventFilter(this);
      QTimer::singleShot(0, this, &GuardedApplication::closeAll);
    }
  }
  return QApplication::eventFilter(watched, event);
}

} // namespace common
