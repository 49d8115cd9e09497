// The tests share one application object, as the program has.
#include "common/widgets/GuardedApplication.h"

#include <gtest/gtest.h>

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  common::GuardedApplication app(argc, argv);
  app.setTitle(QStringLiteral(" Tollen"));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
