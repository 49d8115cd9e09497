#include "orvane/core/LoaderCore.h"
#include "orvane/core/IniFile.h"

#include "PacketBytes.h"
#include "TestFiles.h"
#include "common/testing/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::fixture;
using test::PacketDef;
using test::readAll;
using test::row;
using test::Scratch;
using test::writeAll;

const char kCatalogue[] =
    "[Models]\nModel0=2207-5130 v2\nModel1=2207-2051\n"
    "[2207-5130 v2]\nName=Programmer v2\nID=132\ncomSpeed=57600\nAlgorithm=1\n"
    "[2207-2051]\nName=Small one\nID=118\ncomSpeed=38400\nAlgorithm=1\n"
    "[No speed]\nName=Broken\ncomSpeed=fast\n";

// A program folder with a catalogue, a database for the first model and the
// 40-pin picture (the 20-pin one is missing on purpose).
class LoaderCoreTest : public testing::Test {
protected:
  LoaderCoreTest() : core(s.path("orvane"), prompter) {
    writeAll(s.path("orvane.ini"), kCatalogue);
    PacketDef def;
    def.rows = {row(0, "AT89C51", "Atmel", 4096, 0, "8051 Core MCU", "C51", "40pin"),
                row(0, "AT89S52", "Atmel", 8192, 0, "8051 Core MCU", "S52", "40pin"),
                row(0, "AT89C2051", "Atmel", 2048, 0, "8051 Core MCU", "C2051", "20pin"),
                row(0, "AT89S8253", "Atmel", 12288, 2048, "8051 Core MCU", "S8253", nullptr)};
    writeAll(s.path("devices/2207-5130 v2.dat"), def.build());
    writeAll(s.path("devices/40pin.bmp"), "BM");
    core.OnDeviceChanged = [this] { ++deviceChanges; };
  }

  static QStringList captions(const THistoryFiles &list) {
    QStringList out;
    for (const HistoryItem &item : list.items())
      out << item.caption;
    return out;
  }

  // Start-up as the main window runs it, up to its first activation.
  void startWithModel() {
    core.Start();
    core.ModelChange(core.settings.programmerModel);
    core.FirstActivation();
  }

  Scratch s;
  common::ScriptedPrompter prompter;
  LoaderCore core;
  int deviceChanges = 0;
};

TEST_F(LoaderCoreTest, FirstStartAndExit) {
  startWithModel();
  EXPECT_EQ(core.settings.comPort, QStringLiteral("COM1"));
  EXPECT_EQ(core.settings.programmerModel, QStringLiteral("2207-5130 v2"));
  EXPECT_EQ(core.settings.comSpeed, QStringLiteral("57600"));
  EXPECT_TRUE(core.fileLabels.txtFileName.isEmpty());
  EXPECT_TRUE(core.HistoryFiles1.items().empty());
  EXPECT_TRUE(core.HistoryFiles2.items().empty());
  EXPECT_TRUE(prompter.shown.empty());

  ASSERT_TRUE(core.SaveSettings());
  const IniFile user(s.path("user.ini"));
  const std::pair<const char *, const char *> keys[] = {{"Global", "LastDir"},
                                                        {"Global", "LastFile"},
                                                        {"Global", "LastDevice"},
                                                        {"Communication", "comPort"},
                                                        {"Communication", "comSpeed"},
                                                        {"Communication", "programmerModel"},
                                                        {"Auto", "Verify"},
                                                        {"Auto", "Lock"},
                                                        {"General", "ReloadFile"}};
  for (auto [section, key] : keys)
    EXPECT_TRUE(user.keyExists(QString::fromLatin1(section), QString::fromLatin1(key))) << key;
  EXPECT_EQ(readAll(s.path("orvane.ini")),
            QByteArray(kCatalogue) + "\n[Global]\nFunctionIndex=7\n");
}

// A folder where a file is expected cannot be read, even by root.
TEST_F(LoaderCoreTest, UnreadableSettingsAndListsAreKeptAsideAndToldAboutOnce) {
  const QString model = QStringLiteral("2207-5130 v2");
  const QStringList files = {s.path("user.ini"), s.path("orvane.mru"),
                             s.path("orvane-" + model + ".dev")};
  for (const QString &file : files)
    ASSERT_TRUE(QDir().mkpath(file));
  startWithModel();
  const QStringList instead = {"the settings start from their defaults",
                               "the recent-files list starts empty",
                               "the recent-devices list starts empty"};
  ASSERT_EQ(prompter.shown.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const auto &told = prompter.shown[std::size_t(i)];
    EXPECT_EQ(told.icon, common::Prompter::Icon::Error);
    EXPECT_TRUE(told.text.startsWith("The file cannot be read: ")) << told.text.toStdString();
    EXPECT_TRUE(told.text.endsWith("The file \"" + files[i] + "\" is kept as \"" + files[i] +
                                   ".bad\"; " + instead[i] + "."))
        << told.text.toStdString();
    EXPECT_TRUE(QFileInfo(files[i] + ".bad").isDir());
  }
  EXPECT_EQ(core.settings.comPort, QStringLiteral("COM1"));

  // The run's own files take their places.
  const QString hex = s.path("blink.hex");
  writeAll(hex, readAll(fixture("sdcc/blink.ihx")));
  ASSERT_TRUE(core.LoadFileToBuffer(hex));
  ASSERT_TRUE(core.LoadDevice(QStringLiteral("AT89S52")));
  ASSERT_TRUE(core.SaveSettings());
  for (const QString &file : files)
    EXPECT_TRUE(QFileInfo(file).isFile()) << file.toStdString();
  prompter.shown.clear();
  LoaderCore next(s.path("orvane"), prompter);
  next.Start();
  next.ModelChange(next.settings.programmerModel);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(next.settings.LastDevice, QStringLiteral("AT89S52"));
  EXPECT_EQ(next.HistoryFiles1.shownEntries(), QStringList{hex});
}

// The model catalogue is shipped with the program: one that cannot be read
// is told about and left as it is; the end of the run does not replace it
// with a catalogue of no models.
TEST_F(LoaderCoreTest, AnUnreadableCatalogueIsToldAboutAndNeverWrittenOver) {
  ASSERT_TRUE(QFile::remove(s.path("orvane.ini")));
  ASSERT_TRUE(QDir().mkpath(s.path("orvane.ini")));
  startWithModel();
  ASSERT_EQ(prompter.messages().size(), 1);
  EXPECT_TRUE(prompter.messages()[0].endsWith(
      "The file \"" + s.path("orvane.ini") +
      "\" is left as it is and not written over; the loader has no hardware models."));
  QString error;
  EXPECT_TRUE(core.SaveSettings(&error)) << error.toStdString();
  EXPECT_TRUE(QFileInfo(s.path("orvane.ini")).isDir());
  EXPECT_FALSE(QFileInfo::exists(s.path("orvane.ini.bad")));
  EXPECT_TRUE(QFileInfo(s.path("user.ini")).isFile());
}

TEST_F(LoaderCoreTest, StartLoadsTheLastFile) {
  const QString hex = s.path("work/blink.hex");
  writeAll(hex, readAll(fixture("sdcc/blink.ihx")));
  writeAll(s.path("user.ini"), ("[Global]\nLastFile=" + hex + "\n").toUtf8());
  startWithModel();
  EXPECT_EQ(core.fileLabels.txtFileName, hex);
  EXPECT_EQ(core.fileLabels.lblBytesLoaded, QStringLiteral("174 bytes"));
  EXPECT_EQ(captions(core.HistoryFiles1), QStringList{"&1 " + hex});

  // The file is gone at the next start: nothing is loaded, LastFile empties.
  LoaderCore next(s.path("orvane"), prompter);
  ASSERT_TRUE(QFile::remove(hex));
  next.Start();
  EXPECT_TRUE(next.settings.LastFile.isEmpty());
  EXPECT_EQ(next.fileLabels.lblBytesLoaded, QString());
}

TEST_F(LoaderCoreTest, LoadDeviceByNameIgnoringCase) {
  startWithModel();
  EXPECT_TRUE(core.LoadDevice(QStringLiteral("at89s52")));
  EXPECT_EQ(core.deviceLabels.Device, QStringLiteral("at89s52"));
  EXPECT_EQ(core.deviceLabels.Flash, QStringLiteral("8192"));
  EXPECT_EQ(core.deviceLabels.EEPROM, QStringLiteral("0"));
  EXPECT_EQ(core.deviceLabels.Type, QStringLiteral("8051 Core MCU"));
  EXPECT_EQ(core.deviceLabels.Picture, s.path("devices/40pin.bmp"));
  EXPECT_EQ(core.settings.LastDevice, QStringLiteral("at89s52"));
  EXPECT_EQ(captions(core.HistoryFiles2), QStringList{"&1 at89s52"});
  EXPECT_EQ(deviceChanges, 1);
}

TEST_F(LoaderCoreTest, DeviceNameWithSlashShowsWholeInTheRecentList) {
  PacketDef def;
  def.rows = {row(0, "AT89C51/LV", "Atmel", 4096, 0, "8051 Core MCU", "C51", "40pin")};
  writeAll(s.path("devices/2207-5130 v2.dat"), def.build());
  startWithModel();
  ASSERT_TRUE(core.LoadDevice(QStringLiteral("AT89C51/LV")));
  EXPECT_EQ(captions(core.HistoryFiles2), QStringList{"&1 AT89C51/LV"});
  core.HistoryFiles2.Click(0);
  EXPECT_EQ(core.deviceLabels.Device, QStringLiteral("AT89C51/LV"));
}

TEST_F(LoaderCoreTest, UnknownDeviceShowsNoneAndKeepsTheRest) {
  startWithModel();
  ASSERT_TRUE(core.LoadDevice(QStringLiteral("AT89C51")));
  EXPECT_FALSE(core.LoadDevice(QStringLiteral("AT89C5")));
  EXPECT_EQ(core.deviceLabels.Device, QStringLiteral("None"));
  EXPECT_TRUE(core.deviceLabels.Flash.isEmpty());
  EXPECT_TRUE(core.deviceLabels.EEPROM.isEmpty());
  EXPECT_TRUE(core.deviceLabels.Type.isEmpty());
  EXPECT_TRUE(core.deviceLabels.Picture.isEmpty());
  EXPECT_EQ(core.settings.LastDevice, QStringLiteral("AT89C51"));
  EXPECT_EQ(core.HistoryFiles2.shownEntries(), QStringList{"AT89C51"});
}

TEST_F(LoaderCoreTest, MissingPictureKeepsThePreviousOne) {
  startWithModel();
  ASSERT_TRUE(core.LoadDevice(QStringLiteral("AT89S52")));
  ASSERT_TRUE(core.LoadDevice(QStringLiteral("AT89C2051")));
  EXPECT_EQ(core.deviceLabels.Picture, s.path("devices/40pin.bmp"));
  ASSERT_TRUE(core.LoadDevice(QStringLiteral("AT89S8253"))); // no placement at all
  EXPECT_EQ(core.deviceLabels.Picture, s.path("devices/40pin.bmp"));
  EXPECT_EQ(core.deviceLabels.EEPROM, QStringLiteral("2048"));
}

TEST_F(LoaderCoreTest, SelectedDeviceGoesToTheTopOfItsModelsList) {
  startWithModel();
  for (const char *name : {"AT89C51", "AT89S52", "AT89C2051", "at89c51"})
    core.LoadDevice(QString::fromLatin1(name));
  EXPECT_EQ(core.HistoryFiles2.shownEntries(), (QStringList{"at89c51", "AT89C2051", "AT89S52"}));

  // The other model has its own list; "&Clear List" clears only that one.
  core.ModelChange(QStringLiteral("2207-2051"));
  EXPECT_EQ(core.settings.comSpeed, QStringLiteral("38400"));
  EXPECT_TRUE(core.HistoryFiles2.shownEntries().isEmpty());
  core.LoadDevice(QStringLiteral("AT89C2051"));
  EXPECT_EQ(captions(core.HistoryFiles2), QStringList{"&1 AT89C2051"});
  core.ClearRecentDevices();
  EXPECT_TRUE(core.HistoryFiles2.shownEntries().isEmpty());
  EXPECT_FALSE(QFile::exists(s.path("orvane-2207-2051.dev")));

  core.ModelChange(QStringLiteral("2207-5130 v2"));
  EXPECT_EQ(core.HistoryFiles2.shownEntries(), (QStringList{"at89c51", "AT89C2051", "AT89S52"}));
  EXPECT_TRUE(QFile::exists(s.path("orvane-2207-5130 v2.dev")));
}

TEST_F(LoaderCoreTest, ModelWithoutSpeedKeepsTheSpeedInUse) {
  startWithModel();
  core.ModelChange(QStringLiteral("2207-2051"));
  EXPECT_EQ(core.settings.comSpeed, QStringLiteral("38400"));
  for (const char *model : {"No speed", "Unlisted"}) {
    core.ModelChange(QString::fromLatin1(model));
    EXPECT_EQ(core.settings.programmerModel, QString::fromLatin1(model));
    EXPECT_EQ(core.settings.comSpeed, QStringLiteral("38400"));
  }
}

TEST_F(LoaderCoreTest, FirstActivationSelectsTheLastDevice) {
  writeAll(s.path("user.ini"), "[Global]\nLastDevice=AT89S52\n");
  startWithModel();
  EXPECT_EQ(core.devices.allRows().size(), 4u);
  EXPECT_EQ(core.deviceLabels.Device, QStringLiteral("AT89S52"));
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(LoaderCoreTest, FirstActivationWithoutDatabaseIsSilent) {
  writeAll(s.path("user.ini"),
           "[Global]\nLastDevice=AT89C2051\n[Communication]\nprogrammerModel=2207-2051\n");
  startWithModel();
  EXPECT_EQ(core.deviceLabels.Device, QStringLiteral("None"));
  EXPECT_EQ(core.settings.LastDevice, QStringLiteral("AT89C2051"));
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(LoaderCoreTest, DeviceSelectThroughTheDialog) {
  startWithModel();
  int shown = 0;
  core.DeviceSelect([&](DeviceDatabase &db) {
    ++shown;
    EXPECT_EQ(db.filter(), DeviceDatabase::Filter::None);
    db.setFilterContains(QStringLiteral("s52"));
    return true;
  });
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(core.deviceLabels.Device, QStringLiteral("AT89S52"));
  EXPECT_EQ(core.settings.LastDevice, QStringLiteral("AT89S52"));

  // OK on an empty list, and Cancel, change nothing.
  const int changes = deviceChanges;
  core.DeviceSelect([](DeviceDatabase &db) {
    db.setFilterContains(QStringLiteral("zz"));
    return true;
  });
  core.DeviceSelect([](DeviceDatabase &db) {
    db.setCurrentIndex(0);
    return false;
  });
  EXPECT_EQ(deviceChanges, changes);
  EXPECT_EQ(core.deviceLabels.Device, QStringLiteral("AT89S52"));
  EXPECT_EQ(core.HistoryFiles2.shownEntries(), QStringList{"AT89S52"});
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(LoaderCoreTest, DeviceSelectWithoutOrWithABadDatabase) {
  startWithModel();
  bool shown = false;
  auto dialog = [&](DeviceDatabase &) { return shown = true; };
  core.ModelChange(QStringLiteral("2207-2051"));
  core.DeviceSelect(dialog);
  EXPECT_EQ(prompter.messages(), QStringList{"Device database file for this model not found"});

  writeAll(s.path("devices/2207-2051.dat"), "not a packet");
  core.DeviceSelect(dialog);
  EXPECT_FALSE(shown);
  ASSERT_EQ(prompter.messages().size(), 2);
  EXPECT_TRUE(prompter.messages()[1].contains(QStringLiteral("wrong signature")));
  EXPECT_TRUE(core.devices.allRows().empty());
}

TEST_F(LoaderCoreTest, RecentItemsLoadAndSelect) {
  startWithModel();
  const QString hex = fixture("range_0000_07FF.hex");
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("eof_only.hex")));
  ASSERT_TRUE(core.LoadFileToBuffer(hex));
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("eof_only.hex")));
  ASSERT_EQ(core.HistoryFiles1.items().size(), 2u);
  EXPECT_EQ(core.HistoryFiles1.items()[1].caption, QStringLiteral("&2 ") + hex);
  core.HistoryFiles1.Click(1);
  EXPECT_EQ(core.buffer.BytesLoaded, 2048);
  EXPECT_EQ(core.HistoryFiles1.items()[0].caption, QStringLiteral("&1 ") + hex);

  core.LoadDevice(QStringLiteral("AT89C51"));
  core.LoadDevice(QStringLiteral("AT89S52"));
  core.HistoryFiles2.Click(1); // "&2 AT89C51"
  EXPECT_EQ(core.deviceLabels.Device, QStringLiteral("AT89C51"));
}

} // namespace
} // namespace orvane

namespace orvane {
namespace {

// An installed loader: the program in <prefix>/bin, the catalogue, databases
// and pictures in <prefix>/share/orvane, the user's files in the XDG
// configuration folder.
class InstalledLoaderTest : public testing::Test {
protected:
  void SetUp() override {
    savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", s.path("config").toUtf8());
    writeAll(s.path("usr/bin/orvane"), "program");
    writeAll(s.path("usr/share/orvane/orvane.ini"), kCatalogue);
    PacketDef def;
    def.rows = {row(0, "AT89C51", "Atmel", 4096, 0, "8051 Core MCU", "C51", "40pin")};
    writeAll(s.path("usr/share/orvane/devices/2207-5130 v2.dat"), def.build());
  }
  void TearDown() override { qputenv("XDG_CONFIG_HOME", savedConfig); }

  Scratch s;
  common::ScriptedPrompter prompter;
  QByteArray savedConfig;
};

TEST_F(InstalledLoaderTest, ReadsTheShippedFilesAndKeepsTheUsersOwnInTheConfigurationFolder) {
  const QString shipped = readAll(s.path("usr/share/orvane/orvane.ini"));
  {
    LoaderCore core(s.path("usr/bin/orvane"), prompter);
    EXPECT_EQ(core.paths.userIni(), s.path("config/orvane/user.ini"));
    EXPECT_EQ(core.paths.deviceDatabase(QStringLiteral("2207-5130 v2")),
              s.path("usr/share/orvane/devices/2207-5130 v2.dat"));
    core.Start();
    core.ModelChange(core.settings.programmerModel);
    core.FirstActivation();
    ASSERT_TRUE(core.LoadDevice(QStringLiteral("AT89C51")));
    ASSERT_TRUE(core.SaveSettings());
  }
  // The first exit starts the user's own catalogue from the shipped one.
  EXPECT_EQ(readAll(s.path("config/orvane/orvane.ini")),
            QByteArray(kCatalogue) + "\n[Global]\nFunctionIndex=7\n");
  EXPECT_EQ(readAll(s.path("usr/share/orvane/orvane.ini")), shipped);
  EXPECT_FALSE(QFile::exists(s.path("usr/bin/user.ini")));

  LoaderCore again(s.path("usr/bin/orvane"), prompter);
  again.Start();
  EXPECT_EQ(again.settings.LastDevice, QStringLiteral("AT89C51"));
  EXPECT_EQ(again.settings.GetModelName(1), QStringLiteral("2207-2051"));
  EXPECT_TRUE(prompter.messages().isEmpty());
}

} // namespace
} // namespace orvane
