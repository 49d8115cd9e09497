#include <gtest/gtest.h>

#include "common/widgets/GuardedApplication.h"

// One application object for the whole run, the programs' own kind, so that
// errors escaping a handler reach the general error box the tests script.
int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  common::GuardedApplication app(argc, argv);
  app.setApplicationDisplayName(QStringLiteral(" Rindle"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
