#include <gtest/gtest.h>

#include "common/widgets/GuardedApplication.h"

// One application object for the whole run, the programs' own kind, so that
// errors escaping a handler reach the general error box the tests script.
namespace {

// The offscreen platform says for every fixed-size dialog that it cannot pass
// size hints on; nothing a test needs to read.
QtMessageHandler defaultHandler = nullptr;
void QuietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message) {
  if (message.contains(QStringLiteral("propagateSizeHints")))
    return;
  defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char **argv) {
  defaultHandler = qInstallMessageHandler(QuietHandler);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  common::GuardedApplication app(argc, argv);
  app.setTitle(QStringLiteral(" Rindle"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
