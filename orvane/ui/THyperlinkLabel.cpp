#include "orvane/ui/THyperlinkLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <stdexcept>

namespace orvane {

UrlOpener desktopOpener() {
  return [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

THyperlinkLabel::THyperlinkLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent), opener_(desktopOpener()) {
  setCursor(Qt::PointingHandCursor);
  applyLook(color_, bold_, underline_);
}

void THyperlinkLabel::setColor(const QColor &color) {
  color_ = color;
  if (!hovering_)
    applyLook(color_, bold_, underline_);
}

void THyperlinkLabel::setBold(bool bold) {
  bold_ = bold;
  if (!hovering_)
    applyLook(color_, bold_, underline_);
}

void THyperlinkLabel::setUnderline(bool underline) {
  underline_ = underline;
  if (!hovering_)
    applyLook(color_, bold_, underline_);
}

void THyperlinkLabel::applyLook(const QColor &color, bool bold, bool underline) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, color);
  setPalette(p);
  QFont f = font();
  f.setBold(bold);
  f.setUnderline(underline);
  setFont(f);
}

QString THyperlinkLabel::address() const {
  return HyperlinkPrefix + (TargetURL.isEmpty() ? text() : TargetURL);
}

void THyperlinkLabel::Navigate() {
  if (!parentWidget())
    throw std::runtime_error("THyperlinkLabel.Navigate() Parent must be assigned.");
  const bool opened = opener_ && opener_(QUrl(address()));
  if (opened && UseClickedHyperlinkColor)
    color_ = ClickedHyperlinkColor;
  if (!hovering_)
    applyLook(color_, bold_, underline_);
}

void THyperlinkLabel::enterEvent(QEnterEvent *event) {
  hovering_ = true;
  applyLook(UseHoverColor ? HoverColor : color_, UseHoverFontStyle ? HoverBold || bold_ : bold_,
            UseHoverFontStyle ? HoverUnderline : underline_);
  QLabel::enterEvent(event);
}

void THyperlinkLabel::leaveEvent(QEvent *event) {
  hovering_ = false;
  applyLook(color_, bold_, underline_);
  QLabel::leaveEvent(event);
}

void THyperlinkLabel::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    Navigate();
  QLabel::mouseReleaseEvent(event);
}

} // namespace orvane
