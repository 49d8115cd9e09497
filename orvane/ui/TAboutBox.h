#pragma once

#include "orvane/ui/WebLinks.h"

#include <QDialog>

namespace orvane {

class THyperlinkLabel;

// "About": the product name, its version and links to the maker's pages.
class TAboutBox : public QDialog {
  Q_OBJECT
public:
  explicit TAboutBox(QWidget *parent = nullptr);
  void setOpener(const UrlOpener &opener);

private:
  THyperlinkLabel *lblHome_;
  THyperlinkLabel *lblProduct_;
};

} // namespace orvane
