// The link's tests need an event loop: the port's notifiers, the packet
// events and the step timer all run on it. The loader core keeps its recent
// lists in menus, hence a widget application, off screen.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
