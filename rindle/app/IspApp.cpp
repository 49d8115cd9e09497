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
  FileDialogTexts texts = IspFileDialogs(
      QStringLiteral(" Open File  (HEX,  BIN,  ROM)"),
      QStringLiteral(" Save File  (HEX,  BIN,  ROM)"),
      {QStringLiteral("Rom files (*.rom)"), QStringLiteral(".rom"), FileFormat::Rom},
      QStringLiteral("Over-write existing file"));
  texts.openOnly = {{QStringLiteral("ELF Files (*.elf)"), QStringLiteral(".elf"), FileFormat::Elf}};
  return texts;
}

const QString kSignatureQuestion =
    QStringLiteral("Device Signature did not match.\rDo you want to continue ?");

// The device list's name of the device with this signature.
QString DeviceWithSignature(std::int32_t signature) {
  for (const DeviceEntry &entry : kDeviceList) {
    if (entry.isDevice && entry.expectedSignature == signature)
      return QStringLiteral("the ") + QString::fromLatin1(entry.Name().data(),
                                                         static_cast<qsizetype>(entry.Name().size()));
  }
  return QStringLiteral("a device this programmer does not know");
}

// An EEP file is Intel HEX.
FileDialogTexts EepromFileDialogs() {
  return IspFileDialogs(
      QStringLiteral(" Open EEPROM File  (HEX,  BIN,  EEP)"),
      QStringLiteral(" Save EEPROM File  (HEX,  BIN,  EEP)"),
      {QStringLiteral("Eeprom files (*.eep)"), QStringLiteral(".eep"), FileFormat::Hex},
      QStringLiteral("Over-write exiting file"));
}

// The engine's loader and saver of each program file format.
struct ProgramFileIo {
  void (IspEngine::*load)();
  void (IspEngine::*save)();
};
constexpr std::array<ProgramFileIo, 3> kProgramFileIo{{
    {&IspEngine::LoadHexFile, &IspEngine::SaveHexFile}, // FileFormat::Hex
    {&IspEngine::LoadBinFile, &IspEngine::SaveBinFile}, // FileFormat::Bin
    {&IspEngine::LoadRomFile, &IspEngine::SaveRomFile}, // FileFormat::Rom
}};

} // namespace

IspApp::IspApp(IspEngine &engine, common::Prompter &prompter, OperationView *view,
               IspHardware *hardware, AppTexts texts)
    : engine_(engine), prompter_(prompter), view_(view), hardware_(hardware),
      texts_(std::move(texts)), files_(*this, prompter_, {ProgramFileDialogs()}) {
  engine_.UpdateProgressBar = [this](int position) {
    if (view_ != nullptr)
      view_->setProgress(position);
  };
  engine_.ProcessEvents = [this] {
    if (view_ != nullptr)
      view_->processEvents();
  };
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
  if (hardware_ != nullptr)
    hardware_->operationDone();
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
  const auto index = static_cast<std::uint16_t>(row);
  // Another device starts from its own fresh fuse state: the bytes and lock
  // bits chosen for the last one mean something else on it, and would look
  // chosen to the default-fuse safeguard.
  if ((engine_.Device.DeviceIndex & 0xFF) != index)
    engine_.Fuses = FuseState{};
  engine_.Device.DeviceIndex = index;
  engine_.SelectDevice();
  if (hardware_ != nullptr)
    hardware_->deviceSelected(engine_.Device.DeviceIndex);
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

bool IspApp::CheckDID() {
  engine_.ProceedFlag = true;
  // A chip that reports no signature in serial mode is not checked.
  const DeviceEntry *entry = engine_.CurrentDevice();
  if (entry != nullptr && entry->signatureCount == 0)
    return true;
  engine_.SignatureOnly = true;
  engine_.ReadSignature();
  engine_.SignatureOnly = false;
  if (engine_.ReadSignatureValue != engine_.Device.ExpectedSignature) {
    engine_.ProceedFlag =
        prompter_.question(texts_.questionCaption, kSignatureQuestion, Icon::Warning, false);
  }
  return engine_.ProceedFlag;
}

QString IspApp::withPortProblem(const QString &text) {
  if (engine_.ChipResponded || hardware_ == nullptr)
    return text;
  const QString problem = hardware_->portProblem(engine_.Port.PortBase);
  return problem.isEmpty() ? text : text + u'\r' + problem;
}

void IspApp::showMessage(const QString &caption, const QString &text, Icon icon) {
  FieldsChanged();
  prompter_.message(caption, text, icon);
}

void IspApp::chipMessage(const QString &caption, const QString &text, Icon icon) {
  showMessage(caption, withPortProblem(text), icon);
}

void IspApp::operationDone() {
  if (hardware_ != nullptr)
    hardware_->operationDone();
}

bool IspApp::checkDevice() {
  if (!CheckDID())
    return false;
  // What the check has just read.
  UpdateSigText();
  UpdateOscText();
  return true;
}

bool IspApp::runWithProgress(const QString &title, void (IspEngine::*operation)(),
                             bool releaseBeforeEnabling) {
  // ShowProgressForm, then the main window is disabled while the engine runs.
  engine_.CancelRequested = false;
  view_->showProgress(title, engine_.Device.FlashSize + engine_.Device.EepromSize);
  view_->setMainEnabled(false);
  (engine_.*operation)();
  if (releaseBeforeEnabling) {
    engine_.ReleaseTarget();
    view_->setMainEnabled(true);
  } else {
    view_->setMainEnabled(true);
    engine_.ReleaseTarget();
  }
  operationDone();
  return !engine_.CancelRequested;
}

void IspApp::ReadChip() {
  if (!checkDevice())
    return;
  const bool finished =
      runWithProgress(QStringLiteral("  Reading the uController . . ."), &IspEngine::ReadChip);
  GetFilePath();
  engine_.ProgramFileName.clear();
  UpdateFilename();
  ShowChecksum();
  if (!finished)
    return;
  view_->closeProgress();
  chipMessage(QStringLiteral("  Read"),
              engine_.ResultText.isEmpty() ? QStringLiteral("Reading Completed")
                                           : engine_.ResultText,
              Icon::Information);
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
  elf_ = ElfTaken{name, std::move(read.image), engine_.Fuses};
  engine_.Fuses = now;
}

const IspApp::ElfTaken *IspApp::currentElf() const {
  return elf_ && !engine_.ProgramFileName.isEmpty() && elf_->fileName == engine_.ProgramFileName
             ? &*elf_
             : nullptr;
}

void IspApp::applyDefaultFuses() {
  // Fuse bytes and a lock byte from the program's own ELF file are what its
  // author chose: while they stand as the file left them, the defaults do
  // not replace them.
  const ElfTaken *elf = currentElf();
  const FuseState &now = engine_.Fuses;
  const FuseState *file = elf != nullptr ? &elf->fuses : nullptr;
  if (file != nullptr && elf->image.HasFuses() && now.FuseLow == file->FuseLow &&
      now.FuseHigh == file->FuseHigh && now.FuseExtended == file->FuseExtended)
    return;
  const bool keepLock = file != nullptr && elf->image.lock && now.LockByte == file->LockByte;
  const std::uint16_t lock = now.LockByte;
  engine_.ApplyDefaultFuses();
  if (keepLock)
    engine_.Fuses.LockByte = lock;
}

bool IspApp::confirmFuseWrite(const QString &caption) {
  const DeviceEntry *entry = engine_.CurrentDevice();
  return entry == nullptr || ConfirmFuseWrite(*entry, engine_.Fuses, prompter_, caption);
}

void IspApp::ProgramChip() {
  if (!checkDevice())
    return;
  applyDefaultFuses();
  if (!confirmFuseWrite(QStringLiteral("  Write"))) {
    engine_.ReleaseTarget();
    return;
  }
  const bool finished = runWithProgress(QStringLiteral("  Programming the uController . . ."),
                                        &IspEngine::ProgramChip);
  // The calibration bytes went into the buffer after the erase.
  ShowChecksum();
  if (!finished)
    return;
  view_->closeProgress();
  // A failure is reported whatever the options; a success without read-back
  // ends silently, as nothing was checked.
  if (engine_.ResultText != kOk)
    chipMessage(QStringLiteral("  Write"), engine_.ResultText, Icon::Error);
  else if (engine_.AutoVerify)
    showMessage(QStringLiteral("  Write"), QStringLiteral("Program, Verify  OK"),
                Icon::Information);
}

void IspApp::VerifyChip() {
  if (!checkDevice() ||
      !runWithProgress(QStringLiteral("  Verifying the uController . . ."), &IspEngine::VerifyChip))
    return;
  view_->closeProgress();
  chipMessage(QStringLiteral("  Verify"),
              engine_.ResultText == kOk ? QStringLiteral("Verification OK") : engine_.ResultText,
              Icon::Information);
}

void IspApp::BlankCheckChip() {
  if (!checkDevice() || !runWithProgress(QStringLiteral("  Blank Checking the uController . . ."),
                                         &IspEngine::BlankCheckChip, true))
    return;
  view_->closeProgress();
  chipMessage(QStringLiteral("  Blank Check"),
              engine_.ResultText == kOk ? QStringLiteral("Blank Check OK") : engine_.ResultText,
              Icon::Information);
}

void IspApp::EraseChip() {
  if (!checkDevice())
    return;
  view_->setBusyCursor(true);
  engine_.EraseChip();
  engine_.ReleaseTarget();
  view_->setBusyCursor(false);
  operationDone();
  UpdateLbDisp();
  QString text = engine_.ResultText;
  if (engine_.ChipResponded) {
    const DeviceEntry *entry = engine_.CurrentDevice();
    text = entry != nullptr && entry->EraseSetsFuses()
               ? QStringLiteral("Erasing Completed\rFuses set to default value")
               : QStringLiteral("Erasing Completed");
  }
  chipMessage(QStringLiteral("  Erase"), text, Icon::Information);
}

void IspApp::ReadSignature() {
  view_->setBusyCursor(true);
  engine_.ReadSignature();
  view_->setBusyCursor(false);
  operationDone();
  UpdateLbDisp();
  UpdateSigText();
  UpdateOscText();
  chipMessage(QStringLiteral("  Signature"), engine_.ResultText, Icon::Information);
}

void IspApp::WriteLockBits() {
  if (!checkDevice())
    return;
  const QString caption = QStringLiteral("  Lock Bits");
  if ((engine_.Fuses.LockBits & 0x0F) == 0 && !lockBits_.fuseBytesEnabled) {
    showMessage(caption, QStringLiteral("No Lock Bit selected"), Icon::Information);
    return;
  }
  applyDefaultFuses();
  if (!confirmFuseWrite(caption)) {
    engine_.ReleaseTarget();
    return;
  }
  view_->setBusyCursor(true);
  engine_.WriteLockBits();
  engine_.ReleaseTarget();
  view_->setBusyCursor(false);
  operationDone();
  chipMessage(caption,
              engine_.ResultText == kOk ? QStringLiteral("Lock Bits programmed")
                                        : engine_.ResultText,
              Icon::Information);
}

void IspApp::HoldReset() { engine_.HoldReset(); }

void IspApp::ReleaseReset() {
  engine_.ReleaseReset();
  operationDone();
}

// ---------------------------------------------------------------- files

void IspApp::clearFileAreas() {
  engine_.ClearFlashArea();
  engine_.ClearEepromArea();
}

QString IspApp::LoadProgram(FileFormat format) {
  loadChangedNothing_ = false;
  if (format == FileFormat::Elf)
    return loadElf();
  elf_.reset();
  (engine_.*kProgramFileIo.at(static_cast<std::size_t>(format)).load)();
  return engine_.ResultText;
}

QString IspApp::loadElf() {
  // Everything is read and asked before anything is taken: a refused or
  // declined file changes nothing.
  loadChangedNothing_ = true;
  const QString &name = engine_.ProgramFileName;
  files::ElfRead read = files::ReadElfFile(name);
  if (!read.ok())
    return engine_.ResultText = files::ElfNotLoaded(name, read.refusal);
  if (!confirmElfSignature(read.image))
    return engine_.ResultText = QString();
  engine_.TakeElfImage(read.image);
  if (engine_.ResultText != kOk)
    return engine_.ResultText;
  loadChangedNothing_ = false;
  elf_ = ElfTaken{name, std::move(read.image), engine_.Fuses};
  return engine_.ResultText;
}

bool IspApp::confirmElfSignature(const files::ElfImage &image) {
  const std::int32_t file = image.PackedSignature();
  const std::int32_t selected = engine_.Device.ExpectedSignature;
  if (!image.signature || file == selected)
    return true;
  const QString selectedName = engine_.ElfDevice().device;
  const QString question =
      QStringLiteral("%1 was built for %2 (signature %3); the selected device is the %4 (%5).\r")
          .arg(QFileInfo(engine_.ProgramFileName).fileName(), DeviceWithSignature(file),
               files::SignatureBytesText(file), selectedName,
               selected == 0 ? QStringLiteral("no signature")
                             : files::SignatureBytesText(selected)) +
      kSignatureQuestion;
  return prompter_.question(texts_.questionCaption, question, Icon::Warning, false);
}

QString IspApp::SaveProgram(FileFormat format) {
  (engine_.*kProgramFileIo.at(static_cast<std::size_t>(format)).save)();
  return engine_.ResultText;
}

QString IspApp::SaveRefusal(FileFormat format) {
  if (format != FileFormat::Hex || engine_.Device.FlashSize <= 65536)
    return {};
  engine_.ResultText = QStringLiteral("Use BIN or ROM format for saving files > 64K");
  return engine_.ResultText;
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
  if (file.format == FileFormat::Bin)
    engine_.LoadEepromBinFile();
  else
    engine_.LoadEepromHexFile();
  if (engine_.ResultText == kOk)
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
  if (file.format == FileFormat::Bin)
    engine_.SaveEepromBinFile();
  else
    engine_.SaveEepromHexFile();
  if (engine_.ResultText != kOk)
    prompter_.message(caption, engine_.ResultText, Icon::Error);
}

void IspApp::BufferEditedByDialog() { files_.BufferEdited(true); }

} // namespace rindle
