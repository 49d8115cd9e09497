#pragma once

#include <QDialog>

#include "rindle/app/BufferDialogs.h"

class QLineEdit;
class QPushButton;

namespace rindle {

// Fills an address range of the buffer with one byte. The display dialog
// presets the fields and clears BufferEdited before each showing.
class TfrmFillBuffer : public QDialog {
  Q_OBJECT
public:
  TfrmFillBuffer(IspEngine &engine, common::Prompter &prompter, QWidget *parent = nullptr);

  void Preset(const BufferDisplayModel::FillPreset &preset);
  FillBufferFlow &Flow() { return flow_; }

public slots:
  void btnOKClick();
  void btnCancelClick();

protected:
  void showEvent(QShowEvent *event) override;

private:
  FillBufferFlow flow_;
  QLineEdit *edtStart_;
  QLineEdit *edtEnd_;
  QLineEdit *edtData_;
};

} // namespace rindle
