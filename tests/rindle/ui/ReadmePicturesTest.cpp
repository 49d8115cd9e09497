// The README's pictures of the programmer: the main window after the first
// steps the README gives (an example opened on a first start, programmed and
// its signature read), and the fuse dialog of that chip.

#include "WindowRig.h"

#include <QDialog>
#include <QLabel>

#include "isp/core/DeviceCatalogue.h"
#include "rindle/ui/TfrmFuses.h"
#include "isp/widgets/TfrmSplash.h"
#include "tests/common/ReadmePictures.h"

namespace rindle::uitest {
namespace {

TEST(ReadmePictures, FirstStepsWithAnExampleAndTheFuseDialog) {
  const QString examples = readme::Examples();
  WindowRig rig({}, false, {}, examples);
  rig.program->splash()->Timer1Timer();
  rig.chooseDevice(device::kMega8);

  const QString hex = examples + "/blink-atmega8.hex";
  rig.prompter.fileNames.push_back(hex);
  rig.click("cmdOpenFile");
  ASSERT_FALSE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.prompter.shown.back().text, examples) << "the dialog opened on the examples";
  EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  " + hex.toLower());

  rig.click("cmdWrite");
  EXPECT_EQ(rig.lastShown(), "  Write|Program, Verify  OK");
  rig.click("cmdVerify");
  EXPECT_EQ(rig.lastShown(), "  Verify|Verification OK");
  rig.click("cmdSignature");
  EXPECT_EQ(rig.field("edtSig"), "1E 93 07");
  readme::Picture(rig.main(), QStringLiteral("rindle-main"));

  bool shown = false;
  QTimer::singleShot(0, [&] {
    auto *dialog = qobject_cast<TfrmFuses *>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr) << "the fuse dialog is open";
    shown = true;
    // As the user sees it: shown, and laid out for the captions of its chip.
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    readme::Picture(*dialog, QStringLiteral("rindle-fuses"));
    dialog->reject();
  });
  rig.click("cmdFuseBytes");
  EXPECT_TRUE(shown);
}

} // namespace
} // namespace rindle::uitest
