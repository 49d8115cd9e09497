#pragma once

#include <functional>

#include <QDialog>

class QPushButton;

namespace rindle::ui {

// A bar gauge: green over white from the left, framed, with the percentage
// done in bold in its middle unless the text is hidden.
class TGauge : public QWidget {
  Q_OBJECT
public:
  explicit TGauge(QWidget *parent = nullptr);
  void setMaxValue(int maximum);
  void setProgress(int position);
  int maxValue() const { return max_; }
  int progress() const { return position_; }
  // position x 100 / maximum, truncated; 0 for a maximum of 0.
  int percentDone() const;
  QString text() const;
  void setTextVisible(bool visible);
  bool isTextVisible() const { return textVisible_; }
  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  int max_ = 100;
  int position_ = 0;
  bool textVisible_ = true;
};

// The progress window of the long chip operations. It cannot be closed from
// its frame; Cancel asks the engine to stop and closes it. The older edition
// shows a plain bar, without the percentage.
class TfrmCmdSts : public QDialog {
  Q_OBJECT
public:
  enum class Percentage { Shown, Hidden };
  explicit TfrmCmdSts(Percentage percentage = Percentage::Shown, QWidget *parent = nullptr);

  // Called by Cancel before the window closes.
  std::function<void()> onCancel;

  // Title, gauge at 0 of maximum, shown without waiting and painted at once.
  void start(const QString &title, int maximum);
  TGauge *gauge() const { return gauge_; }

public slots:
  void Button1Click();
  // Escape and the frame do not close it.
  void reject() override {}

protected:
  void showEvent(QShowEvent *event) override;

private:
  TGauge *gauge_;
  QPushButton *cancel_;
};

} // namespace rindle::ui
