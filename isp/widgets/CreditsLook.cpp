#include "isp/widgets/CreditsLook.h"

#include <QLabel>
#include <QVBoxLayout>

#include "isp/widgets/Pictures.h"

namespace rindle::ui {

namespace {

void SetTextColour(QLabel &label, const QColor &colour) {
  if (!colour.isValid())
    return;
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, colour);
  label.setPalette(palette);
}

QLabel *Caption(const QString &name, const QString &text, int points, const QColor &colour,
                QWidget *parent) {
  auto *label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont font = label->font();
  font.setPointSize(points);
  font.setBold(true);
  label->setFont(font);
  label->setAlignment(Qt::AlignCenter);
  SetTextColour(*label, colour);
  return label;
}

} // namespace

std::vector<QLabel *> AddCredits(QVBoxLayout &layout, const CreditsLook &look, QSize picture,
                                 bool onDark, int titlePoints, int versionPoints) {
  QWidget *parent = layout.parentWidget();
  layout.addWidget(Caption(QStringLiteral("lblTitle"), look.title, titlePoints, look.text, parent));
  layout.addWidget(
      Caption(QStringLiteral("lblVersion"), look.version, versionPoints, look.text, parent));
  auto *image = new QLabel(parent);
  image->setObjectName(QStringLiteral("imgChip"));
  image->setPixmap(ChipPicture(picture, onDark));
  image->setAlignment(Qt::AlignCenter);
  layout.addWidget(image);
  std::vector<QLabel *> labels;
  for (const CreditLineLook &line : look.lines) {
    auto *label = new QLabel(parent);
    label->setObjectName(line.objectName);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setBold(line.bold);
    label->setFont(font);
    SetTextColour(*label, line.colour);
    layout.addWidget(label);
    labels.push_back(label);
  }
  return labels;
}

void FillCredits(const std::vector<QLabel *> &labels, const CreditsLook &look) {
  for (std::size_t i = 0; i < labels.size() && i < look.lines.size(); ++i) {
    const CreditLineLook &line = look.lines[i];
    labels[i]->setText(look.credits ? look.credits(line.line) : QString());
    if (line.tooltipLine != 0 && look.credits)
      labels[i]->setToolTip(look.credits(line.tooltipLine));
  }
}

void PaintBackground(QWidget &widget, const CreditsLook &look) {
  if (!look.background.isValid())
    return;
  widget.setAutoFillBackground(true);
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, look.background);
  palette.setColor(QPalette::WindowText, look.text.isValid() ? look.text : QColor(Qt::white));
  widget.setPalette(palette);
}

} // namespace rindle::ui
