#pragma once

#include "orvane/hexview/HexViewError.h"
#include "orvane/hexview/TVelaHexEditor.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString &text, std::ostream *out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray &bytes, std::ostream *out) {
  *out << bytes.toHex(' ').toStdString();
}

namespace orvane::hexview::testing {

inline QByteArray countingBytes(int size) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i * 7 + (i >> 8));
  return bytes;
}

inline QByteArray readAll(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  return file.readAll();
}

inline void writeFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

// The error text of an operation, or an empty text when it succeeded.
template <typename Action>
QString errorOf(Action action) {
  try {
    action();
  } catch (const HexViewError &error) {
    return error.text();
  }
  return {};
}

// A shown, focused control set up as the buffer dialog uses it: 10 bytes per
// row, one byte per column, eight whole rows in view.
class EditorTest : public ::testing::Test {
protected:
  static constexpr int kRowsInView = 8;

  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    editor = std::make_unique<TVelaHexEditor>();
    editor->SetBytesPerRow(10);
    editor->SetBytesPerColumn(1);
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int frame = 2 * editor->frameWidth();
    editor->resize(640, kRowsInView * editor->layout().rowHeight() + frame + 3);
    editor->show();
    editor->activateWindow();
    editor->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    ASSERT_EQ(editor->state().visibleRows(), kRowsInView);
  }

  QString path(const QString &name) const { return dir.filePath(name); }

  void load(const QByteArray &bytes, const QString &name = QStringLiteral("data.bin")) {
    writeFile(path(name), bytes);
    editor->LoadDataFile(path(name));
  }

  void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(editor.get(), static_cast<Qt::Key>(k), modifiers);
  }

  void type(const QString &text) { QTest::keyClicks(editor.get(), text); }

  // A character no key of a US keyboard gives, as a keyboard layout sends it.
  void typeOther(QChar ch) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(editor.get(), &press);
  }

  const Caret &caret() const { return editor->state().caret(); }
  std::uint8_t byteAt(qint64 position) const { return editor->model().at(position); }

  // Viewport point in the middle of a cell of a row counted from the top of
  // the view; rightHalf picks a point in the cell's right half instead.
  QPoint hexPoint(int viewRow, int byte, bool low, bool rightHalf = false) const {
    const HexLayout &l = editor->layout();
    const int nibble = 2 * byte + (low ? 1 : 0);
    const int x = l.hexLeft(nibble) + (rightHalf ? l.hexWidth(nibble) - 2 : 1);
    return {x - editor->horizontalScrollBar()->value(), rowMiddle(viewRow)};
  }
  QPoint charPoint(int viewRow, int byte, bool rightHalf = false) const {
    const HexLayout &l = editor->layout();
    const int x = l.charLeft(byte) + (rightHalf ? l.charWidthAt(byte) - 2 : 1);
    return {x - editor->horizontalScrollBar()->value(), rowMiddle(viewRow)};
  }
  int rowMiddle(int viewRow) const {
    return viewRow * editor->layout().rowHeight() + editor->layout().rowHeight() / 2;
  }

  QWidget *viewport() const { return editor->viewport(); }

  QImage picture() const { return editor->viewport()->grab().toImage(); }

  QTemporaryDir dir;
  std::unique_ptr<TVelaHexEditor> editor;
};

} // namespace orvane::hexview::testing
