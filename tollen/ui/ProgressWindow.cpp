#include "tollen/ui/ProgressWindow.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tollen::ui {

ProgressWindow::ProgressWindow(Options options, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmCmdSts"));
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("Gauge1"));
  bar_->setTextVisible(options.showPercentage);
  bar_->setMinimumWidth(320);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("Button1"));
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  layout->addWidget(cancel_, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    close();
    emit cancelled();
  });
}

void ProgressWindow::Start(const QString &caption, int maximum) {
  setWindowTitle(caption);
  bar_->setRange(0, maximum);
  bar_->setValue(0);
  show();
  raise();
  repaint();
}

void ProgressWindow::SetPosition(int position) { bar_->setValue(position); }

int ProgressWindow::Position() const { return bar_->value(); }

int ProgressWindow::Maximum() const { return bar_->maximum(); }

} // namespace tollen::ui
