#include "orvane/core/LoaderSettings.h"
#include "orvane/core/IniFile.h"
#include "orvane/core/LoaderCore.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::readAll;
using test::Scratch;
using test::writeAll;

TEST(LoaderSettings, FirstStartReadsDefaultsAndWritesAllNineKeys) {
  Scratch s;
  LoaderSettings st;
  st.ReadProgramIni(s.path("orvane.ini"));
  st.ReadUserIni(s.path("user.ini"));
  EXPECT_EQ(st.comPort, QStringLiteral("COM1"));
  EXPECT_EQ(st.comSpeed, QStringLiteral("57600"));
  EXPECT_EQ(st.programmerModel, QStringLiteral("2207-5130 v2"));
  EXPECT_EQ(st.Verify, 1);
  EXPECT_EQ(st.Lock, 0);
  EXPECT_EQ(st.ReloadFile, 1);
  EXPECT_TRUE(st.LastDir.isEmpty());
  EXPECT_TRUE(st.LastFile.isEmpty());
  EXPECT_TRUE(st.LastDevice.isEmpty());
  EXPECT_EQ(st.FunctionIndex, 7);
  EXPECT_EQ(st.ModelCount, 3);

  ASSERT_TRUE(st.WriteUserIni(s.path("user.ini")));
  EXPECT_EQ(readAll(s.path("user.ini")), QByteArray("[Global]\n"
                                                    "LastDir=\n"
                                                    "LastFile=\n"
                                                    "LastDevice=\n"
                                                    "\n"
                                                    "[Communication]\n"
                                                    "comPort=COM1\n"
                                                    "comSpeed=57600\n"
                                                    "programmerModel=2207-5130 v2\n"
                                                    "\n"
                                                    "[Auto]\n"
                                                    "Verify=1\n"
                                                    "Lock=0\n"
                                                    "\n"
                                                    "[General]\n"
                                                    "ReloadFile=1\n"));
}

TEST(LoaderSettings, ProgramIniGainsFunctionIndexAndKeepsTheRest) {
  Scratch s;
  const QByteArray catalogue = "; models\n[Models]\nModel0=A\n";
  writeAll(s.path("orvane.ini"), catalogue);
  LoaderSettings st;
  st.ReadProgramIni(s.path("orvane.ini"));
  ASSERT_TRUE(st.WriteProgramIni(s.path("orvane.ini")));
  EXPECT_EQ(readAll(s.path("orvane.ini")), catalogue + "\n[Global]\nFunctionIndex=7\n");

  // A stored value is written back as read, never changed.
  writeAll(s.path("p.ini"), "[GLOBAL]\nfunctionindex=2\nModelCount=0x2\n");
  st.ReadProgramIni(s.path("p.ini"));
  EXPECT_EQ(st.FunctionIndex, 2);
  EXPECT_EQ(st.ModelCount, 2);
  ASSERT_TRUE(st.WriteProgramIni(s.path("p.ini")));
  EXPECT_EQ(readAll(s.path("p.ini")), QByteArray("[GLOBAL]\nfunctionindex=2\nModelCount=0x2\n"));
}

TEST(LoaderSettings, ReadsUserIniWhateverTheCaseAndOrder) {
  Scratch s;
  const QByteArray text =
      "[general]\nreloadfile=0\n"
      "[COMMUNICATION]\nPROGRAMMERMODEL=2207-2051\ncomport=/dev/ttyUSB0\n"
      "comSpeed=19200\n"
      "[Auto]\nVerify=zero\nLock=1\n"
      "[Global]\nLastDir=/srv/hex/\nLastFile=/srv/hex/a.hex\nLastDevice=AT89S52\n";
  writeAll(s.path("user.ini"), text);
  LoaderSettings fromFile, fromMemory;
  fromFile.ReadUserIni(s.path("user.ini"));
  fromMemory.ReadUserIni(IniFile(QString(), text));
  for (const LoaderSettings *st : {&fromFile, &fromMemory}) {
    EXPECT_EQ(st->comPort, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(st->comSpeed, QStringLiteral("19200"));
    EXPECT_EQ(st->programmerModel, QStringLiteral("2207-2051"));
    EXPECT_EQ(st->Verify, 1); // not a number: the default
    EXPECT_EQ(st->Lock, 1);
    EXPECT_EQ(st->ReloadFile, 0);
    EXPECT_EQ(st->LastDir, QStringLiteral("/srv/hex/"));
    EXPECT_EQ(st->LastFile, QStringLiteral("/srv/hex/a.hex"));
    EXPECT_EQ(st->LastDevice, QStringLiteral("AT89S52"));
  }
}

TEST(LoaderSettings, EmptyModelReadsAsTheDefaultModel) {
  Scratch s;
  writeAll(s.path("user.ini"), "[Communication]\nprogrammerModel=\n");
  LoaderSettings st;
  st.programmerModel = QStringLiteral("something else");
  st.ReadUserIni(s.path("user.ini"));
  EXPECT_EQ(st.programmerModel, QStringLiteral("2207-5130 v2"));
}

TEST(LoaderSettings, ModelCatalogue) {
  Scratch s;
  writeAll(s.path("orvane.ini"), "[Global]\nModelCount=2\n"
                                 "[Models]\nModel0=2207-5130 v2\nModel1=Other\n"
                                 "[2207-5130 V2]\nName=Flash Programmer\nID=132\ncomSpeed=57600\n"
                                 "[Other]\nName=Other box\n");
  LoaderSettings st;
  st.ReadProgramIni(s.path("orvane.ini"));
  EXPECT_EQ(st.ModelCount, 2);
  EXPECT_EQ(st.GetModelName(0), QStringLiteral("2207-5130 v2"));
  EXPECT_EQ(st.GetModelName(1), QStringLiteral("Other"));
  EXPECT_EQ(st.GetModelName(2), QString());
  st.programmerModel = QStringLiteral("2207-5130 v2");
  EXPECT_EQ(st.ReadModelValue(QStringLiteral("name")), QStringLiteral("Flash Programmer"));
  EXPECT_EQ(st.ReadModelValue(QStringLiteral("comSpeed")), QStringLiteral("57600"));
  EXPECT_EQ(st.ReadModelValue(QStringLiteral("Algorithm")), QString());
  st.programmerModel = QStringLiteral("Other");
  EXPECT_EQ(st.ReadModelValue(QStringLiteral("comSpeed")), QString());
  st.programmerModel = QStringLiteral("Unlisted");
  EXPECT_EQ(st.ReadModelValue(QStringLiteral("Name")), QString());
}

TEST(LoaderSettings, VersionAndTitle) {
  EXPECT_EQ(LoaderSettings::GetVersionText(), QStringLiteral("5.4"));
  EXPECT_EQ(LoaderCore::ApplicationTitle(), QStringLiteral("Orvane v5.4 - Kelmora Technologies "));
}

struct PathCase {
  const char *program;
  const char *ini;
  const char *dev;
  const char *userIni;
};

TEST(LoaderPaths, FilesAreNamedFromTheProgramPath) {
  const PathCase cases[] = {
      {"/opt/x/orvane", "/opt/x/orvane.ini", "/opt/x/orvane-2207-5130 v2.dev", "/opt/x/user.ini"},
      {"/opt/x.d/orvane", "/opt/x.d/orvane.ini", "/opt/x.d/orvane-2207-5130 v2.dev",
       "/opt/x.d/user.ini"},
      {"/opt/orvane.exe", "/opt/orvane.ini", "/opt/orvane-2207-5130 v2.dev", "/opt/user.ini"},
  };
  for (const PathCase &c : cases) {
    const LoaderPaths p(QString::fromLatin1(c.program));
    EXPECT_EQ(p.programIni(), QString::fromLatin1(c.ini)) << c.program;
    EXPECT_EQ(p.recentDevices(QStringLiteral("2207-5130 v2")), QString::fromLatin1(c.dev));
    EXPECT_EQ(p.userIni(), QString::fromLatin1(c.userIni));
  }
  const LoaderPaths p(QStringLiteral("/opt/x/orvane"));
  EXPECT_EQ(p.recentFiles(), QStringLiteral("/opt/x/orvane.mru"));
  EXPECT_EQ(p.deviceDatabase(QStringLiteral("2207-5130 v2")),
            QStringLiteral("/opt/x/devices/2207-5130 v2.dat"));
  EXPECT_EQ(p.placementPicture(QStringLiteral("40pin")),
            QStringLiteral("/opt/x/devices/40pin.bmp"));
}

} // namespace
} // namespace orvane
