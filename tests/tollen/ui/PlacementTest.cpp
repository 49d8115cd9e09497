// Where the older edition's windows open: centred on the screen at the size
// they show with, the first time too; and the buffer display scrolled from
// the keyboard.
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>

#include "WindowRig.h"
#include "tollen/ui/BufferGrid.h"

namespace tollen::uitest {
namespace {

void ExpectCentredOnScreen(const QWidget &window, const char *what) {
  ASSERT_TRUE(window.isVisible()) << what;
  const QRect screen = window.screen()->availableGeometry();
  const QRect frame = window.frameGeometry();
  // The test platform frames a window only once it is shown, and places the
  // window there without its frame; the test on a real X server measures to
  // the pixel.
  const int slack = 1 + (frame.width() - window.width()) / 2;
  EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), slack)
      << what << " at x " << frame.x() << ", " << frame.width() << " wide";
  EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), slack)
      << what << " at y " << frame.y() << ", " << frame.height() << " high";
  if (window.layout() != nullptr)
    EXPECT_EQ(window.size(), window.layout()->totalSizeHint()) << what << ": its final size";
}

TEST(Placement, MainAboutAndBufferDisplayOpenCentred) {
  WindowRig rig;
  ExpectCentredOnScreen(*rig.window, "main window");
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i == 0 ? "first time" : "second time");
    int checked = 0;
    WhenShown([&] {
      ExpectCentredOnScreen(*rig.window->About(), "about");
      ++checked;
      rig.window->About()->close();
    });
    rig.Click("cmdAbout");
    WhenShown([&] {
      ExpectCentredOnScreen(*rig.window->BufferDisplay(), "buffer display");
      ++checked;
      rig.window->BufferDisplay()->close();
    });
    rig.Click("cmdDispBuffer");
    EXPECT_EQ(checked, 2);
  }
}

TEST(Placement, BufferDisplayScrollsFromTheKeyboard) {
  WindowRig rig;
  rig.SelectDevice(device::kAtMega8);
  bool ran = false;
  WhenShown([&] {
    ui::BufferGrid *b = rig.window->BufferDisplay();
    auto *scroll = Child<QScrollBar>(b, "ScrollBar1");
    auto *grid = Child<QTableWidget>(b, "strGrid");
    scroll->setValue(0);
    ASSERT_TRUE(QTest::qWaitFor([b] { return QApplication::activeWindow() == b; }));
    const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    EXPECT_EQ(QApplication::focusWidget(), scroll) << "the scroll bar has the focus";
    press(Qt::Key_PageDown);
    EXPECT_EQ(scroll->value(), 256);
    EXPECT_EQ(grid->item(1, 0)->text(), " 0100");
    press(Qt::Key_Down);
    EXPECT_EQ(scroll->value(), 256 + 16);
    press(Qt::Key_PageUp);
    press(Qt::Key_Up);
    EXPECT_EQ(scroll->value(), 0);
    Child(b, "cmdClose")->setFocus();
    press(Qt::Key_PageDown);
    EXPECT_EQ(scroll->value(), 256) << "page keys from a button";
    ran = true;
    b->close();
  });
  rig.Click("cmdDispBuffer");
  EXPECT_TRUE(ran);
}

} // namespace
} // namespace tollen::uitest
