// The windows' tests run on the offscreen platform inside the application
// object of the real program, so that an escaping error reaches its box.
#include "common/testing/ScriptedPrompter.h"
#include "common/widgets/GuardedApplication.h"

#include <gtest/gtest.h>

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  common::GuardedApplication app(argc, argv);
  // An escaping error must fail a test, not wait for a click.
  common::ScriptedPrompter errors;
  app.setPrompter(&errors);
  ::testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  for (const QString &text : errors.messages())
    ADD_FAILURE() << "error box: " << text.toStdString();
  return errors.shown.empty() ? rc : 1;
}
