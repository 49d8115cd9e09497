#include "DialogFixture.h"

#include <QDir>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QToolButton>
#include <QWheelEvent>

#include "rindle/app/BufferDialogs.h"
#include "isp/core/FileCommands.h"
#include "rindle/ui/TfrmDispBuf.h"
#include "rindle/ui/TfrmEditBuffer.h"
#include "rindle/ui/TfrmFillBuffer.h"

namespace rindle::testing {
namespace {

using Icon = common::Prompter::Icon;
using Kind = common::ScriptedPrompter::Shown::Kind;

// The display dialog with its fill and edit dialogs, wired as the main window
// wires them; the main window's checksum field and file names are played by
// `shownChecksum` and the engine's names.
class BufferDialogs : public DialogTest {
protected:
  BufferDialogs() {
    disp.SetBufferDialogs(fill, edit);
    // As the file commands do on the main window's behalf.
    QObject::connect(&disp, &TfrmDispBuf::bufferEdited, [this] {
      if (EditLeftTheFiles(true, engine.BufferChecksum(), shownChecksum)) {
        engine.ProgramFileName.clear();
        engine.EepromFileName.clear();
        shownChecksum = engine.Checksum;
      }
    });
  }
  void Open(std::uint16_t device) {
    Select(device);
    shownChecksum = engine.BufferChecksum();
    engine.ProgramFileName = QDir::tempPath() + QStringLiteral("/blink.hex");
    engine.EepromFileName = QDir::tempPath() + QStringLiteral("/blink.eep");
    disp.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&disp));
  }
  QScrollBar *Bar() { return Find<QScrollBar>(disp, "ScrollBar1"); }
  QTableWidget *Grid() { return Find<QTableWidget>(disp, "strGrid"); }
  QString Cell(int row, int column) { return Grid()->item(row, column)->text(); }
  std::int32_t Total() const { return BufferTotal(engine); }
  std::uint8_t &Byte(std::int32_t address) {
    return engine.Buffer.all()[static_cast<std::size_t>(address)];
  }
  // Opens the fill dialog from its button and types the three fields.
  void FillWith(const QString &start, const QString &end, const QString &data) {
    WhenModal([=](QDialog &d) {
      Type(Find<QLineEdit>(d, "edtStart"), start);
      Type(Find<QLineEdit>(d, "edtEnd"), end);
      Type(Find<QLineEdit>(d, "edtData"), data);
      Click(Find<QPushButton>(d, "btnOK"));
      EXPECT_FALSE(d.isVisible()) << "OK always closes";
    });
    Click(Find<QPushButton>(disp, "cmdFillBuffer"));
  }
  void EditWith(std::function<void(QDialog &)> script) {
    WhenModal(std::move(script));
    Click(Find<QPushButton>(disp, "cmdEdit"));
  }

  TfrmFillBuffer fill{engine, prompter};
  TfrmEditBuffer edit{engine, prompter};
  TfrmDispBuf disp{engine, prompter};
  std::int32_t shownChecksum = 0;
};

// ---- Display ----

TEST_F(BufferDialogs, At89S51ScrollsToItsLastRow) {
  Byte(0xFFF) = 0x5A;
  Open(device::kAt89S51);
  EXPECT_EQ(Bar()->maximum(), 240);
  EXPECT_EQ(Bar()->pageStep(), 16);
  QTest::keyClick(Bar(), Qt::Key_End);
  EXPECT_EQ(Bar()->value(), 240);
  EXPECT_EQ(Cell(16, 0), QStringLiteral(" 00FF0"));
  EXPECT_EQ(Cell(16, 16), QStringLiteral("5A"));
  EXPECT_EQ(Cell(1, 0), QStringLiteral(" 00F00"));
}

// The keyboard scrolls the table from the moment it opens: the arrows by a
// row, the page keys by 16 rows, also while a button has the focus.
TEST_F(BufferDialogs, KeysScrollByARowAndByAPage) {
  Open(device::kMega8);
  Bar()->setValue(0);
  ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &disp; }));
  const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
  EXPECT_EQ(QApplication::focusWidget(), Bar()) << "the scroll bar has the focus";
  press(Qt::Key_PageDown);
  EXPECT_EQ(Bar()->value(), 16);
  EXPECT_EQ(Cell(1, 0), QStringLiteral(" 00100"));
  press(Qt::Key_Down);
  EXPECT_EQ(Bar()->value(), 17);
  press(Qt::Key_PageUp);
  EXPECT_EQ(Bar()->value(), 1);
  press(Qt::Key_Up);
  EXPECT_EQ(Bar()->value(), 0);
  Find<QPushButton>(disp, "cmdEdit")->setFocus();
  press(Qt::Key_PageDown);
  press(Qt::Key_PageDown);
  EXPECT_EQ(Bar()->value(), 32) << "page keys from a button";
  EXPECT_EQ(Cell(1, 0), QStringLiteral(" 00200"));
}

TEST_F(BufferDialogs, PositionThreeShowsRows30To120) {
  Byte(0x30) = 0x12;
  Byte(0x12F) = 0x00;
  Open(device::kMega8);
  for (int i = 0; i < 3; ++i)
    QTest::keyClick(Bar(), Qt::Key_Down);
  EXPECT_EQ(Cell(1, 0), QStringLiteral(" 00030"));
  EXPECT_EQ(Cell(16, 0), QStringLiteral(" 00120"));
  EXPECT_EQ(Cell(1, 1), QStringLiteral("12"));
  EXPECT_EQ(Cell(16, 16), QStringLiteral("00"));
  EXPECT_EQ(Cell(16, 15), QStringLiteral("FF"));
  EXPECT_EQ(Cell(0, 1), QStringLiteral("00"));
  EXPECT_EQ(Cell(0, 16), QStringLiteral("0F"));
  EXPECT_EQ(Cell(0, 0), QString());
}

TEST_F(BufferDialogs, PositionIsKeptAndLoweredToASmallerDevice) {
  Open(device::kMega128);
  EXPECT_EQ(Bar()->maximum(), (131072 + 4096 - 256) / 16);
  Bar()->setValue(1000);
  disp.hide();
  Open(device::kMega8);
  EXPECT_EQ(Bar()->value(), (8192 + 512 - 256) / 16) << "lowered to the maximum";
  Bar()->setValue(7);
  disp.hide();
  Open(device::kMega16);
  EXPECT_EQ(Bar()->value(), 7);
  EXPECT_EQ(Cell(1, 0), QStringLiteral(" 00070"));
}

TEST_F(BufferDialogs, TheWheelOverTheTableMovesTheScrollBar) {
  Open(device::kMega8);
  QWidget *viewport = Grid()->viewport();
  const QPointF at = QPointF(viewport->rect().center());
  auto wheel = [&](int delta) {
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
  };
  wheel(-120); // towards the user: further into the buffer
  EXPECT_EQ(Bar()->value(), 3);
  EXPECT_EQ(Cell(1, 0), QStringLiteral(" 00030"));
  wheel(240);
  EXPECT_EQ(Bar()->value(), 0) << "stops at the top";
}

TEST_F(BufferDialogs, SmallestDevicesScrollTo52) {
  Open(device::kTiny13);
  EXPECT_EQ(Bar()->maximum(), 52);
}

TEST_F(BufferDialogs, ClearEepromAsksNothingWithoutEeprom) {
  Open(device::kAt89S51);
  QSignalSpy cleared(&disp, &TfrmDispBuf::eepromCleared);
  Click(Find<QPushButton>(disp, "cmdClrE2"));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(cleared.count(), 0);
  EXPECT_EQ(engine.EepromFileName, QDir::tempPath() + QStringLiteral("/blink.eep"));
}

TEST_F(BufferDialogs, ClearEepromClearsOnlyTheEepromAndItsName) {
  Byte(0x1FFF) = 0x11; // last flash cell of a MEGA8
  Byte(0x2000) = 0x22;
  Byte(0x21FF) = 0x33;
  Open(device::kMega8);
  prompter.answers = {true};
  Click(Find<QPushButton>(disp, "cmdClrE2"));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("Confirm"));
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("Clear EEPROM Data Buffer?"));
  EXPECT_EQ(Byte(0x1FFF), 0x11);
  EXPECT_EQ(Byte(0x2000), 0xFF);
  EXPECT_EQ(Byte(0x21FF), 0xFF);
  EXPECT_TRUE(engine.EepromFileName.isEmpty());
  EXPECT_FALSE(engine.ProgramFileName.isEmpty());
}

TEST_F(BufferDialogs, ClearFlashOnlyAfterYes) {
  Byte(0) = 0x00;
  Byte(0x2000) = 0x22; // EEPROM of a MEGA8
  Open(device::kMega8);
  EXPECT_EQ(Cell(1, 1), QStringLiteral("00"));
  QSignalSpy cleared(&disp, &TfrmDispBuf::flashCleared);
  prompter.answers = {false, true};
  Click(Find<QPushButton>(disp, "cmdClrFlash"));
  EXPECT_EQ(Byte(0), 0x00);
  EXPECT_EQ(cleared.count(), 0);
  Click(Find<QPushButton>(disp, "cmdClrFlash"));
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].kind, Kind::Question);
  EXPECT_EQ(prompter.shown[1].text, QStringLiteral("Clear FLASH Data Buffer?"));
  EXPECT_TRUE(prompter.shown[1].defaultYes);
  EXPECT_EQ(Byte(0), 0xFF);
  EXPECT_EQ(Byte(0x2000), 0x22);
  EXPECT_EQ(Cell(1, 1), QStringLiteral("FF")) << "redrawn";
  EXPECT_EQ(cleared.count(), 1);
  EXPECT_EQ(engine.Checksum, 0x1FE000) << "8192 blank bytes";
  EXPECT_TRUE(engine.ProgramFileName.isEmpty());
  EXPECT_FALSE(engine.EepromFileName.isEmpty());
}

// ---- Fill ----

TEST_F(BufferDialogs, FillDialogIsPresetForTheDevice) {
  Byte(0) = 0x42;
  Open(device::kMega8);
  WhenModal([](QDialog &d) {
    EXPECT_EQ(d.windowTitle(), QStringLiteral("  Fill  Buffer"));
    EXPECT_EQ(Find<QLineEdit>(d, "edtStart")->text(), QStringLiteral("00000"));
    EXPECT_EQ(Find<QLineEdit>(d, "edtEnd")->text(), QStringLiteral("021FF"));
    EXPECT_EQ(Find<QLineEdit>(d, "edtData")->text(), QStringLiteral("FF"));
    Click(Find<QPushButton>(d, "btnCancel"));
    EXPECT_FALSE(d.isVisible());
  });
  Click(Find<QPushButton>(disp, "cmdFillBuffer"));
  EXPECT_EQ(Byte(0), 0x42);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(BufferDialogs, FillingEverythingWithZeroDropsTheFileNames) {
  Open(device::kTiny13);
  QSignalSpy edited(&disp, &TfrmDispBuf::bufferEdited);
  FillWith(QStringLiteral("0"), QStringLiteral("43f"), QStringLiteral("00"));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(edited.count(), 1);
  for (std::int32_t a = 0; a < Total(); ++a)
    ASSERT_EQ(Byte(a), 0x00) << a;
  EXPECT_EQ(Byte(Total()), 0xFF) << "nothing past the EEPROM";
  EXPECT_EQ(shownChecksum, 0);
  EXPECT_TRUE(engine.ProgramFileName.isEmpty());
  EXPECT_TRUE(engine.EepromFileName.isEmpty());
  EXPECT_EQ(Cell(1, 1), QStringLiteral("00"));
}

struct RefusedFill {
  const char *name;
  const char *start, *end, *data;
  const char *message;
  Icon icon;
  friend void PrintTo(const RefusedFill &c, std::ostream *out) { *out << c.name; }
};

class FillRefused : public BufferDialogs, public ::testing::WithParamInterface<RefusedFill> {};

TEST_P(FillRefused, ChangesNothing) {
  const RefusedFill &c = GetParam();
  Open(device::kTiny13); // total 0x440
  QSignalSpy edited(&disp, &TfrmDispBuf::bufferEdited);
  FillWith(QString::fromLatin1(c.start), QString::fromLatin1(c.end), QString::fromLatin1(c.data));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("FILL BUFFER"));
  EXPECT_EQ(prompter.shown[0].text, QString::fromLatin1(c.message));
  EXPECT_EQ(prompter.shown[0].icon, c.icon);
  EXPECT_EQ(edited.count(), 0);
  for (std::int32_t a = 0; a < Total(); ++a)
    ASSERT_EQ(Byte(a), 0xFF) << a;
  EXPECT_FALSE(engine.ProgramFileName.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FillRefused,
    ::testing::Values(
        RefusedFill{"EndAtTotal", "0", "440", "00", "Error Address Out of Range", Icon::Warning},
        RefusedFill{"StartAtTotal", "440", "441", "00", "Error Address Out of Range",
                    Icon::Warning},
        RefusedFill{"EndBelowStart", "10", "0F", "00", "Error End Address less than Start Address",
                    Icon::Warning},
        RefusedFill{"EmptyData", "0", "10", "", "Invalid Hex Data Input", Icon::Error},
        RefusedFill{"EmptyStart", "", "10", "00", "Invalid Hex Data Input", Icon::Error}),
    CaseName());

TEST_F(BufferDialogs, FillFieldsTakeOnlyHexDigitsInUpperCase) {
  Open(device::kMega8);
  WhenModal([](QDialog &d) {
    QLineEdit *start = Find<QLineEdit>(d, "edtStart");
    Type(start, QStringLiteral("1g 2x"));
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible()) << "Enter does nothing";
    EXPECT_EQ(start->text(), QStringLiteral("12"));
    QLineEdit *data = Find<QLineEdit>(d, "edtData");
    Type(data, QStringLiteral("abc"));
    EXPECT_EQ(data->text(), QStringLiteral("AB"));
    Click(Find<QPushButton>(d, "btnCancel"));
  });
  Click(Find<QPushButton>(disp, "cmdFillBuffer"));
  EXPECT_EQ(Byte(0x12), 0xFF);
}

// ---- Edit ----

TEST_F(BufferDialogs, EditIsPresetWithTheFirstByte) {
  Byte(0) = 0x3C;
  Open(device::kMega8);
  EditWith([](QDialog &d) {
    EXPECT_EQ(d.windowTitle(), QStringLiteral("  Edit Buffer"));
    EXPECT_EQ(Find<QLineEdit>(d, "edtAdr")->text(), QStringLiteral("00000"));
    EXPECT_EQ(Find<QLineEdit>(d, "edtData")->text(), QStringLiteral("3C"));
  });
}

TEST_F(BufferDialogs, SteppingWrapsAroundBothWays) {
  Open(device::kTiny13); // last cell 0x43F
  Byte(0x43F) = 0x77;
  EditWith([this](QDialog &d) {
    QLineEdit *adr = Find<QLineEdit>(d, "edtAdr");
    QLineEdit *data = Find<QLineEdit>(d, "edtData");
    Type(adr, QStringLiteral("43F"));
    QTest::keyClick(adr, Qt::Key_Return);
    EXPECT_EQ(adr->text(), QStringLiteral("0043F"));
    EXPECT_EQ(data->text(), QStringLiteral("77"));
    Type(data, QStringLiteral("a5"));
    Click(Find<QToolButton>(d, "sbtInc"));
    EXPECT_EQ(Byte(0x43F), 0xA5);
    EXPECT_EQ(adr->text(), QStringLiteral("00000"));
    EXPECT_EQ(data->text(), QStringLiteral("FF"));
    EXPECT_EQ(data->selectedText(), QStringLiteral("FF"));
    Click(Find<QToolButton>(d, "sbtDec"));
    EXPECT_EQ(adr->text(), QStringLiteral("0043F"));
    EXPECT_EQ(data->text(), QStringLiteral("A5"));
    EXPECT_EQ(Byte(0), 0xFF) << "stepping stores only what differs";
    EXPECT_TRUE(d.isVisible());
  });
}

TEST_F(BufferDialogs, EnterInTheDataFieldStoresAndMovesOn) {
  Open(device::kMega8);
  QSignalSpy edited(&disp, &TfrmDispBuf::bufferEdited);
  EditWith([](QDialog &d) {
    QLineEdit *adr = Find<QLineEdit>(d, "edtAdr");
    QLineEdit *data = Find<QLineEdit>(d, "edtData");
    Type(adr, QStringLiteral("100"));
    QTest::keyClick(adr, Qt::Key_Return);
    data->setFocus();
    for (const char *value : {"12", "34", "56"}) {
      data->selectAll();
      QTest::keyClicks(data, QString::fromLatin1(value));
      QTest::keyClick(data, Qt::Key_Return);
    }
    EXPECT_EQ(adr->text(), QStringLiteral("00103"));
    EXPECT_TRUE(d.isVisible());
  });
  EXPECT_EQ(Byte(0x100), 0x12);
  EXPECT_EQ(Byte(0x101), 0x34);
  EXPECT_EQ(Byte(0x102), 0x56);
  EXPECT_EQ(edited.count(), 1);
  EXPECT_TRUE(engine.ProgramFileName.isEmpty()) << "flash changed: the names go";
  EXPECT_EQ(shownChecksum, engine.BufferChecksum());
}

TEST_F(BufferDialogs, EditingTheEepromKeepsBothNames) {
  Open(device::kMega8);
  QSignalSpy edited(&disp, &TfrmDispBuf::bufferEdited);
  EditWith([](QDialog &d) {
    Type(Find<QLineEdit>(d, "edtAdr"), QStringLiteral("2010"));
    Type(Find<QLineEdit>(d, "edtData"), QStringLiteral("00"));
    Click(Find<QPushButton>(d, "btnOK"));
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_EQ(Byte(0x2010), 0x00);
  EXPECT_EQ(edited.count(), 1);
  EXPECT_EQ(engine.ProgramFileName, QDir::tempPath() + QStringLiteral("/blink.hex"));
  EXPECT_EQ(engine.EepromFileName, QDir::tempPath() + QStringLiteral("/blink.eep"));
}

TEST_F(BufferDialogs, StoringTheSameByteIsNoEdit) {
  Byte(5) = 0x99;
  Open(device::kMega8);
  QSignalSpy edited(&disp, &TfrmDispBuf::bufferEdited);
  EditWith([](QDialog &d) {
    Type(Find<QLineEdit>(d, "edtAdr"), QStringLiteral("5"));
    Type(Find<QLineEdit>(d, "edtData"), QStringLiteral("99"));
    Click(Find<QPushButton>(d, "btnOK"));
  });
  EXPECT_EQ(edited.count(), 0);
  EXPECT_FALSE(engine.ProgramFileName.isEmpty());
}

TEST_F(BufferDialogs, EmptyDataAndOkShowsInvalidInputAndCloses) {
  Open(device::kMega8);
  EditWith([](QDialog &d) {
    Type(Find<QLineEdit>(d, "edtData"), QString());
    Click(Find<QPushButton>(d, "btnOK"));
    EXPECT_FALSE(d.isVisible());
  });
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("EDIT BUFFER"));
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("Invalid Hex Data Input"));
  EXPECT_EQ(prompter.shown[0].icon, Icon::Error);
  EXPECT_EQ(Byte(0), 0xFF);
}

TEST_F(BufferDialogs, StepPastTheEndIsRefusedAndStaysOpen) {
  Open(device::kTiny13);
  EditWith([](QDialog &d) {
    Type(Find<QLineEdit>(d, "edtAdr"), QStringLiteral("440"));
    Type(Find<QLineEdit>(d, "edtData"), QStringLiteral("00"));
    Click(Find<QToolButton>(d, "sbtInc"));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(Find<QLineEdit>(d, "edtAdr")->text(), QStringLiteral("440"));
  });
  ASSERT_EQ(prompter.messages(), QStringList{QStringLiteral("Error Address Out of Range")});
  EXPECT_EQ(prompter.shown[0].icon, Icon::Warning);
  EXPECT_EQ(Byte(0x440), 0xFF);
}

TEST_F(BufferDialogs, EnterOnAnAddressPastTheEndClosesTheDialog) {
  Open(device::kTiny13);
  bool closed = false;
  EditWith([&closed](QDialog &d) {
    QLineEdit *adr = Find<QLineEdit>(d, "edtAdr");
    Type(adr, QStringLiteral("440"));
    QTest::keyClick(adr, Qt::Key_Return);
    closed = !d.isVisible();
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Error Address Out of Range")});
}

TEST_F(BufferDialogs, EnterOnAnEmptyAddressShowsTheGeneralErrorBoxAndStaysOpen) {
  Open(device::kTiny13);
  EditWith([](QDialog &d) {
    QLineEdit *adr = Find<QLineEdit>(d, "edtAdr");
    Type(adr, QString());
    QTest::keyClick(adr, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
  });
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("'$' is not a valid integer value."));
  EXPECT_EQ(prompter.shown[0].caption, QStringLiteral(" Rindle"));
  EXPECT_EQ(prompter.shown[0].icon, Icon::Error);
}

TEST_F(BufferDialogs, TypingGABlankOrEnterInTheEditFieldsChangesNothing) {
  Byte(0) = 0x3C;
  Open(device::kMega8);
  EditWith([](QDialog &d) {
    QLineEdit *adr = Find<QLineEdit>(d, "edtAdr");
    QLineEdit *data = Find<QLineEdit>(d, "edtData");
    adr->setFocus();
    adr->setCursorPosition(5);
    QTest::keyClicks(adr, QStringLiteral("g "));
    EXPECT_EQ(adr->text(), QStringLiteral("00000"));
    QTest::keyClick(adr, Qt::Key_Return); // goes to the same address again
    EXPECT_EQ(adr->text(), QStringLiteral("00000"));
    EXPECT_EQ(data->text(), QStringLiteral("3C"));
    data->setFocus();
    data->setCursorPosition(2);
    QTest::keyClicks(data, QStringLiteral("g "));
    EXPECT_EQ(data->text(), QStringLiteral("3C"));
    EXPECT_TRUE(d.isVisible());
  });
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(Byte(0), 0x3C);
}

} // namespace
} // namespace rindle::testing
