#include "common/widgets/GuardedApplication.h"

#include "common/widgets/QtPrompter.h"

#include <exception>

namespace common {

GuardedApplication::GuardedApplication(int &argc, char **argv) : QApplication(argc, argv) {}

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
  const QString caption = applicationDisplayName();
  if (prompter_) {
    prompter_->message(caption, text, Prompter::Icon::Error);
  } else {
    QtPrompter real(activeWindow());
    real.message(caption, text, Prompter::Icon::Error);
  }
}

} // namespace common
