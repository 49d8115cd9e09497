#pragma once

#include <QDialog>

class QLineEdit;

namespace tollen::ui {

// Start and end address and one data byte, typed in hexadecimal. Only hex
// digits can be typed (shown in upper case); Enter does nothing. OK reports
// the three texts and closes; Cancel closes.
class FillDialog : public QDialog {
  Q_OBJECT
public:
  struct Options {
    QString title;
    int addressDigits = 4;
  };
  explicit FillDialog(Options options, QWidget *parent = nullptr);

  void Preset(const QString &start, const QString &end, const QString &data);

signals:
  void okClicked(const QString &start, const QString &end, const QString &data);

protected:
  void keyPressEvent(QKeyEvent *event) override;

private:
  QLineEdit *start_;
  QLineEdit *end_;
  QLineEdit *data_;
};

} // namespace tollen::ui
