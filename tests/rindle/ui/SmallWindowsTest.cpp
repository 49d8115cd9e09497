// The progress, splash, about and help windows of the programmer.

#include "WindowRig.h"

#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "isp/widgets/Pictures.h"
#include "isp/widgets/TfrmAbout.h"
#include "rindle/ui/TfrmHelp.h"
#include "isp/widgets/TfrmSplash.h"

namespace rindle::uitest {
namespace {

TEST(ProgressWindow, OnlyCancelClosesIt) {
  WindowRig rig;
  auto &progress = rig.program->progress();
  bool cancelled = false;
  progress.onCancel = [&] { cancelled = true; };
  progress.start("  Verifying the uController . . .", 100);
  EXPECT_TRUE(progress.isVisible());
  EXPECT_FALSE(progress.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
  QTest::keyClick(&progress, Qt::Key_Escape);
  EXPECT_TRUE(progress.isVisible());
  EXPECT_FALSE(cancelled);
  auto *cancel = progress.findChild<QPushButton *>("Button1");
  EXPECT_EQ(cancel->text(), "Cancel");
  QTest::mouseClick(cancel, Qt::LeftButton);
  EXPECT_TRUE(cancelled);
  EXPECT_FALSE(progress.isVisible());
}

TEST(Splash, ShownOnceAndClosedByItsTimer) {
  WindowRig rig;
  QPointer<ui::TfrmSplash> splash = rig.program->splash();
  ASSERT_TRUE(splash);
  EXPECT_TRUE(splash->isVisible());
  EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(splash->timer()->isActive());
  EXPECT_TRUE(splash->timer()->isSingleShot());
  EXPECT_EQ(splash->timer()->interval(), 2000);
  EXPECT_EQ(splash->findChild<QLabel *>("lblAboutM2")->text(), ui::CreditLine(1));
  EXPECT_EQ(splash->findChild<QLabel *>("lblAboutM3")->text(), ui::CreditLine(2));
  Screenshot(splash, "rindle-splash");
  // The timer's time is up.
  splash->Timer1Timer();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(splash);
  EXPECT_EQ(rig.program->splash(), nullptr);
  // Minimised and restored: no splash again.
  rig.main().showMinimized();
  rig.main().showNormal();
  EXPECT_EQ(rig.program->splash(), nullptr);
  for (QWidget *w : QApplication::topLevelWidgets())
    EXPECT_EQ(qobject_cast<ui::TfrmSplash *>(w), nullptr);
}

TEST(About, BeepsEachTimeItIsShown) {
  WindowRig rig;
  auto &about = rig.program->about();
  int beeps = 0;
  about.beep = [&] { ++beeps; };
  for (int i = 0; i < 2; ++i) {
    QTimer::singleShot(0, &about, [&] {
      EXPECT_TRUE(about.isVisible());
      EXPECT_EQ(about.windowTitle(), " About Rindle");
      auto *m1 = about.findChild<QLabel *>("lblAboutM1");
      EXPECT_EQ(m1->text(), ui::CreditLine(1));
      EXPECT_EQ(m1->toolTip(), ui::CreditLine(3));
      EXPECT_EQ(about.findChild<QLabel *>("lblAboutM2")->toolTip(), ui::CreditLine(3));
      if (i == 0)
        Screenshot(&about, "rindle-about");
      about.close();
    });
    rig.click("cmdAbout");
  }
  EXPECT_EQ(beeps, 2);
}

TEST(Help, OpensFromTheMenuWithFourSections) {
  WindowRig rig;
  auto &help = rig.program->help();
  bool shown = false;
  bool scrollBar = false;
  QTimer::singleShot(0, &help, [&] {
    shown = help.isVisible();
    QCoreApplication::processEvents(); // let the text lay itself out
    scrollBar = help.findChild<QPlainTextEdit *>("Memo1")->verticalScrollBar()->isVisible();
    Screenshot(&help, "rindle-help");
    help.close();
  });
  // The Help title acts on a click.
  QAction *action = rig.main().findChild<QAction *>("mnuHelp");
  ASSERT_NE(action, nullptr);
  QMenuBar *bar = rig.main().menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
  EXPECT_TRUE(shown);
  EXPECT_TRUE(scrollBar);
  EXPECT_EQ(help.windowTitle(), " Rindle Help");
  auto *memo = help.findChild<QPlainTextEdit *>("Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_TRUE(QFontInfo(memo->font()).fixedPitch());
  EXPECT_TRUE(memo->font().bold());
  const QStringList lines = memo->toPlainText().split('\n');
  for (const QString &line : lines)
    EXPECT_LE(line.size(), 44) << line.toStdString();
  for (const char *heading : {" MEMORY BUFFER", " DATA CHECKSUM", " OSCCAL BYTES", "Notes"}) {
    const qsizetype at = lines.indexOf(heading);
    ASSERT_GT(at, 0) << heading;
    EXPECT_EQ(lines[at - 1], QString(44, u'-'));
    EXPECT_EQ(lines[at + 1], QString(44, u'-'));
  }
  // Every line fits beside the scroll bar without a horizontal scroll.
  const QFontMetrics metrics(memo->font());
  EXPECT_GE(memo->viewport()->width(), metrics.horizontalAdvance(QString(44, u'-')));
  EXPECT_LE(memo->viewport()->geometry().right(),
            memo->verticalScrollBar()->parentWidget()->geometry().left());
}

} // namespace
} // namespace rindle::uitest
