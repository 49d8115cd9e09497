#include "tollen/ui/FillDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tollen::ui {

namespace {

QLineEdit *HexField(const QString &name, int digits, QWidget *parent) {
  auto *edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setMaxLength(digits);
  edit->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,%1}").arg(digits)), edit));
  // Shown in upper case whatever was typed.
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
    if (text != text.toUpper()) {
      const int cursor = edit->cursorPosition();
      edit->setText(text.toUpper());
      edit->setCursorPosition(cursor);
    }
  });
  const QFontMetrics metrics(edit->font());
  edit->setMinimumWidth(metrics.horizontalAdvance(QString(digits + 2, u'W')));
  return edit;
}

} // namespace

FillDialog::FillDialog(Options options, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmFillBuffer"));
  setWindowTitle(options.title);
  start_ = HexField(QStringLiteral("edtStart"), options.addressDigits, this);
  end_ = HexField(QStringLiteral("edtEnd"), options.addressDigits, this);
  data_ = HexField(QStringLiteral("edtData"), 2, this);
  auto *form = new QFormLayout;
  form->addRow(QStringLiteral("Start Address :"), start_);
  form->addRow(QStringLiteral("End Address :"), end_);
  form->addRow(QStringLiteral("Data :"), data_);
  auto *ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton *b : {ok, cancel}) {
    b->setAutoDefault(false);
  }
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(ok, &QPushButton::clicked, this, [this] {
    emit okClicked(start_->text(), end_->text(), data_->text());
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FillDialog::Preset(const QString &start, const QString &end, const QString &data) {
  start_->setText(start);
  end_->setText(end);
  data_->setText(data);
  start_->setFocus();
}

void FillDialog::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept(); // Enter is swallowed
    return;
  }
  QDialog::keyPressEvent(event);
}

} // namespace tollen::ui
