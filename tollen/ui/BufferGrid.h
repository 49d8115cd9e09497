#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

class QBoxLayout;
class QPushButton;
class QScrollBar;

namespace rindle {
class HexTable;
}

namespace tollen::ui {

// The buffer display of the older edition: the programmer's hex table, whose
// scroll position counts bytes (steps of 16, pages of 256), with four-digit
// addresses and a row of buttons under it.
class BufferGrid : public QDialog {
  Q_OBJECT
public:
  using ByteAt = std::function<std::uint8_t(int address)>;

  BufferGrid(const QString &title, ByteAt byteAt, QWidget *parent = nullptr);

  // Adds a button under the table; returns it for connecting.
  QPushButton *AddButton(const QString &objectName, const QString &caption);
  // The highest scroll position; the position is lowered when above it.
  void SetScrollMaximum(int maximum);
  QScrollBar *ScrollBar() const;
  // Draws the rows at the scroll bar's position.
  void Redraw();

private:
  ByteAt byteAt_;
  rindle::HexTable *table_;
  QBoxLayout *buttons_;
};

} // namespace tollen::ui
