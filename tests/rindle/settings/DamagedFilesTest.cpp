// Files the programmer reads by itself at start-up and beside a program file:
// one that cannot be used is told about once and kept, never replaced by the
// defaults the run goes on with.

#include "SettingsTestSupport.h"

#include <QFileInfo>
#include <algorithm>

using namespace rindle::testing;
using rindle::FuseState;

namespace {

// A valid settings file naming `program`, every value distinct from the
// defaults.
std::vector<QByteArray> GoodSettings(const QString &program) {
  return {"632", "1",   "2",   "12",  "8192", "512", "3",  program.toUtf8(),
          "",    "228", "217", "253", "252",  "1",   "2",  "4",
          "64",  "128", "32",  "1",   "2",    "0",   "64", "128",
          "32",  "0",   "0",   "1"};
}

} // namespace

using DamagedFiles = EngineTest;

TEST_F(DamagedFiles, ADamagedSettingsFileIsKeptAsideAndToldAbout) {
  const QByteArray damaged = "888\r\n0\r\n4\r\nnot a number\r\n";
  WriteAll(settingsPath(), damaged);
  auto e = newEngine();
  e->InitEngine();
  EXPECT_EQ(e->Device.DeviceIndex, 0); // the defaults
  ASSERT_EQ(e->StoredFileNotices.size(), 1);
  const QString notice = e->StoredFileNotices.front();
  EXPECT_TRUE(notice.startsWith("Settings file error . . .\rLine 4: 'not a number' is not a valid "
                                "integer value\r\r"))
      << notice.toStdString();
  EXPECT_TRUE(notice.endsWith("The file \"" + settingsPath() + "\" is kept as \"" + settingsPath() +
                              ".bad\"; the program starts from the default settings."))
      << notice.toStdString();

  // The run's settings are written at its end; the user's file stays beside them.
  e->Device.DeviceIndex = 12;
  e->SaveSettings();
  EXPECT_EQ(e->ResultText, "OK");
  EXPECT_EQ(ReadAll(settingsPath() + ".bad"), damaged);
  EXPECT_EQ(ReadAll(settingsPath()).split('\n').value(3), "12\r");

  // The next run finds sound settings and says nothing.
  auto next = newEngine();
  next->InitEngine();
  EXPECT_EQ(next->Device.DeviceIndex, 12);
  EXPECT_TRUE(next->StoredFileNotices.isEmpty());
}

TEST_F(DamagedFiles, ASettingsFileThatCannotBeReadIsKeptAside) {
  // A folder of that name: it cannot be opened as a file, even by root.
  ASSERT_TRUE(QDir(dir.path()).mkdir("Rindle37.set"));
  auto e = newEngine();
  e->InitEngine();
  ASSERT_EQ(e->StoredFileNotices.size(), 1);
  EXPECT_TRUE(e->StoredFileNotices.front().startsWith(
      "Settings file error . . .\rThe file cannot be read\r\r"));
  EXPECT_TRUE(QFileInfo(settingsPath() + ".bad").isDir());
  e->SaveSettings();
  EXPECT_EQ(e->ResultText, "OK");
  EXPECT_TRUE(QFileInfo(settingsPath()).isFile());
}

TEST_F(DamagedFiles, WhereNoNameIsLeftTheDamagedFileIsNotWrittenOver) {
  const QByteArray damaged = "damaged\r\n";
  WriteAll(settingsPath(), damaged);
  WriteAll(settingsPath() + ".bad", "older");
  for (int n = 2; n <= 99; ++n)
    WriteAll(settingsPath() + ".bad." + QString::number(n), "older");
  auto e = newEngine();
  e->InitEngine();
  ASSERT_EQ(e->StoredFileNotices.size(), 1);
  EXPECT_TRUE(e->StoredFileNotices.front().endsWith(
      "The file \"" + settingsPath() +
      "\" is left as it is and not written over; the program starts from the default settings."));
  e->ProgramFileName = path("p.hex");
  e->SaveSettings();
  EXPECT_EQ(ReadAll(settingsPath()), damaged);
  EXPECT_EQ(ReadAll(settingsPath() + ".bad"), "older");
  EXPECT_TRUE(QFileInfo::exists(path("p.fdb"))) << "the fuse database is still written";
}

TEST_F(DamagedFiles, ADamagedFuseDatabaseIsKeptAsideAndToldAbout) {
  const QString program = path("p.hex");
  WriteAll(program, ":0100000011EE\n");
  WriteAll(settingsPath(), CrLf(GoodSettings(program)));
  const QByteArray damaged = CrLf({"0", "zz", "0", "0", "0", ""});
  WriteAll(path("p.fdb"), damaged);
  auto e = newEngine();
  e->InitEngine();
  EXPECT_EQ(e->Fuses, (FuseState{3, 228, 217, 253, 252})) << "the settings' fuse state stays";
  ASSERT_EQ(e->StoredFileNotices.size(), 1);
  EXPECT_TRUE(e->StoredFileNotices.front().startsWith(
      "Fuse database error . . .\rLine 2: 'zz' is not a valid integer value\r\r"));
  EXPECT_TRUE(e->StoredFileNotices.front().endsWith(
      "\"" + path("p.fdb") + "\" is kept as \"" + path("p.fdb.bad") +
      "\"; the lock and fuse settings stay as they were."));
  e->SaveSettings();
  EXPECT_EQ(ReadAll(path("p.fdb.bad")), damaged);
  EXPECT_EQ(ReadAll(path("p.fdb")), CrLf({"3", "228", "217", "253", "252", ""}));
}

// The program and EEPROM files the settings name are the user's: a failed
// load leaves their area blank and their names dropped, and says so.
TEST_F(DamagedFiles, StoredFilesThatNoLongerLoadAreToldAbout) {
  const QString program = path("p.hex"), eeprom = path("e.eep");
  WriteAll(program, ":0200000011223344\n");
  WriteAll(eeprom, ":0100000044BB\nrest\n");
  auto lines = GoodSettings(program);
  lines[8] = eeprom.toUtf8();
  WriteAll(settingsPath(), CrLf(lines));
  auto e = newEngine();
  e->InitEngine();
  EXPECT_EQ(e->StoredFileNotices,
            (QStringList{"Data Checksum Error . . .\r\rThe program file \"" + program +
                             "\" could not be loaded; its area of the buffer starts blank.",
                         "Invalid Hex File Format . . .\r\rThe EEPROM file \"" + eeprom +
                             "\" could not be loaded; its area of the buffer starts blank."}));
  EXPECT_TRUE(e->ProgramFileName.isEmpty());
  EXPECT_TRUE(e->EepromFileName.isEmpty());
  EXPECT_TRUE(std::ranges::all_of(e->Buffer.cells, [](auto c) { return c == 0xFF; }));
  EXPECT_EQ(ReadAll(program), ":0200000011223344\n") << "the user's file is left alone";
}
