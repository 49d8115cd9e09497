#pragma once

#include <QColor>
#include <QDialog>
#include <QString>
#include <array>
#include <functional>

class QLabel;
class QTimer;

namespace tollen::ui {

// What the splash and about windows show: the program's title and version,
// a picture and three credit lines, in the colours given.
struct CreditsLook {
  QString title;
  QString version;
  QColor panel;       // background; invalid = the window's own
  QColor text;        // title and version
  std::array<QColor, 3> lines;
  bool lastLineBold = false;
  std::array<QString, 3> credits;
};

// The picture both windows show: a chip with its pins.
QPixmap ChipPicture(int width, int height);

// No title bar, on top, centred; closes itself once Timer1 fires.
class SplashWindow : public QDialog {
  Q_OBJECT
public:
  SplashWindow(const CreditsLook &look, int showMilliseconds, QWidget *parent = nullptr);
  // Shows the window and starts Timer1.
  void Start();

public slots:
  void Timer1Timer();

private:
  QTimer *timer_;
};

// Fixed dialog, on top, centred, with an "OK" button that closes it; each
// showing sounds the beep it was given.
class AboutWindow : public QDialog {
  Q_OBJECT
public:
  AboutWindow(const QString &caption, const CreditsLook &look, std::function<void()> beep,
              QWidget *parent = nullptr);

protected:
  void showEvent(QShowEvent *event) override;

private:
  std::function<void()> beep_;
};

} // namespace tollen::ui
