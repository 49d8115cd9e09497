// The file commands as a user runs them from the main window's buttons and
// File menu.

#include "WindowRig.h"

#include <QLabel>

#include "rindle/app/FieldTexts.h"
#include "isp/core/DeviceCatalogue.h"

namespace rindle::uitest {
namespace {

using namespace rindle::device;

struct HexSaveCase {
  const char *name;
  std::uint16_t device;
  bool refused;
};
void PrintTo(const HexSaveCase &c, std::ostream *os) { *os << c.name; }
class HexSaveWindow : public ::testing::TestWithParam<HexSaveCase> {};

TEST_P(HexSaveWindow, SaveFileMenuRefusesHexAbove64KiB) {
  WindowRig rig;
  rig.chooseDevice(GetParam().device);
  const QString file = rig.folder_ + "/image.hex";
  rig.prompter.fileNames.push_back(file);
  rig.fileMenu(Qt::Key_S);
  EXPECT_EQ(rig.prompter.shown.front().caption, " Save File  (HEX,  BIN,  ROM)");
  if (GetParam().refused) {
    EXPECT_EQ(rig.lastShown(), "  Save File|Use BIN or ROM format for saving files > 64K");
    EXPECT_EQ(rig.prompter.shown.back().icon, common::Prompter::Icon::Information);
    EXPECT_FALSE(QFile::exists(file));
  } else {
    EXPECT_TRUE(rig.prompter.messages().isEmpty());
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  " + file);
  }
}

INSTANTIATE_TEST_SUITE_P(Devices, HexSaveWindow,
                         ::testing::Values(HexSaveCase{"Mega128", kMega128, true},
                                           HexSaveCase{"Mega64", kMega64, false}),
                         CaseName());

TEST(FileCommandsWindow, ReloadOfACapitalHexName) {
  WindowRig rig;
  rig.chooseDevice(kMega8);
  const QString file = rig.folder_ + "/BLINK.HEX";
  ASSERT_TRUE(QFile::copy(Fixture("toolchain/blink_m8.hex"), file));
  rig.prompter.fileNames.push_back(file);
  rig.prompter.filterChoices.push_back(1); // opened as BIN first
  rig.click("cmdOpenFile");
  const QString asBin = rig.field("edtCSdata");
  rig.click("cmdReloadFile");
  EXPECT_EQ(rig.lastShown(), "  Reload File|BLINK.HEX  reload OK");
  EXPECT_NE(rig.field("edtCSdata"), asBin); // now read as HEX
  const QByteArray image = ReadAll(Fixture("toolchain/blink_m8.bin"));
  EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(rig.program->engine().Buffer.all().data()),
                       image.size()),
            image);
}

TEST(FileCommandsWindow, FailedOpenLeavesABlankBufferAndTheTitle) {
  WindowRig rig;
  rig.chooseDevice(kMega8);
  rig.prompter.fileNames.push_back(Fixture("toolchain/blink_m8.hex"));
  rig.click("cmdOpenFile");
  ASSERT_NE(rig.field("edtCSdata"), ChecksumText(0xFF * 8192));
  rig.prompter.fileNames.push_back(rig.folder_ + "/missing.hex");
  rig.fileMenu(Qt::Key_O);
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Open File");
  EXPECT_EQ(rig.prompter.shown.back().icon, common::Prompter::Icon::Warning);
  EXPECT_EQ(rig.field("edtCSdata"), ChecksumText(0xFF * 8192));
  EXPECT_EQ(rig.find<QLabel>("stsBarText")->text(), "  Rindle  3.7");
}

TEST(FileCommandsWindow, EepromItemsDoNothingWithoutEeprom) {
  WindowRig rig;
  rig.chooseDevice(kAt89S52);
  rig.prompter.fileNames.push_back(rig.folder_ + "/e.eep");
  rig.fileMenu(Qt::Key_P); // O&pen Eeprom File
  rig.fileMenu(Qt::Key_A); // S&ave Eeprom File
  EXPECT_TRUE(rig.prompter.shown.empty());
  rig.chooseDevice(kMega8);
  rig.fileMenu(Qt::Key_P); // the file is not there
  ASSERT_EQ(rig.prompter.shown.size(), 2u);
  EXPECT_EQ(rig.prompter.shown[0].caption, " Open EEPROM File  (HEX,  BIN,  EEP)");
  EXPECT_EQ(rig.prompter.shown[1].caption, "  Open EEPROM File");
  EXPECT_EQ(rig.program->engine().EepromFileName, rig.folder_ + "/e.eep");
}

} // namespace
} // namespace rindle::uitest
