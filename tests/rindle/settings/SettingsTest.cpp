#include "SettingsTestSupport.h"

#include "rindle/engine/Settings.h"
#include "isp/core/ValueLines.h"

#include <QFileInfo>
#include <algorithm>
#include <csignal>
#include <sys/resource.h>

using namespace rindle::testing;
using rindle::FuseState;
using rindle::IspDevice;
using rindle::PortSettings;
using Event = StartupPort::Event;

namespace {

// The state of a program run with no settings file, after the target was
// released (which sets the BEN bit of the data port image).
PortSettings ReleasedDefaults() {
  PortSettings p;
  p.DataPortValue = 0x08;
  return p;
}

// A valid settings file naming `program`, with every other value distinct
// from the defaults.
std::vector<QByteArray> SettingsLines(const QString &program = {}) {
  return {"632", "1",   "2",   "12",  "8192", "512", "3",  program.toUtf8(),
          "",    "228", "217", "253", "252",  "1",   "2",  "4",
          "64",  "128", "32",  "1",   "2",    "0",   "64", "128",
          "32",  "0",   "0",   "1"};
}

void ExpectDefaults(const rindle::IspEngine &e) {
  EXPECT_EQ(e.Port, ReleasedDefaults());
  EXPECT_EQ(e.Device, IspDevice{});
  EXPECT_EQ(e.Fuses, FuseState{});
  EXPECT_TRUE(e.AutoVerify);
  EXPECT_TRUE(e.SaveOscCalToFlash);
  EXPECT_FALSE(e.SaveOscCalToEeprom);
  EXPECT_TRUE(e.ProgramFileName.isEmpty());
  EXPECT_TRUE(e.EepromFileName.isEmpty());
}

} // namespace

using Settings = EngineTest;

TEST_F(Settings, StartUpWithoutAFileGivesDefaultsAndReleasesTheTarget) {
  auto e = newEngine();
  e->Buffer.cells.fill(0x12);
  e->AutoVerify = false;
  e->InitEngine();
  ExpectDefaults(*e);
  EXPECT_TRUE(std::ranges::all_of(e->Buffer.cells, [](auto c) { return c == 0xFF; }));
  const std::vector<Event> expected = {
      {Event::Setup}, {Event::Out, 0x378, 0x08}, {Event::Out, 0x37A, 0x04}};
  EXPECT_EQ(port.events, expected);
  EXPECT_FALSE(QFileInfo::exists(settingsPath()));
}

TEST_F(Settings, SavesTwentyEightLinesWithSsBeforeRst) {
  auto e = newEngine();
  e->Port = {632, 1, 2, 1, 2, 4, 64, 128, 32, 1, 2, 0, 64, 128, 32};
  e->Device.DeviceIndex = 12;
  e->Device.FlashSize = 8192;
  e->Device.EepromSize = 512;
  e->Fuses = {3, 228, 217, 253, 252};
  e->ProgramFileName = path("blink.hex");
  e->AutoVerify = false;
  e->SaveOscCalToFlash = false;
  e->SaveOscCalToEeprom = true;
  e->SaveSettings();
  EXPECT_EQ(ReadAll(settingsPath()), CrLf(SettingsLines(path("blink.hex"))));

  // And a fresh run reads every value back into its own field.
  auto again = newEngine();
  again->LoadSettings();
  EXPECT_EQ(again->Port, e->Port);
  EXPECT_EQ(again->Device.DeviceIndex, 12);
  EXPECT_EQ(again->Device.FlashSize, 8192);
  EXPECT_EQ(again->Device.EepromSize, 512);
  EXPECT_EQ(again->Fuses, e->Fuses);
  EXPECT_FALSE(again->AutoVerify);
  EXPECT_FALSE(again->SaveOscCalToFlash);
  EXPECT_TRUE(again->SaveOscCalToEeprom);
}

TEST_F(Settings, RestartRestoresAnAtmega8WithBlinkHexAndReadsBlinkFdb) {
  const QString program = path("blink.hex"), eeprom = path("blink.eep");
  ASSERT_TRUE(QFile::copy(ToolchainFixture("blink_m8.hex"), program));
  ASSERT_TRUE(QFile::copy(ToolchainFixture("blink_m8.eep"), eeprom));
  WriteAll(path("other.eep"), ":010020007768\r\n:00000001FF\r\n");

  auto first = newEngine();
  first->InitEngine();
  first->Device.DeviceIndex = rindle::device::kMega8;
  first->SelectDevice();
  first->ProgramFileName = program;
  first->LoadHexFile();
  ASSERT_EQ(first->ResultText, "OK");
  first->EepromFileName = eeprom;
  first->LoadEepromHexFile();
  ASSERT_EQ(first->ResultText, "OK");
  first->AutoVerify = false;
  first->SaveSettings();
  ASSERT_TRUE(QFileInfo::exists(path("blink.fdb")));
  // The database beside the program file, changed meanwhile, has the last word
  // on the fuses and the EEPROM file.
  WriteAll(path("blink.fdb"), CrLf({"2", "225", "201", "255", "252", path("other.eep").toUtf8()}));

  auto second = newEngine();
  second->InitEngine();
  EXPECT_EQ(second->Device.DeviceIndex, rindle::device::kMega8);
  EXPECT_EQ(second->Device.FlashSize, 8192);
  EXPECT_EQ(second->Device.EepromSize, 512);
  EXPECT_FALSE(second->AutoVerify);
  EXPECT_EQ(second->ProgramFileName, program);
  EXPECT_EQ(second->Fuses, (FuseState{2, 225, 201, 255, 252}));
  EXPECT_EQ(second->EepromFileName, path("other.eep"));
  // Flash as loaded before; the EEPROM area holds blink.eep with other.eep over it.
  EXPECT_TRUE(std::equal(first->Buffer.cells.begin(), first->Buffer.cells.begin() + 8192,
                         second->Buffer.cells.begin()));
  EXPECT_EQ(second->Buffer.cells[8192], 0x12);
  EXPECT_EQ(second->Buffer.cells[8192 + 0x20], 0x77);
  EXPECT_EQ(second->Buffer.cells[8192 + 0x21], 0xFF);
}

// The masks and their invert values swapped together (each invert value has
// to stay 0 or its own line's mask).
TEST_F(Settings, Lines17And18SwappedExchangeSsAndRst) {
  auto lines = SettingsLines();
  std::swap(lines[16], lines[17]);
  std::swap(lines[22], lines[23]);
  WriteAll(settingsPath(), CrLf(lines));
  auto e = newEngine();
  e->InitEngine();
  EXPECT_EQ(e->ResultText, "");
  EXPECT_EQ(e->Port.SsMask, 128);
  EXPECT_EQ(e->Port.RstMask, 64);
  EXPECT_EQ(e->Port.SsInvert, 128);
  EXPECT_EQ(e->Port.RstInvert, 64);
  EXPECT_EQ(e->Port.MisoMask, 32);
}

TEST_F(Settings, ADeletedProgramFileIsForgottenAndItsDatabaseNotRead) {
  WriteAll(path("gone.fdb"), CrLf({"0", "0", "0", "0", "0", ""}));
  auto lines = SettingsLines(path("gone.hex"));
  lines[8] = path("gone.eep").toUtf8();
  WriteAll(settingsPath(), CrLf(lines));
  auto e = newEngine();
  e->InitEngine();
  EXPECT_TRUE(e->ProgramFileName.isEmpty());
  EXPECT_TRUE(e->EepromFileName.isEmpty());
  EXPECT_EQ(e->Fuses, (FuseState{3, 228, 217, 253, 252}));
}

TEST_F(Settings, StoredFilesReloadByTheirExtensionInAnyCase) {
  struct Case {
    const char *program, *eeprom;
    QByteArray programText, eepromText;
    std::uint8_t cell0, eepromCell0;
    bool programKept;
  };
  const std::vector<Case> cases = {
      {"p.HEX", "e.eep", ":0100000011EE\n", ":0100000044BB\n", 0x11, 0x44, true},
      {"p.bin", "e.Hex", "\x22", ":0100000044BB\n", 0x22, 0x44, true},
      {"p.rom", "e.BIN", "000000:3333\n", "\x55", 0x33, 0x55, true},
      {"p.txt", "e.txt", ":0100000011EE\n", ":0100000044BB\n", 0xFF, 0xFF, true},
  };
  for (const auto &c : cases) {
    QTemporaryDir folder;
    const QString program = folder.filePath(c.program), eeprom = folder.filePath(c.eeprom);
    WriteAll(program, c.programText);
    WriteAll(eeprom, c.eepromText);
    auto lines = SettingsLines(program);
    lines[8] = eeprom.toUtf8();
    WriteAll(QDir(folder.path()).filePath("Rindle37.set"), CrLf(lines));
    auto e = std::make_unique<rindle::IspEngine>(port, port);
    e->ProgramFolder = folder.path();
    e->InitEngine();
    EXPECT_EQ(e->Buffer.cells[0], c.cell0) << c.program;
    EXPECT_EQ(e->Buffer.cells[8192], c.eepromCell0) << c.eeprom;
    EXPECT_EQ(e->ProgramFileName, program) << c.program;
    EXPECT_EQ(e->EepromFileName, eeprom) << c.eeprom;
  }
}

TEST_F(Settings, ADamagedFileChangesNothingAndStartUpCompletes) {
  WriteAll(path("p.hex"), ":0100000011EE\n");
  struct Damage {
    int line; // 1-based; 0 cuts the file after `keep` lines
    QByteArray value;
    int keep;
    QString why;
  };
  const std::vector<Damage> cases = {
      {5, "abc", 0, "Line 5: 'abc' is not a valid integer value"},
      {1, "", 0, "Line 1: '' is not a valid integer value"},
      {10, "1 2", 0, "Line 10: '1 2' is not a valid integer value"},
      {28, "1.5", 0, "Line 28: '1.5' is not a valid integer value"},
      {5, "200000", 0, "Line 5: 200000 is out of range"},
      {6, "4097", 0, "Line 6: 4097 is out of range"},
      {14, "70000", 0, "Line 14: 70000 is out of range"},
      {2, "-1", 0, "Line 2: -1 is out of range"},
      // An invert value is 0 or its own line's mask (SCK on D1, MISO on I5).
      {21, "3", 0, "Line 21: 3 is out of range"},
      {21, "4", 0, "Line 21: 4 is out of range"},
      {25, "64", 0, "Line 25: 64 is out of range"},
      {23, "70000", 0, "Line 23: 70000 is out of range"},
      {0, {}, 20, "The file ends before line 21"},
      {0, {}, 7, "The file ends before line 10"},
  };
  for (const auto &d : cases) {
    auto lines = SettingsLines(path("p.hex"));
    if (d.line > 0)
      lines[std::size_t(d.line - 1)] = d.value;
    else
      lines.resize(std::size_t(d.keep));
    WriteAll(settingsPath(), CrLf(lines));
    port.events.clear();
    auto e = newEngine();
    e->InitEngine();
    const std::string name = d.why.toStdString();
    EXPECT_EQ(e->ResultText, "Settings file error . . .\r" + d.why) << name;
    ExpectDefaults(*e);
    EXPECT_EQ(e->Buffer.cells[0], 0xFF) << name;
    ASSERT_EQ(port.events.size(), 3u) << name;
    EXPECT_EQ(port.events[0].kind, Event::Setup) << name;
  }
}

TEST_F(Settings, NumbersMayBeHexadecimalOrPadded) {
  const struct {
    const char *text;
    std::optional<std::int64_t> value;
  } cases[] = {
      {"12", 12},   {" 7 ", 7}, {"$FF", 255}, {"$ff", 255},
      {"0x1F", 31}, {"-3", -3}, {"+4", 4},    {"", {}},
      {"$", {}},    {"0x", {}}, {"1 2", {}},  {"12abc", {}},
      {"- 3", {}},  {"FF", {}}, {"\t9\r", 9}, {"99999999999999999999", {}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(rindle::isp::ParseInteger(c.text), c.value) << c.text;
}

TEST_F(Settings, AFailedWriteKeepsThePreviousSettings) {
  const QByteArray previous = CrLf(SettingsLines());
  WriteAll(settingsPath(), previous);
  auto e = newEngine();
  e->ProgramFileName = path("p.hex"); // its database is not written either
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 40;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  e->SaveSettings();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(ReadAll(settingsPath()), previous);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Rindle37.set"});
  EXPECT_TRUE(e->ResultText.startsWith(QStringLiteral("File write error . . .\r") + settingsPath()))
      << e->ResultText.toStdString();
}

// Where a file cannot be made, ResultText names it with the system's reason.
// A folder that is a regular file fails for root as well.
struct SaveFailureCase {
  const char *name;
  bool settingsFolderIsAFile; // else the program file's folder is one
};

void PrintTo(const SaveFailureCase &c, std::ostream *os) { *os << c.name; }

class SettingsSaveFailure : public EngineTest,
                            public ::testing::WithParamInterface<SaveFailureCase> {};

TEST_P(SettingsSaveFailure, IsReportedWithTheFileAndTheReason) {
  const SaveFailureCase &c = GetParam();
  const QString plain = path("plain");
  WriteAll(plain, "not a folder");
  auto e = newEngine();
  e->ResultText = QStringLiteral("OK");
  if (c.settingsFolderIsAFile)
    e->ProgramFolder = plain;
  e->ProgramFileName = c.settingsFolderIsAFile ? path("p.hex") : plain + "/p.hex";
  e->SaveSettings();

  const QString failed = c.settingsFolderIsAFile ? plain + "/Rindle37.set" : plain + "/p.fdb";
  const QStringList lines = e->ResultText.split(u'\r');
  ASSERT_EQ(lines.size(), 3) << e->ResultText.toStdString();
  EXPECT_EQ(lines[0], "File create error . . .");
  EXPECT_EQ(lines[1], failed);
  EXPECT_FALSE(lines[2].trimmed().isEmpty());
  // The database waits for its settings file: nothing is written beside the
  // program file when the settings could not be saved.
  EXPECT_FALSE(QFileInfo::exists(path("p.fdb")));
  EXPECT_EQ(QFileInfo::exists(settingsPath()), !c.settingsFolderIsAFile);
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsSaveFailure,
                         ::testing::Values(SaveFailureCase{"SettingsFolderIsAFile", true},
                                           SaveFailureCase{"FuseDatabaseFolderIsAFile", false}),
                         [](const auto &p) { return std::string(p.param.name); });

TEST_F(Settings, ASuccessfulSaveReportsOkAfterAnEarlierFailure) {
  auto e = newEngine();
  e->ProgramFileName = path("p.hex");
  e->ResultText = QStringLiteral("File create error . . .");
  e->SaveSettings();
  EXPECT_EQ(e->ResultText, "OK");
  EXPECT_TRUE(QFileInfo::exists(settingsPath()));
  EXPECT_TRUE(QFileInfo::exists(path("p.fdb")));
}

TEST_F(Settings, AFileNameWithALineBreakIsNotWritten) {
  auto e = newEngine();
  e->ProgramFileName = path("two\nlines.hex");
  e->SaveSettings();
  const auto lines = ReadAll(settingsPath()).split('\n');
  ASSERT_EQ(lines.size(), 29); // 28 lines and what follows the last line end
  EXPECT_EQ(lines[7], "\r");
  EXPECT_EQ(lines[9], "255\r");
}

TEST_F(Settings, NoProgramFolderMeansNoSettingsFile) {
  auto e = newEngine();
  e->ProgramFolder.clear();
  const QString cwd = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  e->SaveSettings();
  e->InitEngine();
  QDir::setCurrent(cwd);
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
  ExpectDefaults(*e);
}

// Editors that save UTF-8 may put a byte-order mark in front of the file;
// only there is it skipped.
TEST_F(Settings, AByteOrderMarkInFrontOfTheFileIsSkipped) {
  const QByteArray mark("\xEF\xBB\xBF");
  WriteAll(settingsPath(), mark + CrLf(SettingsLines()));
  auto e = newEngine();
  e->InitEngine();
  EXPECT_EQ(e->ResultText, "");
  EXPECT_EQ(e->Port.PortBase, 632);
  EXPECT_EQ(e->Device.FlashSize, 8192);

  auto lines = SettingsLines();
  lines[1] = mark + lines[1];
  WriteAll(settingsPath(), CrLf(lines));
  auto inside = newEngine();
  inside->InitEngine();
  EXPECT_EQ(inside->ResultText, "Settings file error . . .\rLine 2: '" +
                                    QString::fromUtf8(lines[1]) + "' is not a valid integer value");
  ExpectDefaults(*inside);
}

TEST_F(Settings, AFuseDatabaseWithAByteOrderMarkIsRead) {
  WriteAll(path("blink.hex"), "");
  WriteAll(path("blink.fdb"), "\xEF\xBB\xBF" + CrLf({"1", "98", "223", "249", "252", ""}));
  auto e = newEngine();
  e->ProgramFileName = path("blink.hex");
  e->LoadFuseDatabase();
  EXPECT_EQ(e->ResultText, "");
  EXPECT_EQ(e->Fuses, (FuseState{1, 98, 223, 249, 252}));
}

// Whatever port the settings name is opened before anything is written to
// it, and Apply and Default open theirs again.
TEST_F(Settings, StartUpAndThePortOptionsOpenThePortBeforeWritingIt) {
  struct OpeningPort : StartupPort {
    common::PortReach Open(std::uint16_t base) override {
      opened.push_back({base, events.size()});
      return {"/dev/parport9", false, "refused"};
    }
    common::PortReach Reach() const override { return {"/dev/parport9", false, "refused"}; }
    std::vector<std::pair<std::uint16_t, std::size_t>> opened; // address, events before it
  } opening;
  WriteAll(settingsPath(), CrLf(SettingsLines()));
  rindle::IspEngine e(opening, opening);
  e.ProgramFolder = dir.path();
  e.InitEngine();
  ASSERT_EQ(opening.opened.size(), 1u);
  EXPECT_EQ(opening.opened[0].first, 632);
  EXPECT_EQ(opening.opened[0].second, 0u) << "no write before the port is opened";
  EXPECT_EQ(e.ReachedPort(), (common::PortReach{"/dev/parport9", false, "refused"}));

  e.Port.PortBase = 0x3BC;
  opening.events.clear();
  e.ApplyPortOptions();
  e.DefaultPortOptions();
  const std::vector<std::pair<std::uint16_t, std::size_t>> expected = {
      {632, 0}, {0x3BC, 0}, {0x378, 2}};
  EXPECT_EQ(opening.opened, expected);
}

// Settings files written today store the device as its row of the device
// list; every row must read back the same chip, whatever the catalogue's
// records become.
struct StoredRow {
  int row;
  const char *chip; // the data-sheet name; nullptr for a separator
  int flash, eeprom;
};

const StoredRow kStoredRows[] = {
    {0, "AT89S51", 4096, 0},
    {1, "AT89S52", 8192, 0},
    {2, "AT89S53", 12288, 0},
    {3, "AT89S8252", 8192, 2048},
    {4, "AT89S8253", 12288, 2112},
    {5, nullptr, 0, 0},
    {6, "AT90S1200", 1024, 64},
    {7, "AT90S2313", 2048, 128},
    {8, "AT90S4433", 4096, 256},
    {9, "AT90S8515", 8192, 512},
    {10, "AT90S8535", 8192, 512},
    {11, nullptr, 0, 0},
    {12, "ATmega8", 8192, 512},
    {13, "ATmega16", 16384, 512},
    {14, "ATmega32", 32768, 1024},
    {15, "ATmega48", 4096, 256},
    {16, "ATmega64", 65536, 2048},
    {17, "ATmega88", 8192, 512},
    {18, "ATmega128", 131072, 4096},
    {19, "ATmega162", 16384, 512},
    {20, "ATmega164", 16384, 512},
    {21, "ATmega165", 16384, 512},
    {22, "ATmega168", 16384, 512},
    {23, "ATmega169", 16384, 512},
    {24, "ATmega324", 32768, 1024},
    {25, "ATmega644", 65536, 2048},
    {26, "ATmega8515", 8192, 512},
    {27, "ATmega8535", 8192, 512},
    {28, nullptr, 0, 0},
    {29, "ATtiny12", 1024, 64},
    {30, "ATtiny13", 1024, 64},
    {31, "ATtiny15", 1024, 64},
    {32, "ATtiny25", 2048, 128},
    {33, "ATtiny26", 2048, 128},
    {34, "ATtiny45", 4096, 256},
    {35, "ATtiny85", 8192, 512},
    {36, "ATtiny2313", 2048, 128},
};

TEST_F(Settings, TodaysFileForEveryRowReadsTheSameChip) {
  ASSERT_EQ(std::size(kStoredRows), rindle::kDeviceListRows);
  for (const StoredRow &r : kStoredRows) {
    SCOPED_TRACE(r.row);
    std::vector<QByteArray> lines = SettingsLines();
    lines[3] = QByteArray::number(r.row);
    lines[4] = QByteArray::number(r.chip != nullptr ? r.flash : 4096);
    lines[5] = QByteArray::number(r.eeprom);
    WriteAll(settingsPath(), CrLf(lines));

    auto e = newEngine();
    e->InitEngine();
    ASSERT_EQ(e->Device.DeviceIndex, r.row);
    const rindle::DeviceEntry *entry = e->CurrentDevice();
    if (r.chip == nullptr) {
      EXPECT_EQ(entry, nullptr);
      continue;
    }
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->dataSheetName, r.chip);
    e->SelectDevice();
    EXPECT_EQ(e->Device.FlashSize, r.flash);
    EXPECT_EQ(e->Device.EepromSize, r.eeprom);
    // Saved again, the file still names the row.
    e->SaveSettings();
    EXPECT_EQ(ReadAll(settingsPath()).split('\n').value(3).trimmed(), QByteArray::number(r.row));
  }
}
