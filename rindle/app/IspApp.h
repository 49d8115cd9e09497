#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "common/Prompter.h"
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
  // What the last ELF file gave, while it is the program file.
  struct ElfTaken {
    QString fileName;
    files::ElfImage image;
    FuseState fuses; // the fuse state as the file left it
  };
  const ElfTaken *currentElf() const;
  // The program file the engine's start-up loaded may be an ELF file: what
  // it gave is remembered as after an Open File.
  void rememberStartElf();
  // Reads, asks about the signature, then takes the program file as ELF.
  QString loadElf();
  // True when the file's signature is the selected device's, or the user
  // goes on anyway.
  bool confirmElfSignature(const files::ElfImage &image);
  // The default-fuse safeguard, which leaves an ELF file's fuses alone.
  void applyDefaultFuses();
  // Asks before fuse bytes that would end serial programming are written;
  // true writes them.
  bool confirmFuseWrite(const QString &caption);
  // CheckDID, then the fields show what it read; false: stop silently.
  bool checkDevice();
  // One engine operation under the progress window with the main window
  // disabled, the target released after it; false when it was cancelled.
  bool runWithProgress(const QString &title, void (IspEngine::*operation)(),
                       bool releaseBeforeEnabling = false);
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
  // The engine's result, with the port's problem when the chip was silent.
  QString withPortProblem(const QString &text);
  // Every message box of an operation: the fields drawn first, so that it
  // stands over what the operation left.
  void showMessage(const QString &caption, const QString &text, common::Prompter::Icon icon);
  void chipMessage(const QString &caption, const QString &text, common::Prompter::Icon icon);
  void resetChipFields();
  // Tells the user, once each, what the engine and the hardware found wrong
  // with the files they read by themselves.
  void showNotices();
  void clearFileAreas();
  void operationDone();

  IspEngine &engine_;
  common::Prompter &prompter_;
  OperationView *view_;
  IspHardware *hardware_;
  AppTexts texts_;

  QString lastDirectory_;
  QString sigText_;
  QString oscText_;
  QString checksumText_;
  QString statusText_;
  QString statusTaken_;
  LockBitDisplay lockBits_;
  std::optional<ElfTaken> elf_;
  bool loadChangedNothing_ = false;
  FileCommandFlow files_;
};

} // namespace rindle
