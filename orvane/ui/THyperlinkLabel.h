#pragma once

#include "orvane/ui/WebLinks.h"

#include <QColor>
#include <QFont>
#include <QLabel>

namespace orvane {

// A text label that opens a web address when clicked: HyperlinkPrefix +
// TargetURL, or + its own caption when TargetURL is empty. It shows a hand
// cursor, takes HoverColor and HoverFontStyle while the mouse is over it and
// ClickedHyperlinkColor once an address was opened.
class THyperlinkLabel : public QLabel {
  Q_OBJECT
public:
  explicit THyperlinkLabel(const QString &text, QWidget *parent = nullptr);

  QString HyperlinkPrefix;
  QString TargetURL;
  bool UseHoverColor = true;
  bool UseHoverFontStyle = true;
  bool UseClickedHyperlinkColor = true;
  QColor HoverColor = Qt::red;
  QColor ClickedHyperlinkColor = QColor(0x80, 0x00, 0x80);
  // Bold, underline: the parts of the font style taken on hover.
  bool HoverBold = false;
  bool HoverUnderline = true;

  QColor color() const { return color_; }
  void setColor(const QColor &color);
  void setBold(bool bold);
  void setUnderline(bool underline);

  void setOpener(UrlOpener opener) { opener_ = std::move(opener); }
  // The address a click opens.
  QString address() const;
  // Opens the address; throws without a parent window.
  void Navigate();

protected:
  void enterEvent(QEnterEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  void applyLook(const QColor &color, bool bold, bool underline);

  UrlOpener opener_;
  QColor color_ = Qt::blue;
  bool bold_ = false;
  bool underline_ = true;
  bool hovering_ = false;
};

} // namespace orvane
