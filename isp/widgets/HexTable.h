#pragma once

#include <functional>

#include <QWidget>

class QScrollBar;
class QTableWidget;

namespace rindle {

// 16 rows of 16 bytes under a heading row "00".."0F", an address column on
// the left, and a vertical scroll bar beside them; the wheel over the table
// and the keyboard move the scroll bar. What a scroll position means is the owner's: it
// gives the texts of a row at a position, and the steps.
class HexTable : public QWidget {
  Q_OBJECT
public:
  static constexpr int kRows = 16;
  static constexpr int kBytesPerRow = 16;

  struct Options {
    int addressDigits = 5;
    int singleStep = 1;   // arrow keys and arrow buttons
    int pageStep = kRows; // Page Up / Page Down
    int wheelStep = 3;    // one notch of the wheel
  };
  // The address column's text of row r at a position, and the byte cells'.
  using RowHeading = std::function<QString(int position, int row)>;
  using CellText = std::function<QString(int position, int row, int column)>;

  HexTable(Options options, RowHeading heading, CellText cell, QWidget *parent = nullptr);

  // Sizes the cells to the font and writes the heading row.
  void InitDataGrid();
  // Writes the rows shown at a position.
  void UpdateGridDisp(int position);
  // The rows at the scroll bar's position.
  void Redraw();
  // The highest position; a larger one is lowered without a redraw.
  void SetScrollMaximum(int maximum);
  QScrollBar *scrollBar() const { return scrollBar_; }
  QTableWidget *grid() const { return strGrid_; }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  Options options_;
  RowHeading heading_;
  CellText cell_;
  QTableWidget *strGrid_;
  QScrollBar *scrollBar_;
};

} // namespace rindle
