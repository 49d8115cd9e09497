// Where the older edition's windows open: centred on the screen at the size
// they show with, the first time too; and the buffer display scrolled from
// the keyboard.
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>

#include "WindowRig.h"
#include "tests/Centred.h"
#include "tollen/ui/BufferGrid.h"

namespace tollen::uitest {
namespace {

TEST(Placement, MainAboutAndBufferDisplayOpenCentred) {
  WindowRig rig;
  testplace::ExpectCentredOnScreen(*rig.window, "main window");
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i == 0 ? "first time" : "second time");
    int checked = 0;
    WhenShown([&] {
      testplace::ExpectCentredOnScreen(*rig.window->About(), "about");
      ++checked;
      rig.window->About()->close();
    });
    rig.Click("cmdAbout");
    WhenShown([&] {
      testplace::ExpectCentredOnScreen(*rig.window->BufferDisplay(), "buffer display");
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
