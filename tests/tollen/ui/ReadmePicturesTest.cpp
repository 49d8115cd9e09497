// The README's pictures of the older edition: the main window after the
// first steps the README gives (an example opened on a first start, written
// and its signature read), and the buffer display holding that example.

#include <QTableWidget>

#include "tests/common/ReadmePictures.h"
#include "tests/tollen/ui/WindowRig.h"
#include "tollen/ui/BufferGrid.h"

namespace tollen::uitest {
namespace {

TEST(ReadmePictures, FirstStepsWithAnExampleAndTheBufferDisplay) {
  const QString examples = readme::Examples();
  WindowRig rig("ATmega8");
  rig.window->Commands().SetExamplesFolder(examples);
  rig.SelectDevice(device::kAtMega8);

  const QString hex = examples + "/blink-atmega8.hex";
  rig.prompter.fileNames = {hex};
  rig.Click("cmdOpenFile");
  ASSERT_FALSE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.prompter.shown.back().text, examples) << "the dialog opened on the examples";
  EXPECT_EQ(rig.Status(), " " + hex.toLower());

  rig.Click("cmdWrite");
  EXPECT_EQ(rig.Last().caption, "  Write");
  EXPECT_TRUE(rig.Last().text.startsWith("Programming/Verify OK")) << rig.Last().text.toStdString();
  rig.Click("cmdSignature");
  EXPECT_EQ(rig.Text("edtSig"), "1E 93 07");
  readme::Picture(*rig.w(), QStringLiteral("tollen-main"));

  bool shown = false;
  WhenShown([&] {
    ui::BufferGrid *b = rig.window->BufferDisplay();
    shown = b->isVisible();
    auto *grid = Child<QTableWidget>(b, "strGrid");
    ASSERT_NE(grid, nullptr);
    // The example from its first byte on.
    EXPECT_EQ(grid->item(1, 0)->text(), " 0000");
    EXPECT_EQ(grid->item(1, 1)->text(), "12");
    readme::Picture(*b, QStringLiteral("tollen-buffer"));
    b->close();
  });
  rig.Click("cmdDispBuffer");
  EXPECT_TRUE(shown);
}

} // namespace
} // namespace tollen::uitest
