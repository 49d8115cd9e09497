#include "DialogFixture.h"

#include <map>
#include <string>

#include "rindle/app/FuseBitTable.h"
#include "rindle/ui/TfrmFuses.h"

namespace rindle::testing {
namespace {

class FuseDialog : public DialogTest {
protected:
  QCheckBox *Box(const char *name) { return Find<QCheckBox>(dlg, name); }
  // The eight captions of a fuse column, bit 7 first.
  QStringList Captions(const char *prefix) {
    QStringList out;
    for (int bit = 7; bit >= 0; --bit)
      out << Box((std::string(prefix) + std::to_string(bit)).c_str())->text();
    return out;
  }
  void Open() {
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  }

  TfrmFuses dlg{engine, prompter};
};

QStringList Names(std::initializer_list<const char *> names) {
  QStringList out;
  for (const char *n : names)
    out << QString::fromLatin1(n);
  return out;
}

TEST_F(FuseDialog, Mega8LowFuseE1ShowsItsBitsAndClosesUnchanged) {
  Select(device::kMega8);
  engine.Fuses.FuseLow = 0xE1;
  Open();
  EXPECT_EQ(Captions("chkLF"), Names({" BODLEVEL", " BODEN", " SUT1", " SUT0", " CKSEL3", " CKSEL2",
                                      " CKSEL1", " CKSEL0"}));
  const std::map<std::string, bool> checked{{"chkLF7", false}, {"chkLF6", false}, {"chkLF5", false},
                                            {"chkLF4", true},  {"chkLF3", true},  {"chkLF2", true},
                                            {"chkLF1", true},  {"chkLF0", false}};
  for (const auto &[name, on] : checked)
    EXPECT_EQ(Box(name.c_str())->isChecked(), on) << name;
  dlg.close();
  EXPECT_EQ(engine.Fuses.FuseLow, 0xE1);
}

TEST_F(FuseDialog, ClickingABoxProgramsThatBitOnly) {
  Select(device::kMega8);
  engine.Fuses.FuseLow = 0xE1;
  Open();
  Click(Box("chkLF6")); // BODEN programmed
  Click(Box("chkLF2")); // CKSEL2 unprogrammed
  dlg.close();
  EXPECT_EQ(engine.Fuses.FuseLow, 0xA5);
}

TEST_F(FuseDialog, SpienIsCheckedAndCannotBeUnprogrammedOnAnAvr) {
  Select(device::kMega8);
  engine.Fuses.FuseHigh = 0xD9;
  Open();
  QCheckBox *spien = Box("chkHF5");
  EXPECT_EQ(spien->text(), QStringLiteral(" SPIEN"));
  EXPECT_TRUE(spien->isChecked());
  EXPECT_FALSE(spien->isEnabled());
  Click(spien);
  EXPECT_TRUE(spien->isChecked());
  dlg.close();
  EXPECT_EQ(engine.Fuses.FuseHigh & 0x20, 0);
  EXPECT_EQ(engine.Fuses.FuseHigh, 0xD9);
}

TEST_F(FuseDialog, Tiny12EmptyColumnsAreWrittenBackAsTheyWere) {
  Select(device::kTiny12);
  engine.Fuses.FuseHigh = 0x5A;
  engine.Fuses.FuseExtended = 0xA5;
  Open();
  for (const char *prefix : {"chkHF", "chkEF"}) {
    EXPECT_EQ(Captions(prefix), QStringList(8, QStringLiteral(" -"))) << prefix;
    for (int bit = 0; bit < 8; ++bit)
      EXPECT_FALSE(Box((prefix + std::to_string(bit)).c_str())->isEnabled()) << prefix << bit;
  }
  dlg.close();
  EXPECT_EQ(engine.Fuses.FuseHigh, 0x5A);
  EXPECT_EQ(engine.Fuses.FuseExtended, 0xA5);
}

TEST_F(FuseDialog, Mega162ThenMega8RelabelsEveryBox) {
  Select(device::kMega162);
  Open();
  EXPECT_EQ(Box("chkEF4")->text(), QStringLiteral(" M161C"));
  dlg.close();
  Select(device::kMega8);
  Open();
  EXPECT_EQ(Captions("chkEF"), QStringList(8, QStringLiteral(" -")));
  EXPECT_EQ(Captions("chkHF"), Names({" RSTDISBL", " WDTON", " SPIEN", " CKOPT", " EESAVE",
                                      " BOOTSZ1", " BOOTSZ0", " BOOTRST"}));
  EXPECT_EQ(Captions("chkLF"), Names({" BODLEVEL", " BODEN", " SUT1", " SUT0", " CKSEL3", " CKSEL2",
                                      " CKSEL1", " CKSEL0"}));
  for (int bit = 0; bit < 8; ++bit)
    EXPECT_FALSE(Box(("chkEF" + std::to_string(bit)).c_str())->isEnabled()) << bit;
  EXPECT_TRUE(Box("chkBL5")->isEnabled());
}

struct LockCase {
  const char *name;
  std::uint16_t lockBits;
  std::uint16_t lockByteShown;
  std::vector<const char *> clicks;
  std::uint16_t lockByteAfter;
  friend void PrintTo(const LockCase &c, std::ostream *out) { *out << c.name; }
};

class FuseDialogLock : public FuseDialog, public ::testing::WithParamInterface<LockCase> {};

TEST_P(FuseDialogLock, LockByteFromLockBitsAndBootLockBoxes) {
  const LockCase &c = GetParam();
  Select(device::kMega16);
  engine.Fuses.LockBits = c.lockBits;
  engine.Fuses.LockByte = c.lockByteShown;
  Open();
  for (const char *name : c.clicks)
    Click(Box(name));
  dlg.close();
  EXPECT_EQ(engine.Fuses.LockByte, c.lockByteAfter);
  EXPECT_EQ(engine.Fuses.LockBits, c.lockBits); // the dialog only reads it
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FuseDialogLock,
    ::testing::Values(LockCase{"BothLockBitsSetClearBitsOneAndZero", 0x03, 0xFF, {}, 0x3C},
                      LockCase{"NothingSetGives3F", 0x00, 0xFF, {}, 0x3F},
                      LockCase{"OnlyLb2", 0x02, 0xFF, {}, 0x3D},
                      LockCase{"Blb12AndBlb01Programmed", 0x00, 0xFF, {"chkBL5", "chkBL2"}, 0x1B},
                      LockCase{"ProgrammedBootLockUnticked", 0x01, 0x00, {"chkBL4"}, 0x12}),
    CaseName());

TEST_F(FuseDialog, At89S8253HasOnlyItsFourLowFusesAndMayChangeSpien) {
  Select(device::kAt89S8253);
  engine.Fuses.FuseLow = 0xFE;
  Open();
  std::vector<std::string> enabled;
  for (QCheckBox *box : dlg.findChildren<QCheckBox *>())
    if (box->isEnabled())
      enabled.push_back(box->objectName().toStdString());
  std::sort(enabled.begin(), enabled.end());
  EXPECT_EQ(enabled, (std::vector<std::string>{"chkLF0", "chkLF1", "chkLF2", "chkLF3"}));
  EXPECT_EQ(Box("chkLF0")->text(), QStringLiteral(" SPIEN"));
  EXPECT_TRUE(Box("chkLF0")->isChecked());
  Click(Box("chkLF0"));
  QTest::keyClick(&dlg, Qt::Key_Escape); // any way of closing applies
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(engine.Fuses.FuseLow, 0xFF);
}

TEST_F(FuseDialog, ApplyingAgainAfterClosingChangesNothing) {
  Select(device::kTiny13);
  engine.Fuses.LockBits = 0x03;
  engine.Fuses.FuseHigh = 0xF0;
  Open();
  Click(Box("chkHF4")); // SELFPRGEN programmed
  dlg.close();
  const FuseState once = engine.Fuses;
  dlg.UpdateConfigFuseBytes();
  EXPECT_EQ(engine.Fuses, once);
  EXPECT_EQ(once.FuseHigh, 0xE0);
  EXPECT_EQ(once.LockByte, 0x3C);
}

TEST_F(FuseDialog, TheBoxesAreOutsideTheTabOrder) {
  Select(device::kMega128);
  Open();
  for (QCheckBox *box : dlg.findChildren<QCheckBox *>())
    EXPECT_FALSE(box->focusPolicy() & Qt::TabFocus) << box->objectName().toStdString();
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral(" Configuration Fuses"));
}

// ---- The table itself ----

const std::vector<std::uint16_t> &FuseDevices() {
  using namespace device;
  static const std::vector<std::uint16_t> all{
      kAt89S8253, kAt90S4433, kMega8,    kMega16,   kMega32,  kMega48,  kMega64,
      kMega88,    kMega128,   kMega162,  kMega164,  kMega165, kMega168, kMega169,
      kMega324,   kMega644,   kMega8515, kMega8535, kTiny12,  kTiny13,  kTiny15,
      kTiny25,    kTiny26,    kTiny45,   kTiny85,   kTiny2313};
  return all;
}

// Every device with fuses has SPIEN exactly once; only the AT89S8253 lets the
// user change it.
TEST(FuseBitTable, SpienIsFixedOnEveryAvr) {
  for (std::uint16_t d : FuseDevices()) {
    const DeviceFuseLayout &l = FuseLayoutFor(d);
    int spiens = 0;
    for (const FuseByteLayout *bits : {&l.low, &l.high, &l.extended})
      for (const FuseBit &bit : *bits)
        if (bit.name == "SPIEN") {
          ++spiens;
          EXPECT_EQ(bit.enabled, d == device::kAt89S8253) << kDeviceList[d].Name();
        }
    EXPECT_EQ(spiens, 1) << kDeviceList[d].Name();
  }
}

TEST(FuseBitTable, EveryNamedBitExceptSpienIsEnabledAndEveryAbsentOneDisabled) {
  for (std::uint16_t d : FuseDevices()) {
    const DeviceFuseLayout &l = FuseLayoutFor(d);
    for (const FuseByteLayout *bits : {&l.low, &l.high, &l.extended})
      for (const FuseBit &bit : *bits) {
        if (!bit.exists()) {
          EXPECT_FALSE(bit.enabled) << kDeviceList[d].Name();
        } else if (bit.name != "SPIEN") {
          EXPECT_TRUE(bit.enabled) << kDeviceList[d].Name() << " " << bit.name;
        }
      }
  }
}

TEST(FuseBitTable, BootLockOnTheMegasBesidesMega48Only) {
  for (std::size_t row = 0; row < kDeviceListRows; ++row) {
    const std::string_view name = kDeviceList[row].Name();
    const bool expected = name.starts_with("MEGA") && name != "MEGA48";
    EXPECT_EQ(FuseLayoutFor(static_cast<std::uint16_t>(row)).bootLockEnabled, expected)
        << "row " << row << " " << name;
  }
}

TEST(FuseBitTable, DevicesWithoutFusesShowNoBits) {
  using namespace device;
  for (std::uint16_t d :
       {kAt89S51, kAt89S8252, kAt90S1200, kAt90S8535, std::uint16_t{5}, std::uint16_t{200}}) {
    const DeviceFuseLayout &l = FuseLayoutFor(d);
    for (const FuseByteLayout *bits : {&l.low, &l.high, &l.extended})
      for (const FuseBit &bit : *bits)
        EXPECT_FALSE(bit.exists() || bit.enabled) << "row " << d;
  }
}

TEST(FuseBitTable, SharedRowsDifferWhereTheChipsDo) {
  using namespace device;
  EXPECT_EQ(FuseLayoutFor(kMega8515).high[7].name, "S8515C");
  EXPECT_EQ(FuseLayoutFor(kMega8535).high[7].name, "S8535C");
  EXPECT_EQ(FuseLayoutFor(kMega165).extended[0].name, "");
  EXPECT_EQ(FuseLayoutFor(kMega169).extended[0].name, "RSTDISBL");
  EXPECT_EQ(FuseLayoutFor(kTiny2313).high[0].name, "RSTDISBL");
  EXPECT_EQ(FuseLayoutFor(kTiny15).low[3].name, "");
  EXPECT_EQ(FuseLayoutFor(kTiny13).low[7].name, "SPIEN");
  EXPECT_EQ(FuseLayoutFor(kTiny26).high[3].name, "SPIEN");
  EXPECT_EQ(FuseLayoutFor(kMega64).extended[1].name, "M103C");
}

} // namespace
} // namespace rindle::testing
