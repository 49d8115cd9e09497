#include "rindle/app/IspSession.h"

#include <algorithm>
#include <array>
#include <utility>

#include <QFileInfo>

#include "isp/hardware/IspHardware.h"
#include "rindle/engine/Settings.h"
#include "isp/core/FuseGuard.h"
#include "isp/core/ValueLines.h"

namespace rindle {

using common::Outcome;
using Icon = common::Prompter::Icon;

namespace {

const QString kOkResult = QStringLiteral("OK");

const QString kSignatureQuestion =
    QStringLiteral("Device Signature did not match.\rDo you want to continue ?");

QString FromView(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The device list's name of the device with this signature.
QString DeviceWithSignature(std::int32_t signature) {
  for (const DeviceEntry &entry : kDeviceList) {
    if (entry.isDevice && entry.expectedSignature == signature)
      return QStringLiteral("the ") + FromView(entry.Name());
  }
  return QStringLiteral("a device this programmer does not know");
}

IspEngine &Checked(const std::unique_ptr<IspEngine> &engine) { return *engine; }

// The engine's loader and saver of each file format, for flash and EEPROM.
struct FileIo {
  void (IspEngine::*load)();
  void (IspEngine::*save)();
};
constexpr std::array<FileIo, 3> kProgramFileIo{{
    {&IspEngine::LoadHexFile, &IspEngine::SaveHexFile}, // FileFormat::Hex
    {&IspEngine::LoadBinFile, &IspEngine::SaveBinFile}, // FileFormat::Bin
    {&IspEngine::LoadRomFile, &IspEngine::SaveRomFile}, // FileFormat::Rom
}};
constexpr FileIo kEepromHexIo{&IspEngine::LoadEepromHexFile, &IspEngine::SaveEepromHexFile};
constexpr FileIo kEepromBinIo{&IspEngine::LoadEepromBinFile, &IspEngine::SaveEepromBinFile};

const FileIo *IoFor(IspSession::Memory memory, FileFormat format) {
  if (memory == IspSession::Memory::Eeprom)
    return format == FileFormat::Bin ? &kEepromBinIo : &kEepromHexIo;
  if (format == FileFormat::Elf)
    return nullptr;
  return &kProgramFileIo.at(static_cast<std::size_t>(format));
}

qint64 ChipBytes(const IspEngine &engine) {
  return engine.Device.FlashSize + engine.Device.EepromSize;
}

} // namespace

QString SignatureRefusal(const IspEngine &engine) {
  if (!engine.ChipResponded)
    return QString::fromLatin1(kNoResponseText);
  return QStringLiteral("Device Signature did not match: the chip reads %1, the %2 has %3.")
      .arg(files::SignatureBytesText(engine.ReadSignatureValue), engine.ElfDevice().device,
           files::SignatureBytesText(engine.Device.ExpectedSignature));
}

IspSession::IspSession(IspEngine &engine, common::Prompter &prompter, IspHardware *hardware,
                       QString questionCaption)
    : engine_(engine), prompter_(prompter), hardware_(hardware),
      caption_(std::move(questionCaption)) {
  SetProgress(nullptr);
}

IspSession::IspSession(std::unique_ptr<IspHardware> hardware, common::Prompter &prompter,
                       QString questionCaption)
    : ownHardware_(std::move(hardware)),
      ownEngine_(std::make_unique<IspEngine>(ownHardware_->port(), ownHardware_->timer())),
      engine_(Checked(ownEngine_)), prompter_(prompter), hardware_(ownHardware_.get()),
      caption_(std::move(questionCaption)) {
  SetProgress(nullptr);
}

IspSession::~IspSession() {
  engine_.UpdateProgressBar = nullptr;
  engine_.ProcessEvents = nullptr;
}

void IspSession::SetProgress(common::Progress *progress) {
  progress_ = progress != nullptr ? progress : &noProgress_;
  engine_.UpdateProgressBar = [this](int position) { progress_->advance(position); };
  engine_.ProcessEvents = [this] { progress_->processEvents(); };
}

// ---------------------------------------------------------------- run

Outcome IspSession::Start(const QString &settingsFile, std::optional<std::uint16_t> portBase) {
  engine_.ProgramFolder.clear();
  if (!settingsFile.isEmpty() && QFileInfo::exists(settingsFile)) {
    const auto lines = isp::ReadValueLines(settingsFile, settings::kSettingsLines);
    if (!lines)
      return Outcome::failed(Outcome::Cause::File,
                             settingsFile + QStringLiteral(": the file cannot be read"));
    if (!engine_.TakeSettingsLines(*lines))
      return Outcome::failed(Outcome::Cause::File,
                             settingsFile + QStringLiteral(": ") + engine_.ResultText);
  }
  // The files the settings name belong to the window's run.
  engine_.ProgramFileName.clear();
  engine_.EepromFileName.clear();
  engine_.Fuses = FuseState{};
  if (portBase)
    engine_.Port.PortBase = *portBase;
  const common::PortReach reach = engine_.OpenPort();
  if (!reach.ok)
    return Outcome::failed(Outcome::Cause::Port, QString::fromStdString(reach.reason));
  engine_.TimerSetup();
  engine_.ReleaseTarget();
  return Outcome::ok();
}

void IspSession::Finish() {
  engine_.TimerRestore();
  OperationDone();
}

// ---------------------------------------------------------------- device

bool IspSession::SelectDevice(std::uint16_t row) {
  if (FindDevice(row) == nullptr)
    return false;
  // Another device starts from its own fresh fuse state: the bytes and lock
  // bits chosen for the last one mean something else on it, and would look
  // chosen to the default-fuse safeguard.
  if ((engine_.Device.DeviceIndex & 0xFF) != row)
    engine_.Fuses = FuseState{};
  engine_.Device.DeviceIndex = row;
  engine_.SelectDevice();
  if (hardware_ != nullptr)
    hardware_->deviceSelected(engine_.Device.DeviceIndex);
  return true;
}

bool IspSession::ask(SessionQuestion question, const QString &caption, const QString &text) {
  asking_ = std::move(question);
  const bool yes = prompter_.question(caption, text, Icon::Warning, false);
  asking_ = {};
  return yes;
}

bool IspSession::CheckDevice() {
  engine_.ProceedFlag = true;
  // A chip that reports no signature in serial mode is not checked.
  const DeviceEntry *entry = engine_.CurrentDevice();
  if (entry == nullptr || entry->signatureCount != 0) {
    engine_.SignatureOnly = true;
    engine_.ReadSignature();
    engine_.SignatureOnly = false;
    if (engine_.ReadSignatureValue != engine_.Device.ExpectedSignature) {
      SessionQuestion question{SessionQuestion::Kind::ChipSignature, {}, engine_.ChipResponded};
      engine_.ProceedFlag = ask(std::move(question), caption_, kSignatureQuestion);
    }
  }
  if (engine_.ProceedFlag && DeviceChecked)
    DeviceChecked();
  return engine_.ProceedFlag;
}

// ---------------------------------------------------------------- guards

const ElfTaken *IspSession::CurrentElf() const {
  return elf_ && !engine_.ProgramFileName.isEmpty() && elf_->fileName == engine_.ProgramFileName
             ? &*elf_
             : nullptr;
}

void IspSession::applyDefaultFuses() {
  // Fuse bytes and a lock byte from the program's own ELF file are what its
  // author chose: while they stand as the file left them, the defaults do
  // not replace them.
  const ElfTaken *elf = CurrentElf();
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

bool IspSession::confirmFuseWrite(const QString &caption) {
  const DeviceEntry *entry = engine_.CurrentDevice();
  if (entry == nullptr)
    return true;
  SessionQuestion question{SessionQuestion::Kind::Lockout, {}, true};
  for (const SerialLockoutBit &bit : SerialLockoutBits(*entry, engine_.Fuses))
    question.lockoutBits << FromView(bit.name);
  lockoutBits_ = question.lockoutBits;
  asking_ = std::move(question);
  const bool yes = ConfirmFuseWrite(*entry, engine_.Fuses, prompter_, caption);
  asking_ = {};
  return yes;
}

bool IspSession::ConfirmFileSignature(const QString &fileName, const files::ElfImage &image) {
  const std::int32_t file = image.PackedSignature();
  const std::int32_t selected = engine_.Device.ExpectedSignature;
  if (!image.signature || file == selected)
    return true;
  const QString question =
      QStringLiteral("%1 was built for %2 (signature %3); the selected device is the %4 (%5).\r")
          .arg(QFileInfo(fileName).fileName(), DeviceWithSignature(file),
               files::SignatureBytesText(file), engine_.ElfDevice().device,
               selected == 0 ? QStringLiteral("no signature")
                             : files::SignatureBytesText(selected)) +
      kSignatureQuestion;
  return ask({SessionQuestion::Kind::FileSignature, {}, true}, caption_, question);
}

// ---------------------------------------------------------------- files

QString IspSession::LoadFile(Memory memory, FileFormat format) {
  if (const FileIo *io = IoFor(memory, format))
    (engine_.*io->load)();
  else
    engine_.LoadElfFile();
  return engine_.ResultText;
}

void IspSession::AsProgrammed() {
  // Program stores them after the erase on the page-mode chips only.
  if (engine_.Family() == IspFamily::AvrPageMode)
    engine_.StoreCalibrationBytes();
}

QString IspSession::SaveRefusal(Memory memory, FileFormat format) {
  if (memory != Memory::Flash || format != FileFormat::Hex || engine_.Device.FlashSize <= 65536)
    return {};
  engine_.ResultText = QStringLiteral("Use BIN or ROM format for saving files > 64K");
  return engine_.ResultText;
}

Outcome IspSession::TakeElf(const QString &fileName, std::span<const files::ElfPart> parts) {
  files::ElfRead read = files::ReadElfFile(fileName);
  if (!read.ok())
    return Outcome::failed(Outcome::Cause::File, files::ElfNotLoaded(fileName, read.refusal));
  if (const QString refusal = files::ElfRefusal(read.image, engine_.ElfDevice(), parts);
      !refusal.isEmpty())
    return Outcome::failed(Outcome::Cause::File, files::ElfNotLoaded(fileName, refusal));
  if (!ConfirmFileSignature(fileName, read.image))
    return Outcome::refused(QStringLiteral("%1 was built for another device than the %2")
                                .arg(QFileInfo(fileName).fileName(), engine_.ElfDevice().device));
  const auto wanted = [&](files::ElfPart part) {
    return std::ranges::find(parts, part) != parts.end();
  };
  files::ElfImage taken;
  if (wanted(files::ElfPart::Flash))
    files::TakeElfFlash(read.image, engine_.Buffer.all(), engine_.ElfDevice().flashSize);
  if (wanted(files::ElfPart::Eeprom))
    engine_.TakeElfEeprom(read.image);
  if (wanted(files::ElfPart::Fuses))
    taken.fuses = read.image.fuses;
  if (wanted(files::ElfPart::Lock))
    taken.lock = read.image.lock;
  engine_.TakeElfFuses(taken);
  engine_.ProgramFileName = fileName;
  RememberElf({fileName, std::move(read.image), engine_.Fuses});
  return Outcome::ok();
}

QString IspSession::SaveFile(Memory memory, FileFormat format) {
  const FileIo *io = IoFor(memory, format);
  if (io == nullptr)
    return engine_.ResultText = QStringLiteral("ELF files are read, never written");
  (engine_.*io->save)();
  return engine_.ResultText;
}

// ---------------------------------------------------------------- commands

QString IspSession::WithPortProblem(const QString &text) {
  if (engine_.ChipResponded || hardware_ == nullptr)
    return text;
  const QString problem = hardware_->portProblem(engine_.Port.PortBase);
  return problem.isEmpty() ? text : text + u'\r' + problem;
}

Outcome IspSession::failure(const QString &text) {
  // A silent chip behind a port that cannot be used is the port's fault.
  const bool port = !engine_.ChipResponded && hardware_ != nullptr &&
                    !hardware_->portProblem(engine_.Port.PortBase).isEmpty();
  return Outcome::failed(port ? Outcome::Cause::Port : Outcome::Cause::Chip, WithPortProblem(text));
}

void IspSession::OperationDone() {
  if (hardware_ != nullptr)
    hardware_->operationDone();
}

bool IspSession::run(const QString &title, qint64 total, void (IspEngine::*operation)(),
                     bool releaseFirst) {
  engine_.CancelRequested = false;
  progress_->begin(title, total);
  (engine_.*operation)();
  if (releaseFirst) {
    engine_.ReleaseTarget();
    progress_->end();
  } else {
    progress_->end();
    engine_.ReleaseTarget();
  }
  OperationDone();
  return !engine_.CancelRequested;
}

Outcome IspSession::Read() {
  if (!CheckDevice())
    return Outcome::refused(SignatureRefusal(engine_));
  if (!run(QStringLiteral("  Reading the uController . . ."), ChipBytes(engine_),
           &IspEngine::ReadChip, false))
    return Outcome::cancelled();
  if (!engine_.ResultText.isEmpty())
    return failure(engine_.ResultText);
  return Outcome::ok(QStringLiteral("Reading Completed"));
}

Outcome IspSession::Program() {
  if (!CheckDevice())
    return Outcome::refused(SignatureRefusal(engine_));
  applyDefaultFuses();
  if (!confirmFuseWrite(QStringLiteral("  Write"))) {
    engine_.ReleaseTarget();
    return Outcome::refused(FuseLockoutRefusal(lockoutBits_));
  }
  if (!run(QStringLiteral("  Programming the uController . . ."), ChipBytes(engine_),
           &IspEngine::ProgramChip, false))
    return Outcome::cancelled();
  if (engine_.ResultText != kOkResult)
    return failure(engine_.ResultText);
  // A success without read-back says nothing, as nothing was checked.
  return Outcome::ok(engine_.AutoVerify ? QStringLiteral("Program, Verify  OK") : QString());
}

Outcome IspSession::checkedWalk(const QString &title, void (IspEngine::*operation)(),
                                bool releaseFirst, const QString &okText, bool asProgrammed) {
  if (!CheckDevice())
    return Outcome::refused(SignatureRefusal(engine_));
  if (asProgrammed)
    AsProgrammed();
  if (!run(title, ChipBytes(engine_), operation, releaseFirst))
    return Outcome::cancelled();
  if (engine_.ResultText != kOkResult)
    return failure(engine_.ResultText);
  return Outcome::ok(okText);
}

Outcome IspSession::Verify(bool asProgrammed) {
  return checkedWalk(QStringLiteral("  Verifying the uController . . ."), &IspEngine::VerifyChip,
                     false, QStringLiteral("Verification OK"), asProgrammed);
}

Outcome IspSession::BlankCheck() {
  return checkedWalk(QStringLiteral("  Blank Checking the uController . . ."),
                     &IspEngine::BlankCheckChip, true, QStringLiteral("Blank Check OK"), false);
}

Outcome IspSession::Erase() {
  if (!CheckDevice())
    return Outcome::refused(SignatureRefusal(engine_));
  run(QStringLiteral("  Erase"), 0, &IspEngine::EraseChip, true);
  if (!engine_.ChipResponded)
    return failure(engine_.ResultText);
  const DeviceEntry *entry = engine_.CurrentDevice();
  return Outcome::ok(entry != nullptr && entry->EraseSetsFuses()
                         ? QStringLiteral("Erasing Completed\rFuses set to default value")
                         : QStringLiteral("Erasing Completed"));
}

Outcome IspSession::ReadSignature() {
  // The read releases the target itself.
  progress_->begin(QStringLiteral("  Signature"), 0);
  engine_.ReadSignature();
  progress_->end();
  OperationDone();
  if (!engine_.ChipResponded)
    return failure(engine_.ResultText);
  return Outcome::ok(engine_.ResultText);
}

Outcome IspSession::WriteFuses() {
  if (!CheckDevice())
    return Outcome::refused(SignatureRefusal(engine_));
  const QString caption = QStringLiteral("  Lock Bits");
  const DeviceEntry *entry = engine_.CurrentDevice();
  if ((engine_.Fuses.LockBits & 0x0F) == 0 && (entry == nullptr || !entry->HasFuseDialog()))
    return Outcome::ok(QStringLiteral("No Lock Bit selected"));
  applyDefaultFuses();
  if (!confirmFuseWrite(caption)) {
    engine_.ReleaseTarget();
    return Outcome::refused(FuseLockoutRefusal(lockoutBits_));
  }
  run(caption, 0, &IspEngine::WriteLockBits, true);
  if (engine_.ResultText != kOkResult)
    return failure(engine_.ResultText);
  return Outcome::ok(QStringLiteral("Lock Bits programmed"));
}

Outcome IspSession::TakeChipFuses() {
  chipLockBits_ = 0;
  const DeviceEntry *entry = engine_.CurrentDevice();
  if (entry == nullptr || entry->signatureCount == 0)
    return Outcome::ok();
  engine_.ReadSignature();
  OperationDone();
  if (!engine_.ChipResponded)
    return failure(engine_.ResultText);
  chipLockBits_ = engine_.Fuses.LockBits & 0x07;
  engine_.Fuses.LockBits = 0;
  engine_.Fuses.LockByte = 0xFF;
  return Outcome::ok();
}

void IspSession::HoldReset() { engine_.HoldReset(); }

void IspSession::ReleaseReset() {
  engine_.ReleaseReset();
  OperationDone();
}

QString FuseLockoutRefusal(const QStringList &bits) {
  return QStringLiteral("Nothing written: the fuse bytes would end serial programming (%1).")
      .arg(bits.join(QStringLiteral(", ")));
}

} // namespace rindle
