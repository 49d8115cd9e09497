#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "common/Prompter.h"
#include "rindle/app/IspSession.h"
#include "rindle/app/OperationView.h"
#include "rindle/engine/IspEngine.h"
#include "isp/core/FileCommands.h"

namespace rindle {

class IspHardware;

// Captions that differ between the programmer's editions.
struct AppTexts {
  // The main window's title, also the status bar without a program file.
  QString windowTitle = QStringLiteral("  Rindle  ") + QLatin1String(RINDLE_VERSION);
  // The caption of the signature question.
  QString questionCaption = QStringLiteral("  Rindle");
};

// What the lock-bit boxes and the Fuse Bytes button show.
struct LockBitDisplay {
  bool lb1 = false;
  bool lb2 = false;
  // False for a row that is not a device: the third box and the Fuse Bytes
  // button stay as they are.
  bool deviceRow = false;
  bool lb3Enabled = false;
  // The third box's check follows bit 2 only while it is enabled.
  bool lb3Checked = false;
  QString lb3Caption;
  bool fuseBytesEnabled = false;
};

// The ISP programmer's commands without widgets: the device check, the order
// of engine calls around each chip operation, the message each one ends
// with, the file commands, and the texts the main window shows. The window
// maps its controls here and shows the fields after each command. The file
// commands are the flow both programmers share, acting on this layer.
class IspApp : private FileCommandTarget {
public:
  // The view may be set later (the main window is made after this layer),
  // but before the first chip operation.
  IspApp(IspEngine &engine, common::Prompter &prompter, OperationView *view,
         IspHardware *hardware = nullptr, AppTexts texts = {});
  IspApp(const IspApp &) = delete;
  IspApp &operator=(const IspApp &) = delete;
  void setView(OperationView *view) { view_ = view; }
  // Where the open dialogs start until a program file has been chosen.
  void SetExamplesFolder(const QString &folder) { files_.SetFirstFolder(folder); }

  // ---- Start and end of a run.
  // The engine's start-up, then the fields for the stored device.
  void FormCreate();
  // Settings and fuse database written, timer given back.
  void FormClose();

  // ---- Fields, as last shown.
  const QString &SigText() const { return sigText_; }
  const QString &OscText() const { return oscText_; }
  const QString &ChecksumShown() const { return checksumText_; }
  const QString &Status() const { return statusText_; }
  // What the status bar adds while the program file is an ELF file: what
  // was taken from it ("flash 194 bytes, EEPROM 8, fuses A4 D9, lock FC");
  // empty otherwise.
  const QString &StatusTaken() const { return statusTaken_; }
  const LockBitDisplay &LockBits() const { return lockBits_; }
  const QString &LastDirectory() const { return lastDirectory_; }
  const AppTexts &Texts() const { return texts_; }
  IspEngine &Engine() { return engine_; }
  // The flows of the chip commands this window layer is the client of.
  IspSession &Session() { return session_; }

  // ---- Device list and lock-bit boxes.
  // False, and nothing changed, for a separator row.
  bool SelectRow(int row);
  void SetLockBit(int bit, bool on);

  // ---- Chip operations.
  void ReadChip();
  void ProgramChip();
  void VerifyChip();
  void BlankCheckChip();
  void EraseChip();
  void ReadSignature();
  void WriteLockBits();
  void HoldReset();
  void ReleaseReset();
  // The progress window's Cancel: the engine stops at its next report.
  void CancelOperation() { engine_.CancelRequested = true; }

  // ---- File commands.
  void OpenFile();
  void ReloadFile();
  void SaveFile();
  void OpenEepromFile();
  void SaveEepromFile();
  // A buffer dialog changed the buffer: when the checksum moved, the buffer
  // no longer holds the files.
  void BufferEditedByDialog();

  // ---- Field updates, as the window names them.
  void UpdateFilename() override;
  void GetFilePath() override;
  void UpdateLbDisp();
  void UpdateSigText();
  void UpdateOscText();
  void ShowChecksum() override;
  // The window draws the fields now.
  void FieldsChanged() override;
  // Sets ProceedFlag; false when the operation must stop.
  bool CheckDID();

private:
  // The progress window, or the busy cursor for a command without a size.
  class ViewProgress : public common::Progress {
  public:
    explicit ViewProgress(IspApp &app) : app_(app) {}
    void begin(const QString &title, qint64 total) override;
    void advance(qint64 done) override;
    void end() override;
    void processEvents() override;

  private:
    IspApp &app_;
    bool busy_ = false;
  };
  const ElfTaken *currentElf() const { return session_.CurrentElf(); }
  // The program file the engine's start-up loaded may be an ELF file: what
  // it gave is remembered as after an Open File.
  void rememberStartElf();
  // Reads, asks about the signature, then takes the program file as ELF.
  QString loadElf();
  // The message box of a command's outcome: none for a refusal or a
  // cancel; `icon` for success, `failedIcon` for a failure.
  void showOutcome(const QString &caption, const common::Outcome &outcome,
                   common::Prompter::Icon icon, common::Prompter::Icon failedIcon);
  // ---- What the shared file commands act on.
  QString ProgramFileName() const override { return engine_.ProgramFileName; }
  void SetProgramFileName(const QString &name) override { engine_.ProgramFileName = name; }
  QString DialogFolder() const override { return lastDirectory_; }
  QString LoadProgram(FileFormat format) override;
  QString SaveProgram(FileFormat format) override;
  bool LoadChangedNothing() const override { return loadChangedNothing_; }
  void BlankLoadedCells() override { clearFileAreas(); }
  void DropFileNames() override;
  std::int32_t BufferChecksum() override { return engine_.BufferChecksum(); }
  std::int32_t DisplayedChecksum() const override;
  // The lock and fuse settings kept beside the program file follow it.
  void ProgramLoaded() override;
  void ProgramSaved() override { engine_.SaveFuseDatabase(); }
  // HEX holds 64 KiB; larger flash is saved as BIN or ROM.
  QString SaveRefusal(FileFormat format) override;
  // Every message box of an operation: the fields drawn first, so that it
  // stands over what the operation left.
  void showMessage(const QString &caption, const QString &text, common::Prompter::Icon icon);
  void resetChipFields();
  // Tells the user, once each, what the engine and the hardware found wrong
  // with the files they read by themselves.
  void showNotices();
  void clearFileAreas();

  IspEngine &engine_;
  common::Prompter &prompter_;
  OperationView *view_;
  IspHardware *hardware_;
  AppTexts texts_;
  IspSession session_;
  ViewProgress progress_{*this};

  QString lastDirectory_;
  QString sigText_;
  QString oscText_;
  QString checksumText_;
  QString statusText_;
  QString statusTaken_;
  LockBitDisplay lockBits_;
  bool loadChangedNothing_ = false;
  FileCommandFlow files_;
};

} // namespace rindle
