// The main window's place on the screen and its recent-files menu, opened
// from the real File menu as a user opens it.
#include "LoaderFixture.h"
#include "tests/Centred.h"

#include <QMenu>
#include <QMenuBar>
#include <QScreen>

namespace uitest {
namespace {

class WindowPlacementTest : public LoaderFixture {
protected:
  void closeMenus() {
    for (QWidget *w : QApplication::topLevelWidgets()) {
      if (qobject_cast<QMenu *>(w) && w->isVisible())
        w->close();
    }
  }

  // Opens the File menu from the menu bar, walks down to "Open Recent Files"
  // with the arrow keys (they pass over an entry that cannot open) and
  // presses the right arrow. Returns whether the recent-files menu came up.
  bool openRecentFromFileMenu() {
    QMenuBar *bar = main().menuBar();
    QMenu *file = main().findChild<QMenu *>("File1");
    QMenu *recent = main().findChild<QMenu *>("OpenRecentFiles1");
    if (!file || !recent)
      return false;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
    if (!QTest::qWaitForWindowExposed(file))
      return false;
    for (qsizetype i = 0; i < file->actions().size() && file->activeAction() != recent->menuAction();
         ++i)
      QTest::keyClick(file, Qt::Key_Down);
    if (file->activeAction() != recent->menuAction())
      return false;
    QTest::keyClick(file, Qt::Key_Right);
    return recent->isVisible();
  }
};

TEST_F(WindowPlacementTest, MainWindowOpensCentredAtItsFinalSize) {
  start();
  EXPECT_EQ(main().size(), main().sizeHint());
  testplace::ExpectCentredOnScreen(main(), "main window");
}

// An empty submenu opened once is never shown again on X11: while the list
// is empty its entry cannot be opened, by the mouse or by Ctrl+R.
TEST_F(WindowPlacementTest, RecentFilesOpensOnlyWithEntriesEachTime) {
  const QString hex = writeHex("a/first.hex", 100);
  start();
  QMenu *recent = main().findChild<QMenu *>("OpenRecentFiles1");
  ASSERT_NE(recent, nullptr);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(recent->menuAction()->isEnabled()) << "empty list";
    EXPECT_FALSE(openRecentFromFileMenu());
    closeMenus();
    QTest::keyClick(&main(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(recent->isVisible());
  }

  prompter.fileNames = {hex};
  QTest::mouseClick(control<QPushButton>("btnBrowse"), Qt::LeftButton);
  ASSERT_EQ(recent->actions().size(), 1);
  EXPECT_TRUE(recent->menuAction()->isEnabled());
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(openRecentFromFileMenu());
    EXPECT_EQ(recent->actions()[0]->text(), QStringLiteral("&1 ") + hex);
    closeMenus();
    QTest::keyClick(&main(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(recent->isVisible()) << "Ctrl+R";
    closeMenus();
  }
}

} // namespace
} // namespace uitest
