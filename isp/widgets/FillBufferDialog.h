#pragma once

#include <functional>

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace rindle {

// Fills an address range of the buffer with one byte: start and end address
// and the data byte, typed in hexadecimal. OK hands the three texts to the
// programmer's own fill, which checks them and fills; the dialog closes
// afterwards in every case.
class FillBufferDialog : public QDialog {
  Q_OBJECT
public:
  using OkHandler =
      std::function<void(const QString &start, const QString &end, const QString &data)>;
  // Addresses of at most addressDigits digits.
  FillBufferDialog(int addressDigits, OkHandler onOk, QWidget *parent = nullptr);

  void Preset(const QString &start, const QString &end, const QString &data);

public slots:
  void btnOKClick();
  void btnCancelClick();

protected:
  void showEvent(QShowEvent *event) override;
  void SetOkHandler(OkHandler onOk) { onOk_ = std::move(onOk); }

private:
  OkHandler onOk_;
  QLineEdit *edtStart_;
  QLineEdit *edtEnd_;
  QLineEdit *edtData_;
};

} // namespace rindle
