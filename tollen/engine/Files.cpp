#include "tollen/engine/TollenEngine.h"

#include "common/SafeFile.h"
#include "isp/core/ValueLines.h"
#include "rindle/data/FileTexts.h"
#include "rindle/data/IntelHex.h"

#include <QFileInfo>

namespace tollen {

namespace {

constexpr int kSettingsLines = 8;

// The settings file's lines in their order, read straight into the engine
// (a bad line stops the reading and keeps what came before it) or written
// from it.
template <typename Lines, typename Engine>
void SettingsFileLines(Lines &l, Engine &e) {
  l.number(e.Port.PortBase);
  l.number(e.DeviceIndex, 0, kDeviceRows - 1);
  l.number(e.LockBits, 0, 0x07);
  l.text(e.ProgramFileName);
  l.number(e.FuseExtended, 0, 0xFF);
  l.number(e.FuseHigh, 0, 0xFF);
  l.number(e.FuseLow, 0, 0xFF);
  l.number(e.LockByte, 0, 0xFF);
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
  ResultText = rindle::files::WriteIntelHex(
      rindle::CellRange(std::as_const(Cells).all(), 0, TotalSize), ProgramFileName);
}

void TollenEngine::InitEngine() {
  Cells.cells.fill(rindle::kBlankByte);
  FuseLow = FuseHigh = FuseExtended = LockByte = 0xFF;
  DeviceIndex = kFirstDeviceRow;
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
  if (lines) {
    rindle::isp::ValueReader reader(std::move(*lines), QStringLiteral("Settings file error . . ."));
    SettingsFileLines(reader, *this);
    SettingsProblem = reader.error();
  } else {
    SettingsProblem = QStringLiteral("Settings file error . . .\rThe file cannot be read");
  }
  if (!SettingsProblem.isEmpty()) {
    const QString kept = common::KeepDamagedFile(SettingsPath);
    settingsHeld_ = kept.isEmpty();
    StoredFileNotices << common::DamagedFileNotice(
        SettingsPath, SettingsProblem, kept,
        QStringLiteral("the values before the bad line are used, the defaults for the rest"));
  }
  // The separator row is no device: the first device stands in for it.
  if (FindDevice(DeviceIndex) == nullptr) {
    DeviceIndex = kFirstDeviceRow;
  }
  if (!ProgramFileName.isEmpty() && QFileInfo(ProgramFileName).isFile()) {
    LoadHexFile();
    if (ResultText != rindle::files::kOk) {
      // Part of a file is no image to program: the buffer starts blank, as
      // after a failed Open File.
      Cells.cells.fill(rindle::kBlankByte);
      StoredFileNotices << ResultText +
                               QStringLiteral("\r\rThe program file \"%1\" named in the "
                                              "settings could not be loaded; the buffer starts "
                                              "blank.")
                                   .arg(ProgramFileName);
      ProgramFileName.clear();
    }
  } else {
    ProgramFileName.clear();
  }
}

bool TollenEngine::SaveSettings() {
  if (SettingsPath.isEmpty() || settingsHeld_) {
    return false;
  }
  rindle::isp::ValueWriter writer;
  SettingsFileLines(writer, std::as_const(*this));
  return common::SaveWholeFile(SettingsPath, writer.content()).ok();
}

} // namespace tollen
