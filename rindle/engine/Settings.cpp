#include "rindle/engine/Settings.h"

#include "common/SafeFile.h"
#include "rindle/data/DataFiles.h"
#include "rindle/data/FileTexts.h"
#include "rindle/engine/IspEngine.h"
#include "isp/core/ValueLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace rindle::settings {

QString SettingsFilePath(const QString &programFolder) {
  if (programFolder.isEmpty())
    return {};
  return QDir(programFolder).filePath(kSettingsFileName);
}

QString FuseDatabaseName(const QString &programFileName) {
  const qsizetype nameStart = programFileName.lastIndexOf(u'/') + 1;
  const qsizetype dot = programFileName.lastIndexOf(u'.');
  const QString stem = dot >= nameStart ? programFileName.left(dot) : programFileName;
  return stem + QStringLiteral(".fdb");
}

} // namespace rindle::settings

namespace rindle {

using namespace settings;
using isp::ReadValueLines;
using isp::ValueReader;
using isp::ValueWriter;

namespace {

// Saves a whole file; "OK", or the failure with the file and the system's
// reason on the lines below it.
QString SaveText(const QString &path, const QByteArray &content) {
  const common::SaveResult saved = common::SaveWholeFile(path, content);
  if (saved.ok())
    return files::kOk;
  const QString &failure = saved.outcome == common::SaveOutcome::CreateFailed
                               ? files::kFileCreateError
                               : files::kFileWriteError;
  return failure + u'\r' + path + u'\r' + saved.reason;
}

// Everything the settings file holds.
struct SettingsRecord {
  PortSettings port;
  IspDevice device;
  FuseState fuses;
  QString program, eeprom;
  bool verify, oscFlash, oscEeprom;
};

// The settings file's lines in their order (SS before RST), for the reader
// and the writer alike.
template <typename Lines, typename Record>
void SettingsFileLines(Lines &l, Record &r) {
  l.number(r.port.PortBase);
  l.number(r.port.DataPortValue);
  l.number(r.port.ControlPortValue);
  l.number(r.device.DeviceIndex);
  l.number(r.device.FlashSize, 0, std::int64_t(files::kMaxFlashBytes));
  l.number(r.device.EepromSize, 0, std::int64_t(files::kMaxEepromBytes));
  l.number(r.fuses.LockBits);
  l.text(r.program);
  l.text(r.eeprom);
  l.number(r.fuses.FuseLow);
  l.number(r.fuses.FuseHigh);
  l.number(r.fuses.FuseExtended);
  l.number(r.fuses.LockByte);
  l.number(r.port.BenMask);
  l.number(r.port.SckMask);
  l.number(r.port.MosiMask);
  l.number(r.port.SsMask);
  l.number(r.port.RstMask);
  l.number(r.port.MisoMask);
  l.invert(r.port.BenInvert, r.port.BenMask);
  l.invert(r.port.SckInvert, r.port.SckMask);
  l.invert(r.port.MosiInvert, r.port.MosiMask);
  l.invert(r.port.SsInvert, r.port.SsMask);
  l.invert(r.port.RstInvert, r.port.RstMask);
  l.invert(r.port.MisoInvert, r.port.MisoMask);
  l.flag(r.verify);
  l.flag(r.oscFlash);
  l.flag(r.oscEeprom);
}

// The fuse database's lines in their order.
template <typename Lines, typename Fuses, typename Text>
void FuseDatabaseLines(Lines &l, Fuses &fuses, Text &eeprom) {
  l.number(fuses.LockBits);
  l.number(fuses.FuseLow);
  l.number(fuses.FuseHigh);
  l.number(fuses.FuseExtended);
  l.number(fuses.LockByte);
  l.text(eeprom);
}

bool IsFile(const QString &name) { return !name.isEmpty() && QFileInfo(name).isFile(); }

QString Extension(const QString &name) { return QFileInfo(name).suffix().toLower(); }

} // namespace

void IspEngine::keepDamaged(const QString &path, const QString &problem, const QString &instead) {
  const QString kept = common::KeepDamagedFile(path);
  if (kept.isEmpty())
    heldFiles_ << path;
  StoredFileNotices << common::DamagedFileNotice(path, problem, kept, instead);
}

void IspEngine::storedFileFailed(QString &name, const QString &kind) {
  StoredFileNotices << ResultText + QStringLiteral("\r\rThe %1 \"%2\" could not be loaded; its "
                                                   "area of the buffer starts blank.")
                                        .arg(kind, name);
  name.clear();
}

// The EEPROM file is loaded by its extension; an EEP file is Intel HEX.
void IspEngine::loadStoredEepromFile() {
  const QString ext = Extension(EepromFileName);
  if (ext == u"hex" || ext == u"eep")
    LoadEepromHexFile();
  else if (ext == u"bin")
    LoadEepromBinFile();
  else
    return;
  if (ResultText == files::kOk)
    return;
  ClearEepromArea();
  storedFileFailed(EepromFileName, QStringLiteral("EEPROM file"));
}

void IspEngine::InitEngine() {
  std::ranges::fill(Buffer.cells, kBlankByte);
  Port = PortSettings{};
  Device = IspDevice{};
  Fuses = FuseState{};
  ProgramFileName.clear();
  EepromFileName.clear();
  AutoVerify = true;
  SaveOscCalToFlash = true;
  SaveOscCalToEeprom = false;
  ResultText.clear();
  LoadSettings();
  OpenPort();
  TimerSetup();
  ReleaseTarget();
}

void IspEngine::LoadSettings() {
  const QString path = SettingsFilePath(ProgramFolder);
  if (path.isEmpty() || !QFileInfo::exists(path))
    return;
  const auto lines = ReadValueLines(path, kSettingsLines);
  if (!lines)
    ResultText = kSettingsError + QStringLiteral("\rThe file cannot be read");
  if (!lines || !TakeSettingsLines(*lines)) {
    keepDamaged(path, ResultText, QStringLiteral("the program starts from the default settings"));
    return;
  }

  if (IsFile(ProgramFileName)) {
    const QString ext = Extension(ProgramFileName);
    const bool known = ext == u"hex" || ext == u"bin" || ext == u"rom" || ext == u"elf";
    if (ext == u"hex")
      LoadHexFile();
    else if (ext == u"bin")
      LoadBinFile();
    else if (ext == u"rom")
      LoadRomFile();
    else if (ext == u"elf")
      LoadElfFile();
    if (known && ResultText != files::kOk) {
      // Part of a file is no image to program: the buffer starts blank, as
      // after a failed Open File.
      std::ranges::fill(Buffer.cells, kBlankByte);
      storedFileFailed(ProgramFileName, QStringLiteral("program file"));
    }
  } else {
    ProgramFileName.clear();
  }
  if (IsFile(EepromFileName))
    loadStoredEepromFile();
  else
    EepromFileName.clear();
  LoadFuseDatabase();
}

bool IspEngine::TakeSettingsLines(const std::vector<QByteArray> &lines) {
  // Everything is read into copies first: a damaged file changes nothing, so
  // the cable is never driven with half a pin map and the fuses never carry
  // half a stored state.
  SettingsRecord r{Port, Device, Fuses, {}, {}, AutoVerify, SaveOscCalToFlash, SaveOscCalToEeprom};
  ValueReader in(lines, kSettingsError);
  SettingsFileLines(in, r);
  if (!in.ok()) {
    ResultText = in.error();
    return false;
  }
  Port = r.port;
  Device = r.device;
  Fuses = r.fuses;
  ProgramFileName = r.program;
  EepromFileName = r.eeprom;
  AutoVerify = r.verify;
  SaveOscCalToFlash = r.oscFlash;
  SaveOscCalToEeprom = r.oscEeprom;
  return true;
}

QByteArray IspEngine::SettingsText() const {
  const SettingsRecord r{Port,
                         Device,
                         Fuses,
                         ProgramFileName,
                         EepromFileName,
                         AutoVerify,
                         SaveOscCalToFlash,
                         SaveOscCalToEeprom};
  ValueWriter out;
  SettingsFileLines(out, r);
  return out.content();
}

void IspEngine::SaveSettings() {
  const QString path = SettingsFilePath(ProgramFolder);
  if (path.isEmpty())
    return;
  // A settings file that cannot be written leaves the old one whole and the
  // fuse database unwritten; the reason goes to ResultText.
  if (!heldFiles_.contains(path)) {
    ResultText = SaveText(path, SettingsText());
    if (ResultText != files::kOk)
      return;
  }
  SaveFuseDatabase();
}

void IspEngine::LoadFuseDatabase() {
  if (ProgramFileName.isEmpty())
    return;
  const QString name = FuseDatabaseName(ProgramFileName);
  // A program file that itself ends in ".fdb" is not its own database.
  if (name == ProgramFileName || !IsFile(name))
    return;
  const auto lines = ReadValueLines(name, kFuseDatabaseLines);
  if (!lines)
    ResultText = kFuseDatabaseError + QStringLiteral("\rThe file cannot be read");
  if (!lines || !TakeFuseDatabaseLines(*lines)) {
    keepDamaged(name, ResultText, QStringLiteral("the lock and fuse settings stay as they were"));
    return;
  }
  // A stored name whose file is gone stays, as the database gave it.
  if (IsFile(EepromFileName))
    loadStoredEepromFile();
}

bool IspEngine::TakeFuseDatabaseLines(const std::vector<QByteArray> &lines) {
  FuseState fuses = Fuses;
  QString eeprom;
  ValueReader in(lines, kFuseDatabaseError);
  FuseDatabaseLines(in, fuses, eeprom);
  if (!in.ok()) {
    ResultText = in.error();
    return false;
  }
  Fuses = fuses;
  EepromFileName = eeprom;
  return true;
}

QByteArray IspEngine::FuseDatabaseText() const {
  ValueWriter out;
  FuseDatabaseLines(out, std::as_const(Fuses), std::as_const(EepromFileName));
  return out.content();
}

void IspEngine::SaveFuseDatabase() {
  if (ProgramFileName.isEmpty())
    return;
  const QString name = FuseDatabaseName(ProgramFileName);
  if (name == ProgramFileName || heldFiles_.contains(name))
    return;
  ResultText = SaveText(name, FuseDatabaseText());
}

} // namespace rindle
