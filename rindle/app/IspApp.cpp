#include "rindle/app/IspApp.h"

#include "rindle/app/BufferDialogs.h"

#include <array>
#include <utility>

#include <QFileInfo>

#include "rindle/app/FieldTexts.h"
#include "isp/hardware/IspHardware.h"
#include "isp/core/FuseGuard.h"

namespace rindle {

using Icon = common::Prompter::Icon;
using common::Prompter;

namespace {

const QString kOk = QStringLiteral("OK");

// The file dialogs of the programmer: HEX and BIN, then the kind's own.
FileDialogTexts IspFileDialogs(const QString &openTitle, const QString &saveTitle, FileFilter third,
                               const QString &overwrite) {
  return {openTitle,
          saveTitle,
          {{QStringLiteral("Hex files (*.hex)"), QStringLiteral(".hex"), FileFormat::Hex},
           {QStringLiteral("Bin files (*.bin)"), QStringLiteral(".bin"), FileFormat::Bin},
           std::move(third)},
          overwrite};
}

// Programs straight from the compiler are opened, never saved.
FileDialogTexts ProgramFileDialogs() {
  FileDialogTexts texts =
      IspFileDialogs(QStringLiteral(" Open File  (HEX,  BIN,  ROM)"),
                     QStringLiteral(" Save File  (HEX,  BIN,  ROM)"),
                     {QStringLiteral("Rom files (*.rom)"), QStringLiteral(".rom"), FileFormat::Rom},
                     QStringLiteral("Over-write existing file"));
  texts.openOnly = {{QStringLiteral("ELF Files (*.elf)"), QStringLiteral(".elf"), FileFormat::Elf}};
  return texts;
}

// An EEP file is Intel HEX.
FileDialogTexts EepromFileDialogs() {
  return IspFileDialogs(
      QStringLiteral(" Open EEPROM File  (HEX,  BIN,  EEP)"),
      QStringLiteral(" Save EEPROM File  (HEX,  BIN,  EEP)"),
      {QStringLiteral("Eeprom files (*.eep)"), QStringLiteral(".eep"), FileFormat::Hex},
      QStringLiteral("Over-write exiting file"));
}

} // namespace

IspApp::IspApp(IspEngine &engine, common::Prompter &prompter, OperationView *view,
               IspHardware *hardware, AppTexts texts)
    : engine_(engine), prompter_(prompter), view_(view), hardware_(hardware),
      texts_(std::move(texts)), session_(engine_, prompter_, hardware_, texts_.questionCaption),
      files_(*this, prompter_, {ProgramFileDialogs()}) {
  session_.SetProgress(&progress_);
  // What the check has just read.
  session_.DeviceChecked = [this] {
    UpdateSigText();
    UpdateOscText();
  };
}

void IspApp::ViewProgress::begin(const QString &title, qint64 total) {
  OperationView *view = app_.view_;
  busy_ = total <= 0;
  if (view == nullptr)
    return;
  if (busy_) {
    view->setBusyCursor(true);
    return;
  }
  // The progress window, then the main window is disabled while the engine
  // runs.
  view->showProgress(title, static_cast<int>(total));
  view->setMainEnabled(false);
}

void IspApp::ViewProgress::advance(qint64 done) {
  if (app_.view_ != nullptr)
    app_.view_->setProgress(static_cast<int>(done));
}

void IspApp::ViewProgress::end() {
  if (app_.view_ == nullptr)
    return;
  if (busy_)
    app_.view_->setBusyCursor(false);
  else
    app_.view_->setMainEnabled(true);
}

void IspApp::ViewProgress::processEvents() {
  if (app_.view_ != nullptr)
    app_.view_->processEvents();
}

// ---------------------------------------------------------------- run

void IspApp::FormCreate() {
  engine_.InitEngine();
  rememberStartElf();
  // InitForm1.
  UpdateFilename();
  // A damaged settings file may name a separator row.
  if (FindDevice(engine_.Device.DeviceIndex) == nullptr)
    engine_.Device.DeviceIndex = kFirstDeviceRow;
  engine_.SelectDevice();
  if (hardware_ != nullptr)
    hardware_->deviceSelected(engine_.Device.DeviceIndex);
  UpdateLbDisp();
  GetFilePath();
  ShowChecksum();
  resetChipFields();
  engine_.SignatureOnly = false;
  showNotices();
}

void IspApp::FormClose() {
  engine_.SaveSettings();
  engine_.TimerRestore();
  session_.OperationDone();
}

// ---------------------------------------------------------------- fields

void IspApp::UpdateFilename() {
  statusText_ = StatusText(engine_.ProgramFileName, texts_.windowTitle);
  const ElfTaken *elf = currentElf();
  statusTaken_ = elf != nullptr ? files::ElfTakenText(elf->image) : QString();
}

void IspApp::GetFilePath() {
  if (!engine_.ProgramFileName.isEmpty())
    lastDirectory_ = FolderOf(engine_.ProgramFileName);
}

void IspApp::UpdateLbDisp() {
  const std::uint16_t bits = engine_.Fuses.LockBits;
  lockBits_.lb1 = (bits & 1) != 0;
  lockBits_.lb2 = (bits & 2) != 0;
  const DeviceEntry *entry = FindDevice(engine_.Device.DeviceIndex);
  lockBits_.deviceRow = entry != nullptr;
  if (!lockBits_.deviceRow)
    return;
  lockBits_.lb3Enabled = entry->thirdLockBox.enabled;
  if (lockBits_.lb3Enabled)
    lockBits_.lb3Checked = (bits & 4) != 0;
  lockBits_.lb3Caption =
      QString::fromLatin1(entry->thirdLockBox.caption.data(),
                          static_cast<qsizetype>(entry->thirdLockBox.caption.size()));
  lockBits_.fuseBytesEnabled = entry->HasFuseDialog();
}

// A chip that did not answer has shown nothing: the bytes the engine holds
// were read from an earlier chip.
void IspApp::UpdateSigText() {
  sigText_ = engine_.ChipResponded ? SignatureText(engine_) : kNoSignatureText;
}

void IspApp::UpdateOscText() {
  if (!engine_.ChipResponded)
    oscText_ = kNoCalibrationText;
  else if (const auto text = CalibrationText(engine_))
    oscText_ = *text;
}

void IspApp::FieldsChanged() {
  if (view_ != nullptr)
    view_->fieldsChanged();
}

void IspApp::ShowChecksum() { checksumText_ = ChecksumText(engine_.BufferChecksum()); }

void IspApp::resetChipFields() {
  sigText_ = kNoSignatureText;
  oscText_ = kNoCalibrationText;
}

void IspApp::showNotices() {
  QStringList notices = std::exchange(engine_.StoredFileNotices, {});
  if (hardware_ != nullptr) {
    if (const QString notice = hardware_->takeNotice(); !notice.isEmpty())
      notices << notice;
  }
  if (notices.isEmpty())
    return;
  // The fields the notices explain are on screen first.
  FieldsChanged();
  for (const QString &notice : notices)
    prompter_.message(texts_.questionCaption, notice, Icon::Warning);
}

// ---------------------------------------------------------------- device list

bool IspApp::SelectRow(int row) {
  if (row < 0 || FindDevice(static_cast<std::uint16_t>(row)) == nullptr)
    return false;
  session_.SelectDevice(static_cast<std::uint16_t>(row));
  UpdateLbDisp();
  ShowChecksum();
  resetChipFields();
  showNotices();
  return true;
}

void IspApp::SetLockBit(int bit, bool on) {
  const auto mask = static_cast<std::uint16_t>(1u << bit);
  if (on)
    engine_.Fuses.LockBits |= mask;
  else
    engine_.Fuses.LockBits &= static_cast<std::uint16_t>(~mask);
  UpdateLbDisp();
}

// ---------------------------------------------------------------- chip operations

bool IspApp::CheckDID() { return session_.CheckDevice(); }

void IspApp::showMessage(const QString &caption, const QString &text, Icon icon) {
  FieldsChanged();
  prompter_.message(caption, text, icon);
}

void IspApp::showOutcome(const QString &caption, const common::Outcome &outcome, Icon icon,
                         Icon failedIcon) {
  using Kind = common::Outcome::Kind;
  if (outcome.kind == Kind::Refused || outcome.kind == Kind::Cancelled)
    return;
  showMessage(caption, outcome.message, outcome.kind == Kind::Failed ? failedIcon : icon);
}

void IspApp::ReadChip() {
  const common::Outcome outcome = session_.Read();
  if (outcome.kind == common::Outcome::Kind::Refused)
    return;
  GetFilePath();
  engine_.ProgramFileName.clear();
  UpdateFilename();
  ShowChecksum();
  if (outcome.kind == common::Outcome::Kind::Cancelled)
    return;
  view_->closeProgress();
  showOutcome(QStringLiteral("  Read"), outcome, Icon::Information, Icon::Information);
}

void IspApp::rememberStartElf() {
  const QString &name = engine_.ProgramFileName;
  if (name.isEmpty() || QFileInfo(name).suffix().toLower() != u"elf")
    return;
  files::ElfRead read = files::ReadElfFile(name);
  if (!read.ok() || !files::ElfRefusal(read.image, engine_.ElfDevice()).isEmpty())
    return;
  // The fuse state the file gives, without changing the one the last run
  // left.
  const FuseState now = engine_.Fuses;
  engine_.TakeElfFuses(read.image);
  session_.RememberElf({name, std::move(read.image), engine_.Fuses});
  engine_.Fuses = now;
}

void IspApp::ProgramChip() {
  const common::Outcome outcome = session_.Program();
  if (outcome.kind == common::Outcome::Kind::Refused)
    return;
  // The calibration bytes went into the buffer after the erase.
  ShowChecksum();
  if (outcome.kind == common::Outcome::Kind::Cancelled)
    return;
  view_->closeProgress();
  // A failure is reported whatever the options; a success without read-back
  // ends silently, as nothing was checked.
  if (!outcome.isOk() || !outcome.message.isEmpty())
    showOutcome(QStringLiteral("  Write"), outcome, Icon::Information, Icon::Error);
}

void IspApp::VerifyChip() {
  const common::Outcome outcome = session_.Verify();
  if (outcome.kind == common::Outcome::Kind::Refused ||
      outcome.kind == common::Outcome::Kind::Cancelled)
    return;
  view_->closeProgress();
  showOutcome(QStringLiteral("  Verify"), outcome, Icon::Information, Icon::Information);
}

void IspApp::BlankCheckChip() {
  const common::Outcome outcome = session_.BlankCheck();
  if (outcome.kind == common::Outcome::Kind::Refused ||
      outcome.kind == common::Outcome::Kind::Cancelled)
    return;
  view_->closeProgress();
  showOutcome(QStringLiteral("  Blank Check"), outcome, Icon::Information, Icon::Information);
}

void IspApp::EraseChip() {
  const common::Outcome outcome = session_.Erase();
  if (outcome.kind == common::Outcome::Kind::Refused)
    return;
  UpdateLbDisp();
  showOutcome(QStringLiteral("  Erase"), outcome, Icon::Information, Icon::Information);
}

void IspApp::ReadSignature() {
  const common::Outcome outcome = session_.ReadSignature();
  UpdateLbDisp();
  UpdateSigText();
  UpdateOscText();
  showOutcome(QStringLiteral("  Signature"), outcome, Icon::Information, Icon::Information);
}

void IspApp::WriteLockBits() {
  showOutcome(QStringLiteral("  Lock Bits"), session_.WriteFuses(), Icon::Information,
              Icon::Information);
}

void IspApp::HoldReset() { session_.HoldReset(); }

void IspApp::ReleaseReset() { session_.ReleaseReset(); }

// ---------------------------------------------------------------- files

void IspApp::clearFileAreas() {
  engine_.ClearFlashArea();
  engine_.ClearEepromArea();
}

QString IspApp::LoadProgram(FileFormat format) {
  loadChangedNothing_ = false;
  if (format == FileFormat::Elf)
    return loadElf();
  session_.ForgetElf();
  return session_.LoadFile(IspSession::Memory::Flash, format);
}

QString IspApp::loadElf() {
  // Everything is read and asked before anything is taken: a refused or
  // declined file changes nothing.
  loadChangedNothing_ = true;
  const QString &name = engine_.ProgramFileName;
  files::ElfRead read = files::ReadElfFile(name);
  if (!read.ok())
    return engine_.ResultText = files::ElfNotLoaded(name, read.refusal);
  if (!session_.ConfirmFileSignature(name, read.image))
    return engine_.ResultText = QString();
  engine_.TakeElfImage(read.image);
  if (engine_.ResultText != kOk)
    return engine_.ResultText;
  loadChangedNothing_ = false;
  session_.RememberElf({name, std::move(read.image), engine_.Fuses});
  return engine_.ResultText;
}

QString IspApp::SaveProgram(FileFormat format) {
  return session_.SaveFile(IspSession::Memory::Flash, format);
}

QString IspApp::SaveRefusal(FileFormat format) {
  return session_.SaveRefusal(IspSession::Memory::Flash, format);
}

void IspApp::ProgramLoaded() {
  engine_.LoadFuseDatabase();
  // What an ELF file holds outranks the settings kept beside it.
  if (const ElfTaken *elf = currentElf()) {
    engine_.TakeElfEeprom(elf->image);
    engine_.TakeElfFuses(elf->image);
  }
  UpdateLbDisp();
  showNotices();
}

void IspApp::DropFileNames() {
  engine_.ProgramFileName.clear();
  engine_.EepromFileName.clear();
}

std::int32_t IspApp::DisplayedChecksum() const {
  bool shown = false;
  const std::int32_t checksum = checksumText_.toInt(&shown, 16);
  return shown ? checksum : -1;
}

void IspApp::OpenFile() { files_.OpenFile(); }

void IspApp::ReloadFile() { files_.ReloadFile(); }

void IspApp::SaveFile() { files_.SaveFile(); }

void IspApp::OpenEepromFile() {
  if (engine_.Device.EepromSize == 0)
    return;
  const ChosenFile file = files_.ChooseOpenName(EepromFileDialogs());
  if (file.name.isEmpty())
    return;
  engine_.EepromFileName = file.name;
  if (session_.LoadFile(IspSession::Memory::Eeprom, file.format) == kOk)
    return;
  engine_.ClearEepromArea();
  prompter_.message(QStringLiteral("  Open EEPROM File"), engine_.ResultText, Icon::Warning);
}

void IspApp::SaveEepromFile() {
  if (engine_.Device.EepromSize == 0)
    return;
  const QString caption = QStringLiteral("  Save EEPROM File");
  const ChosenFile file = files_.ChooseSaveName(EepromFileDialogs(), caption);
  if (file.name.isEmpty())
    return;
  engine_.EepromFileName = file.name;
  if (session_.SaveFile(IspSession::Memory::Eeprom, file.format) != kOk)
    prompter_.message(caption, engine_.ResultText, Icon::Error);
}

void IspApp::BufferEditedByDialog() { files_.BufferEdited(true); }

} // namespace rindle
