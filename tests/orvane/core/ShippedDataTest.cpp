#include "orvane/core/DeviceDatabase.h"
#include "orvane/core/IniFile.h"
#include "orvane/core/LoaderSettings.h"

#include "TestFiles.h"
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// The files the build puts beside the programs, read the way the loader
// reads them.
QString shipped(const QString &name) { return QStringLiteral(SUITE_BIN_DIR "/") + name; }

TEST(ShippedData, CatalogueListsThreeModelsWithDatabasesAndPictures) {
  LoaderSettings st;
  st.ReadProgramIni(shipped(QStringLiteral("orvane.ini")));
  EXPECT_EQ(st.FunctionIndex, 7);
  ASSERT_EQ(st.ModelCount, 3);
  EXPECT_EQ(st.GetModelName(0), QStringLiteral("2207-5130 v2"));

  const LoaderPaths paths(shipped(QStringLiteral("orvane")));
  QStringList seen;
  for (int i = 0; i < st.ModelCount; ++i) {
    st.programmerModel = st.GetModelName(i);
    SCOPED_TRACE(st.programmerModel.toStdString());
    ASSERT_FALSE(st.programmerModel.isEmpty());
    EXPECT_FALSE(seen.contains(st.programmerModel));
    seen << st.programmerModel;
    EXPECT_FALSE(st.ReadModelValue(QStringLiteral("Name")).isEmpty());
    EXPECT_FALSE(st.ReadModelValue(QStringLiteral("ID")).isEmpty());
    int speed = 0;
    EXPECT_TRUE(IniFile::parseInteger(st.ReadModelValue(QStringLiteral("comSpeed")), &speed));
    EXPECT_GT(speed, 0);
    EXPECT_EQ(st.ReadModelValue(QStringLiteral("Algorithm")), QStringLiteral("1"));

    DeviceDatabase db;
    QString error;
    ASSERT_TRUE(db.LoadDeviceDatabase(paths.deviceDatabase(st.programmerModel), &error))
        << error.toStdString();
    EXPECT_GE(db.allRows().size(), 4u);
    EXPECT_EQ(db.fieldNames(), (QStringList{"Device", "Manufacturer", "Flash", "EEPROM", "Type",
                                            "Algorithm", "Placement"}));
    QStringList names;
    for (const DeviceRecord &r : db.allRows()) {
      ASSERT_TRUE(r.Device && r.Flash && r.EEPROM && r.Type && r.Placement);
      EXPECT_FALSE(names.contains(*r.Device, Qt::CaseInsensitive)) << r.Device->toStdString();
      names << *r.Device;
      EXPECT_GT(*r.Flash, 0);
      EXPECT_LE(*r.Flash, 65536);
      EXPECT_GE(*r.EEPROM, 0);
      EXPECT_FALSE(r.Device->contains(QLatin1Char('/')));
      const QImage picture(paths.placementPicture(*r.Placement));
      EXPECT_FALSE(picture.isNull()) << r.Placement->toStdString();
    }
  }
}

TEST(ShippedData, DefaultModelHasTheCommonChips) {
  DeviceDatabase db;
  ASSERT_TRUE(db.LoadDeviceDatabase(shipped(QStringLiteral("devices/2207-5130 v2.dat"))));
  db.setFilterEquals(QStringLiteral("at89s52"));
  ASSERT_NE(db.currentRow(), nullptr);
  EXPECT_EQ(db.currentRow()->Flash, 8192);
  db.setFilterEquals(QStringLiteral("AT89S8253"));
  ASSERT_NE(db.currentRow(), nullptr);
  EXPECT_EQ(db.currentRow()->EEPROM, 2048);
  db.setFilterEquals(QStringLiteral("AT89C2051"));
  ASSERT_NE(db.currentRow(), nullptr);
  EXPECT_EQ(db.currentRow()->Placement, QStringLiteral("20pin"));
}

} // namespace
} // namespace orvane
