#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

#include "common/Prompter.h"
#include "tollen/engine/MainCommands.h"
#include "tollen/engine/TollenEngine.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

#include "isp/widgets/CreditsLook.h"

namespace rindle {
class FillBufferDialog;
}
namespace rindle::ui {
class TfrmAbout;
class TfrmCmdSts;
class TfrmSplash;
} // namespace rindle::ui

namespace tollen::ui {

class BufferGrid;
class FuseBitsDialog;

// The three credit lines of the splash and about windows.
std::array<QString, 3> CreditLines();
// White on teal, the third line in aqua.
rindle::ui::CreditsLook SplashLook();
// Navy captions, the third line green and bold.
rindle::ui::CreditsLook AboutLook();
// How long the splash stays.
inline constexpr int kSplashMilliseconds = 1500;

// The main window TfrmMain and the windows it owns. Every control calls the
// command of the same name; the window only draws what the commands keep.
class MainWindow : public QMainWindow, private MainView {
  Q_OBJECT
public:
  struct Options {
    // Sounds the about window's beep; empty = the system's.
    std::function<void()> beep;
    // Show the splash when the window is first shown.
    bool splash = true;
  };
  // The window of a session.
  MainWindow(Session &session, Options options, QWidget *parent = nullptr);
  // The window on an engine owned elsewhere.
  MainWindow(TollenEngine &engine, common::Prompter &prompter, Options options,
             QWidget *parent = nullptr);
  ~MainWindow() override;

  MainCommands &Commands() { return commands_; }
  // The other windows, for tests and screenshots.
  rindle::ui::TfrmCmdSts *Progress() const { return progress_; }
  FuseBitsDialog *FuseDialog() const { return fuses_; }
  BufferGrid *BufferDisplay() const { return buffer_; }
  rindle::FillBufferDialog *Fill() const { return fill_; }
  rindle::ui::TfrmAbout *About() const { return about_; }
  rindle::ui::TfrmSplash *Splash() const;

public slots:
  void cboTypeChange(int row);
  void cmdReadClick() { commands_.cmdReadClick(); }
  void cmdWriteClick() { commands_.cmdWriteClick(); }
  void cmdVerifyClick() { commands_.cmdVerifyClick(); }
  void cmdSignatureClick() { commands_.cmdSignatureClick(); }
  void cmdLockBitsClick() { commands_.cmdLockBitsClick(); }
  void cmdOpenFileClick() { commands_.cmdOpenFileClick(); }
  void cmdReloadFileClick() { commands_.cmdReloadFileClick(); }
  void cmdSaveFileClick() { commands_.cmdSaveFileClick(); }
  void cmdConfigBitsClick() { commands_.cmdConfigBitsClick(); }
  void cmdDispBufferClick() { commands_.cmdDispBufferClick(); }
  void cmdAboutClick() { commands_.cmdAboutClick(); }

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  // MainView
  void ShowProgress(const QString &caption, int maximum) override;
  void SetProgress(int position) override;
  void CloseProgress() override;
  void ProcessEvents() override;
  void SetBusyCursor(bool busy) override;
  void ShowFuseDialog() override;
  void ShowBufferDisplay() override;
  void ShowFillDialog() override;
  void ShowAbout() override;
  void Refresh() override;

  // The controls and windows, laid out.
  void Build();
  QPushButton *Button(const char *name, const char *caption, const char *hint,
                      void (MainWindow::*slot)());

  TollenEngine &engine_;
  MainCommands commands_;
  Options options_;
  QComboBox *cboType_ = nullptr;
  std::array<QCheckBox *, 3> chkLB_{};
  QLineEdit *edtCSdata_ = nullptr;
  QLineEdit *edtSig_ = nullptr;
  QLineEdit *edtCalib_ = nullptr;
  QLabel *stsBar_ = nullptr;
  QPushButton *cmdConfigBits_ = nullptr;
  rindle::ui::TfrmAbout *about_ = nullptr;
  // The splash deletes itself when it closes.
  QPointer<rindle::ui::TfrmSplash> splash_;
  FuseBitsDialog *fuses_ = nullptr;
  BufferGrid *buffer_ = nullptr;
  rindle::FillBufferDialog *fill_ = nullptr;
  rindle::ui::TfrmCmdSts *progress_ = nullptr;
  bool shownOnce_ = false;
  bool closed_ = false;
};

} // namespace tollen::ui
