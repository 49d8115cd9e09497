#pragma once

#include "common/Prompter.h"
#include "orvane/core/LoaderCore.h"
#include "orvane/link/ComDataPacket.h"
#include "orvane/link/ComPort.h"
#include "orvane/link/Sequencer.h"
#include "orvane/link/SequencerHost.h"
#include "orvane/session/LoaderSession.h"
#include "orvane/ui/HistoryMenu.h"
#include "orvane/ui/WebLinks.h"

#include <QMainWindow>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTextEdit;

namespace orvane {

class TAboutBox;
class TfrmDevices;
class TfrmHexEdit;
class THyperlinkLabel;

struct LoaderOptions {
  // Opens web addresses and the user guide.
  UrlOpener opener = desktopOpener();
  // The emulated box's terminal: listed in the port box and selected.
  QString simulatedPort;
  // Where the Open dialog starts on a first start.
  QString examplesFolder;
};

// The loader's main window: hardware model and port, the file and the
// device, the function list and the status log. The loader's state lives in
// the session it owns; the window shows it, passes the user's actions on and
// keeps the session's status log.
class TSDIAppForm : public QMainWindow, public StatusLog {
  Q_OBJECT
public:
  TSDIAppForm(const QString &programPath, common::Prompter &prompter, LoaderOptions options = {});
  // On a session already made (a dry run's box started).
  TSDIAppForm(std::unique_ptr<LoaderSession> session, common::Prompter &prompter,
              LoaderOptions options = {});
  ~TSDIAppForm() override;

  // The dialogs, created after this window.
  void attachWindows(TAboutBox *about, TfrmHexEdit *hexEdit, TfrmDevices *devices);

  LoaderSession &session() { return *session_; }
  LoaderCore &core() { return core_; }
  Sequencer &sequencer() { return session_->sequencer(); }
  ComPort &port() { return session_->port(); }
  bool Busy() const { return session_->Busy(); }

  // StatusLog.
  void AddStatus(const QString &text, bool result) override;
  void ClearStatus() override;
  void SelectFunction(int index) override;
  void BusyChanged(bool busy) override;

  // Handlers.
  void FormCreate();
  void FormActivate();
  void FormClose();
  void LoadCombo();
  void cmbModelChange();
  void SerialComboChange();
  void functionListClick();
  void functionListDblClick();
  void btnFunctionClick();
  void BitBtn1Click();
  void btnBrowseClick();
  void btnBufferViewClick();
  void SelectDevice1Click();
  void ClearRecentDevices1Click();
  void chkVerifyClick();
  void chkLockClick();
  void chkReloadFileClick();
  void FileSave1Execute();
  void FileExit1Execute();
  void HelpTopics1Click();
  void HelpAbout1Execute();
  void KelmorasHomePage1Click();
  void Inter1Click();
  void MicrocontrollerDesignProjects1Click();
  void OrvanePage1Click();

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void buildWindow();
  void buildMenus();
  QWidget *buildTopBar();
  QWidget *buildDeviceGroup();
  QWidget *buildPositionGroup();
  QWidget *buildFileGroup();
  QWidget *buildStatusGroup();
  QWidget *buildCommandsGroup();
  QWidget *buildOptionsGroup();
  void ModelChange();
  void DeviceSelect();
  void showFile();
  void showDevice();
  void open(const QString &address);
  void errorBox(const QString &text);
  // Runs the function selected in the list.
  void executeSelected();

  common::Prompter &prompter_;
  LoaderOptions options_;
  std::unique_ptr<LoaderSession> session_;
  LoaderCore &core_;
  HistoryMenu recentFilesMenu_;
  HistoryMenu recentDevicesMenu_;
  bool firstActivation_ = false;
  bool closed_ = false;

  TAboutBox *about_ = nullptr;
  TfrmHexEdit *hexEdit_ = nullptr;
  TfrmDevices *devices_ = nullptr;

  // Controls.
  QComboBox *cmbModel_ = nullptr;
  THyperlinkLabel *lblModel_ = nullptr;
  QComboBox *SerialCombo_ = nullptr;
  QLabel *lblType_ = nullptr;
  QLabel *lblDevice_ = nullptr;
  QLabel *lblFlash_ = nullptr;
  QLabel *lblEEPROM_ = nullptr;
  QLabel *imgDevice_ = nullptr;
  QLineEdit *txtFileName_ = nullptr;
  QLabel *lblModified_ = nullptr;
  QLabel *lblBytesLoaded_ = nullptr;
  QCheckBox *chkReloadFile_ = nullptr;
  QTextEdit *ctlStatus_ = nullptr;
  int statusLines_ = 0;
  QCheckBox *chkVerify_ = nullptr;
  QCheckBox *chkLock_ = nullptr;
  QListWidget *functionList_ = nullptr;
  QPushButton *btnFunction_ = nullptr;
  QPushButton *btnAuto_ = nullptr;
  QMenu *recentFiles_ = nullptr;
  QMenu *recentDevices_ = nullptr;
};

} // namespace orvane
