#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "common/IoPort.h"
#include "common/TickTimer.h"
#include "rindle/data/ElfFile.h"
#include "rindle/data/IspBuffer.h"
#include "isp/core/DeviceCatalogue.h"
#include "isp/core/IspLines.h"
#include "isp/core/PortSettings.h"
#include "isp/core/ProgressPoint.h"

namespace rindle {

// The selected device's parameters, filled in by SelectDevice. The
// initialisers are the start-up values (the settings file may restore
// FlashSize and EepromSize as they were stored).
struct IspDevice {
  std::uint16_t DeviceIndex = kFirstDeviceRow; // only the low byte counts
  std::int32_t FlashSize = 4096;
  std::uint16_t EepromSize = 0;
  std::int32_t ExpectedSignature = 0;
  std::uint16_t FlashPageSize = 0;
  std::uint16_t FlashPageCount = 0;
  std::uint16_t EepromPageSize = 0;
  std::uint16_t EepromPageCount = 0;
  std::uint16_t FuseCount = 0;
  std::uint16_t CalibrationCount = 0;

  friend bool operator==(const IspDevice &, const IspDevice &) = default;
};

inline constexpr char kNoResponseText[] = "No response from uC . . .";

// The ISP programmer's engine: one object per program run holds every record
// and offers the operations, each without arguments unless it changes a line
// or waits. Operations report through ResultText; failures are results.
// Knows no widgets: progress and event pumping go through the two hooks.
//
// The implementation is split by concern into one source file each (lines,
// transfer, catalogue, enable, buffer, and the chip operations, settings and
// files beside them).
class IspEngine {
public:
  IspEngine(common::IoPort &port, common::TickTimer &timer);
  IspEngine(const IspEngine &) = delete;
  IspEngine &operator=(const IspEngine &) = delete;

  // ---- Records ----
  PortSettings Port;
  IspDevice Device;
  FuseState Fuses;
  IspBuffer Buffer;
  IspSlots InstructionBytes{};
  IspSlots ResponseBytes{};
  QString ResultText;
  bool ChipResponded = false;
  bool CancelRequested = false;
  bool SignatureOnly = false;
  bool EraseOnly = false;
  bool ProceedFlag = false;
  // Options.
  bool AutoVerify = true;
  bool SaveOscCalToFlash = true;
  bool SaveOscCalToEeprom = false;
  QString ProgramFileName;
  QString EepromFileName;
  std::int32_t Checksum = 0;
  // What the last signature read found.
  IspSlots SignatureBytes{};
  std::int32_t ReadSignatureValue = 0;
  IspSlots CalibrationBytes{};
  // Folder of the settings file: the running program's folder, or a test's.
  QString ProgramFolder;
  // What went wrong with the files start-up and a program file's opening
  // read by themselves (a damaged settings file or fuse database, a stored
  // program or EEPROM file that no longer loads), each naming its file, for
  // the window to tell the user once and then clear.
  QStringList StoredFileNotices;

  // Progress (a byte position) and event pumping inside long operations.
  std::function<void(int)> UpdateProgressBar;
  std::function<void()> ProcessEvents;
  // The three above, as the long operations' progress points use them.
  isp::OperationHooks Hooks() const { return {UpdateProgressBar, ProcessEvents, CancelRequested}; }

  // ---- Port lines (Lines.cpp) ----
  void SetLine(std::uint16_t mask, std::uint16_t invert) { lines_.SetLine(mask, invert); }
  void ClearLine(std::uint16_t mask, std::uint16_t invert) { lines_.ClearLine(mask, invert); }
  void WriteDataPort() { lines_.WriteDataPort(); }
  // Buffer off, control preset written, then 100 ms.
  void ReleaseTarget();
  // The Reset button pressed and released.
  void HoldReset();
  void ReleaseReset();
  // Opens the port at Port.PortBase. Start-up and the Options dialog's Apply
  // and Default do it, each time the address may have changed.
  common::PortReach OpenPort() { return lines_.OpenPort(); }
  // What Port.PortBase reached when it was opened: the device file, whether
  // it is usable and, if not, why.
  common::PortReach ReachedPort() const { return lines_.Reach(); }
  // The Options dialog's Apply and Default, after it stored its fields (the
  // Default one stores its own values); both open the port first.
  void ApplyPortOptions();
  void DefaultPortOptions();
  // Ten waits of 10 ms.
  void Wait100ms();

  // ---- Bit transfer and timing (Transfer.cpp) ----
  void ShiftByte();
  void Transfer3();
  void Transfer4();
  void TickDelay(std::uint16_t count) { timer_.TickDelay(count); }
  void TimerSetup();
  void TimerRestore();
  IspLines &Lines() { return lines_; }

  // ---- Device catalogue (Catalogue.cpp) ----
  // Uses Device.DeviceIndex, which the caller sets first.
  void SelectDevice();
  // The selected row's catalogue entry; nullptr for a separator or a row
  // past the list.
  const DeviceEntry *CurrentDevice() const { return FindDevice(Device.DeviceIndex); }
  // The selected device's family (At89S51 for a row that is not a device).
  IspFamily Family() const;
  bool IsAt89SFamily() const {
    const DeviceEntry *entry = CurrentDevice();
    return entry != nullptr && entry->ResetActiveHigh();
  }
  // False where the selected chip gives programming enable nothing to check.
  bool EnableAnswerChecked() const {
    const DeviceEntry *entry = CurrentDevice();
    return entry == nullptr || entry->enableAnswerChecked;
  }

  // ---- Programming enable (Enable.cpp) ----
  void EnterProgrammingAvr();
  void EnterProgramming89();
  void EnterProgramming89Short();
  // The enable sequence of the selected device's family.
  void EnterProgramming();

  // ---- Buffer (Buffer.cpp) ----
  std::int32_t BufferChecksum();
  void ClearFlashArea();
  void ClearEepromArea();

  // ---- Chip operations (Memory.cpp, LockFuses.cpp, Signature.cpp) ----
  // Each enters programming mode itself; all but ReadSignature leave the
  // target in it for the caller to release. Outcomes go to ResultText.
  // Flash, then EEPROM (and the AT89S8253 user signature) into the buffer;
  // success leaves ResultText empty.
  void ReadChip();
  // Erase, write every non-blank byte or page (reading it back with
  // AutoVerify), then the lock bits and fuses: "OK" or the first mismatch.
  void ProgramChip();
  // Chip against buffer, or chip against 0xFF: "OK" or the first mismatch.
  void VerifyChip();
  void BlankCheckChip();
  // Chip erase, then the default fuses and unprogrammed lock bits.
  void EraseChip();
  // The fuse bytes and lock bits of the fuse state, per device.
  void WriteLockBits();
  // Puts the device's default fuses in place of an unprogrammed fuse state.
  void ApplyDefaultFuses();
  // Signature and calibration bytes; unless SignatureOnly, also the fuses and
  // lock state, and the report in ResultText.
  void ReadSignature();
  // Copies the calibration bytes to the end of flash and/or EEPROM in the
  // buffer, as the two options ask (devices with several bytes only).
  void StoreCalibrationBytes();

  // ---- Program and EEPROM files (Files.cpp) ----
  // Each reads or writes ProgramFileName (flash) or EepromFileName (EEPROM)
  // and sets ResultText: "OK" or the message to show.
  void LoadHexFile();
  void LoadBinFile();
  void LoadRomFile();
  void LoadEepromHexFile();
  void LoadEepromBinFile();
  void SaveHexFile();
  void SaveBinFile();
  void SaveRomFile();
  void SaveEepromHexFile();
  void SaveEepromBinFile();

  // ---- Programs from the compiler: ELF files (Files.cpp) ----
  // The selected device, as an ELF file's parts must fit it.
  files::ElfTarget ElfDevice() const;
  // Reads ProgramFileName as an ELF file and takes it whole; a file that is
  // refused changes nothing and leaves the reason, with the file's name, in
  // ResultText.
  void LoadElfFile();
  // Takes an image read from ProgramFileName: when every part fits the
  // device, the flash area (cleared first), the EEPROM area when the file
  // has EEPROM data, and its fuse bytes and lock byte; "OK". Otherwise
  // nothing changes and ResultText says why.
  void TakeElfImage(const files::ElfImage &image);
  // The EEPROM part alone: the area holds the file's data, so no EEPROM file
  // is current any more. Nothing changes when the file has no EEPROM data.
  void TakeElfEeprom(const files::ElfImage &image);
  // The fuse bytes and lock byte the file has, into the fuse state (the
  // lock boxes follow the lock byte), then the device's forced bits as a
  // selection applies them. Bytes the file does not have stay as they are.
  void TakeElfFuses(const files::ElfImage &image);

  // ---- Start-up, settings file and fuse database (Settings.cpp) ----
  // Blank buffer, defaults, the settings file with the files it names, the
  // port opened, then the timer set-up and the target released.
  void InitEngine();
  // "Rindle37.set" in ProgramFolder; nothing is read or written while
  // ProgramFolder is empty. A damaged file changes nothing, leaves its
  // problem in ResultText and is moved aside (NAME.bad), so that the
  // settings written at the end of the run do not replace it; a notice says
  // so. A stored program or EEPROM file that fails to load leaves its area
  // blank and its name dropped, with a notice.
  void LoadSettings();
  // Writes the settings file, then the fuse database; ResultText is "OK" or
  // names the file that could not be saved, with the system's reason. A
  // damaged file that could not be moved aside is not written over.
  void SaveSettings();
  // The ".fdb" file beside ProgramFileName; a damaged one is moved aside as
  // the settings file is, and the fuse state stays as it was.
  void LoadFuseDatabase();
  void SaveFuseDatabase();

  // The two files' values without file access. Taking lines either takes
  // every value or, for a damaged file, changes nothing, leaves the problem
  // in ResultText and returns false. Taking settings loads none of the files
  // they name; taking a fuse database sets EepromFileName only.
  bool TakeSettingsLines(const std::vector<QByteArray> &lines);
  QByteArray SettingsText() const;
  bool TakeFuseDatabaseLines(const std::vector<QByteArray> &lines);
  QByteArray FuseDatabaseText() const;

private:
  // A file of the program's own that cannot be used: kept aside, or held
  // (never written over) when it cannot be moved; the notice for the user.
  void keepDamaged(const QString &path, const QString &problem, const QString &instead);
  // The stored EEPROM file by its extension; one that does not load leaves
  // the EEPROM area blank and its name dropped, with a notice.
  void loadStoredEepromFile();
  // The notice for a stored file that did not load; its name is dropped.
  void storedFileFailed(QString &name, const QString &kind);

  common::TickTimer &timer_;
  IspLines lines_;
  // Damaged files that could not be moved aside.
  QStringList heldFiles_;
};

} // namespace rindle
