#pragma once

#include <QDialog>

#include "rindle/app/BufferDialogs.h"

class QLineEdit;

namespace rindle {

// Steps through the buffer one cell at a time: an address and its byte,
// Enter in the address field to go there, Enter in the data field (or the
// step buttons) to store the byte and move on. The display dialog presets
// the fields and clears BufferEdited before each showing.
class TfrmEditBuffer : public QDialog {
  Q_OBJECT
public:
  TfrmEditBuffer(IspEngine &engine, common::Prompter &prompter, QWidget *parent = nullptr);

  void Preset(const BufferDisplayModel::EditPreset &preset);
  EditBufferFlow &Flow() { return flow_; }

public slots:
  void btnOKClick();
  void IncrementAdr();
  void DecrementAdr();

protected:
  void showEvent(QShowEvent *event) override;

private:
  void FormKeyEnter(QWidget *focused);
  void Show(const std::optional<EditBufferFlow::Fields> &fields);
  void ShowStep(const std::optional<EditBufferFlow::Fields> &fields);

  EditBufferFlow flow_;
  QLineEdit *edtAdr_;
  QLineEdit *edtData_;
};

} // namespace rindle
