#pragma once

#include <functional>

#include <QMainWindow>
#include <QPointer>

#include "rindle/app/IspApp.h"
#include "rindle/app/OperationView.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace rindle::ui {

class TfrmAbout;
class TfrmCmdSts;
class TfrmHelp;
class TfrmSplash;

// The programmer's main window. It holds no chip or file logic: each handler
// calls the application layer and then shows its fields.
class TfrmMain : public QMainWindow, public OperationView {
  Q_OBJECT
public:
  // Runs the engine's start-up (FormCreate) before any other window exists.
  explicit TfrmMain(IspApp &app, bool simulated = false, QWidget *parent = nullptr);

  // The windows created after this one.
  void setWindows(TfrmAbout *about, TfrmSplash *splash, TfrmCmdSts *progress, TfrmHelp *help);

  // Where the dialogs of the fuse bytes, the buffer and the options are
  // opened (modally); the program points them at its dialogs.
  std::function<void()> showFuseBytes;
  // The fuse dialog's write-back of its boxes, run once more after it closed.
  std::function<void()> updateConfigFuseBytes;
  std::function<void()> showDispBuffer;
  std::function<void()> showOptions;

  // A buffer dialog changed the buffer.
  void bufferEditedByDialog();
  // Shows the application layer's fields, lock boxes and status text.
  void showFields();

  // OperationView
  void showProgress(const QString &title, int maximum) override;
  void setProgress(int position) override;
  void closeProgress() override;
  void setMainEnabled(bool enabled) override;
  void setBusyCursor(bool busy) override;
  void processEvents() override;
  void fieldsChanged() override { showFields(); }

public slots:
  void cboTypeChange(int row);
  void chkLB1Click();
  void chkLB2Click();
  void chkLB3Click();
  void cmdReadClick();
  void cmdWriteClick();
  void cmdVerifyClick();
  void cmdSignatureClick();
  void cmdLockBitsClick();
  void cmdEraseClick();
  void cmdBlankClick();
  void cmdDispBufferClick();
  void cmdReloadFileClick();
  void cmdOpenFileClick();
  void cmdResetMouseDown();
  void cmdResetMouseUp();
  void cmdAboutClick();
  void cmdFuseBytesClick();
  void mnuFileOpenClick();
  void mnuFileSaveClick();
  void mnuFileOpenE2Click();
  void mnuFileSaveE2Click();
  void mnuFileExitClick();
  void mnuHelpClick();
  void mnuOptClick();

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QPushButton *button(const char *name, const QString &caption, const QString &hint);
  void buildMenus();
  void buildControls();
  void lockBoxClicked(int bit, QCheckBox *box);
  // A command of the application layer, then its fields shown.
  void run(void (IspApp::*command)());

  IspApp &app_;
  QPointer<TfrmAbout> about_;
  QPointer<TfrmSplash> splash_;
  QPointer<TfrmCmdSts> progress_;
  QPointer<TfrmHelp> help_;
  bool splashShown_ = false;
  bool closed_ = false;

  QComboBox *cboType_ = nullptr;
  QCheckBox *chkLB1_ = nullptr;
  QCheckBox *chkLB2_ = nullptr;
  QCheckBox *chkLB3_ = nullptr;
  QPushButton *cmdFuseBytes_ = nullptr;
  QPushButton *cmdReset_ = nullptr;
  QLineEdit *edtCSdata_ = nullptr;
  QLineEdit *edtSig_ = nullptr;
  QLineEdit *edtCalib_ = nullptr;
  QLabel *status_ = nullptr;
  QLabel *statusTaken_ = nullptr;
};

} // namespace rindle::ui
