// The link's tests need an event loop: the port's notifiers, the packet
// events and the step timer all run on it. No widget is involved.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
