// The main window as a user meets it: controls, captions, hints, tab order,
// the device list and lock boxes, and the chip operations through its
// buttons.

#include "WindowRig.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

#include "common/widgets/GuardedApplication.h"
#include "isp/core/DeviceCatalogue.h"

namespace rindle::uitest {
namespace {

using namespace rindle::device;

struct ControlCase {
  const char *name;
  const char *caption;
  const char *hint;
};
void PrintTo(const ControlCase &c, std::ostream *os) { *os << c.name; }

class ButtonTable : public ::testing::TestWithParam<ControlCase> {};

TEST_P(ButtonTable, CaptionAndHint) {
  WindowRig rig;
  QPushButton *b = rig.find(GetParam().name);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->text(), GetParam().caption);
  EXPECT_EQ(b->toolTip(), GetParam().hint);
  // The whole caption fits.
  QString shown = b->text();
  shown.remove(u'&');
  EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(shown) + 8) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ButtonTable,
    ::testing::Values(ControlCase{"cmdRead", "&Read", "Read uController"},
                      ControlCase{"cmdWrite", "&Program", "Program uController"},
                      ControlCase{"cmdErase", "&Erase", "Erase uController"},
                      ControlCase{"cmdBlank", "&Blank Chk", "uController Blank Check"},
                      ControlCase{"cmdOpenFile", "&Open File", "Open Program File"},
                      ControlCase{"cmdDispBuffer", "Disp &Buffer", "Display, Edit Buffer"},
                      ControlCase{"cmdVerify", "&Verify", "Compare uController with Buffer"},
                      ControlCase{"cmdLockBits", "Write &LBs", "Program Lock & Fuse Bits"},
                      ControlCase{"cmdSignature", "&Signature", "Read ID & Fuses Data"},
                      ControlCase{"cmdReset", "Reset &Chip", "Reset uController"},
                      ControlCase{"cmdReloadFile", "Reloa&d File", "Reload Program File"},
                      ControlCase{"cmdAbout", "Abo&ut", "About Rindle"},
                      ControlCase{"cmdFuseBytes", "&Fuse Bytes", "Set Configuration Bits"}),
    CaseName());

TEST(MainWindow, StartsWithItsTitleSizeAndFields) {
  WindowRig rig;
  auto &w = rig.main();
  EXPECT_TRUE(w.windowTitle().startsWith("  Rindle  3.7"));
  EXPECT_TRUE(w.windowTitle().contains("simulated"));
  EXPECT_EQ(w.minimumSize(), w.maximumSize()); // fixed size
  auto *list = rig.find<QComboBox>("cboType");
  ASSERT_EQ(list->count(), 37);
  EXPECT_EQ(list->itemText(12), "  MEGA8");
  for (int row : {5, 11, 28})
    EXPECT_EQ(list->itemText(row), QString(25, u'-'));
  EXPECT_EQ(list->toolTip(), "Select uController");
  EXPECT_EQ(rig.find<QGroupBox>("fraProgBits")->title(), " Lock Bits ");
  EXPECT_EQ(rig.find<QCheckBox>("chkLB1")->text(), "   Lock Bit-1");
  EXPECT_EQ(rig.find<QCheckBox>("chkLB2")->text(), "   Lock Bit-2");
  EXPECT_FALSE(rig.find("cmdFuseBytes")->isEnabled()); // AT89S51
  EXPECT_EQ(rig.field("edtSig"), "-  -  - ");
  EXPECT_EQ(rig.field("edtCalib"), "-  -  -  - ");
  EXPECT_EQ(rig.field("edtCSdata"), "0FF000"); // 4 KiB of 0xFF
  EXPECT_EQ(rig.find<QLineEdit>("edtCSdata")->toolTip(), "24 Bit Checksum");
  EXPECT_EQ(rig.find<QLineEdit>("edtCalib")->toolTip(), "Osc calibration bytes\nat address 0 to 3");
  for (const char *name : {"edtCSdata", "edtSig", "edtCalib"}) {
    auto *f = rig.find<QLineEdit>(name);
    EXPECT_TRUE(f->isReadOnly());
    EXPECT_TRUE(QFontInfo(f->font()).fixedPitch()) << name;
    EXPECT_GE(f->width(), f->fontMetrics().horizontalAdvance("-  -  -  - ")) << name;
  }
  EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  Rindle  3.7");
  const QStringList menus = [&] {
    QStringList t;
    for (QAction *a : w.menuBar()->actions())
      t << a->text();
    return t;
  }();
  EXPECT_EQ(menus, (QStringList{" &File ", " &Options ", " &Help "}));
  Screenshot(&w, "rindle-main-idle");
}

TEST(MainWindow, EveryCaptionFitsWithALargeFont) {
  const QFont normal = QApplication::font();
  QFont large = normal;
  large.setPointSize(normal.pointSize() * 2);
  QApplication::setFont(large);
  {
    WindowRig rig;
    rig.chooseDevice(kMega128);
    for (QAbstractButton *b : rig.main().findChildren<QAbstractButton *>()) {
      if (b->window() != &rig.main())
        continue;
      QString text = b->text();
      text.remove(u'&');
      EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(text))
          << b->objectName().toStdString();
      EXPECT_GE(b->width(), b->sizeHint().width()) << b->objectName().toStdString();
    }
    for (QLabel *l : rig.main().findChildren<QLabel *>()) {
      if (l->window() == &rig.main()) {
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text()))
            << l->text().toStdString();
      }
    }
    auto *list = rig.find<QComboBox>("cboType");
    EXPECT_GE(list->width(), list->fontMetrics().horizontalAdvance("  MEGA8515"));
    Screenshot(&rig.main(), "rindle-main-large-font");
  }
  QApplication::setFont(normal);
}

TEST(MainWindow, TabVisitsTheButtonsOnly) {
  WindowRig rig;
  QPushButton *first = rig.find("cmdRead");
  first->setFocus();
  QStringList visited;
  QWidget *w = first;
  for (int i = 0; i < 12; ++i) {
    visited << w->objectName();
    QTest::keyClick(w, Qt::Key_Tab);
    w = QApplication::focusWidget();
    ASSERT_NE(w, nullptr);
  }
  EXPECT_EQ(visited, (QStringList{"cmdRead", "cmdWrite", "cmdErase", "cmdBlank", "cmdOpenFile",
                                  "cmdDispBuffer", "cmdVerify", "cmdLockBits", "cmdSignature",
                                  "cmdReset", "cmdReloadFile", "cmdAbout"}));
  EXPECT_EQ(w->objectName(), "cmdRead"); // round again
}

TEST(MainWindow, SeparatorRowKeepsTheDevice) {
  WindowRig rig;
  rig.chooseDevice(kAt89S8253);
  auto *list = rig.find<QComboBox>("cboType");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down); // onto the separator
  EXPECT_EQ(list->currentIndex(), kAt89S8253);
  EXPECT_EQ(rig.program->engine().Device.DeviceIndex, kAt89S8253);
  rig.chooseDevice(11);
  EXPECT_EQ(list->currentIndex(), kAt89S8253);
}

TEST(MainWindow, ThirdLockBoxFollowsTheDevice) {
  WindowRig rig;
  auto *lb3 = rig.find<QCheckBox>("chkLB3");
  rig.chooseDevice(kAt90S8535);
  EXPECT_EQ(lb3->text(), "   FSTRT");
  EXPECT_TRUE(lb3->isEnabled());
  QTest::mouseClick(lb3, Qt::LeftButton);
  EXPECT_EQ(rig.program->engine().Fuses.LockBits, 4);
  rig.chooseDevice(kAt89S51);
  EXPECT_EQ(lb3->text(), "   Lock Bit-3");
  // The AT90S8535's FSTRT is no lock bit of the AT89S51.
  EXPECT_FALSE(lb3->isChecked());
  EXPECT_EQ(rig.program->engine().Fuses.LockBits, 0);
  rig.chooseDevice(kMega8);
  EXPECT_FALSE(lb3->isEnabled());
  EXPECT_TRUE(rig.find("cmdFuseBytes")->isEnabled());
}

struct OperationCase {
  const char *name;
  std::uint16_t device;
  const char *button;
  QString message; // caption|text
};
void PrintTo(const OperationCase &c, std::ostream *os) { *os << c.name; }

class OperationButtons : public ::testing::TestWithParam<OperationCase> {};

TEST_P(OperationButtons, ClickEndsWithItsMessage) {
  WindowRig rig;
  rig.chooseDevice(GetParam().device);
  rig.click(GetParam().button);
  EXPECT_EQ(rig.lastShown(), GetParam().message);
  EXPECT_TRUE(rig.main().isEnabled());
  EXPECT_FALSE(rig.program->progress().isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, OperationButtons,
    ::testing::Values(
        OperationCase{"Read", kTiny13, "cmdRead", "  Read|Reading Completed"},
        OperationCase{"Program", kTiny13, "cmdWrite", "  Write|Program, Verify  OK"},
        OperationCase{"Verify", kTiny13, "cmdVerify", "  Verify|Verification OK"},
        OperationCase{"BlankCheck", kTiny13, "cmdBlank", "  Blank Check|Blank Check OK"},
        OperationCase{"EraseTiny", kTiny13, "cmdErase",
                      "  Erase|Erasing Completed\rFuses set to default value"},
        OperationCase{"EraseAt89S52", kAt89S52, "cmdErase", "  Erase|Erasing Completed"},
        OperationCase{"WriteLockBitsNothing", kAt89S51, "cmdLockBits",
                      "  Lock Bits|No Lock Bit selected"},
        OperationCase{"WriteLockBitsTiny", kTiny13, "cmdLockBits",
                      "  Lock Bits|Lock Bits programmed"}),
    CaseName());

TEST(MainWindow, SignatureButtonFillsTheFields) {
  WindowRig rig;
  rig.chooseDevice(kMega8);
  rig.click("cmdSignature");
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Signature");
  EXPECT_EQ(rig.prompter.shown.back().text, rig.program->engine().ResultText);
  EXPECT_EQ(rig.field("edtSig"), "1E 93 07");
  EXPECT_NE(rig.field("edtCalib"), "-  -  -  - ");
  rig.chooseDevice(kMega16);
  EXPECT_EQ(rig.field("edtSig"), "-  -  - ");
  EXPECT_EQ(rig.field("edtCalib"), "-  -  -  - ");
}

TEST(MainWindow, NoToTheSignatureQuestionRunsNothing) {
  WindowRig rig(QStringLiteral("MEGA8"));
  rig.chooseDevice(kMega16);
  rig.prompter.answers = {false};
  rig.click("cmdWrite");
  ASSERT_EQ(rig.prompter.shown.size(), 1u);
  EXPECT_EQ(rig.prompter.shown[0].text,
            "Device Signature did not match.\rDo you want to continue ?");
  EXPECT_EQ(rig.sim->bench().chip()->counters().erases, 0u);
  EXPECT_EQ(rig.field("edtSig"), "-  -  - ");
}

TEST(MainWindow, ProgramWithAutoVerifyOffShowsNothing) {
  WindowRig rig;
  rig.chooseDevice(kTiny13);
  rig.program->engine().AutoVerify = false;
  rig.program->engine().Buffer.all()[0] = 0x12;
  rig.click("cmdWrite");
  EXPECT_TRUE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.sim->bench().chip()->flash()[0], 0x12);
  EXPECT_FALSE(rig.program->progress().isVisible());
}

TEST(MainWindow, ProgressWindowShowsWhileTheMainWindowIsDisabled) {
  WindowRig rig;
  rig.chooseDevice(kMega8);
  auto &progress = rig.program->progress();
  bool seen = false;
  rig.duringOperation([&] {
    if (progress.gauge()->progress() < 4096)
      return false;
    seen = true;
    EXPECT_TRUE(progress.isVisible());
    EXPECT_FALSE(rig.main().isEnabled());
    EXPECT_TRUE(progress.isEnabled());
    EXPECT_EQ(progress.windowTitle(), "  Reading the uController . . .");
    EXPECT_EQ(progress.gauge()->maxValue(), 8704);
    EXPECT_EQ(rig.field("edtSig"), "1E 93 07"); // what the device check read
    Screenshot(&progress, "rindle-progress");
    Screenshot(&rig.main(), "rindle-main-during-read");
    return true;
  });
  rig.click("cmdRead");
  EXPECT_TRUE(seen);
  EXPECT_TRUE(rig.main().isEnabled());
}

TEST(MainWindow, CancelStopsARealTimeReadWithinOneStep) {
  WindowRig rig(QString(), true); // delays really wait
  rig.chooseDevice(kMega128);
  auto &progress = rig.program->progress();
  rig.program->engine().ProgramFileName = rig.folder_ + "/prog.hex";
  int clickedAt = -1;
  rig.duringOperation([&] {
    if (progress.gauge()->progress() < 2048)
      return false;
    clickedAt = progress.gauge()->progress();
    QTest::mouseClick(progress.findChild<QPushButton *>("Button1"), Qt::LeftButton);
    return true;
  });
  rig.click("cmdRead");
  ASSERT_GE(clickedAt, 2048);
  EXPECT_LE(progress.gauge()->progress(), clickedAt + 64);
  EXPECT_FALSE(progress.isVisible());
  EXPECT_TRUE(rig.prompter.messages().isEmpty());
  EXPECT_TRUE(rig.program->engine().ProgramFileName.isEmpty());
  EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  Rindle  3.7");
  EXPECT_TRUE(rig.main().isEnabled());
}

TEST(MainWindow, CannotBeClosedWhileAnOperationRuns) {
  WindowRig rig;
  rig.chooseDevice(kMega8);
  bool refused = false;
  rig.duringOperation([&] {
    if (rig.program->progress().gauge()->progress() < 1024)
      return false;
    refused = !rig.main().close();
    return true;
  });
  rig.click("cmdVerify");
  EXPECT_TRUE(refused);
  EXPECT_TRUE(rig.main().isVisible());
  EXPECT_EQ(rig.lastShown(), "  Verify|Verification OK");
  EXPECT_TRUE(rig.main().close()); // idle again: it closes
}

TEST(MainWindow, ResetChipAnswersTheMouseOnly) {
  WindowRig rig;
  rig.chooseDevice(kMega8);
  QPushButton *reset = rig.find("cmdReset");
  const sim::isp::Chip &chip = *rig.sim->bench().chip();
  QTest::mousePress(reset, Qt::LeftButton);
  EXPECT_TRUE(chip.inReset());
  QTest::mouseRelease(reset, Qt::LeftButton);
  EXPECT_FALSE(chip.inReset());
  const auto resets = chip.counters().resets;
  reset->setFocus();
  QTest::keyPress(reset, Qt::Key_Space);
  EXPECT_FALSE(chip.inReset());
  QTest::keyRelease(reset, Qt::Key_Space);
  EXPECT_EQ(chip.counters().resets, resets);
}

TEST(MainWindow, FuseBytesButtonRunsTheDialogThenWritesItBack) {
  WindowRig rig;
  rig.chooseDevice(kMega8);
  QStringList order;
  rig.main().showFuseBytes = [&] {
    order << "dialog";
    rig.program->engine().Fuses.LockBits = 1;
  };
  rig.main().updateConfigFuseBytes = [&] { order << "write back"; };
  rig.click("cmdFuseBytes");
  EXPECT_EQ(order, (QStringList{"dialog", "write back"}));
  EXPECT_TRUE(rig.find<QCheckBox>("chkLB1")->isChecked());
}

// A handler that fails as a text field holding no number does.
class FailingHandler : public QObject {
public:
  bool event(QEvent *e) override {
    if (e->type() == QEvent::User)
      throw std::runtime_error("'$XYZ' is not a valid integer value");
    return QObject::event(e);
  }
};

TEST(MainWindow, ErrorInAHandlerReachesTheGeneralErrorBox) {
  WindowRig rig;
  auto *app = static_cast<common::GuardedApplication *>(QCoreApplication::instance());
  app->setPrompter(&rig.prompter);
  FailingHandler handler;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&handler, &event);
  app->setPrompter(nullptr);
  ASSERT_EQ(rig.prompter.shown.size(), 1u);
  EXPECT_EQ(rig.prompter.shown[0].caption, " Rindle");
  EXPECT_EQ(rig.prompter.shown[0].text, "'$XYZ' is not a valid integer value.");
  EXPECT_EQ(rig.prompter.shown[0].icon, common::Prompter::Icon::Error);
  rig.click("cmdErase"); // the program goes on
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Erase");
}

} // namespace
} // namespace rindle::uitest
