#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QString>

#include "common/Prompter.h"
#include "isp/core/FileCommands.h"
#include "isp/core/FuseBoxes.h"
#include "tollen/engine/Session.h"
#include "tollen/engine/TollenEngine.h"

// What the main window's commands do, without widgets: the session runs each
// chip command, and this layer shows its outcome in the window's message box
// and fields. The windows map their controls to it and draw the fields it
// keeps; tests drive it with a scripted prompter.
namespace tollen {

inline constexpr char kTitle[] = " Tollen";
inline constexpr char kIdleStatus[] = "  Tollen - " TOLLEN_VERSION;

// What the commands ask of the windows.
class MainView {
public:
  virtual ~MainView() = default;
  // The progress window: shown without waiting, moved, closed.
  virtual void ShowProgress(const QString &caption, int maximum) = 0;
  virtual void SetProgress(int position) = 0;
  virtual void CloseProgress() = 0;
  // Lets pending window events run inside a long operation.
  virtual void ProcessEvents() = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  // The modal windows; each returns when the user closed it.
  virtual void ShowFuseDialog() = 0;
  virtual void ShowBufferDisplay() = 0;
  virtual void ShowFillDialog() = 0;
  virtual void ShowAbout() = 0;
  // The fields below changed: draw them again.
  virtual void Refresh() = 0;
};

// The file commands are the flow both programmers share, acting on this
// layer.
class MainCommands : private rindle::FileCommandTarget {
public:
  // The commands of a session.
  MainCommands(Session &session, MainView &view);
  // The commands on an engine owned elsewhere, through a session of their own.
  MainCommands(TollenEngine &engine, common::Prompter &prompter, MainView &view);
  MainCommands(const MainCommands &) = delete;
  MainCommands &operator=(const MainCommands &) = delete;

  // Where the open dialog starts until a program file has been chosen.
  void SetExamplesFolder(const QString &folder) { files_.SetFirstFolder(folder); }

  // ---- Fields the main window shows ----
  QString ChecksumText;
  QString SigText;
  QString CalibText;
  QString StatusText;
  std::array<bool, 3> LockBoxes{};
  QString Lb3Caption;
  bool Lb3Enabled = true;
  bool ConfigBitsEnabled = false;
  // The fuse dialog's boxes.
  rindle::FuseBoxes Fuses;
  bool BufferEdited = false;
  // The checksum the main window shows, as a number.
  std::int32_t ShownChecksum = 0;
  // The fill dialog's preset texts.
  QString FillStart, FillEnd, FillData;

  // True while an engine operation runs; every command is refused then.
  bool Busy() const { return busy_; }

  // ---- Main window ----
  void FormCreate();
  void InitForm1();
  void FormClose();
  // Returns the row the device list is to show: the new one, or the
  // previous device's when the separator was picked (or an operation runs).
  int cboTypeChange(int row);
  // bit 0..2 of LockBits.
  void chkLBClick(int bit, bool checked);
  void UpdateLbDisp();
  void UpdateHexFilename();
  void GetFilePath() override;
  void cmdReadClick();
  void cmdWriteClick();
  void cmdVerifyClick();
  void cmdSignatureClick();
  void cmdLockBitsClick();
  void cmdOpenFileClick();
  void cmdReloadFileClick();
  void cmdSaveFileClick();
  void cmdConfigBitsClick();
  void cmdDispBufferClick();
  void cmdAboutClick();
  // The progress window's Cancel.
  void CancelClick();

  // ---- Fuse dialog ----
  void RefreshConfigBits();
  void UpdateConfigFuseBytes();
  // The fuse dialog's boxes as the device's record lays them out.
  void SetupConfigInfo(const rindle::DeviceFuseLayout &layout);

  // ---- Buffer display and fill dialog ----
  // First row of the display for a scroll position that counts bytes.
  static int FirstShownAddress(int position) { return position & ~0xF; }
  int ScrollMaximum() const;
  void ClearBufferClick();
  void FillBufferClick();
  // The fill dialog's OK with the three fields' texts; the dialog closes
  // afterwards in every case.
  void FillOkClick(const QString &start, const QString &end, const QString &data);

private:
  class BusyScope;
  class WindowProgress;
  class CursorProgress;
  // A chip command: refused while another runs; the body runs the session's
  // command and shows its outcome.
  template <class Body>
  void ChipCommand(Body body);
  void ShowChecksum() override;

  // ---- What the shared file commands act on ----
  QString ProgramFileName() const override { return e_.ProgramFileName; }
  void SetProgramFileName(const QString &name) override { e_.ProgramFileName = name; }
  QString DialogFolder() const override { return e_.LastDirectory; }
  QString LoadProgram(rindle::FileFormat format) override;
  QString SaveProgram(rindle::FileFormat format) override;
  void BlankLoadedCells() override;
  void DropFileNames() override { e_.ProgramFileName.clear(); }
  std::int32_t BufferChecksum() override { return e_.BufferChecksum(); }
  std::int32_t DisplayedChecksum() const override { return ShownChecksum; }
  void UpdateFilename() override { UpdateHexFilename(); }
  void FieldsChanged() override { view_.Refresh(); }

  std::optional<Session> ownSession_;
  Session &session_;
  TollenEngine &e_;
  common::Prompter &prompter_;
  MainView &view_;
  rindle::FileCommandFlow files_;
  bool busy_ = false;
};

} // namespace tollen
