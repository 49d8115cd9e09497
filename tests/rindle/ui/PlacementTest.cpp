// Where the windows open and what they show at once: each is centred on the
// screen at the size it shows with, the first time too.
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include "WindowRig.h"
#include "tests/Centred.h"
#include "isp/widgets/TfrmAbout.h"
#include "rindle/ui/TfrmHelp.h"

namespace rindle::uitest {
namespace {

// Runs `check` on the modal window that the next click opens, then closes it.
void WhenShown(QWidget &window, std::function<void()> check) {
  QTimer::singleShot(0, &window, [&window, check = std::move(check)] {
    check();
    window.close();
  });
}

TEST(Placement, MainWindowHasItsSizeBeforeItIsShown) {
  QTemporaryDir folder;
  ui::ProgramSetup setup;
  setup.hardware = std::make_unique<SimulatedHardware>(folder.path(), QString(), false);
  setup.simulated = true;
  setup.settingsFolder = folder.path();
  common::ScriptedPrompter prompter;
  setup.prompter = &prompter;
  ui::RindleProgram program(std::move(setup));
  ui::TfrmMain &main = program.main();
  // What the window system is asked for when the window is made.
  EXPECT_EQ(main.size(), main.sizeHint());
  EXPECT_EQ(main.minimumSize(), main.sizeHint());
  EXPECT_EQ(main.maximumSize(), main.sizeHint());
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  testplace::ExpectCentredOnScreen(main, "main window");
  EXPECT_EQ(main.size(), main.sizeHint());
}

TEST(Placement, AboutAndHelpOpenCentredTheFirstTime) {
  WindowRig rig;
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i == 0 ? "first time" : "second time");
    int checked = 0;
    WhenShown(rig.program->about(), [&] {
      testplace::ExpectCentredOnScreen(rig.program->about(), "about");
      ++checked;
    });
    rig.click("cmdAbout");
    WhenShown(rig.program->help(), [&] {
      testplace::ExpectCentredOnScreen(rig.program->help(), "help");
      ++checked;
    });
    QAction *help = rig.main().findChild<QAction *>("mnuHelp");
    ASSERT_NE(help, nullptr);
    QMenuBar *bar = rig.main().menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(help).center());
    EXPECT_EQ(checked, 2);
  }
}

// Counts the paints a widget gets.
class PaintCounter : public QObject {
public:
  explicit PaintCounter(QWidget *watched) { watched->installEventFilter(this); }
  int paints = 0;

protected:
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint)
      ++paints;
    return false;
  }
};

// The operation that follows keeps the event loop from running: the window
// is on screen with its bar painted when start returns.
TEST(Placement, ProgressWindowIsPaintedWhenItStarts) {
  WindowRig rig;
  auto &progress = rig.program->progress();
  PaintCounter gauge(progress.gauge());
  PaintCounter window(&progress);
  progress.start(QStringLiteral("  Reading from uController . . ."), 4096);
  ASSERT_NE(progress.windowHandle(), nullptr);
  EXPECT_TRUE(progress.windowHandle()->isExposed());
  EXPECT_GT(gauge.paints, 0);
  EXPECT_GT(window.paints, 0);
  testplace::ExpectCentredOnScreen(progress, "progress");
  progress.hide();
}

} // namespace
} // namespace rindle::uitest
