#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace rindle::ui {

// The start-up window: no frame, on top, centred; it closes and frees
// itself when Timer1 fires, 2000 ms after it was shown.
class TfrmSplash : public QWidget {
  Q_OBJECT
public:
  explicit TfrmSplash(QWidget *parent = nullptr);
  QTimer *timer() const { return timer_; }

public slots:
  void Timer1Timer();

protected:
  void showEvent(QShowEvent *event) override;

private:
  QLabel *lblAboutM2_;
  QLabel *lblAboutM3_;
  QTimer *timer_;
};

} // namespace rindle::ui
