#pragma once

#include <functional>
#include <memory>

#include <QDialog>

#include "rindle/app/BufferDialogs.h"

class QLineEdit;
class QPushButton;

namespace rindle {

// Fills an address range of the buffer with one byte: start and end address
// and the data byte, typed in hexadecimal. The display dialog presets the
// fields (and clears BufferEdited) before each showing.
class TfrmFillBuffer : public QDialog {
  Q_OBJECT
public:
  using OkHandler =
      std::function<void(const QString &start, const QString &end, const QString &data)>;
  // Five-digit addresses, filled through this programmer's own flow.
  TfrmFillBuffer(IspEngine &engine, common::Prompter &prompter, QWidget *parent = nullptr);
  // Addresses of at most addressDigits digits; OK hands the three texts to
  // onOk, which checks them and fills.
  TfrmFillBuffer(int addressDigits, OkHandler onOk, QWidget *parent = nullptr);

  void Preset(const QString &start, const QString &end, const QString &data);
  void Preset(const BufferDisplayModel::FillPreset &preset);
  // Only for the dialog made with an engine.
  FillBufferFlow &Flow() { return *flow_; }

public slots:
  void btnOKClick();
  void btnCancelClick();

protected:
  void showEvent(QShowEvent *event) override;

private:
  std::unique_ptr<FillBufferFlow> flow_;
  OkHandler onOk_;
  QLineEdit *edtStart_;
  QLineEdit *edtEnd_;
  QLineEdit *edtData_;
};

} // namespace rindle
