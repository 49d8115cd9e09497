#pragma once

#include <functional>

#include <QDialog>

class QLabel;

namespace rindle::ui {

// The about window: name, version, a picture and the credit lines; it beeps
// each time it is shown and is closed with its close box.
class TfrmAbout : public QDialog {
  Q_OBJECT
public:
  explicit TfrmAbout(QWidget *parent = nullptr);
  // The system beep; a test counts it instead.
  std::function<void()> beep;

protected:
  void showEvent(QShowEvent *event) override;

private:
  QLabel *lblAboutM1_;
  QLabel *lblAboutM2_;
};

} // namespace rindle::ui
