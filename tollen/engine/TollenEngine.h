#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QString>
#include <QStringList>

#include "common/IoPort.h"
#include "common/Prompter.h"
#include "common/TickTimer.h"
#include "isp/core/DeviceCatalogue.h"
#include "isp/core/IspLines.h"
#include "isp/core/PortSettings.h"
#include "isp/core/ProgressPoint.h"
#include "rindle/data/IspBuffer.h"
#include "tollen/engine/Devices.h"

namespace tollen {

// 32 KiB of flash plus 2 KiB of EEPROM.
inline constexpr std::size_t kBufferCells = 0x8800;
using Buffer = rindle::BasicIspBuffer<kBufferCells>;

// A port address not chosen yet: start-up then looks for the cable.
inline constexpr std::uint16_t kPortNotSet = 0xFFFF;

// The cable's presence loop: D0 drives status bit 5 through the cable.
inline constexpr std::uint16_t kLoopOutMask = 0x01;
inline constexpr std::uint16_t kLoopInMask = 0x20;

// Each half of a clock lasts nine ticks; MISO is read right after MOSI is
// set, before the rising edge.
inline constexpr rindle::BitTiming kBitTiming{0, 9, 9, rindle::MisoSampling::BeforeRisingEdge};

// Tick counts of the edition's waits.
namespace ticks {
enum : std::uint16_t {
  k1ms = 1194,
  k2_5ms = 2983,
  k3ms = 3581,
  k5ms = 5966,
  k10ms = 11932,
  k25ms = 29829,
};
} // namespace ticks

inline constexpr char kSettingsFileName[] = "Tollen30a.set";
inline constexpr char kNoResponseText[] = "No response from uC . . .";
inline constexpr char kNoCableText[] =
    "Programmer Hardware not found . . .\rPrinter Port set to default LPT-1";

// The older edition's engine: one object per program run holds every record
// and offers the operations. The cable's wiring is fixed (the standard masks,
// nothing inverted, D6 and the control port never driven). Operations report
// through ResultText; failures are results. Knows no widgets: progress and
// event pumping go through the two hooks, the one start-up message through
// the prompter.
class TollenEngine {
public:
  TollenEngine(common::IoPort &port, common::TickTimer &timer);
  TollenEngine(const TollenEngine &) = delete;
  TollenEngine &operator=(const TollenEngine &) = delete;

  // ---- Records ----
  // The fixed wiring; PortBase and the data-port image change, nothing else.
  rindle::PortSettings Port;
  std::uint16_t DeviceIndex = kFirstDeviceRow;
  std::uint16_t TotalSize = 4096;
  std::int32_t ExpectedSignature = 0x1E5106;
  std::int32_t ReadSignatureValue = 0;
  // Signature bytes read; the fourth holds the AT89S51/52 lock byte.
  std::array<std::uint8_t, 4> SignatureBytes{};
  std::array<std::uint8_t, 4> CalibrationBytes{};
  std::uint16_t LockBits = 0; // bit 0..2: lock bit 1..3 (FSTRT on the AT90S8535) programmed
  std::uint16_t FuseLow = 0xFF;
  std::uint16_t FuseHigh = 0xFF;
  std::uint16_t FuseExtended = 0xFF;
  std::uint16_t LockByte = 0xFF;
  std::int32_t Checksum = 0;
  Buffer Cells;
  rindle::IspSlots InstructionBytes{};
  rindle::IspSlots ResponseBytes{};
  QString ResultText;
  QString ProgramFileName;
  QString LastDirectory;
  bool ChipResponded = false;
  bool CancelRequested = false;
  bool SignatureOnly = false;

  // Full path of the settings file; nothing is read or written while empty.
  QString SettingsPath;
  // What was wrong with the settings file at the last load; empty when it
  // was sound or absent.
  QString SettingsProblem;
  // What the user is to be told once about the files the program read by
  // itself (a damaged settings file, kept aside; a stored program file that
  // no longer loads; a simulated chip's state), each naming its file.
  QStringList StoredFileNotices;
  // Shows the message when start-up finds no cable; may be null.
  common::Prompter *Messages = nullptr;

  std::function<void(int)> UpdateProgressBar;
  std::function<void()> ProcessEvents;
  rindle::isp::OperationHooks Hooks() const {
    return {UpdateProgressBar, ProcessEvents, CancelRequested};
  }

  // ---- Lines and timing (Lines.cpp) ----
  // Buffer off and every other line low, then 250 ms.
  void ReleaseTarget();
  void Transfer3();
  void Transfer4();
  void TickDelay(std::uint16_t count) { timer_.TickDelay(count); }
  void TimerSetup() { timer_.TimerSetup(); }
  void TimerRestore() { timer_.TimerRestore(); }
  // Looks for the cable on the three printer ports when PortBase is not set;
  // opens the port it settles on.
  void DetectProgrammer();
  // What the port at PortBase reached when it was opened.
  common::PortReach ReachedPort() const { return lines_.Reach(); }

  // ---- Programming enable (Lines.cpp), each tried once ----
  void EnterProgrammingAvr();
  void EnterProgramming89();
  void EnterProgramming89Short();
  // The enable of the selected device.
  void EnterProgramming();

  // ---- Device and buffer (Files.cpp) ----
  void SelectDevice();
  const DeviceInfo *CurrentDevice() const { return FindDevice(DeviceIndex); }
  // Sum of cells 0 .. TotalSize - 1; stored in Checksum.
  std::int32_t BufferChecksum();
  // The byte sum equals that of an all-blank buffer.
  bool BlankBuffer();

  // ---- Chip operations (Memory.cpp, LockBits.cpp); each releases the target ----
  // Success leaves ResultText empty; a cancel leaves it as it was.
  void ReadChip();
  // "OK" or the first difference.
  void VerifyChip();
  // Erase, write every non-blank byte or page and read it back; on "OK" the
  // lock and fuse bits follow.
  void ProgramChip();
  void WriteLockBits();
  void ReadSignature();
  // The lock and fuse choices in the form the fuse rules both editions share
  // take them.
  rindle::FuseState FuseChoices() const {
    return {LockBits, FuseLow, FuseHigh, FuseExtended, LockByte};
  }
  // The default-fuse safeguard: fuse bytes that program nothing give way to
  // the device's factory values (those a blank buffer writes), so that they
  // never reach a chip. The window runs it before Write and Write LBs, after
  // it took the fuse dialog's bytes.
  void ApplyDefaultFuses();

  // ---- Files (Files.cpp) ----
  void LoadHexFile();
  void SaveHexFile();
  // Buffer blank, defaults, settings (and the file they name), the cable
  // looked for, timer set up, target released.
  void InitEngine();
  // A damaged settings file is moved aside (NAME.bad) so that the settings
  // written at the end of the run do not replace it; the values read before
  // the bad line stay. A program file named in it that fails to load leaves
  // the buffer blank and the name dropped. Both leave a notice.
  void LoadSettings();
  // False when the file could not be written, or when it is a damaged file
  // that could not be moved aside (it is not written over).
  bool SaveSettings();

private:
  enum class Area : std::uint8_t { Flash, Eeprom };
  enum class Pass : std::uint8_t { Read, Verify };

  void Wait(std::uint16_t ticks, int times);
  // A start-up message, when there is someone to tell.
  void Say(const QString &text);
  // Buffer on, clock and data low, reset active (high for the AT89S
  // chips), then the settle waits of 25 ms.
  void HoldInReset(bool resetHigh, int settleWaits);
  // The end of an enable: on no answer the message and the release.
  void EnableAnswered(bool answered);
  void ReadOrVerify(Pass pass);
  // Sends the read instruction of one byte and returns the chip's answer.
  std::uint8_t ReadByte(const DeviceInfo &d, Area area, std::uint32_t address);
  void WriteByte(const DeviceInfo &d, Area area, std::uint32_t address, std::uint8_t value);
  // The report of a difference at `address` of `area`.
  QString DifferenceReport(const DeviceInfo &d, Area area, std::uint32_t address, std::uint8_t read,
                           std::uint8_t expected, bool programming) const;
  // The enable and chip erase of a programming run; false when the chip gave
  // no answer.
  bool EraseForProgramming(const DeviceInfo &d);
  // Writes one flash page and reads it back; false on a difference.
  bool ProgramPage(const DeviceInfo &d, std::uint32_t first);
  // Writes and reads back one byte; false on a difference.
  bool ProgramByte(const DeviceInfo &d, Area area, std::uint32_t address);
  void Stop(const QString &report);
  void ReadAvrFusesAndLocks(const DeviceInfo &d);
  QString SignatureReport(const DeviceInfo &d) const;
  // Per-device lock and fuse sequences.
  void WriteLockBits89(const DeviceInfo &d);
  void WriteLockBitsAvrByte(const DeviceInfo &d);
  void WriteLockBitsAvrPaged(const DeviceInfo &d);

  common::IoPort &port_;
  common::TickTimer &timer_;
  rindle::IspLines lines_;
  // The settings file was damaged and could not be moved aside.
  bool settingsHeld_ = false;
};

} // namespace tollen
