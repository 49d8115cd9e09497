#include "isp/widgets/DialogSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>

#include "common/widgets/GuardedApplication.h"
#include "isp/core/HexFields.h"

namespace rindle {

void SetFixedDialogFrame(QDialog &dialog) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  if (dialog.layout())
    dialog.layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void ShowUpperCase(QLineEdit &field) {
  QObject::connect(&field, &QLineEdit::textEdited, &field, [&field](const QString &text) {
    const QString upper = text.toUpper();
    if (upper == text)
      return;
    const int cursor = field.cursorPosition();
    field.setText(upper);
    field.setCursorPosition(cursor);
  });
}

QLineEdit *HexField(const char *objectName, int maxLength, QWidget *parent) {
  auto *field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(objectName));
  field->setMaxLength(maxLength);
  // Room for its digits and the frame, no more: a field never stretches.
  constexpr int kFrameRoom = 16;
  field->setFixedWidth(
      field->fontMetrics().horizontalAdvance(QString(maxLength + 1, QLatin1Char('W'))) +
      kFrameRoom);
  ShowUpperCase(*field);
  return field;
}

void ReportConversionError(const ConversionError &error) {
  auto *app = dynamic_cast<common::GuardedApplication *>(QCoreApplication::instance());
  if (!app)
    throw error;
  app->showError(error.message());
}

HexKeyFilter::HexKeyFilter(QDialog &dialog, std::function<void(QWidget *)> onEnter)
    : QObject(&dialog), dialog_(dialog), onEnter_(std::move(onEnter)) {
  dialog.installEventFilter(this);
  for (QWidget *child : dialog.findChildren<QWidget *>())
    child->installEventFilter(this);
  // A drop-down list's open list is a window of its own.
  for (QComboBox *list : dialog.findChildren<QComboBox *>())
    list->view()->installEventFilter(this);
}

namespace {

// The open list of a drop-down list.
bool IsDropDownView(QObject *watched) {
  auto *view = qobject_cast<QAbstractItemView *>(watched);
  for (QObject *up = view ? view->parent() : nullptr; up != nullptr; up = up->parent()) {
    if (qobject_cast<QComboBox *>(up))
      return true;
  }
  return false;
}

// Controls where a typed character does something: text fields take it, and
// drop-down lists jump to the first row it begins.
bool TakesTypedCharacters(QObject *watched) {
  return qobject_cast<QLineEdit *>(watched) || qobject_cast<QComboBox *>(watched) ||
         IsDropDownView(watched);
}

} // namespace

bool HexKeyFilter::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() != QEvent::KeyPress)
    return QObject::eventFilter(watched, event);
  const auto *key = static_cast<QKeyEvent *>(event);
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
      !IsDropDownView(watched)) { // an open list takes its row with Enter
    if (onEnter_)
      onEnter_(dialog_.focusWidget());
    return true;
  }
  if (!TakesTypedCharacters(watched) || key->text().isEmpty() ||
      (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
    return false; // shortcuts, navigation and editing keys
  const QChar typed = key->text().front();
  if (typed != QChar(u'\b') && (typed.unicode() < 0x20 || typed.unicode() == 0x7F))
    return false; // Tab, Escape, Delete: they type nothing
  return FilterHexKey(typed) == TypedKey::Swallow;
}

} // namespace rindle
