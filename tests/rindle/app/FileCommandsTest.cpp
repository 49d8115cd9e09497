// The five file commands: dialog titles and filters, the format chosen by
// the picked filter, reload by extension, overwrite questions, the HEX
// refusal above 64 KiB, and what a failure leaves.

#include "AppRig.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "rindle/app/FieldTexts.h"

namespace rindle::apptest {
namespace {

using Icon = common::Prompter::Icon;
using Kind = common::ScriptedPrompter::Shown::Kind;
using namespace rindle::device;

const QString kProgramFilters = "Hex files (*.hex);;Bin files (*.bin);;Rom files (*.rom)";
const QString kEepromFilters = "Hex files (*.hex);;Bin files (*.bin);;Eeprom files (*.eep)";
const QString kBlinkHex = Fixture("toolchain/blink_m8.hex");
const QString kBlinkBin = Fixture("toolchain/blink_m8.bin");

// Opens `file` through the open dialog with filter `filter`.
void Open(AppRig &rig, const QString &file, int filter) {
  rig.prompter.fileNames.push_back(file);
  rig.prompter.filterChoices.push_back(filter);
  rig.app.OpenFile();
}

QByteArray FlashBytes(AppRig &rig, int count) {
  return QByteArray(reinterpret_cast<const char *>(rig.engine.Buffer.all().data()), count);
}

TEST(OpenFile, HexFileLoadsAndBecomesCurrent) {
  AppRig rig(kMega8);
  Open(rig, kBlinkHex, 0);
  const auto &dialog = rig.prompter.shown.at(0);
  EXPECT_EQ(dialog.kind, Kind::OpenFile);
  EXPECT_EQ(dialog.caption, " Open File  (HEX,  BIN,  ROM)");
  EXPECT_EQ(dialog.filter, kProgramFilters + ";;ELF Files (*.elf)");
  EXPECT_EQ(rig.prompter.messages(), QStringList{});
  const QByteArray bin = ReadAll(kBlinkBin);
  EXPECT_EQ(FlashBytes(rig, static_cast<int>(bin.size())), bin);
  EXPECT_EQ(rig.app.Status(), "  " + kBlinkHex);
  EXPECT_EQ(rig.app.LastDirectory(), QFileInfo(kBlinkHex).path() + "/");
  EXPECT_EQ(rig.app.ChecksumShown(), ChecksumText(rig.engine.BufferChecksum()));
}

TEST(OpenFile, FilterNotExtensionChoosesTheFormat) {
  AppRig rig(kMega8);
  const QString copy = rig.path("image.hex");
  ASSERT_TRUE(QFile::copy(kBlinkBin, copy));
  Open(rig, copy, 1); // a ".hex" name read as BIN
  EXPECT_TRUE(rig.prompter.messages().isEmpty());
  EXPECT_EQ(FlashBytes(rig, 194), ReadAll(kBlinkBin));
}

TEST(OpenFile, DialogKeepsThePickedFilterAndStartsInTheLastFolder) {
  AppRig rig(kMega8);
  Open(rig, kBlinkBin, 1);
  rig.app.OpenFile(); // cancelled
  const auto &second = rig.prompter.shown.back();
  EXPECT_EQ(second.startFilter, 1);
  EXPECT_EQ(second.text, QFileInfo(kBlinkBin).path() + "/");
  EXPECT_EQ(rig.engine.ProgramFileName, kBlinkBin); // a cancel changes nothing
}

TEST(OpenFile, FailureLeavesABlankBufferAndTheTitle) {
  AppRig rig(kMega8);
  Open(rig, kBlinkHex, 0);
  rig.engine.Buffer.all()[8192] = 0x11; // EEPROM area
  const QString bad = rig.path("bad.hex");
  WriteAll(bad, ":10000000ZZ\n");
  Open(rig, bad, 0);
  ASSERT_EQ(rig.prompter.shown.back().kind, Kind::Message);
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Open File");
  EXPECT_EQ(rig.prompter.shown.back().icon, Icon::Warning);
  EXPECT_EQ(rig.prompter.shown.back().text, rig.engine.ResultText);
  EXPECT_TRUE(rig.engine.ProgramFileName.isEmpty());
  EXPECT_EQ(rig.app.Status(), "  Rindle  3.7");
  EXPECT_EQ(rig.app.ChecksumShown(), ChecksumText(0xFF * 8192));
  EXPECT_EQ(rig.engine.Buffer.all()[8192], 0xFF);
}

TEST(OpenFile, LoadsTheFuseDatabaseBesideTheFile) {
  AppRig rig(kMega8);
  const QString file = rig.path("prog.hex");
  ASSERT_TRUE(QFile::copy(kBlinkHex, file));
  rig.engine.ProgramFileName = file;
  rig.engine.Fuses.LockBits = 3;
  rig.engine.SaveFuseDatabase();
  rig.engine.Fuses.LockBits = 0;
  rig.app.UpdateLbDisp();
  Open(rig, file, 0);
  EXPECT_EQ(rig.engine.Fuses.LockBits, 3);
  EXPECT_TRUE(rig.app.LockBits().lb1);
  EXPECT_TRUE(rig.app.LockBits().lb2);
}

// A damaged fuse database beside the opened file is told about and kept
// aside; the file itself opens.
TEST(OpenFile, ADamagedFuseDatabaseIsToldAbout) {
  AppRig rig(kMega8);
  const QString file = rig.path("prog.hex");
  ASSERT_TRUE(QFile::copy(kBlinkHex, file));
  WriteAll(rig.path("prog.fdb"), "3\nbad\n");
  // The window shows the opened file before the notice about its database.
  QStringList drawn;
  rig.view.onFields = [&] {
    drawn << QString::number(rig.prompter.shown.size()) + u' ' + rig.app.Status();
  };
  Open(rig, file, 0);
  ASSERT_FALSE(drawn.isEmpty());
  EXPECT_EQ(drawn.front(), "1   " + file) << "drawn after the open dialog, before the notice";
  EXPECT_EQ(rig.engine.ProgramFileName, file);
  ASSERT_EQ(rig.prompter.messages().size(), 1);
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Rindle");
  EXPECT_TRUE(rig.prompter.shown.back().text.startsWith(
      "Fuse database error . . .\rLine 2: 'bad' is not a valid integer value\r\r"));
  EXPECT_EQ(ReadAll(rig.path("prog.fdb.bad")), "3\nbad\n");
}

// Start-up tells what it found wrong with the settings file, naming it.
TEST(StartUp, ADamagedSettingsFileIsToldAboutOnce) {
  QTemporaryDir dir;
  const QString settings = dir.filePath("Rindle37.set");
  WriteAll(settings, "888\n");
  AppRig rig(kMega8, {}, dir.path());
  ASSERT_EQ(rig.prompter.messages().size(), 1);
  EXPECT_EQ(rig.prompter.shown.front().caption, "  Rindle");
  EXPECT_EQ(rig.prompter.shown.front().icon, Icon::Warning);
  EXPECT_TRUE(rig.prompter.shown.front().text.startsWith(
      "Settings file error . . .\rThe file ends before line 2\r\r"));
  EXPECT_TRUE(rig.prompter.shown.front().text.contains("\"" + settings + ".bad\""));
  rig.app.FormClose();
  EXPECT_EQ(ReadAll(settings + ".bad"), "888\n");
  AppRig again(kMega8, {}, dir.path());
  EXPECT_TRUE(again.prompter.shown.empty());
}

// ---------------------------------------------------------------- reload

TEST(ReloadFile, CapitalHexExtensionLoadsAsHex) {
  AppRig rig(kMega8);
  const QString file = rig.path("BLINK.HEX");
  ASSERT_TRUE(QFile::copy(kBlinkHex, file));
  rig.engine.ProgramFileName = file;
  rig.app.ReloadFile();
  EXPECT_EQ(rig.lastShown(), Shown("  Reload File", "BLINK.HEX  reload OK", Icon::None));
  EXPECT_EQ(FlashBytes(rig, 194), ReadAll(kBlinkBin));
  EXPECT_EQ(rig.engine.ProgramFileName, file);
}

TEST(ReloadFile, WithoutAFileDoesNothing) {
  AppRig rig(kMega8);
  rig.app.ReloadFile();
  EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(ReloadFile, UnknownExtensionLoadsNothingWhateverTheLastResult) {
  for (const QString &name : {QStringLiteral("image.xyz"), QStringLiteral("image")}) {
    AppRig rig(kMega8);
    const QString file = rig.path(name);
    ASSERT_TRUE(QFile::copy(kBlinkBin, file));
    Open(rig, file, 1);
    ASSERT_EQ(rig.engine.ResultText, "OK");
    rig.engine.Buffer.all()[0] = 0x55;
    const QString type = name.contains('.') ? "\".xyz\"" : "\"no extension\"";
    rig.app.ReloadFile();
    EXPECT_EQ(rig.lastShown(),
              Shown("  Reload File", "Cannot reload a file of type " + type, Icon::Warning));
    EXPECT_EQ(rig.engine.Buffer.all()[0], 0x55);
    EXPECT_EQ(rig.engine.ProgramFileName, file);
  }
}

TEST(ReloadFile, FailureBlanksAndForgetsTheFile) {
  AppRig rig(kMega8);
  const QString file = rig.path("damaged.bin.hex");
  ASSERT_TRUE(QFile::copy(kBlinkHex, file));
  Open(rig, file, 0);
  rig.engine.Buffer.all()[8192] = 0x11; // EEPROM area
  WriteAll(file, ":0400000001020304F2\nnot a record\n");
  rig.app.ReloadFile();
  EXPECT_EQ(rig.lastShown(), Shown("  Reload File", rig.engine.ResultText, Icon::Warning));
  EXPECT_EQ(rig.engine.ResultText, "Invalid Hex File Format . . .");
  EXPECT_TRUE(rig.engine.ProgramFileName.isEmpty());
  EXPECT_EQ(rig.engine.Buffer.all()[0], 0xFF);
  EXPECT_EQ(rig.engine.Buffer.all()[8192], 0xFF);
  EXPECT_EQ(rig.app.Status(), "  Rindle  3.7");
}

// A file that cannot be read has put nothing into the buffer: what the buffer
// holds stays, with the name, and the message says which file and why.
TEST(ReloadFile, AFileThatCannotBeReadChangesNothing) {
  AppRig rig(kMega8);
  const QString file = rig.path("gone.bin");
  ASSERT_TRUE(QFile::copy(kBlinkBin, file));
  Open(rig, file, 1);
  rig.engine.Buffer.all()[8192] = 0x11;
  const QString checksum = rig.app.ChecksumShown();
  ASSERT_TRUE(QFile::remove(file));
  ASSERT_TRUE(QDir().mkpath(rig.path("folder.hex")));
  for (const QString &name : {file, rig.path("folder.hex")}) {
    rig.engine.ProgramFileName = name;
    rig.app.ReloadFile();
    EXPECT_EQ(rig.prompter.shown.back().caption, "  Reload File");
    EXPECT_EQ(rig.prompter.shown.back().icon, Icon::Warning);
    EXPECT_TRUE(
        rig.prompter.shown.back().text.startsWith("File access error . . .\r" + name + "\r"))
        << rig.prompter.shown.back().text.toStdString();
    EXPECT_EQ(rig.engine.ProgramFileName, name);
    EXPECT_EQ(FlashBytes(rig, 194), ReadAll(kBlinkBin));
    EXPECT_EQ(rig.engine.Buffer.all()[8192], 0x11);
    EXPECT_EQ(rig.app.ChecksumShown(), checksum);
  }
}

// ---------------------------------------------------------------- save

TEST(SaveFile, NameWithoutExtensionGetsTheFiltersOne) {
  AppRig rig(kMega8);
  Open(rig, kBlinkHex, 0);
  rig.prompter.fileNames.push_back(rig.path("out"));
  rig.prompter.filterChoices.push_back(1);
  rig.app.SaveFile();
  EXPECT_EQ(rig.prompter.shown.back().caption, " Save File  (HEX,  BIN,  ROM)");
  EXPECT_EQ(rig.engine.ProgramFileName, rig.path("out.bin"));
  const QByteArray written = ReadAll(rig.path("out.bin"));
  EXPECT_EQ(written.left(194), ReadAll(kBlinkBin));
  EXPECT_EQ(rig.app.Status(), "  " + rig.path("out.bin"));
  EXPECT_TRUE(QFileInfo::exists(rig.path("out.fdb")));
}

TEST(SaveFile, DecliningToOverwriteKeepsTheCurrentFile) {
  AppRig rig(kMega8);
  Open(rig, kBlinkHex, 0);
  const QString existing = rig.path("old.hex");
  WriteAll(existing, "keep");
  rig.prompter.fileNames.push_back(existing);
  rig.prompter.answers = {false};
  rig.app.SaveFile();
  const auto &q = rig.prompter.shown.back();
  EXPECT_EQ(q.kind, Kind::Question);
  EXPECT_EQ(q.caption, "  Save File");
  EXPECT_EQ(q.text, "Over-write existing file");
  EXPECT_EQ(q.icon, Icon::Warning);
  EXPECT_FALSE(q.defaultYes);
  EXPECT_EQ(ReadAll(existing), "keep");
  EXPECT_EQ(rig.engine.ProgramFileName, kBlinkHex);
  EXPECT_EQ(rig.app.Status(), "  " + kBlinkHex);
}

struct HexLimitCase {
  const char *name;
  std::uint16_t device;
  bool refused;
};
void PrintTo(const HexLimitCase &c, std::ostream *os) { *os << c.name; }
class HexLimit : public ::testing::TestWithParam<HexLimitCase> {};

// A refused save wrote nothing: the file that was current stays current, so
// that Reload File reloads it rather than a name that was never written.
TEST_P(HexLimit, HexAbove64KiBIsRefusedAndKeepsThePreviousName) {
  AppRig rig(GetParam().device);
  const QString current = rig.path("current.bin");
  ASSERT_TRUE(QFile::copy(kBlinkBin, current));
  Open(rig, current, 1);
  const QString folder = rig.app.LastDirectory();
  rig.prompter.fileNames.push_back(rig.path("sub/big"));
  rig.prompter.filterChoices.push_back(0);
  ASSERT_TRUE(QDir().mkpath(rig.path("sub")));
  rig.app.SaveFile();
  if (GetParam().refused) {
    EXPECT_EQ(rig.lastShown(), Shown("  Save File", "Use BIN or ROM format for saving files > 64K",
                                     Icon::Information));
    EXPECT_FALSE(QFileInfo::exists(rig.path("sub/big.hex")));
    EXPECT_EQ(rig.engine.ProgramFileName, current);
    EXPECT_EQ(rig.app.Status(), "  " + current);
    EXPECT_EQ(rig.app.LastDirectory(), folder);
    rig.engine.Buffer.all()[0] ^= 0xFF;
    rig.app.ReloadFile();
    EXPECT_EQ(rig.lastShown(), Shown("  Reload File", "CURRENT.BIN  reload OK", Icon::None));
    EXPECT_EQ(FlashBytes(rig, 194), ReadAll(kBlinkBin));
  } else {
    EXPECT_EQ(rig.engine.ProgramFileName, rig.path("sub/big.hex"));
    EXPECT_TRUE(rig.prompter.messages().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(rig.path("sub/big.hex")));
  }
}

INSTANTIATE_TEST_SUITE_P(Devices, HexLimit,
                         ::testing::Values(HexLimitCase{"Mega128", kMega128, true},
                                           HexLimitCase{"Mega64", kMega64, false},
                                           HexLimitCase{"Mega644", kMega644, false}),
                         CaseName());

TEST(SaveFile, WriteFailureForgetsTheFile) {
  AppRig rig(kMega8);
  Open(rig, kBlinkHex, 0);
  rig.prompter.fileNames.push_back(rig.path("no/such/folder/out.hex"));
  rig.app.SaveFile();
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Save File");
  EXPECT_EQ(rig.prompter.shown.back().icon, Icon::Error);
  EXPECT_TRUE(rig.engine.ProgramFileName.isEmpty());
  EXPECT_EQ(rig.app.Status(), "  Rindle  3.7");
  EXPECT_EQ(FlashBytes(rig, 194), ReadAll(kBlinkBin)); // the buffer stays
}

// ---------------------------------------------------------------- EEPROM

TEST(EepromFiles, NothingHappensForChipsWithoutEeprom) {
  for (std::uint16_t device : {kAt89S51, kAt89S52, kAt89S53}) {
    AppRig rig(device);
    rig.prompter.fileNames.push_back(rig.path("x.eep"));
    rig.app.OpenEepromFile();
    rig.app.SaveEepromFile();
    EXPECT_TRUE(rig.prompter.shown.empty());
    EXPECT_TRUE(rig.engine.EepromFileName.isEmpty());
  }
}

TEST(EepromFiles, SaveAndOpenAnEepFile) {
  AppRig rig(kMega8);
  rig.engine.Buffer.all()[8192] = 0x42;
  rig.prompter.fileNames.push_back(rig.path("data"));
  rig.prompter.filterChoices.push_back(2);
  rig.app.SaveEepromFile();
  EXPECT_EQ(rig.prompter.shown.back().caption, " Save EEPROM File  (HEX,  BIN,  EEP)");
  EXPECT_EQ(rig.prompter.shown.back().filter, kEepromFilters);
  EXPECT_EQ(rig.engine.EepromFileName, rig.path("data.eep"));
  ASSERT_TRUE(rig.prompter.messages().isEmpty());
  rig.engine.Buffer.all()[8192] = 0xFF;
  rig.prompter.fileNames.push_back(rig.path("data.eep"));
  rig.prompter.filterChoices.push_back(2);
  const QString checksum = rig.app.ChecksumShown();
  rig.app.OpenEepromFile();
  EXPECT_TRUE(rig.prompter.messages().isEmpty());
  EXPECT_EQ(rig.engine.Buffer.all()[8192], 0x42);
  EXPECT_EQ(rig.app.ChecksumShown(), checksum);
}

TEST(EepromFiles, OverwriteQuestionKeepsItsSpelling) {
  AppRig rig(kMega8);
  WriteAll(rig.path("e.bin"), "old");
  rig.prompter.fileNames.push_back(rig.path("e.bin"));
  rig.prompter.answers = {false};
  rig.app.SaveEepromFile();
  EXPECT_EQ(rig.lastShown().section('|', 0, 1), "  Save EEPROM File|Over-write exiting file");
  EXPECT_EQ(ReadAll(rig.path("e.bin")), "old");
}

TEST(EepromFiles, FailedOpenBlanksOnlyTheEepromArea) {
  AppRig rig(kMega8);
  rig.engine.Buffer.all()[0] = 0x01;
  rig.engine.Buffer.all()[8200] = 0x02;
  const QString bad = rig.path("bad.eep");
  WriteAll(bad, "garbage\n");
  rig.prompter.fileNames.push_back(bad);
  rig.app.OpenEepromFile();
  EXPECT_EQ(rig.prompter.shown.back().caption, "  Open EEPROM File");
  EXPECT_EQ(rig.prompter.shown.back().icon, Icon::Warning);
  EXPECT_EQ(rig.engine.Buffer.all()[0], 0x01);
  EXPECT_EQ(rig.engine.Buffer.all()[8200], 0xFF);
  EXPECT_EQ(rig.engine.EepromFileName, bad);
}

// ---------------------------------------------------------------- buffer dialogs

TEST(BufferEdited, ChangedChecksumForgetsBothFiles) {
  AppRig rig(kMega8);
  Open(rig, kBlinkHex, 0);
  rig.engine.EepromFileName = rig.path("e.eep");
  rig.app.BufferEditedByDialog(); // nothing changed yet
  EXPECT_EQ(rig.engine.ProgramFileName, kBlinkHex);
  rig.engine.Buffer.all()[5] ^= 0x0F;
  rig.app.BufferEditedByDialog();
  EXPECT_TRUE(rig.engine.ProgramFileName.isEmpty());
  EXPECT_TRUE(rig.engine.EepromFileName.isEmpty());
  EXPECT_EQ(rig.app.Status(), "  Rindle  3.7");
  EXPECT_EQ(rig.app.ChecksumShown(), ChecksumText(rig.engine.BufferChecksum()));
  EXPECT_EQ(rig.app.LastDirectory(), QFileInfo(kBlinkHex).path() + "/");
}

// ---------------------------------------------------------------- simulated chips

TEST(SimulatedChips, KeepTheirMemoriesBetweenRuns) {
  QTemporaryDir dir;
  {
    AppRig rig(kMega8, {}, dir.path());
    rig.chip().flash()[3] = 0x33;
    ASSERT_TRUE(rig.app.SelectRow(kTiny13)); // MEGA8 goes back in its box
    rig.chip().flash()[1] = 0x11;
    rig.app.FormClose();
  }
  AppRig again(kTiny13, {}, dir.path());
  EXPECT_EQ(again.chip().flash()[1], 0x11);
  ASSERT_TRUE(again.app.SelectRow(kMega8));
  EXPECT_EQ(again.chip().flash()[3], 0x33);
  EXPECT_TRUE(again.hardware.stateProblem().isEmpty());
}

// A chip whose state file cannot be read: the user is told once, the file is
// kept beside the new chip's, and a new chip goes in the socket.
TEST(SimulatedChips, ADamagedStateFileIsToldAboutAndKept) {
  QTemporaryDir dir;
  const QString file = dir.filePath("simulated-MEGA8.chip");
  WriteAll(file, "isp-chip-state 1\ndevice ATmega8\nfuses zz\n");
  AppRig rig(kTiny13, {}, dir.path());
  ASSERT_TRUE(rig.prompter.shown.empty());
  ASSERT_TRUE(rig.app.SelectRow(kMega8));
  ASSERT_EQ(rig.prompter.shown.size(), 1u);
  const auto &told = rig.prompter.shown.back();
  EXPECT_EQ(told.caption, "  Rindle");
  EXPECT_EQ(told.icon, Icon::Warning);
  EXPECT_TRUE(told.text.startsWith("The chip state file " + file + " is damaged: "))
      << told.text.toStdString();
  EXPECT_TRUE(told.text.endsWith("The file \"" + file + "\" is kept as \"" + file +
                                 ".bad\"; a new chip is put in the socket."))
      << told.text.toStdString();
  EXPECT_EQ(rig.chip().model().name, "ATmega8");
  rig.chip().flash()[0] = 0x42;
  rig.app.FormClose();
  EXPECT_EQ(ReadAll(file + ".bad"), "isp-chip-state 1\ndevice ATmega8\nfuses zz\n");
  // Told once: the new state file reads back whole.
  ASSERT_TRUE(rig.app.SelectRow(kTiny13));
  rig.prompter.shown.clear();
  ASSERT_TRUE(rig.app.SelectRow(kMega8));
  EXPECT_TRUE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.chip().flash()[0], 0x42);
}

TEST(SimulatedChips, FixedChipStaysWhateverIsSelected) {
  AppRig rig(kMega16, QStringLiteral("MEGA8"));
  EXPECT_EQ(rig.chip().model().name, "ATmega8");
  ASSERT_TRUE(rig.app.SelectRow(kTiny13));
  EXPECT_EQ(rig.chip().model().name, "ATmega8");
}

} // namespace
} // namespace rindle::apptest
