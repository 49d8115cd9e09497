// The recent lists live in menus, so the tests need an application object.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  // Test discovery runs this program without the test environment; no test
  // here needs a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
