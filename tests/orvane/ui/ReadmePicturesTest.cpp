// The README's pictures of the loader: the main window after the first steps
// the README gives (the example opened on a first start and programmed into
// the emulated box's chip), and the buffer view holding that example.

#include "tests/common/ReadmePictures.h"
#include "LoaderFixture.h"
#include "orvane/link/Sequencer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace uitest {
namespace {

class ReadmePictures : public LoaderFixture {};

TEST_F(ReadmePictures, FirstStepsWithTheExampleAndTheBufferView) {
  examplesFolder = readme::Examples();
  start();

  const QString hex = examplesFolder + "/blink-at89s51.hex";
  prompter.fileNames = {hex};
  QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, examplesFolder) << "the dialog opened on the examples";
  const int loaded = main().core().buffer.BytesLoaded;
  ASSERT_GT(loaded, 8);
  prompter.shown.clear();

  doubleClickFunction(orvane::kProgram);
  ASSERT_TRUE(waitIdle());
  ASSERT_FALSE(statusLog().empty());
  EXPECT_EQ(statusLog().back(), R(QString::number(loaded) + " Bytes written, Verify Pending"));
  EXPECT_EQ(main().core().deviceLabels.Device, "AT89S51");
  EXPECT_TRUE(prompter.shown.empty()) << prompter.messages().join(u'|').toStdString();
  readme::Picture(main(), QStringLiteral("orvane-main"));

  bool shown = false;
  whenModal([&](QWidget *w) {
    shown = true;
    readme::Picture(*w, QStringLiteral("orvane-buffer"));
    QTest::mouseClick(w->findChild<QPushButton *>("btnCancel"), Qt::LeftButton);
  });
  QTest::mouseClick(control<QPushButton>("btnBufferView"), Qt::LeftButton);
  EXPECT_TRUE(shown);
}

} // namespace
} // namespace uitest
