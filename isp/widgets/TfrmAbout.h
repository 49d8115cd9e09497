#pragma once

#include <functional>
#include <vector>

#include <QDialog>

#include "isp/widgets/CreditsLook.h"

class QLabel;

namespace rindle::ui {

// The about window: name, version, a picture and the credit lines; it beeps
// each time it is shown and is closed with its close box or, when it has
// one, its "OK" button (cmdOK).
class TfrmAbout : public QDialog {
  Q_OBJECT
public:
  enum class OkButton { None, Shown };
  TfrmAbout(const QString &caption, CreditsLook look, OkButton ok, QWidget *parent = nullptr);
  // The system beep; a test counts it instead.
  std::function<void()> beep;

protected:
  void showEvent(QShowEvent *event) override;

private:
  CreditsLook look_;
  std::vector<QLabel *> lines_;
};

} // namespace rindle::ui
