#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

class QTableWidget;
class QScrollBar;
class QPushButton;

namespace tollen::ui {

// A hex table of 16 rows of 16 bytes with headings, beside a vertical
// scroll bar, and a row of buttons under it. The caller chooses the address
// digits, what a scroll step means and which buttons there are.
class BufferGrid : public QDialog {
  Q_OBJECT
public:
  struct Options {
    QString title;
    int addressDigits = 4;
    // The scroll position counts bytes (steps of 16, pages of 256), not rows.
    bool positionCountsBytes = true;
    bool staysOnTop = false;
  };
  using ByteAt = std::function<std::uint8_t(int address)>;

  BufferGrid(Options options, ByteAt byteAt, QWidget *parent = nullptr);

  // Adds a button under the table; returns it for connecting.
  QPushButton *AddButton(const QString &objectName, const QString &caption);
  // The highest scroll position; the position is lowered when above it.
  void SetScrollMaximum(int maximum);
  QScrollBar *ScrollBar() const { return scroll_; }
  // Draws the rows at the scroll bar's position.
  void Redraw();
  // The address of the first row drawn.
  int FirstAddress() const;

private:
  Options options_;
  ByteAt byteAt_;
  QTableWidget *grid_;
  QScrollBar *scroll_;
  QLayout *buttons_;
};

} // namespace tollen::ui
