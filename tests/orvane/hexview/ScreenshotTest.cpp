#include "HexFixtures.h"

#include <QImage>

namespace orvane::hexview {
namespace {

using testing::EditorTest;

constexpr int kBytesPerRow = 10;

// 64 KiB of text, control bytes and binary runs, the way a firmware image
// with strings in it looks.
QByteArray variedImage() {
  QByteArray bytes(65536, '\0');
  const QByteArray text("Hex view: 0123456789 ABCDEF abcdef \xC4\xD6\xDC\xDF \x80\x99!");
  for (int i = 0; i < bytes.size(); ++i) {
    const int block = (i / 48) % 4;
    if (block == 0)
      bytes[i] = text[i % text.size()];
    else if (block == 1)
      bytes[i] = static_cast<char>(i & 0xFF);
    else if (block == 2)
      bytes[i] = static_cast<char>(i % 7 == 0 ? 0xFF : i % 32);
    else
      bytes[i] = static_cast<char>((i * 37) >> 3);
  }
  return bytes;
}

// Renders the control with a selection, change marks and bookmarks to a PNG
// in the build folder for a person to look at, and checks the colours of the
// cells whose look is known.
TEST_F(EditorTest, RendersAScreenOfTheControl) {
  const int frame = 2 * editor->frameWidth();
  editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  load(variedImage());
  editor->resize(editor->sizeHint().width(), 24 * editor->layout().rowHeight() + frame);
  editor->SetSelectionStart(0x100);
  type("DEADBEEF");
  key(Qt::Key_Tab);
  type("OK");
  key(Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
  editor->SetSelectionStart(0x12C);
  key(Qt::Key_Tab);
  key(Qt::Key_2, Qt::ControlModifier | Qt::ShiftModifier);
  for (int i = 0; i < 13; ++i)
    key(Qt::Key_Right, Qt::ShiftModifier);
  key(Qt::Key_Down, Qt::ShiftModifier);
  key(Qt::Key_Down, Qt::ShiftModifier);

  const QImage image = editor->grab().toImage();
  const QString file =
      QDir::cleanPath(QStringLiteral(SUITE_BIN_DIR) + QStringLiteral("/../hexview-shot.png"));
  ASSERT_TRUE(image.save(file)) << file.toStdString();

  // Colours at known cells, read at a cell's top left where no glyph inks.
  const TVelaHColors &c = editor->Colors();
  const HexLayout &l = editor->layout();
  const QPoint origin = viewport()->mapTo(editor.get(), QPoint(0, 0));
  const auto viewRowOf = [&](qint64 position) {
    const qint64 row = position / kBytesPerRow - editor->state().topRow();
    EXPECT_TRUE(row >= 0 && row < 24) << "byte " << position << " out of view";
    return static_cast<int>(row);
  };
  const auto at = [&](int x, int viewRow) {
    return QColor(image.pixel(origin + QPoint(x, viewRow * l.rowHeight())));
  };
  const auto hexCell = [&](qint64 position) {
    return at(l.hexLeft(2 * static_cast<int>(position % kBytesPerRow)) + 1, viewRowOf(position));
  };
  const auto charCell = [&](qint64 position) {
    return at(l.charLeft(static_cast<int>(position % kBytesPerRow)) + 1, viewRowOf(position));
  };
  const auto offsetCell = [&](qint64 position) { return at(1, viewRowOf(position)); };

  // The caret is in the hex pane.
  const QColor hexBack = c.ActiveFieldBackground;
  const QColor charBack = c.Background;
  const struct {
    const char *what;
    QColor seen;
    QColor expected;
  } cells[] = {
      {"changed byte, hex", hexCell(0x101), c.ChangedBackground},
      {"changed byte, characters", charCell(0x105), c.ChangedBackground},
      {"plain byte, hex", hexCell(0x110), hexBack},
      {"plain byte, characters", charCell(0x110), charBack},
      {"selected byte, hex", hexCell(0x135), inverted(hexBack)},
      {"selected byte, characters", charCell(0x135), inverted(charBack)},
      {"offset of the caret's row", offsetCell(0x14D), c.CurrentOffsetBackground},
      {"offset of another row", offsetCell(0x110), c.OffsetBackGround},
  };
  for (const auto &cell : cells) {
    EXPECT_EQ(cell.seen.rgb(), cell.expected.rgb())
        << cell.what << ": " << cell.seen.name().toStdString() << " instead of "
        << cell.expected.name().toStdString();
  }

  // Every byte's digits are drawn: each plain hex cell holds ink.
  const int viewRow = viewRowOf(0x110);
  for (int b = 0; b < kBytesPerRow; ++b) {
    int ink = 0;
    for (int y = 0; y < l.rowHeight(); ++y)
      for (int x = l.hexLeft(2 * b); x < l.hexLeft(2 * b + 2); ++x)
        ink += QColor(image.pixel(origin + QPoint(x, viewRow * l.rowHeight() + y))) != hexBack;
    EXPECT_GT(ink, 10) << "byte " << b << " of row 0x110 has no digits";
  }
}

} // namespace
} // namespace orvane::hexview
