#include "HexFixtures.h"

#include "orvane/hexview/HexViewError.h"

#include <QFileInfo>
#include <QWheelEvent>

#include <functional>

namespace orvane::hexview {
namespace {

using testing::EditorTest;
using testing::errorOf;

constexpr int kRowBytes = 10;

TEST_F(EditorTest, LoadingSixtyFourKilobytes) {
  load(testing::countingBytes(65536));
  EXPECT_EQ(editor->DataSize(), 65536);
  EXPECT_EQ(editor->state().rowCount(), 6554);
  EXPECT_EQ(editor->DataSize() - editor->state().rowStart(6553), 6) << "the last row holds 6";
  EXPECT_EQ(caret(), (Caret{0, Pane::Hex, false}));
  EXPECT_EQ(editor->SelectionCount(), 0);
  EXPECT_FALSE(editor->model().modified());
  for (qint64 p = 0; p < editor->DataSize(); ++p)
    ASSERT_FALSE(editor->model().isChanged(p)) << p;
  // Four digits and the prefix: "0x0000" to "0xFFFA", six characters wide.
  EXPECT_EQ(editor->layout().offsetWidth(), (6 + 1) * editor->layout().charWidth() + 21);
  key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(caret().position, 65535);
  EXPECT_EQ(editor->state().topRow(), 6554 - kRowsInView);
}

TEST_F(EditorTest, OffsetColumnWidensWhenTheDataGrows) {
  load(testing::countingBytes(65536));
  const int w = editor->layout().charWidth();
  key(Qt::Key_Insert);
  key(Qt::Key_End, Qt::ControlModifier);
  type("0102030405");
  EXPECT_EQ(editor->DataSize(), 65541);
  EXPECT_EQ(editor->layout().offsetWidth(), (7 + 1) * w + 21) << "0x10004 needs five digits";
  key(Qt::Key_Backspace);
  key(Qt::Key_Backspace);
  EXPECT_EQ(editor->DataSize(), 65539);
  EXPECT_EQ(editor->layout().offsetWidth(), (6 + 1) * w + 21);
}

TEST_F(EditorTest, EmptyControlShowsOneRow) {
  EXPECT_EQ(editor->DataSize(), 0);
  EXPECT_EQ(editor->state().rowCount(), 1);
  type("12");
  key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(editor->DataSize(), 0);
  key(Qt::Key_Insert);
  EXPECT_EQ(editor->state().rowCount(), 1);
  type("7");
  EXPECT_EQ(editor->DataSize(), 1);
  EXPECT_EQ(byteAt(0), 0x70);
}

TEST_F(EditorTest, TypingTwoDigitsOverwritesAndMarksTheByte) {
  load(QByteArray(30, '\0'));
  type("1");
  EXPECT_EQ(caret(), (Caret{0, Pane::Hex, true}));
  type("2");
  EXPECT_EQ(byteAt(0), 0x12);
  EXPECT_TRUE(editor->model().isChanged(0));
  EXPECT_FALSE(editor->model().isChanged(1));
  EXPECT_TRUE(editor->model().modified());
  EXPECT_EQ(caret(), (Caret{1, Pane::Hex, false}));

  // Maroon on light yellow in both panes: the cells' backgrounds show it.
  const QImage image = picture();
  const HexLayout &l = editor->layout();
  const QColor changed = editor->Colors().ChangedBackground;
  EXPECT_EQ(image.pixelColor(l.hexLeft(0) + 1, 0), changed);
  EXPECT_EQ(image.pixelColor(l.charLeft(0) + 1, 0), changed);
  EXPECT_EQ(image.pixelColor(l.charLeft(2) + 1, 0), editor->Colors().Background);
}

TEST_F(EditorTest, TypingDigitsInEitherCase) {
  load(QByteArray(4, '\0'));
  type("aB");
  type("Cd");
  EXPECT_EQ(byteAt(0), 0xAB);
  EXPECT_EQ(byteAt(1), 0xCD);
  type("xyz ");
  EXPECT_EQ(byteAt(2), 0x00) << "other characters do nothing in the hex pane";
  EXPECT_EQ(caret(), (Caret{2, Pane::Hex, false}));
}

TEST_F(EditorTest, TypingAByteItsOwnValueLeavesItUnmarked) {
  load(QByteArray("\x5A\x00", 2));
  type("5A");
  EXPECT_EQ(byteAt(0), 0x5A);
  EXPECT_FALSE(editor->model().isChanged(0));
  EXPECT_FALSE(editor->model().modified());
  EXPECT_TRUE(editor->model().undoRecords().empty());
  EXPECT_EQ(caret(), (Caret{1, Pane::Hex, false}));
}

TEST_F(EditorTest, TypingAtTheLastByteStaysOnIt) {
  load(QByteArray(3, '\0'));
  key(Qt::Key_End, Qt::ControlModifier);
  type("9876");
  EXPECT_EQ(byteAt(2), 0x96) << "the caret stays on the last low nibble";
  EXPECT_EQ(editor->DataSize(), 3);
  EXPECT_EQ(caret(), (Caret{2, Pane::Hex, true}));
}

TEST_F(EditorTest, TypingInTheCharacterPane) {
  load(QByteArray(20, '\0'));
  key(Qt::Key_Tab);
  type("Hi");
  typeOther(QChar(0xE4));
  typeOther(QChar(0x4E00)); // not in the code page: ignored
  EXPECT_EQ(byteAt(0), 'H');
  EXPECT_EQ(byteAt(1), 'i');
  EXPECT_EQ(byteAt(2), 0xE4);
  EXPECT_TRUE(editor->model().isChanged(2));
  EXPECT_EQ(caret(), (Caret{3, Pane::Char, false}));
  for (const auto modifier : {Qt::ControlModifier, Qt::AltModifier}) {
    QTest::keyClick(editor.get(), Qt::Key_A, modifier);
    EXPECT_EQ(byteAt(3), 0x00) << "shortcuts do not type";
  }
  QTest::keyClick(editor.get(), Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(byteAt(3), 'a') << "AltGr types";
  key(Qt::Key_Left);

  key(Qt::Key_Insert);
  type("Z");
  EXPECT_EQ(editor->DataSize(), 21);
  EXPECT_EQ(byteAt(3), 'Z');
  EXPECT_EQ(caret(), (Caret{4, Pane::Char, false}));
}

TEST_F(EditorTest, InsertThenADigitInsertsAByte) {
  load(testing::countingBytes(30));
  type("12");
  ASSERT_TRUE(editor->model().isChanged(0));
  editor->SetSelectionStart(5);
  const std::uint8_t old5 = byteAt(5);
  key(Qt::Key_Insert);
  EXPECT_TRUE(editor->InsertMode());
  EXPECT_FALSE(editor->model().isChanged(0)) << "switching clears the change marks";

  type("A");
  EXPECT_EQ(editor->DataSize(), 31);
  EXPECT_EQ(byteAt(5), 0xA0);
  EXPECT_EQ(byteAt(6), old5);
  EXPECT_EQ(caret(), (Caret{5, Pane::Hex, true}));
  type("B");
  EXPECT_EQ(byteAt(5), 0xAB) << "the low nibble is replaced, not inserted";
  EXPECT_EQ(editor->DataSize(), 31);
  EXPECT_EQ(caret(), (Caret{6, Pane::Hex, false}));
  // Marks are not shown while inserting.
  EXPECT_EQ(picture().pixelColor(editor->layout().hexLeft(10) + 1, 0),
            editor->Colors().ActiveFieldBackground);
}

TEST_F(EditorTest, InsertModeAppendsAtTheEndOnAnExtraRow) {
  load(testing::countingBytes(20));
  key(Qt::Key_Insert);
  EXPECT_EQ(editor->state().rowCount(), 3) << "an empty row after full rows";
  key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(caret(), (Caret{20, Pane::Hex, false}));
  type("C3");
  EXPECT_EQ(editor->DataSize(), 21);
  EXPECT_EQ(byteAt(20), 0xC3);
  key(Qt::Key_Insert);
  EXPECT_EQ(editor->state().rowCount(), 3);
  EXPECT_EQ(caret().position, 20) << "leaving insert mode puts the caret on the last byte";
}

TEST_F(EditorTest, TypingOverASelectionInInsertModeReplacesIt) {
  load(QByteArray("0123456789"));
  key(Qt::Key_Insert);
  editor->SetSelectionStart(2);
  editor->SetSelectionEnd(5);
  key(Qt::Key_Tab);
  EXPECT_EQ(editor->SelectionCount(), 4) << "a pane switch keeps the selection";
  type("x");
  EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(editor->model().data()),
                       static_cast<qsizetype>(editor->DataSize())),
            QByteArray("01x6789"));
  EXPECT_EQ(editor->SelectionCount(), 0);
  EXPECT_EQ(caret(), (Caret{3, Pane::Char, false}));
}

TEST_F(EditorTest, DeleteOnlyRemovesInInsertModeOrWithCtrl) {
  load(QByteArray("0123456789"));
  editor->SetSelectionStart(3);
  key(Qt::Key_Delete);
  EXPECT_EQ(editor->DataSize(), 10);
  EXPECT_EQ(byteAt(3), '3');

  key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(editor->DataSize(), 9);
  EXPECT_EQ(byteAt(3), '4');
  EXPECT_EQ(caret().position, 3);

  key(Qt::Key_Insert);
  editor->SetSelectionEnd(5);
  key(Qt::Key_Delete);
  EXPECT_EQ(editor->DataSize(), 6);
  EXPECT_EQ(byteAt(3), '7');
  EXPECT_EQ(editor->SelectionCount(), 0);
  ASSERT_EQ(editor->model().undoRecords().size(), 2u);
  EXPECT_EQ(editor->model().undoRecords()[1].oldBytes, QByteArray("456"));
}

TEST_F(EditorTest, BackspaceRemovesBeforeTheCaretInInsertMode) {
  load(QByteArray("0123456789"));
  editor->SetSelectionStart(4);
  key(Qt::Key_Backspace);
  EXPECT_EQ(editor->DataSize(), 10) << "overwrite mode: only a move";
  EXPECT_EQ(caret(), (Caret{3, Pane::Hex, true}));

  key(Qt::Key_Insert);
  key(Qt::Key_Tab);
  key(Qt::Key_Backspace);
  EXPECT_EQ(editor->DataSize(), 9);
  EXPECT_EQ(byteAt(2), '3');
  EXPECT_EQ(caret(), (Caret{2, Pane::Char, false}));

  key(Qt::Key_Home, Qt::ControlModifier);
  key(Qt::Key_Backspace);
  EXPECT_EQ(editor->DataSize(), 9) << "nothing before byte 0";
}

TEST_F(EditorTest, SelectionValuesWithoutSelection) {
  load(testing::countingBytes(100));
  editor->SetSelectionStart(42);
  EXPECT_EQ(editor->SelectionStart(), 42);
  EXPECT_EQ(editor->SelectionEnd(), 42);
  EXPECT_EQ(editor->SelectionCount(), 0);
}

TEST_F(EditorTest, SetSelectionSelectsFromTheCaretAndScrolls) {
  load(testing::countingBytes(1000));
  editor->SetSelectionStart(700);
  editor->SetSelectionEnd(703);
  EXPECT_EQ(editor->SelectionStart(), 700);
  EXPECT_EQ(editor->SelectionEnd(), 703);
  EXPECT_EQ(editor->SelectionCount(), 4);
  EXPECT_LE(editor->state().topRow(), 70);
  EXPECT_GT(editor->state().topRow() + kRowsInView, 70);

  // Backwards from the caret, and -1 to drop it.
  editor->SetSelectionEnd(690);
  EXPECT_EQ(editor->SelectionStart(), 700);
  EXPECT_EQ(editor->SelectionEnd(), 690);
  EXPECT_EQ(editor->SelectionCount(), 11);
  editor->SetSelectionEnd(-1);
  EXPECT_EQ(editor->SelectionCount(), 0);
  EXPECT_EQ(editor->SelectionEnd(), 700);

  // Selected bytes are drawn inverted.
  editor->SetSelectionEnd(701);
  const QImage image = picture();
  const int y = static_cast<int>(70 - editor->state().topRow()) * editor->layout().rowHeight();
  EXPECT_EQ(image.pixelColor(editor->layout().charLeft(1) + 1, y),
            inverted(editor->Colors().Background));
}

struct RangeCase {
  const char *name;
  std::function<void(TVelaHexEditor &)> action;
  QString message; // empty: accepted
};

void PrintTo(const RangeCase &c, std::ostream *out) { *out << c.name; }

class EditorRanges : public EditorTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(EditorRanges, RejectsValuesOutOfRange) {
  load(testing::countingBytes(50));
  const int rowBefore = editor->BytesPerRow();
  const int columnBefore = editor->BytesPerColumn();
  EXPECT_EQ(errorOf([&] { GetParam().action(*editor); }), GetParam().message);
  if (!GetParam().message.isEmpty()) {
    EXPECT_EQ(editor->BytesPerRow(), rowBefore);
    EXPECT_EQ(editor->BytesPerColumn(), columnBefore);
    EXPECT_EQ(editor->OffsetFormatText(), "-!10:0x|");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Properties, EditorRanges,
    ::testing::Values(
        RangeCase{"RowZero", [](auto &e) { e.SetBytesPerRow(0); },
                  "Invalid bytes per line argument"},
        RangeCase{"Row257", [](auto &e) { e.SetBytesPerRow(257); },
                  "Invalid bytes per line argument"},
        RangeCase{"Row256", [](auto &e) { e.SetBytesPerRow(256); }, ""},
        RangeCase{"ColumnZero", [](auto &e) { e.SetBytesPerColumn(0); },
                  "Invalid bytes per column argument"},
        RangeCase{"Column257", [](auto &e) { e.SetBytesPerColumn(257); },
                  "Invalid bytes per column argument"},
        RangeCase{"StartNegative", [](auto &e) { e.SetSelectionStart(-1); },
                  "Invalid selection start"},
        RangeCase{"StartAtSize", [](auto &e) { e.SetSelectionStart(50); },
                  "Invalid selection start"},
        RangeCase{"StartLast", [](auto &e) { e.SetSelectionStart(49); }, ""},
        RangeCase{"EndBelowMinusOne", [](auto &e) { e.SetSelectionEnd(-2); },
                  "Invalid selection end"},
        RangeCase{"EndAtSize", [](auto &e) { e.SetSelectionEnd(50); }, "Invalid selection end"},
        RangeCase{"EndMinusOne", [](auto &e) { e.SetSelectionEnd(-1); }, ""},
        RangeCase{"BadOffsetFormat", [](auto &e) { e.SetOffsetFormat("-!22:|"); },
                  "Invalid radix in offset format (22h), allowed: 02h..10h"},
        RangeCase{"OffsetWiderThanAnyView", [](auto &e) { e.SetOffsetFormat("7FFFFFFF!10:|"); },
                  "Invalid digit count in offset format (7FFFFFFFh), allowed: 00h..40h"}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

TEST_F(EditorTest, ChangingTheOffsetFormatWidensTheColumn) {
  load(testing::countingBytes(100));
  const int before = editor->layout().offsetWidth();
  editor->SetOffsetFormat("8!10:|h");
  EXPECT_EQ(editor->layout().offsetWidth(), (9 + 1) * editor->layout().charWidth() + 21);
  EXPECT_GT(editor->layout().offsetWidth(), before);
}

TEST_F(EditorTest, ControlBytesShowTheMaskChar) {
  load(QByteArray("......\x05.\x1F.A", 11));
  const QImage image = picture();
  const HexLayout &l = editor->layout();
  const auto cell = [&](int byte) {
    return image.copy(l.charLeft(byte), 0, l.charWidthAt(0), l.rowHeight());
  };
  EXPECT_EQ(cell(6), cell(7));
  EXPECT_EQ(cell(8), cell(9));
  EXPECT_NE(cell(9), cell(10)) << "a letter is drawn as itself";

  editor->SetMaskChar(u'~');
  const QImage masked = picture();
  EXPECT_NE(masked.copy(l.charLeft(6), 0, l.charWidthAt(0), l.rowHeight()),
            masked.copy(l.charLeft(7), 0, l.charWidthAt(0), l.rowHeight()));
}

// ---- keys ----

struct KeyCase {
  const char *name;
  Caret start;
  bool insertMode;
  int key;
  Qt::KeyboardModifiers modifiers;
  Caret expected;
  qint64 anchor = -1; // expected selection, -1: none
  qint64 end = -1;
};

void PrintTo(const KeyCase &c, std::ostream *out) { *out << c.name; }

class EditorKeys : public EditorTest, public ::testing::WithParamInterface<KeyCase> {
protected:
  // 1000 bytes: 100 rows of 10, eight in view; the caret placed as the case
  // says, scrolled into view from the top.
  void place(const Caret &start, bool insertMode) {
    load(testing::countingBytes(1000));
    if (insertMode)
      key(Qt::Key_Insert);
    if (start.position < editor->DataSize())
      editor->SetSelectionStart(start.position);
    else
      key(Qt::Key_End, Qt::ControlModifier);
    if (start.pane == Pane::Char)
      key(Qt::Key_Tab);
    if (start.lowNibble)
      key(Qt::Key_Right);
    ASSERT_EQ(caret(), start);
  }
};

TEST_P(EditorKeys, MovesTheCaret) {
  const KeyCase &c = GetParam();
  place(c.start, c.insertMode);
  key(c.key, c.modifiers);
  EXPECT_EQ(caret().position, c.expected.position);
  EXPECT_EQ(caret().pane, c.expected.pane);
  EXPECT_EQ(caret().lowNibble, c.expected.lowNibble);
  if (c.anchor < 0) {
    EXPECT_EQ(editor->SelectionCount(), 0);
  } else {
    EXPECT_EQ(editor->SelectionStart(), c.anchor);
    EXPECT_EQ(editor->SelectionEnd(), c.end);
  }
  const qint64 row = caret().position / kRowBytes;
  EXPECT_GE(row, editor->state().topRow()) << "the caret stays in view";
  EXPECT_LT(row, editor->state().topRow() + kRowsInView);
  EXPECT_EQ(editor->DataSize(), 1000) << "moves never change the data";
}

constexpr auto kNone = Qt::NoModifier;
constexpr auto kShift = Qt::ShiftModifier;
constexpr auto kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;
constexpr Pane H = Pane::Hex;
constexpr Pane C = Pane::Char;

INSTANTIATE_TEST_SUITE_P(
    Keys, EditorKeys,
    ::testing::Values(
        KeyCase{"LeftFromHigh", {15, H, false}, false, Qt::Key_Left, kNone, {14, H, true}},
        KeyCase{"LeftFromLow", {15, H, true}, false, Qt::Key_Left, kNone, {15, H, false}},
        KeyCase{"LeftAcrossRows", {10, H, false}, false, Qt::Key_Left, kNone, {9, H, true}},
        KeyCase{"LeftAtStart", {0, H, false}, false, Qt::Key_Left, kNone, {0, H, false}},
        KeyCase{"LeftInCharPane", {15, C, false}, false, Qt::Key_Left, kNone, {14, C, false}},
        KeyCase{"RightFromHigh", {15, H, false}, false, Qt::Key_Right, kNone, {15, H, true}},
        KeyCase{"RightFromLow", {15, H, true}, false, Qt::Key_Right, kNone, {16, H, false}},
        KeyCase{"RightInCharPane", {19, C, false}, false, Qt::Key_Right, kNone, {20, C, false}},
        KeyCase{"RightAtLastByte", {999, H, true}, false, Qt::Key_Right, kNone, {999, H, true}},
        KeyCase{"RightAtLastInsert", {999, H, true}, true, Qt::Key_Right, kNone, {1000, H, false}},
        KeyCase{"CtrlLeft", {15, C, false}, false, Qt::Key_Left, kCtrl, {10, H, false}},
        KeyCase{"CtrlRight", {12, H, true}, false, Qt::Key_Right, kCtrl, {19, C, false}},
        KeyCase{"Up", {15, H, true}, false, Qt::Key_Up, kNone, {5, H, true}},
        KeyCase{"UpOnFirstRow", {5, H, false}, false, Qt::Key_Up, kNone, {5, H, false}},
        KeyCase{"Down", {15, C, false}, false, Qt::Key_Down, kNone, {25, C, false}},
        KeyCase{"DownOnLastRow", {995, H, false}, false, Qt::Key_Down, kNone, {995, H, false}},
        KeyCase{"CtrlUpDoesNothing", {15, H, false}, false, Qt::Key_Up, kCtrl, {15, H, false}},
        KeyCase{"CtrlDownDoesNothing", {15, H, false}, false, Qt::Key_Down, kCtrl, {15, H, false}},
        KeyCase{"PageDown", {15, H, false}, false, Qt::Key_PageDown, kNone, {85, H, false}},
        KeyCase{"PageUp", {503, H, false}, false, Qt::Key_PageUp, kNone, {433, H, false}},
        KeyCase{"PageUpNearTop", {23, H, false}, false, Qt::Key_PageUp, kNone, {3, H, false}},
        KeyCase{"CtrlPageDown", {13, H, false}, false, Qt::Key_PageDown, kCtrl, {73, H, false}},
        KeyCase{"CtrlPageUp", {503, C, false}, false, Qt::Key_PageUp, kCtrl, {433, C, false}},
        KeyCase{"HomeHex", {15, H, true}, false, Qt::Key_Home, kNone, {10, H, false}},
        KeyCase{"HomeChar", {15, C, false}, false, Qt::Key_Home, kNone, {10, C, false}},
        KeyCase{"EndHex", {12, H, false}, false, Qt::Key_End, kNone, {19, H, true}},
        KeyCase{"EndChar", {12, C, false}, false, Qt::Key_End, kNone, {19, C, false}},
        KeyCase{"CtrlHome", {515, C, false}, false, Qt::Key_Home, kCtrl, {0, C, false}},
        KeyCase{"CtrlEnd", {15, H, false}, false, Qt::Key_End, kCtrl, {999, H, false}},
        KeyCase{"CtrlEndInsert", {15, H, false}, true, Qt::Key_End, kCtrl, {1000, H, false}},
        KeyCase{"Tab", {15, H, true}, false, Qt::Key_Tab, kNone, {15, C, false}},
        KeyCase{"ShiftTab", {15, C, false}, false, Qt::Key_Backtab, kShift, {15, H, false}},
        KeyCase{"CtrlT", {15, H, false}, false, Qt::Key_T, kCtrl, {15, C, false}},
        KeyCase{
            "BackspaceMovesLeft", {15, H, false}, false, Qt::Key_Backspace, kNone, {14, H, true}},
        KeyCase{"ShiftRightByWholeBytes",
                {15, H, false},
                false,
                Qt::Key_Right,
                kShift,
                {16, H, false},
                15,
                16},
        KeyCase{"ShiftLeftByWholeBytes",
                {15, H, true},
                false,
                Qt::Key_Left,
                kShift,
                {14, H, false},
                15,
                14},
        KeyCase{"ShiftDown", {15, C, false}, false, Qt::Key_Down, kShift, {25, C, false}, 15, 25},
        KeyCase{"CtrlShiftEnd",
                {990, H, false},
                false,
                Qt::Key_End,
                kCtrlShift,
                {999, H, false},
                990,
                999},
        KeyCase{"CtrlShiftHome",
                {12, C, false},
                false,
                Qt::Key_Home,
                kCtrlShift,
                {0, C, false},
                12,
                0}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

TEST_F(EditorTest, PageKeysScrollTheViewByTheSameAmount) {
  load(testing::countingBytes(1000));
  editor->SetSelectionStart(15);
  key(Qt::Key_PageDown);
  EXPECT_EQ(editor->state().topRow(), kRowsInView - 1);
  key(Qt::Key_PageDown);
  EXPECT_EQ(caret().position, 15 + 2 * (kRowsInView - 1) * kRowBytes);
  EXPECT_EQ(editor->state().topRow(), 2 * (kRowsInView - 1));
  key(Qt::Key_PageUp);
  EXPECT_EQ(editor->state().topRow(), kRowsInView - 1);
}

TEST_F(EditorTest, ShiftSelectionAcrossRows) {
  load(testing::countingBytes(100));
  editor->SetSelectionStart(8);
  for (int i = 0; i < 4; ++i)
    key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(editor->SelectionStart(), 8);
  EXPECT_EQ(editor->SelectionEnd(), 12);
  EXPECT_EQ(editor->SelectionCount(), 5);
  key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(editor->SelectionEnd(), 22);
  EXPECT_EQ(editor->SelectionCount(), 15);

  // Rows 0 to 2 show it inverted in both panes.
  const QImage image = picture();
  const HexLayout &l = editor->layout();
  const int h = l.rowHeight();
  const QColor selected = inverted(editor->Colors().Background);
  EXPECT_EQ(image.pixelColor(l.charLeft(9) + 1, 0), selected);
  EXPECT_EQ(image.pixelColor(l.hexLeft(0) + 1, h), selected);
  EXPECT_EQ(image.pixelColor(l.charLeft(1) + 1, 2 * h), selected);
  EXPECT_EQ(image.pixelColor(l.charLeft(3) + 1, 2 * h), editor->Colors().Background);
  EXPECT_EQ(image.pixelColor(l.charLeft(7) + 1, 0), editor->Colors().Background);

  // Pressing a modifier alone keeps it; a key without Shift ends it.
  key(Qt::Key_Control, Qt::ControlModifier);
  key(Qt::Key_Alt, Qt::AltModifier);
  EXPECT_EQ(editor->SelectionCount(), 15);
  key(Qt::Key_Left);
  EXPECT_EQ(editor->SelectionCount(), 0);
}

TEST_F(EditorTest, CtrlDeleteInOverwriteModeIgnoresTheSelection) {
  load(QByteArray("0123456789"));
  editor->SetSelectionStart(2);
  key(Qt::Key_Right, Qt::ShiftModifier);
  key(Qt::Key_Right, Qt::ShiftModifier);
  ASSERT_EQ(editor->SelectionCount(), 3);
  key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(editor->DataSize(), 9) << "the key first drops the selection";
  EXPECT_EQ(byteAt(4), '5');
}

// ---- bookmarks ----

TEST_F(EditorTest, BookmarksFollowInsertAndDelete) {
  load(testing::countingBytes(100));
  editor->SetSelectionStart(20);
  key(Qt::Key_3, kCtrlShift);
  editor->SetSelectionStart(40);
  key(Qt::Key_Tab);
  key(Qt::Key_Dollar, kCtrlShift); // Shift+4 as a US keyboard reports it
  EXPECT_EQ(editor->model().bookmark(3), (Bookmark{20, Pane::Hex}));
  EXPECT_EQ(editor->model().bookmark(4), (Bookmark{40, Pane::Char}));

  key(Qt::Key_Insert);
  editor->SetSelectionStart(10);
  type("ab");
  EXPECT_EQ(editor->model().bookmark(3).position, 22);
  EXPECT_EQ(editor->model().bookmark(4).position, 42);
  editor->SetSelectionStart(30);
  key(Qt::Key_Delete);
  EXPECT_EQ(editor->model().bookmark(3).position, 22);
  EXPECT_EQ(editor->model().bookmark(4).position, 41);

  key(Qt::Key_3, kCtrl);
  EXPECT_EQ(caret(), (Caret{22, Pane::Hex, false}));
  key(Qt::Key_4, kCtrl);
  EXPECT_EQ(caret(), (Caret{41, Pane::Char, false}));

  // Set again where it is: removed.
  key(Qt::Key_4, kCtrlShift);
  EXPECT_FALSE(editor->model().bookmark(4).isSet());
  key(Qt::Key_Home, kCtrl);
  key(Qt::Key_4, kCtrl);
  EXPECT_EQ(caret().position, 0);
}

// Ctrl+Shift+digit as other layouts report it: the shifted symbol differs,
// the key's place on the keyboard (the desktop's key code) does not.
struct LayoutCase {
  const char *name;
  int key; // what the layout reports for Shift+digit
  QString text;
  quint32 scanCode; // the desktop's key code of the digit's key
  int digit;
};

void PrintTo(const LayoutCase &c, std::ostream *out) { *out << c.name; }

class BookmarkLayouts : public EditorTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(BookmarkLayouts, CtrlShiftDigitSetsTheBookmarkWhateverTheSymbol) {
  const LayoutCase &c = GetParam();
  load(testing::countingBytes(100));
  editor->SetSelectionStart(37);
  QKeyEvent press(QEvent::KeyPress, c.key, kCtrlShift, c.scanCode, 0, 0, c.text);
  QApplication::sendEvent(editor.get(), &press);
  QKeyEvent release(QEvent::KeyRelease, c.key, kCtrlShift, c.scanCode, 0, 0, c.text);
  QApplication::sendEvent(editor.get(), &release);
  EXPECT_EQ(editor->model().bookmark(c.digit), (Bookmark{37, Pane::Hex}));
  EXPECT_EQ(editor->DataSize(), 100) << "the symbol is not typed";
  key(Qt::Key_Home, kCtrl);
  key(Qt::Key_0 + c.digit, kCtrl);
  EXPECT_EQ(caret().position, 37);
}

INSTANTIATE_TEST_SUITE_P(
    Bookmarks, BookmarkLayouts,
    ::testing::Values(LayoutCase{"GermanTwoIsQuote", Qt::Key_QuoteDbl, "\"", 11, 2},
                      LayoutCase{"GermanThreeIsSection", Qt::Key_section, "\u00A7", 12, 3},
                      LayoutCase{"GermanZeroIsEquals", Qt::Key_Equal, "=", 19, 0},
                      LayoutCase{"FrenchSevenIsSeven", Qt::Key_7, "7", 16, 7},
                      LayoutCase{"UsNineIsParen", Qt::Key_ParenLeft, "(", 18, 9},
                      LayoutCase{"UkThreeIsPound", Qt::Key_sterling, "\u00A3", 12, 3}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

TEST_F(EditorTest, BookmarkPastTheDataIsRemovedInsteadOfVisited) {
  load(testing::countingBytes(100));
  editor->SetSelectionStart(90);
  key(Qt::Key_7, kCtrlShift);
  load(testing::countingBytes(50), QStringLiteral("short.bin"));
  EXPECT_EQ(editor->model().bookmark(7).position, 90) << "a load keeps the bookmarks";
  key(Qt::Key_7, kCtrl);
  EXPECT_EQ(caret().position, 0);
  EXPECT_FALSE(editor->model().bookmark(7).isSet());
}

TEST_F(EditorTest, BookmarkMarkersAreDrawnBesideTheirRow) {
  load(testing::countingBytes(100));
  const QImage before = picture();
  editor->SetSelectionStart(25);
  key(Qt::Key_1, kCtrlShift);
  key(Qt::Key_Tab);
  key(Qt::Key_2, kCtrlShift);
  editor->SetSelectionStart(0);
  const QImage after = picture();
  const int h = editor->layout().rowHeight();
  const auto rowChanged = [&](int row, int fromX, int toX) {
    for (int y = row * h; y < (row + 1) * h; ++y)
      for (int x = fromX; x < toX; ++x)
        if (before.pixel(x, y) != after.pixel(x, y))
          return true;
    return false;
  };
  EXPECT_TRUE(rowChanged(2, 0, 10)) << "the hex-pane marker";
  EXPECT_TRUE(rowChanged(2, 10, 20)) << "the character-pane marker";
  EXPECT_FALSE(rowChanged(1, 0, 20));
  EXPECT_NE(after.pixel(4, 2 * h + h / 2), after.pixel(13, 2 * h + h / 2))
      << "the two panes' markers look different";
}

// ---- mouse ----

TEST_F(EditorTest, ClickPutsTheCaretOnTheCell) {
  load(testing::countingBytes(200));
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, hexPoint(2, 3, true));
  EXPECT_EQ(caret(), (Caret{23, Pane::Hex, true}));
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, charPoint(4, 9));
  EXPECT_EQ(caret(), (Caret{49, Pane::Char, false}));
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(5, rowMiddle(1)));
  EXPECT_EQ(caret(), (Caret{49, Pane::Char, false})) << "the offset column does not move it";
  const int gap = editor->layout().hexPaneRight() + editor->layout().charWidth() / 2;
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(gap, rowMiddle(1)));
  EXPECT_EQ(caret(), (Caret{19, Pane::Hex, true})) << "the gap gives the row's last nibble";
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, charPoint(7, 9, true));
  EXPECT_EQ(caret(), (Caret{79, Pane::Char, false})) << "right half in overwrite mode";
}

TEST_F(EditorTest, ClickOnRightHalfInInsertModeTakesTheNextCell) {
  load(testing::countingBytes(200));
  key(Qt::Key_Insert);
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, hexPoint(1, 2, false, true));
  EXPECT_EQ(caret(), (Caret{12, Pane::Hex, true}));
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, hexPoint(1, 2, true, true));
  EXPECT_EQ(caret(), (Caret{13, Pane::Hex, false}));
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, hexPoint(1, 9, true, true));
  EXPECT_EQ(caret(), (Caret{20, Pane::Hex, false})) << "last cell: next row's first";
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, charPoint(3, 9, true));
  EXPECT_EQ(caret(), (Caret{40, Pane::Char, false}));
}

TEST_F(EditorTest, DragSelectsAndAPressInsideKeepsTheSelection) {
  load(testing::countingBytes(200));
  QTest::mousePress(viewport(), Qt::LeftButton, {}, hexPoint(0, 2, false));
  QTest::mouseMove(viewport(), hexPoint(1, 5, false));
  QTest::mouseRelease(viewport(), Qt::LeftButton, {}, hexPoint(1, 5, false));
  EXPECT_EQ(editor->SelectionStart(), 2);
  EXPECT_EQ(editor->SelectionEnd(), 15);
  EXPECT_EQ(caret(), (Caret{15, Pane::Hex, false}));

  QTest::mousePress(viewport(), Qt::LeftButton, {}, charPoint(0, 7));
  EXPECT_EQ(editor->SelectionCount(), 14) << "a press inside keeps the selection";
  QTest::mouseRelease(viewport(), Qt::LeftButton, {}, charPoint(0, 7));
  EXPECT_EQ(editor->SelectionCount(), 0) << "the release without a move drops it";
  EXPECT_EQ(caret(), (Caret{7, Pane::Char, false}));

  // A click outside a selection drops it at once.
  editor->SetSelectionStart(30);
  editor->SetSelectionEnd(35);
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, charPoint(5, 0));
  EXPECT_EQ(editor->SelectionCount(), 0);
  EXPECT_EQ(caret().position, 50);
}

TEST_F(EditorTest, DraggingBelowTheViewScrollsAndExtends) {
  load(testing::countingBytes(1000));
  QTest::mousePress(viewport(), Qt::LeftButton, {}, hexPoint(0, 4, false));
  QTest::mouseMove(viewport(), QPoint(hexPoint(0, 4, false).x(), viewport()->height() + 20));
  EXPECT_TRUE(editor->findChild<QTimer *>("autoScrollTimer")->isActive());
  QTRY_VERIFY_WITH_TIMEOUT(editor->state().topRow() >= 3, 3000);
  QTest::mouseRelease(viewport(), Qt::LeftButton, {},
                      QPoint(hexPoint(0, 4, false).x(), viewport()->height() + 20));
  const qint64 top = editor->state().topRow();
  EXPECT_EQ(editor->SelectionStart(), 4);
  EXPECT_GE(editor->SelectionEnd(), (top + kRowsInView - 1) * kRowBytes);
  const auto *autoScroll = editor->findChild<QTimer *>("autoScrollTimer");
  ASSERT_NE(autoScroll, nullptr);
  EXPECT_FALSE(autoScroll->isActive()) << "scrolling stops with the release";
}

TEST_F(EditorTest, PointerShapeFollowsTheArea) {
  load(testing::countingBytes(100));
  editor->SetSelectionStart(10);
  editor->SetSelectionEnd(12);
  QTest::mouseMove(viewport(), QPoint(5, rowMiddle(0)));
  EXPECT_EQ(viewport()->cursor().shape(), Qt::ArrowCursor);
  QTest::mouseMove(viewport(), hexPoint(1, 1, false));
  EXPECT_EQ(viewport()->cursor().shape(), Qt::ArrowCursor);
  QTest::mouseMove(viewport(), hexPoint(1, 5, false));
  EXPECT_EQ(viewport()->cursor().shape(), Qt::IBeamCursor);
}

TEST_F(EditorTest, WheelScrollsAScreenLessARowWithoutMovingTheCaret) {
  load(testing::countingBytes(1000));
  const QPoint at = hexPoint(1, 1, false);
  const auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(at, viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport(), &event);
  };
  wheel(-120, Qt::NoModifier);
  EXPECT_EQ(editor->state().topRow(), kRowsInView - 1);
  wheel(-240, Qt::NoModifier);
  EXPECT_EQ(editor->state().topRow(), 3 * (kRowsInView - 1));
  wheel(120, Qt::NoModifier);
  EXPECT_EQ(editor->state().topRow(), 2 * (kRowsInView - 1));
  wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(editor->state().topRow(), 2 * (kRowsInView - 1)) << "only without modifiers";
  EXPECT_EQ(caret().position, 0);
  EXPECT_EQ(editor->verticalScrollBar()->value(), 2 * (kRowsInView - 1));
}

TEST_F(EditorTest, ScrollBarMovesTheView) {
  load(testing::countingBytes(1000));
  editor->verticalScrollBar()->setValue(40);
  EXPECT_EQ(editor->state().topRow(), 40);
  EXPECT_EQ(caret().position, 0);
  EXPECT_EQ(editor->verticalScrollBar()->maximum(), 100 - kRowsInView);
}

// ---- files ----

TEST_F(EditorTest, SavingOverAReadOnlyFileWritesNothing) {
  const QString file = path("locked.bin");
  testing::writeFile(file, QByteArray("abc"));
  ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner));
  editor->LoadDataFile(file);
  type("FF");
  EXPECT_EQ(errorOf([&] { editor->SaveDataFile(file, true); }),
            QStringLiteral("Cannot save readonly file %1.").arg(file));
  EXPECT_EQ(testing::readAll(file), QByteArray("abc"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"locked.bin"});
}

TEST_F(EditorTest, SaveWritesTheEditsAndClearsTheMarks) {
  load(QByteArray("abcdef"));
  type("41");
  editor->SaveDataFile(path("data.bin"), true);
  EXPECT_EQ(testing::readAll(path("data.bin")), QByteArray("Abcdef"));
  EXPECT_FALSE(editor->model().isChanged(0));
  EXPECT_FALSE(editor->model().modified());
}

TEST_F(EditorTest, LoadOfAMissingFileKeepsTheView) {
  load(QByteArray("abcdef"));
  editor->SetSelectionStart(3);
  const QString missing = path("gone.bin");
  EXPECT_EQ(errorOf([&] { editor->LoadDataFile(missing); }),
            QStringLiteral("Cannot open %1.\r\n(No such file or directory.)").arg(missing));
  EXPECT_EQ(editor->DataSize(), 6);
  EXPECT_EQ(caret().position, 3);
}

TEST_F(EditorTest, LoadResetsCaretSelectionAndMarks) {
  load(testing::countingBytes(500));
  type("12");
  editor->SetSelectionStart(300);
  editor->SetSelectionEnd(310);
  key(Qt::Key_Tab);
  load(testing::countingBytes(500), QStringLiteral("again.bin"));
  EXPECT_EQ(caret(), (Caret{0, Pane::Hex, false}));
  EXPECT_EQ(editor->SelectionCount(), 0);
  EXPECT_FALSE(editor->model().isChanged(0));
  EXPECT_EQ(editor->state().topRow(), 0);
  EXPECT_EQ(editor->model().fileName(), path("again.bin"));
}

// ---- search as the dialog runs it ----

TEST_F(EditorTest, SearchAgainFindsTheNextMatch) {
  load(QByteArray(16, '\xFF'));
  const QByteArray pattern =
      editor->PrepareSearch(TVelaHexEditor::HexTextToBytes("FF FF", false), false, false);
  const auto searchOnce = [&] {
    const qint64 start =
        std::min(editor->SelectionStart(), editor->SelectionEnd()) + editor->SelectionCount();
    const qint64 found =
        editor->FindPattern(pattern, pattern.size(), start, editor->DataSize() - 1, false);
    if (found >= 0) {
      editor->SetSelectionStart(found);
      editor->SetSelectionEnd(found + pattern.size() - 1);
    }
    return found;
  };
  EXPECT_EQ(searchOnce(), 0);
  EXPECT_EQ(editor->SelectionCount(), 2);
  EXPECT_EQ(searchOnce(), 2);
  EXPECT_EQ(editor->SelectionStart(), 2);
  EXPECT_EQ(editor->SelectionEnd(), 3);
  editor->SetSelectionStart(15);
  EXPECT_EQ(searchOnce(), -1) << "no room left for the pattern";
  EXPECT_EQ(editor->FindPattern("ab", 50, 0, 15, false), -1)
      << "a length beyond the pattern reads nothing past it";
}

// ---- focus ----

TEST_F(EditorTest, CaretAndFocusFrameOnlyWithFocus) {
  load(QByteArray(20, '\0'));
  ASSERT_TRUE(editor->hasFocus());
  const HexLayout &l = editor->layout();
  const QImage focused = picture();
  // The overwrite caret is a solid block over the first nibble.
  EXPECT_EQ(focused.pixelColor(l.hexLeft(0) + 1, 0),
            inverted(editor->Colors().ActiveFieldBackground));
  QWidget other;
  other.show();
  other.activateWindow();
  other.setFocus();
  QTRY_VERIFY(!editor->hasFocus());
  const QImage unfocused = picture();
  EXPECT_EQ(unfocused.pixelColor(l.hexLeft(0) + 1, 0), editor->Colors().ActiveFieldBackground);
  EXPECT_NE(focused.copy(l.charLeft(0), 0, l.charWidthAt(0), l.rowHeight()),
            unfocused.copy(l.charLeft(0), 0, l.charWidthAt(0), l.rowHeight()))
      << "the focus frame in the character pane goes with the focus";
}

} // namespace
} // namespace orvane::hexview
