#pragma once

#include "common/Prompter.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace orvane {

namespace hexview {
class TVelaHexEditor;
}

// "Buffer View": the image in the hex view, with a search. OK saves the
// view's data to the file the dialog was opened on.
class TfrmHexEdit : public QDialog {
  Q_OBJECT
public:
  explicit TfrmHexEdit(common::Prompter &prompter, QWidget *parent = nullptr);

  // Loads the file into the view and shows the dialog modally; true for OK.
  bool execOn(const QString &path);

  hexview::TVelaHexEditor *editor() const { return VelaHexEditor1_; }

  void btnOKClick();
  void btnSearchClick();

private:
  void errorBox(const QString &text);

  common::Prompter &prompter_;
  QString path_;
  hexview::TVelaHexEditor *VelaHexEditor1_;
  QCheckBox *chkFindHex_;
  QCheckBox *chkIgnoreCase_;
  QLineEdit *txtSearch_;
  QPushButton *btnSearch_;
};

} // namespace orvane
