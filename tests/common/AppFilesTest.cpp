#include "common/AppFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using common::AppFiles;

// A program folder and a home with XDG folders, all temporary.
class AppFilesTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    root = tmp.path();
    QDir().mkpath(root + QStringLiteral("/build/bin"));
    QDir().mkpath(root + QStringLiteral("/usr/bin"));
    QDir().mkpath(root + QStringLiteral("/usr/share/orvane/devices"));
    QDir().mkpath(root + QStringLiteral("/usr/share/applications"));
    QFile desktop(root + QStringLiteral("/usr/share/applications/rindle.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    savedConfig = qgetenv("XDG_CONFIG_HOME");
    savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
  }
  void TearDown() override {
    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("XDG_DATA_HOME", savedData);
  }

  QTemporaryDir tmp;
  QString root;
  QByteArray savedConfig, savedData;
};

TEST_F(AppFilesTest, ABuildFolderKeepsTheSettingsBesideTheProgram) {
  const AppFiles files(root + QStringLiteral("/build/bin"), QStringLiteral("rindle"));
  EXPECT_TRUE(files.besideProgram());
  EXPECT_EQ(files.settingsFile(QStringLiteral("Rindle37.set")),
            root + QStringLiteral("/build/bin/Rindle37.set"));
}

TEST_F(AppFilesTest, AnInstalledProgramKeepsItsSettingsInTheConfigurationFolder) {
  // Recognised by its shared files or by its desktop entry.
  for (const char *program : {"orvane", "rindle"}) {
    const AppFiles files(root + QStringLiteral("/usr/bin"), QString::fromLatin1(program));
    EXPECT_FALSE(files.besideProgram()) << program;
    const QString settings = files.settingsFile(QStringLiteral("user.ini"));
    EXPECT_EQ(settings, root + QStringLiteral("/config/") + QString::fromLatin1(program) +
                            QStringLiteral("/user.ini"));
    EXPECT_TRUE(QDir(root + QStringLiteral("/config/") + QString::fromLatin1(program)).exists());
  }
}

TEST_F(AppFilesTest, KeptDataGoesToTheDataFolderEvenBesideAWritableProgram) {
  const AppFiles files(root + QStringLiteral("/build/bin"), QStringLiteral("rindle"));
  EXPECT_EQ(files.dataFile(QStringLiteral("chips.state")),
            root + QStringLiteral("/data/rindle/chips.state"));
  EXPECT_TRUE(QDir(root + QStringLiteral("/data/rindle")).exists());
}

TEST_F(AppFilesTest, ARelativeXdgFolderIsIgnored) {
  qputenv("XDG_DATA_HOME", "relative/data");
  const AppFiles files(root + QStringLiteral("/usr/bin"), QStringLiteral("orvane"));
  EXPECT_TRUE(QDir::isAbsolutePath(files.dataFile(QStringLiteral("box.chip"))));
  EXPECT_FALSE(
      files.dataFile(QStringLiteral("box.chip")).contains(QStringLiteral("relative/data")));
}

TEST_F(AppFilesTest, SharedFilesComeFromBesideTheProgramThenFromTheInstallShare) {
  const AppFiles installed(root + QStringLiteral("/usr/bin"), QStringLiteral("orvane"));
  EXPECT_EQ(installed.sharedFile(QStringLiteral("devices")),
            root + QStringLiteral("/usr/share/orvane/devices"));
  QDir().mkpath(root + QStringLiteral("/usr/bin/devices"));
  EXPECT_EQ(installed.sharedFile(QStringLiteral("devices")),
            root + QStringLiteral("/usr/bin/devices"));
}

TEST_F(AppFilesTest, ExamplesComeFromBesideTheProgramThenFromThePackageDocumentation) {
  const AppFiles installed(root + QStringLiteral("/usr/bin"), QStringLiteral("rindle"));
  const AppFiles built(root + QStringLiteral("/build/bin"), QStringLiteral("rindle"));
  // Neither folder holds examples yet: no folder at all, rather than one
  // the dialogs could not show.
  EXPECT_EQ(installed.examplesFolder(), QString());
  EXPECT_EQ(built.examplesFolder(), QString());

  QDir().mkpath(root + QStringLiteral("/usr/share/doc/chipsuite/examples"));
  EXPECT_EQ(installed.examplesFolder(), root + QStringLiteral("/usr/share/doc/chipsuite/examples"));
  EXPECT_EQ(built.examplesFolder(), QString());

  QDir().mkpath(root + QStringLiteral("/build/bin/examples"));
  EXPECT_EQ(built.examplesFolder(), root + QStringLiteral("/build/bin/examples"));
  // A file of that name is no folder.
  QDir().mkpath(root + QStringLiteral("/other/bin"));
  QFile file(root + QStringLiteral("/other/bin/examples"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  EXPECT_EQ(
      AppFiles(root + QStringLiteral("/other/bin"), QStringLiteral("tollen")).examplesFolder(),
      QString());
}

} // namespace
