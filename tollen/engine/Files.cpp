#include "tollen/engine/TollenEngine.h"

#include "rindle/data/IntelHex.h"
#include "rindle/data/SafeWrite.h"
#include "rindle/isp/ValueLines.h"

#include <QFileInfo>

namespace tollen {

namespace {

constexpr int kSettingsLines = 8;

// Everything the settings file holds.
struct SettingsRecord {
  std::uint16_t portBase;
  std::uint16_t deviceIndex;
  std::uint16_t lockBits;
  QString program;
  std::uint16_t fuseExtended, fuseHigh, fuseLow, lockByte;
};

// The settings file's lines in their order, for the reader and the writer.
template <typename Lines, typename Record> void SettingsFileLines(Lines &l, Record &r) {
  l.number(r.portBase);
  l.number(r.deviceIndex, 0, kDeviceRows - 1);
  l.number(r.lockBits, 0, 0x07);
  l.text(r.program);
  l.number(r.fuseExtended, 0, 0xFF);
  l.number(r.fuseHigh, 0, 0xFF);
  l.number(r.fuseLow, 0, 0xFF);
  l.number(r.lockByte, 0, 0xFF);
}

// Data records from 0x8800 on, and any record an extended address record
// moves above 64 KiB, lie beyond every device of the list.
const rindle::files::HexReadRules kHexRules{0, kBufferCells, true};

} // namespace

void TollenEngine::SelectDevice() {
  if (const DeviceInfo *d = CurrentDevice()) {
    TotalSize = static_cast<std::uint16_t>(d->TotalBytes());
    ExpectedSignature = d->expectedSignature;
  }
}

std::int32_t TollenEngine::BufferChecksum() {
  Checksum = rindle::SumCells(Cells.all(), TotalSize);
  return Checksum;
}

bool TollenEngine::BlankBuffer() {
  return BufferChecksum() == static_cast<std::int32_t>(rindle::kBlankByte) * TotalSize;
}

void TollenEngine::LoadHexFile() {
  ResultText = rindle::files::ReadIntelHex(Cells.all(), ProgramFileName, kHexRules);
}

void TollenEngine::SaveHexFile() {
  ResultText = rindle::files::WriteIntelHex(rindle::CellRange(std::as_const(Cells).all(), 0, TotalSize),
                                            ProgramFileName);
}

void TollenEngine::InitEngine() {
  Cells.cells.fill(rindle::kBlankByte);
  FuseLow = FuseHigh = FuseExtended = LockByte = 0xFF;
  DeviceIndex = device::kAt89S51;
  Port.PortBase = kPortNotSet;
  LoadSettings();
  DetectProgrammer();
  TimerSetup();
  ReleaseTarget();
}

void TollenEngine::LoadSettings() {
  SettingsProblem.clear();
  if (SettingsPath.isEmpty() || !QFileInfo::exists(SettingsPath)) {
    return;
  }
  auto lines = rindle::isp::ReadValueLines(SettingsPath, kSettingsLines);
  if (!lines) {
    SettingsProblem = QStringLiteral("Settings file error . . .\rThe file cannot be read");
    return;
  }
  SettingsRecord r{Port.PortBase, DeviceIndex, LockBits, ProgramFileName,
                   FuseExtended,  FuseHigh,    FuseLow,  LockByte};
  rindle::isp::ValueReader reader(std::move(*lines), QStringLiteral("Settings file error . . ."));
  SettingsFileLines(reader, r);
  // What was read up to a bad line is kept.
  SettingsProblem = reader.error();
  Port.PortBase = r.portBase;
  // The separator row is no device: the first device stands in for it.
  DeviceIndex = FindDevice(r.deviceIndex) != nullptr ? r.deviceIndex : device::kAt89S51;
  LockBits = r.lockBits;
  ProgramFileName = r.program;
  FuseExtended = r.fuseExtended;
  FuseHigh = r.fuseHigh;
  FuseLow = r.fuseLow;
  LockByte = r.lockByte;
  if (!ProgramFileName.isEmpty() && QFileInfo(ProgramFileName).isFile()) {
    LoadHexFile();
  } else {
    ProgramFileName.clear();
  }
}

bool TollenEngine::SaveSettings() {
  if (SettingsPath.isEmpty()) {
    return false;
  }
  SettingsRecord r{Port.PortBase, DeviceIndex, LockBits, ProgramFileName,
                   FuseExtended,  FuseHigh,    FuseLow,  LockByte};
  rindle::isp::ValueWriter writer;
  SettingsFileLines(writer, r);
  return rindle::files::WriteFileSafely(SettingsPath, writer.content()) ==
         rindle::files::WriteOutcome::Ok;
}

} // namespace tollen
