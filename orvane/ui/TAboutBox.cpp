#include "orvane/ui/TAboutBox.h"

#include "orvane/core/LoaderSettings.h"
#include "orvane/ui/THyperlinkLabel.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvane {

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));

  auto *product = new QLabel(QStringLiteral("Orvane"), this);
  product->setObjectName(QStringLiteral("ProductName"));
  QFont big = product->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  product->setFont(big);
  auto *version = new QLabel(QStringLiteral("Version :") + LoaderSettings::GetVersionText(), this);
  version->setObjectName(QStringLiteral("Version"));
  auto *maker = new QLabel(QStringLiteral("Kelmora Technologies"), this);
  maker->setObjectName(QStringLiteral("Copyright"));

  lblHome_ = new THyperlinkLabel(weblinks::kMakerHome, this);
  lblHome_->setObjectName(QStringLiteral("lblHomePage"));
  lblProduct_ = new THyperlinkLabel(weblinks::kOrvanePage, this);
  lblProduct_->setObjectName(QStringLiteral("lblProductPage"));

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(product);
  layout->addWidget(version);
  layout->addWidget(maker);
  layout->addSpacing(8);
  layout->addWidget(lblHome_);
  layout->addWidget(lblProduct_);
  layout->addSpacing(8);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::setOpener(const UrlOpener &opener) {
  lblHome_->setOpener(opener);
  lblProduct_->setOpener(opener);
}

} // namespace orvane
