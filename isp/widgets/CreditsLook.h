#pragma once

#include <functional>
#include <vector>

#include <QColor>
#include <QSize>
#include <QString>

class QLabel;
class QVBoxLayout;
class QWidget;

namespace rindle::ui {

// One credit line of the splash or about window.
struct CreditLineLook {
  QString objectName; // "lblAboutM1" ...
  int line = 1;       // which line of the credits
  QColor colour;      // invalid: the window's text colour
  bool bold = false;
  int tooltipLine = 0; // 0: no tooltip
};

// What a program's splash and about windows show: its name and version, a
// picture of a chip and its credit lines, in the program's colours.
struct CreditsLook {
  QString title;
  QString version;
  QColor background; // invalid: the window's own
  QColor text;       // title and version; invalid: the window's own
  std::vector<CreditLineLook> lines;
  // The text of credit line n; the program keeps them as it likes.
  std::function<QString(int)> credits;
};

// Adds title, version, picture and the (still empty) credit lines to
// `layout`; returns the credit labels in the order of look.lines.
std::vector<QLabel *> AddCredits(QVBoxLayout &layout, const CreditsLook &look, QSize picture,
                                 bool onDark, int titlePoints, int versionPoints);

// Fills the credit labels from the look's credits, tooltips included.
void FillCredits(const std::vector<QLabel *> &labels, const CreditsLook &look);

// Paints `widget` in the look's background colour, when it has one.
void PaintBackground(QWidget &widget, const CreditsLook &look);

} // namespace rindle::ui
