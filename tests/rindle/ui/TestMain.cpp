#include <QApplication>

#include <gtest/gtest.h>

#include "common/widgets/GuardedApplication.h"

// The windows need one application object for the whole run, and never a
// display: listing the tests runs this main too.
int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  common::GuardedApplication app(argc, argv);
  app.setTitle(QStringLiteral(" Rindle"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
