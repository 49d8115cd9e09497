#include "HexFixtures.h"

#include <QImage>

#include <set>

namespace orvane::hexview {
namespace {

using testing::EditorTest;

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
// in the build folder for a person to look at.
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

  std::set<QRgb> colors;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2)
      colors.insert(image.pixel(x, y) & 0xFFFFFF);
  EXPECT_GT(colors.size(), 10u) << "a real picture, not a blank";
  const TVelaHColors &c = editor->Colors();
  for (const QColor &expected : {c.ChangedBackground, inverted(c.Background),
                                 c.OffsetBackGround, c.CurrentOffsetBackground}) {
    EXPECT_TRUE(colors.count(expected.rgb() & 0xFFFFFF)) << expected.name().toStdString();
  }
}

} // namespace
} // namespace orvane::hexview
