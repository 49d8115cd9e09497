#include "SettingsTestSupport.h"

#include "rindle/engine/Settings.h"

#include <QFileInfo>

using namespace rindle::testing;
using rindle::FuseState;
using rindle::settings::FuseDatabaseName;

using FuseDatabase = EngineTest;

TEST_F(FuseDatabase, ReplacesOnlyTheExtensionOfTheFileName) {
  const struct {
    const char *program, *database;
  } cases[] = {
      {"/projects/blink.hex", "/projects/blink.fdb"},
      {"/projects/blink.HEX", "/projects/blink.fdb"},
      {"/projects/blink.tar.rom", "/projects/blink.tar.fdb"},
      {"/projects/blink", "/projects/blink.fdb"},           // no extension: appended
      {"/projects/v1.2/blink", "/projects/v1.2/blink.fdb"}, // a dot in a folder is not one
      {"/projects/v1.2/blink.bin", "/projects/v1.2/blink.fdb"},
      {"blink.hex", "blink.fdb"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(FuseDatabaseName(c.program), c.database) << c.program;
}

TEST_F(FuseDatabase, SavedBesideTheProgramFileAsSixLines) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("v1.2"));
  const struct {
    QString program, database;
  } cases[] = {
      {path("blink.hex"), path("blink.fdb")},
      {path("v1.2/blink"), path("v1.2/blink.fdb")},
  };
  for (const auto &c : cases) {
    auto e = newEngine();
    e->Fuses = {5, 0xE1, 0xD9, 0xFD, 0xFC};
    e->EepromFileName = path("blink.eep");
    e->ProgramFileName = c.program;
    e->SaveFuseDatabase();
    EXPECT_EQ(ReadAll(c.database),
              CrLf({"5", "225", "217", "253", "252", path("blink.eep").toUtf8()}))
        << c.program.toStdString();
  }
  EXPECT_FALSE(QFileInfo::exists(path("v1.fdb")));
  EXPECT_FALSE(QFileInfo::exists(path(".fdb")));
}

TEST_F(FuseDatabase, LoadBringsBackFusesAndTheEepromFile) {
  WriteAll(path("blink.hex"), "");
  WriteAll(path("data.bin"), "\x42\x43");
  WriteAll(path("blink.fdb"), CrLf({"1", "98", "223", "249", "252", path("data.bin").toUtf8()}));
  auto e = newEngine();
  e->Device.FlashSize = 4096;
  e->ProgramFileName = path("blink.hex");
  e->ResultText = "OK";
  e->LoadFuseDatabase();
  EXPECT_EQ(e->Fuses, (FuseState{1, 98, 223, 249, 252}));
  EXPECT_EQ(e->EepromFileName, path("data.bin"));
  EXPECT_EQ(e->Buffer.cells[4096], 0x42);
  EXPECT_EQ(e->Buffer.cells[4097], 0x43);
  EXPECT_EQ(e->ResultText, "OK");
}

TEST_F(FuseDatabase, AMissingEepromFileKeepsItsName) {
  WriteAll(path("blink.fdb"), CrLf({"0", "255", "255", "255", "255", path("gone.eep").toUtf8()}));
  auto e = newEngine();
  e->ProgramFileName = path("blink.hex");
  e->LoadFuseDatabase();
  EXPECT_EQ(e->EepromFileName, path("gone.eep"));
  EXPECT_TRUE(std::ranges::all_of(e->Buffer.cells, [](auto c) { return c == 0xFF; }));
}

TEST_F(FuseDatabase, NothingHappensWithoutAProgramFileOrADatabase) {
  for (const QString &program : {QString(), path("nodb.hex")}) {
    auto e = newEngine();
    e->Fuses = {1, 2, 3, 4, 5};
    e->EepromFileName = "keep.eep";
    e->ProgramFileName = program;
    e->LoadFuseDatabase();
    EXPECT_EQ(e->Fuses, (FuseState{1, 2, 3, 4, 5}));
    EXPECT_EQ(e->EepromFileName, "keep.eep");
    e->ProgramFileName.clear();
    e->SaveFuseDatabase();
  }
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(FuseDatabase, AProgramFileNamedFdbIsNeverOverwritten) {
  WriteAll(path("image.fdb"), "program data");
  auto e = newEngine();
  e->ProgramFileName = path("image.fdb");
  e->SaveFuseDatabase();
  e->LoadFuseDatabase();
  EXPECT_EQ(ReadAll(path("image.fdb")), "program data");
  EXPECT_EQ(e->Fuses, FuseState{});
  EXPECT_TRUE(e->ResultText.isEmpty());
}

TEST_F(FuseDatabase, ADamagedDatabaseChangesNothing) {
  const struct {
    std::vector<QByteArray> lines;
    QString why;
  } cases[] = {
      {{"0", "255", "zz", "255", "255", "x.eep"}, "Line 3: 'zz' is not a valid integer value"},
      {{"0", "255", "255"}, "The file ends before line 4"},
      {{"0", "65536", "255", "255", "255", "x.eep"}, "Line 2: 65536 is out of range"},
      {{"", "255", "255", "255", "255", "x.eep"}, "Line 1: '' is not a valid integer value"},
  };
  for (const auto &c : cases) {
    WriteAll(path("p.fdb"), CrLf(c.lines));
    auto e = newEngine();
    e->ProgramFileName = path("p.hex");
    e->EepromFileName = "before.eep";
    e->LoadFuseDatabase();
    EXPECT_EQ(e->ResultText, "Fuse database error . . .\r" + c.why);
    EXPECT_EQ(e->Fuses, FuseState{});
    EXPECT_EQ(e->EepromFileName, "before.eep");
  }
}

TEST_F(FuseDatabase, FiveLinesMeanNoEepromFile) {
  WriteAll(path("p.fdb"), CrLf({"7", "1", "2", "3", "4"}));
  auto e = newEngine();
  e->ProgramFileName = path("p.hex");
  e->EepromFileName = "before.eep";
  e->LoadFuseDatabase();
  EXPECT_EQ(e->Fuses, (FuseState{7, 1, 2, 3, 4}));
  EXPECT_TRUE(e->EepromFileName.isEmpty());
}
