#pragma once

#include <vector>

#include <QWidget>

#include "isp/widgets/CreditsLook.h"

class QLabel;
class QTimer;

namespace rindle::ui {

// The start-up window: no frame, on top, centred; it closes and frees
// itself when Timer1 fires, the given time after it was shown.
class TfrmSplash : public QWidget {
  Q_OBJECT
public:
  TfrmSplash(CreditsLook look, int showMilliseconds, QWidget *parent = nullptr);
  QTimer *timer() const { return timer_; }

public slots:
  void Timer1Timer();

protected:
  void showEvent(QShowEvent *event) override;

private:
  CreditsLook look_;
  std::vector<QLabel *> lines_;
  QTimer *timer_;
};

} // namespace rindle::ui
