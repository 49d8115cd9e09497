#pragma once

#include <array>
#include <functional>

#include <QDialog>

#include "rindle/app/OptionsModel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace common {
class Prompter;
}

namespace rindle {

// How the cable is wired (port, pins, inversions, idle presets) and the
// three engine options. Apply and Default change the wiring at once; the
// option boxes are taken when the dialog closes, however it closes. Under
// the port choice one line says what the stored port address reaches on this
// machine; the program sets how that is found out (SetPortDiagnosis), by
// default by looking for the parport device that serves the address.
class TfrmOptions : public QDialog {
  Q_OBJECT
public:
  using PortDiagnosis = std::function<QString(quint16 base)>;

  TfrmOptions(IspEngine &engine, common::Prompter &prompter, QWidget *parent = nullptr);

  void SetPortDiagnosis(PortDiagnosis diagnosis) { diagnosis_ = std::move(diagnosis); }

  void FormShow();
  void done(int result) override;

public slots:
  void cbPortChange();
  void cmdApplyClick();
  void cmdDefaultClick();

protected:
  void showEvent(QShowEvent *event) override;

private:
  OptionsForm ReadForm() const;
  void ShowForm(const OptionsForm &form);
  void RefreshPortState();

  IspEngine &engine_;
  OptionsModel model_;
  PortDiagnosis diagnosis_;
  QComboBox *cbPort_;
  QLineEdit *edtPort_;
  QLabel *lblPortState_;
  std::array<QComboBox *, OptionsForm::LineCount> pins_{};
  std::array<QCheckBox *, OptionsForm::LineCount> inverts_{};
  QLineEdit *edtData_;
  QLineEdit *edtCtrl_;
  QCheckBox *chkVerify_;
  QCheckBox *chkOscFlash_;
  QCheckBox *chkOscE2_;
};

} // namespace rindle
