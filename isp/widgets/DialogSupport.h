#pragma once

#include <functional>

#include <QObject>

#include "common/widgets/Centre.h"

class QDialog;
class QLineEdit;
class QWidget;

namespace rindle {

class ConversionError;

// The frame every dialog of the programmer has: a fixed size that follows
// its layout, a title bar with only a close box, above its parent window.
void SetFixedDialogFrame(QDialog &dialog);
using common::CentreOnScreen;
// Shows what a typed hexadecimal field holds in upper case, keeping the
// cursor where it was.
void ShowUpperCase(QLineEdit &field);
// A hexadecimal text field of at most maxLength digits, wide enough for
// them in any font, shown in upper case.
QLineEdit *HexField(const char *objectName, int maxLength, QWidget *parent);
// Hands a field that could not be read to the application's general error
// box.
void ReportConversionError(const ConversionError &error);

// The key filter of the dialogs with hexadecimal fields: every key typed
// anywhere in the dialog passes it first. Enter never reaches a control (but
// an open drop-down list, which takes its row with it): it is handed to
// onEnter with the widget that has the focus. In text fields
// Backspace and hex digits pass and every other character is swallowed, and
// so in drop-down lists, open or closed, where a letter would pick a row;
// keys that type nothing (arrows, Tab, Delete, Escape) pass.
class HexKeyFilter : public QObject {
public:
  // Watches the dialog and every widget in it.
  HexKeyFilter(QDialog &dialog, std::function<void(QWidget *focused)> onEnter = {});

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QDialog &dialog_;
  std::function<void(QWidget *)> onEnter_;
};

} // namespace rindle
