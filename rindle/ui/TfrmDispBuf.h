#pragma once

#include <QDialog>

#include "rindle/app/BufferDialogs.h"

namespace rindle {

class HexTable;
class TfrmFillBuffer;
class TfrmEditBuffer;

// The buffer as a table of 16 rows of 16 bytes with a scroll bar, whose
// position is kept between showings, and the buttons that clear, fill and
// edit it. The fill and edit dialogs are created once by the main window and
// handed over with SetBufferDialogs before the first showing.
//
// What the main window does on its signals:
// - flashCleared(): show engine.Checksum (already recomputed) and refresh the
//   status bar, the program file name being gone;
// - eepromCleared(): the EEPROM file name is gone;
// - bufferEdited(): after a fill or edit that changed the buffer: the file
//   commands' BufferEdited, which drops the file names when the checksum
//   moved.
class TfrmDispBuf : public QDialog {
  Q_OBJECT
public:
  TfrmDispBuf(IspEngine &engine, common::Prompter &prompter, QWidget *parent = nullptr);

  void SetBufferDialogs(TfrmFillBuffer &fill, TfrmEditBuffer &edit);

  void FormShow();
  void InitDataGrid();
  void UpdateGridDisp(int position);

public slots:
  void ScrollBar1Scroll();
  void cmdClrFlashClick();
  void cmdClrE2Click();
  void cmdFillBufferClick();
  void cmdEditClick();

signals:
  void flashCleared();
  void eepromCleared();
  void bufferEdited();

protected:
  void showEvent(QShowEvent *event) override;

private:
  void Redraw();
  // Clears BufferEdited, presets and shows a fill or edit dialog, then
  // redraws and tells the main window when the buffer was edited.
  template <class Dialog, class Preset>
  void RunBufferDialog(Dialog *dialog, const Preset &preset);

  BufferDisplayModel model_;
  TfrmFillBuffer *fill_ = nullptr;
  TfrmEditBuffer *edit_ = nullptr;
  HexTable *table_;
};

} // namespace rindle
