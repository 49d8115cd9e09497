// The windows the main window opens: fuse dialog, buffer display with its
// fill dialog, about and splash; driven with real events, photographed.

#include "tests/tollen/ui/WindowRig.h"

#include <QScrollBar>
#include <QTableWidget>
#include <QWheelEvent>

#include "isp/widgets/FillBufferDialog.h"
#include "isp/widgets/TfrmAbout.h"
#include "isp/widgets/TfrmSplash.h"
#include "tollen/ui/BufferGrid.h"
#include "tollen/ui/FuseBitsDialog.h"

namespace tollen::uitest {
namespace {

TEST(FuseDialog, ShowsTheDevicesBitsAndGivesBackWhatWasTicked) {
  WindowRig rig;
  rig.SelectDevice(device::kAtMega8);
  bool shown = false;
  WhenShown([&] {
    QWidget *d = rig.window->FuseDialog();
    shown = d->isVisible();
    EXPECT_EQ(d->windowTitle(), " AVR  Configuration Fuses");
    EXPECT_EQ(Child<QCheckBox>(d, "chkLF7")->text(), " BODLEVEL");
    EXPECT_EQ(Child<QCheckBox>(d, "chkHF5")->text(), " SPIEN");
    EXPECT_FALSE(Child(d, "chkHF5")->isEnabled()) << "SPIEN is fixed";
    EXPECT_EQ(Child<QCheckBox>(d, "chkEF0")->text(), " -");
    EXPECT_FALSE(Child(d, "chkEF0")->isEnabled());
    EXPECT_TRUE(Child(d, "chkBL5")->isEnabled());
    EXPECT_EQ(Child<QCheckBox>(d, "chkBL2")->text(), " BLB01");
    Click(Child(d, "chkLF7")); // program BODLEVEL
    Click(Child(d, "chkBL3")); // and BLB02
    Screenshot(d, "fuse_dialog");
    d->close();
  });
  rig.Click("cmdConfigBits");
  EXPECT_TRUE(shown);
  EXPECT_EQ(rig.engine.FuseLow, 0x7F);
  EXPECT_EQ(rig.engine.FuseHigh, 0xFF);
  EXPECT_EQ(rig.engine.LockByte, 0x37);

  // Shown again it starts from the bytes, and a device without boot lock
  // bits gets every box relabelled.
  rig.SelectDevice(device::kAtTiny26);
  WhenShown([&] {
    QWidget *d = rig.window->FuseDialog();
    EXPECT_FALSE(Child<QCheckBox>(d, "chkLF7")->isChecked());
    EXPECT_EQ(Child<QCheckBox>(d, "chkLF7")->text(), " PLLCK");
    EXPECT_EQ(Child<QCheckBox>(d, "chkHF7")->text(), " -");
    EXPECT_EQ(Child<QCheckBox>(d, "chkHF3")->text(), " SPIEN");
    EXPECT_FALSE(Child(d, "chkBL5")->isEnabled());
    d->close();
  });
  rig.Click("cmdConfigBits");
  EXPECT_EQ(rig.engine.LockByte, 0x3F);
}

TEST(BufferDisplay, ScrollsByBytesAndClearsAfterAsking) {
  WindowRig rig;
  rig.SelectDevice(device::kAtMega8);
  rig.engine.Cells.cells[0x125] = 0xA7;
  rig.engine.ProgramFileName = rig.dir.filePath("x.hex");
  WhenShown([&] {
    ui::BufferGrid *b = rig.window->BufferDisplay();
    EXPECT_EQ(b->windowTitle(), " Buffer Hex Display");
    auto *grid = Child<QTableWidget>(b, "strGrid");
    auto *scroll = Child<QScrollBar>(b, "ScrollBar1");
    EXPECT_EQ(scroll->maximum(), 8704 - 256);
    EXPECT_EQ(scroll->singleStep(), 16);
    EXPECT_EQ(scroll->pageStep(), 256);
    EXPECT_EQ(grid->item(0, 1)->text(), "00");
    EXPECT_EQ(grid->item(0, 16)->text(), "0F");
    EXPECT_EQ(grid->item(1, 0)->text(), " 0000");
    scroll->setFocus();
    for (int i = 0; i < 18; ++i) {
      QTest::keyClick(scroll, Qt::Key_Down); // 18 steps of 16 bytes
    }
    EXPECT_EQ(scroll->value(), 0x120);
    EXPECT_EQ(grid->item(1, 0)->text(), " 0120");
    EXPECT_EQ(grid->item(1, 6)->text(), "A7");
    // A notch of the wheel over the table moves three rows of bytes.
    QWidget *viewport = grid->viewport();
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    for (const int delta : {-120, 120}) {
      QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QCoreApplication::sendEvent(viewport, &wheel);
      EXPECT_EQ(scroll->value(), delta < 0 ? 0x150 : 0x120);
      EXPECT_EQ(grid->item(1, 0)->text(), delta < 0 ? " 0150" : " 0120");
    }
    Screenshot(b, "buffer_display");
    rig.prompter.answers = {true};
    Click(Child(b, "cmdClrBuffer"));
    EXPECT_EQ(grid->item(1, 6)->text(), "FF");
    Click(Child(b, "cmdClose"));
  });
  rig.Click("cmdDispBuffer");
  EXPECT_EQ(rig.Last().caption, "  Clear Buffer");
  EXPECT_EQ(rig.Last().text, "Clear Data Buffer");
  EXPECT_EQ(rig.Last().icon, common::Prompter::Icon::Question);
  EXPECT_EQ(rig.Text("edtCSdata"), "21DE00");
  EXPECT_EQ(rig.Status(), "  Tollen - 3.0a");
}

TEST(FillDialog, TakesOnlyHexDigitsAndFillsTheRange) {
  WindowRig rig;
  rig.SelectDevice(device::kAtTiny26);
  WhenShown([&] {
    ui::BufferGrid *b = rig.window->BufferDisplay();
    WhenShown([&] {
      QWidget *f = rig.window->Fill();
      EXPECT_EQ(f->windowTitle(), "  Fill  Buffer");
      auto *start = Child<QLineEdit>(f, "edtStart");
      auto *end = Child<QLineEdit>(f, "edtEnd");
      auto *data = Child<QLineEdit>(f, "edtData");
      EXPECT_EQ(start->text(), "0000");
      EXPECT_EQ(end->text(), "087F");
      EXPECT_EQ(data->text(), "FF");
      Screenshot(f, "fill_dialog");
      start->selectAll();
      QTest::keyClicks(start, "g1z0a");
      EXPECT_EQ(start->text(), "10A");
      end->selectAll();
      QTest::keyClicks(end, "10bcd");
      EXPECT_EQ(end->text(), "10BC") << "four digits at most";
      QTest::keyClick(end, Qt::Key_Return);
      EXPECT_TRUE(f->isVisible()) << "Enter does nothing";
      end->selectAll();
      QTest::keyClicks(end, "10b");
      data->selectAll();
      QTest::keyClicks(data, "5a");
      Click(Child(f, "btnOK"));
    });
    Click(Child(b, "cmdFillBuffer"));
    Click(Child(b, "cmdClose"));
  });
  rig.Click("cmdDispBuffer");
  EXPECT_EQ(rig.engine.Cells.cells[0x109], 0xFF);
  EXPECT_EQ(rig.engine.Cells.cells[0x10A], 0x5A);
  EXPECT_EQ(rig.engine.Cells.cells[0x10B], 0x5A);
  EXPECT_EQ(rig.engine.Cells.cells[0x10C], 0xFF);
}

TEST(AboutWindow, BeepsEachTimeAndClosesWithOk) {
  WindowRig rig;
  for (int i = 1; i <= 2; ++i) {
    WhenShown([&] {
      QWidget *a = rig.window->About();
      EXPECT_EQ(a->windowTitle(), " About Tollen");
      EXPECT_EQ(Child<QLabel>(a, "lblTitle")->text(), "Tollen");
      EXPECT_EQ(Child<QLabel>(a, "lblVersion")->text(), "Version 3.0a");
      EXPECT_EQ(Child<QLabel>(a, "lblAboutM1")->text(), ui::CreditLines()[0]);
      EXPECT_EQ(Child<QLabel>(a, "lblAboutM3")->text(), ui::CreditLines()[2]);
      EXPECT_TRUE(Child<QLabel>(a, "lblAboutM3")->font().bold());
      EXPECT_EQ(Child<QLabel>(a, "lblAboutM3")->palette().color(QPalette::WindowText),
                QColor(0x00, 0x80, 0x00));
      if (i == 1) {
        Screenshot(a, "about");
      }
      Click(Child(a, "cmdOK"));
    });
    rig.Click("cmdAbout");
    EXPECT_EQ(rig.beeps, i);
    EXPECT_FALSE(rig.window->About()->isVisible());
  }
}

TEST(Splash, TheMainWindowShowsItOnceAtItsFirstShowing) {
  sim::isp::Bench bench("ATmega8");
  common::ScriptedPrompter prompter;
  TollenEngine engine(bench, bench);
  ui::MainWindow window(engine, prompter, {[] {}, true});
  ASSERT_NE(window.Splash(), nullptr);
  EXPECT_FALSE(window.Splash()->isVisible());
  window.show();
  ASSERT_NE(window.Splash(), nullptr);
  EXPECT_TRUE(window.Splash()->isVisible());
  EXPECT_TRUE(Child<QTimer>(window.Splash(), "Timer1")->isActive());
  QMetaObject::invokeMethod(window.Splash(), "Timer1Timer");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window.Splash(), nullptr);
  window.hide();
  window.show();
  EXPECT_EQ(window.Splash(), nullptr) << "not shown again";
  window.close();
}

TEST(Splash, ClosesItselfWhenItsTimerFires) {
  auto *splash = new rindle::ui::TfrmSplash(ui::SplashLook(), ui::kSplashMilliseconds);
  QPointer<rindle::ui::TfrmSplash> alive(splash);
  splash->show();
  auto *timer = Child<QTimer>(splash, "Timer1");
  EXPECT_TRUE(timer->isActive());
  EXPECT_TRUE(timer->isSingleShot());
  EXPECT_EQ(timer->interval(), 1500);
  EXPECT_EQ(splash->palette().color(QPalette::Window), QColor(0x00, 0x80, 0x80));
  const std::array<QString, 3> credits = ui::CreditLines();
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(credits[static_cast<std::size_t>(i)].isEmpty());
    auto *label =
        Child<QLabel>(splash, QStringLiteral("lblAboutM%1").arg(i + 1).toLatin1().constData());
    EXPECT_EQ(label->text(), credits[static_cast<std::size_t>(i)]);
  }
  EXPECT_EQ(Child<QLabel>(splash, "lblAboutM3")->palette().color(QPalette::WindowText),
            QColor(0x00, 0xFF, 0xFF));
  Screenshot(splash, "splash");
  QMetaObject::invokeMethod(splash, "Timer1Timer"); // as the timer would
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull()) << "the splash is gone for good";
}

} // namespace
} // namespace tollen::uitest
