#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace rindle::ui {

// The fixed help text, 44 characters wide, in four sections.
QString HelpText();

// The help window: the text, bold and fixed-pitch on pale yellow, read-only.
class TfrmHelp : public QDialog {
  Q_OBJECT
public:
  explicit TfrmHelp(QWidget *parent = nullptr);

private:
  QPlainTextEdit *text_;
};

} // namespace rindle::ui
