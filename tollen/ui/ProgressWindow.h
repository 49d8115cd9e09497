#pragma once

#include <QDialog>

class QProgressBar;
class QPushButton;

namespace tollen::ui {

// The window long chip operations show: a bar and a "Cancel" button. No
// title-bar buttons, on top, centred. Whether the bar writes its percentage
// is the caller's choice.
class ProgressWindow : public QDialog {
  Q_OBJECT
public:
  struct Options {
    bool showPercentage = false;
  };
  ProgressWindow(Options options, QWidget *parent = nullptr);

  // Shown without waiting, at position 0 of `maximum`.
  void Start(const QString &caption, int maximum);
  void SetPosition(int position);
  int Position() const;
  int Maximum() const;

signals:
  // Cancel pressed; the window has closed itself.
  void cancelled();

private:
  QProgressBar *bar_;
  QPushButton *cancel_;
};

} // namespace tollen::ui
