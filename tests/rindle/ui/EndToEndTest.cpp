// A user's session from start to close, and the next start restoring it.

#include "WindowRig.h"

#include <QCheckBox>
#include <QLabel>

#include "isp/core/DeviceCatalogue.h"
#include "isp/widgets/TfrmSplash.h"

namespace rindle::uitest {
namespace {

using namespace rindle::device;

TEST(EndToEnd, ProgramReadSaveAndStartAgain) {
  QTemporaryDir folder;
  const QString hex = Fixture("toolchain/blink_m8.hex");
  const QByteArray image = ReadAll(Fixture("toolchain/blink_m8.bin"));
  const QString saved = folder.path() + "/copy.bin";
  rindle::FuseState fusesAtClose;
  {
    WindowRig rig({}, false, folder.path());
    rig.program->splash()->Timer1Timer(); // its two seconds are up
    rig.chooseDevice(kMega8);
    EXPECT_EQ(rig.sim->bench().chip()->model().name, "ATmega8");

    rig.prompter.fileNames.push_back(hex);
    rig.click("cmdOpenFile");
    EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  " + hex);

    rig.click("cmdWrite");
    EXPECT_EQ(rig.lastShown(), "  Write|Program, Verify  OK");
    const auto flash = rig.sim->bench().chip()->flash();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(flash.data()), image.size()), image);

    rig.click("cmdBlank");
    EXPECT_EQ(rig.prompter.shown.back().caption, "  Blank Check");
    EXPECT_NE(rig.prompter.shown.back().text, "Blank Check OK");
    EXPECT_FALSE(rig.prompter.shown.back().text.isEmpty());

    rig.program->engine().Buffer.all()[0] ^= 0xFF; // the read must bring it back
    rig.click("cmdRead");
    EXPECT_EQ(rig.lastShown(), "  Read|Reading Completed");
    EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  Rindle  3.7");

    rig.prompter.fileNames.push_back(folder.path() + "/copy");
    rig.prompter.filterChoices.push_back(1); // Bin files
    rig.fileMenu(Qt::Key_S);
    // The image, blank flash, and (as the options ask by default) the four
    // calibration bytes in the last two flash words.
    const auto cal = rig.sim->bench().chip()->calibration();
    QByteArray expected = image;
    expected.append(QByteArray(8192 - 4 - image.size(), '\xFF'));
    for (std::size_t i = 0; i < 4; ++i)
      expected.append(static_cast<char>(cal[i]));
    EXPECT_EQ(ReadAll(saved), expected);
    EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  " + saved);

    rig.click("cmdSignature");
    EXPECT_EQ(rig.prompter.shown.back().caption, "  Signature");
    EXPECT_EQ(rig.field("edtSig"), "1E 93 07");

    QTest::mouseClick(rig.find<QCheckBox>("chkLB2"), Qt::LeftButton);
    fusesAtClose = rig.program->engine().Fuses;
    EXPECT_EQ(fusesAtClose.LockBits, 2);
    rig.fileMenu(Qt::Key_E); // Exit
    EXPECT_FALSE(rig.main().isVisible());
  }
  WindowRig again({}, false, folder.path());
  EXPECT_EQ(again.find<QComboBox>("cboType")->currentIndex(), kMega8);
  EXPECT_EQ(again.program->engine().ProgramFileName, saved);
  EXPECT_EQ(again.find<QLabel>("stsBarText")->text(), "  " + saved);
  EXPECT_TRUE(again.find<QCheckBox>("chkLB2")->isChecked());
  EXPECT_FALSE(again.find<QCheckBox>("chkLB1")->isChecked());
  EXPECT_EQ(again.program->engine().Fuses, fusesAtClose);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(again.program->engine().Buffer.all().data()),
                       image.size()),
            image);
  // The simulated chip kept what was programmed.
  const auto flash = again.sim->bench().chip()->flash();
  EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(flash.data()), image.size()), image);
}

} // namespace
} // namespace rindle::uitest
