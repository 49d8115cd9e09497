#include "DialogFixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "rindle/ui/TfrmOptions.h"

namespace rindle::testing {
namespace {

using PortKind = common::PortEvent::Kind;

class OptionsDialog : public DialogTest {
protected:
  OptionsDialog() {
    dlg.SetPortDiagnosis([this](quint16 base) {
      asked.push_back(base);
      return QStringLiteral("probe %1").arg(base, 4, 16, QLatin1Char('0'));
    });
  }
  void Open() {
    port.ClearLog();
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  }
  QComboBox *List(const char *name) { return Find<QComboBox>(dlg, name); }
  QCheckBox *Box(const char *name) { return Find<QCheckBox>(dlg, name); }
  QLineEdit *Field(const char *name) { return Find<QLineEdit>(dlg, name); }
  // Chooses a list row with the keyboard, as a user would.
  void Choose(const char *list, int row) {
    QComboBox *c = List(list);
    c->setFocus();
    QTest::keyClick(c, Qt::Key_Home);
    for (int i = 0; i < row; ++i)
      QTest::keyClick(c, Qt::Key_Down);
    ASSERT_EQ(c->currentIndex(), row) << list;
  }
  void Apply() { Click(Find<QPushButton>(dlg, "cmdApply")); }
  std::vector<std::uint8_t> Writes(std::uint16_t address) const { return port.Writes(address); }

  TfrmOptions dlg{engine, prompter};
  std::vector<quint16> asked;
};

TEST_F(OptionsDialog, CustomPortShowsTheStoredAddressAgain) {
  engine.Port.PortBase = 0x2F8;
  Open();
  EXPECT_EQ(List("cbPort")->currentText(), QStringLiteral("Custom"));
  EXPECT_EQ(Field("edtPort")->text(), QStringLiteral("02F8"));
  EXPECT_TRUE(Field("edtPort")->isEnabled());
  Type(Field("edtPort"), QStringLiteral("2e8"));
  EXPECT_EQ(Field("edtPort")->text(), QStringLiteral("2E8"));
  Choose("cbPort", 1);
  EXPECT_EQ(Field("edtPort")->text(), QStringLiteral("0278"));
  EXPECT_FALSE(Field("edtPort")->isEnabled());
  Choose("cbPort", 3);
  EXPECT_EQ(Field("edtPort")->text(), QStringLiteral("02F8"));
  EXPECT_TRUE(Field("edtPort")->isEnabled());
  EXPECT_EQ(engine.Port.PortBase, 0x2F8) << "choosing stores nothing";
}

TEST_F(OptionsDialog, ControlPresetKeepsItsLowNibble) {
  Open();
  Type(Field("edtCtrl"), QStringLiteral("FF"));
  Apply();
  EXPECT_EQ(engine.Port.ControlPortValue, 0x0F);
  EXPECT_EQ(Field("edtCtrl")->text(), QStringLiteral("0F"));
  EXPECT_EQ(Writes(0x37A), (std::vector<std::uint8_t>{0x0F}));
}

TEST_F(OptionsDialog, PinListsStoreTheirMasks) {
  Open();
  Choose("cbSs", 6);
  Choose("cbMiso", 0);
  Choose("cbSck", 0);
  Apply();
  EXPECT_EQ(engine.Port.SsMask, 0x40);
  EXPECT_EQ(engine.Port.MisoMask, 0x08);
  EXPECT_EQ(engine.Port.SckMask, 0x01);
  EXPECT_EQ(List("cbSs")->currentText(), QStringLiteral("D6  (8)"));
  EXPECT_EQ(List("cbMiso")->currentText(), QStringLiteral("I3   (15)"));
}

struct MisoCase {
  const char *name;
  int row;
  bool ticked;
  std::uint16_t misoInvert;
  friend void PrintTo(const MisoCase &c, std::ostream *out) { *out << c.name; }
};

class OptionsMiso : public OptionsDialog, public ::testing::WithParamInterface<MisoCase> {};

TEST_P(OptionsMiso, TickedAlwaysMeansTheDataBitIsTheInverseOfThePin) {
  const MisoCase &c = GetParam();
  Open();
  Choose("cbMiso", c.row);
  if (Box("chkMiso")->isChecked() != c.ticked)
    Click(Box("chkMiso"));
  Apply();
  EXPECT_EQ(engine.Port.MisoInvert, c.misoInvert);
  dlg.close();
  Open();
  EXPECT_EQ(Box("chkMiso")->isChecked(), c.ticked) << "reopened";
  EXPECT_EQ(List("cbMiso")->currentIndex(), c.row);
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionsMiso,
                         ::testing::Values(MisoCase{"I7Unticked", 4, false, 0x80},
                                           MisoCase{"I7Ticked", 4, true, 0x00},
                                           MisoCase{"I6Unticked", 3, false, 0x00},
                                           MisoCase{"I6Ticked", 3, true, 0x40},
                                           MisoCase{"I3Ticked", 0, true, 0x08}),
                         CaseName());

TEST_F(OptionsDialog, InvertedLinesAreFlippedOnThePortOnly) {
  engine.Port.DataPortValue = 0x00;
  Open();
  Click(Box("chkSck"));
  Apply();
  EXPECT_EQ(engine.Port.SckInvert, 0x10);
  EXPECT_EQ(engine.Port.DataPortValue, 0x00);
  EXPECT_EQ(Writes(0x378), (std::vector<std::uint8_t>{0x10}));
  EXPECT_EQ(Writes(0x37A), (std::vector<std::uint8_t>{0x04}));
}

TEST_F(OptionsDialog, ApplyWritesDataBeforeControlAtTheNewPort) {
  Open();
  Choose("cbPort", 2);
  Type(Field("edtData"), QStringLiteral("5a"));
  Apply();
  EXPECT_EQ(engine.Port.PortBase, 0x3BC);
  EXPECT_EQ(engine.Port.DataPortValue, 0x5A);
  std::vector<std::pair<std::uint16_t, std::uint8_t>> outs;
  for (const auto &e : port.Log())
    if (e.kind == PortKind::Out)
      outs.emplace_back(e.port, e.value);
  EXPECT_EQ(outs,
            (std::vector<std::pair<std::uint16_t, std::uint8_t>>{{0x3BC, 0x5A}, {0x3BE, 0x04}}));
  EXPECT_EQ(asked.back(), 0x3BC) << "the line follows the applied port";
  EXPECT_EQ(Find<QLabel>(dlg, "lblPortState")->text(), QStringLiteral("probe 03bc"));
}

TEST_F(OptionsDialog, EmptyDataPresetStopsApplyAfterThePort) {
  Open();
  Choose("cbPort", 1);
  Choose("cbSs", 0);
  Type(Field("edtData"), QString());
  Apply();
  EXPECT_EQ(engine.Port.PortBase, 0x278) << "stored before the field";
  EXPECT_EQ(engine.Port.SsMask, 0x40) << "nothing after it";
  EXPECT_EQ(port.Count(PortKind::Out), 0u);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("'$' is not a valid integer value."));
  EXPECT_EQ(prompter.shown[0].caption, QStringLiteral(" Rindle"));
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(asked.back(), 0x278) << "never blocked by the diagnosis";
}

TEST_F(OptionsDialog, EmptyCustomAddressStopsApplyAtOnce) {
  engine.Port.PortBase = 0x2F8;
  Open();
  Type(Field("edtPort"), QString());
  Type(Field("edtCtrl"), QStringLiteral("03"));
  Apply();
  EXPECT_EQ(engine.Port.PortBase, 0x2F8);
  EXPECT_EQ(engine.Port.ControlPortValue, 0x04);
  EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("'$' is not a valid integer value.")});
}

TEST_F(OptionsDialog, GABlankAndEnterChangeNothing) {
  Open();
  for (const char *name : {"edtData", "edtCtrl"}) {
    QLineEdit *f = Field(name);
    f->setFocus();
    f->setCursorPosition(0);
    QTest::keyClicks(f, QStringLiteral("g "));
    QTest::keyClick(f, Qt::Key_Return);
    EXPECT_EQ(f->text(),
              name == std::string("edtData") ? QStringLiteral("00") : QStringLiteral("04"));
  }
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(port.Count(PortKind::Out), 0u) << "Enter applies nothing";
}

TEST_F(OptionsDialog, ClosingKeepsOnlyTheOptionBoxes) {
  engine.AutoVerify = true;
  const PortSettings before = engine.Port;
  Open();
  Choose("cbRst", 0);
  Click(Box("chkBen"));
  Type(Field("edtData"), QStringLiteral("FF"));
  Click(Box("chkVerify"));
  Click(Box("chkOscE2"));
  dlg.close();
  EXPECT_EQ(engine.Port, before);
  EXPECT_FALSE(engine.AutoVerify);
  EXPECT_TRUE(engine.SaveOscCalToEeprom);
  Open();
  EXPECT_EQ(List("cbRst")->currentText(), QStringLiteral("D7  (9)"));
  EXPECT_FALSE(Box("chkBen")->isChecked());
}

TEST_F(OptionsDialog, DefaultRestoresTheWiringButNotTheOptions) {
  engine.Port.PortBase = 0x2F8;
  engine.Port.SckMask = 0x01;
  engine.Port.SckInvert = 0x01;
  engine.Port.MisoMask = 0x80;
  engine.Port.MisoInvert = 0x00; // ticked
  engine.Port.DataPortValue = 0x33;
  engine.AutoVerify = false;
  Open();
  Click(Box("chkOscFlash"));
  Click(Find<QPushButton>(dlg, "cmdDefault"));
  EXPECT_EQ(Writes(0x378), (std::vector<std::uint8_t>{0x08}));
  EXPECT_EQ(Writes(0x37A), (std::vector<std::uint8_t>{0x04}));
  PortSettings expected;
  expected.DataPortValue = 0x08;
  EXPECT_EQ(engine.Port, expected);
  EXPECT_EQ(List("cbPort")->currentText(), QStringLiteral("LPT1"));
  EXPECT_EQ(Field("edtPort")->text(), QStringLiteral("0378"));
  EXPECT_FALSE(Field("edtPort")->isEnabled());
  EXPECT_EQ(Field("edtData")->text(), QStringLiteral("08"));
  EXPECT_EQ(Field("edtCtrl")->text(), QStringLiteral("04"));
  const std::vector<std::pair<const char *, const char *>> rows{
      {"cbSck", "D4  (6)"}, {"cbMosi", "D5  (7)"}, {"cbRst", "D7  (9)"},
      {"cbBen", "D3  (5)"}, {"cbSs", "D6  (8)"},   {"cbMiso", "I6   (10)"}};
  for (const auto &[list, text] : rows)
    EXPECT_EQ(List(list)->currentText(), QString::fromLatin1(text)) << list;
  for (const char *box : {"chkSck", "chkMosi", "chkRst", "chkBen", "chkSs", "chkMiso"})
    EXPECT_FALSE(Box(box)->isChecked()) << box;
  EXPECT_FALSE(Box("chkVerify")->isChecked()) << "untouched";
  EXPECT_EQ(asked.back(), 0x378);
  dlg.close();
  EXPECT_FALSE(engine.AutoVerify);
  EXPECT_EQ(engine.SaveOscCalToFlash, false) << "ticked off before Default, taken on close";
}

TEST_F(OptionsDialog, AStoredMaskOfNoRowLeavesTheListAsItWas) {
  engine.Port.BenMask = 0x100;
  Open();
  EXPECT_EQ(List("cbBen")->currentIndex(), -1);
  Apply();
  EXPECT_EQ(engine.Port.BenMask, 0x100) << "no row, no change";
  EXPECT_EQ(asked.front(), 0x378) << "the line is filled when the dialog opens";
}

// Letters other than hex digits pick no row of a drop-down list, closed or
// open; the arrow keys still walk it.
TEST_F(OptionsDialog, LettersDoNotPickListRows) {
  Open();
  Choose("cbMiso", 4); // I7
  QComboBox *miso = List("cbMiso");
  for (const char *typed : {"i", "I", "x"}) {
    QTest::keyClicks(miso, QString::fromLatin1(typed));
    EXPECT_EQ(miso->currentIndex(), 4) << "closed, typed " << typed;
  }
  QTest::keyClick(miso, Qt::Key_F4); // opens the list
  QAbstractItemView *open = miso->view();
  ASSERT_TRUE(QTest::qWaitFor([open] { return open->isVisible(); }));
  QTest::keyClicks(open, QStringLiteral("i"));
  EXPECT_EQ(open->currentIndex().row(), 4) << "open";
  QTest::keyClick(open, Qt::Key_Up);
  QTest::keyClick(open, Qt::Key_Return);
  EXPECT_FALSE(open->isVisible());
  EXPECT_EQ(miso->currentIndex(), 3) << "Enter takes the row walked to";
  Apply();
  EXPECT_EQ(engine.Port.MisoMask, 0x40);
}

} // namespace
} // namespace rindle::testing
