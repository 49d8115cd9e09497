#include "tollen/engine/Session.h"

#include <QFileInfo>
#include <utility>

#include "isp/core/FuseGuard.h"

namespace tollen {

using common::Outcome;
using Icon = common::Prompter::Icon;

namespace {

const QString kOk = QStringLiteral("OK");

} // namespace

rindle::SimulationSetup SimulatedCable(const QString &device, const QString &stateFile) {
  rindle::SimulationSetup setup;
  setup.keeping = rindle::ChipKeeping::LastChip;
  setup.place = stateFile;
  setup.device = device;
  setup.firstChip = QString::fromLatin1(kFirstSimulatedChip);
  setup.wiring.presenceLoop = true;
  setup.realDelays = true;
  return setup;
}

Session::Session(std::unique_ptr<rindle::IspHardware> hardware, common::Prompter &prompter,
                 const QString &settingsPath)
    : hardware_(std::move(hardware)),
      ownEngine_(std::make_unique<TollenEngine>(hardware_->port(), hardware_->timer())),
      e_(*ownEngine_), prompter_(prompter) {
  e_.SettingsPath = settingsPath;
  e_.Messages = &prompter_;
  if (const QString notice = hardware_->takeNotice(); !notice.isEmpty()) {
    e_.StoredFileNotices << notice;
  }
}

Session::Session(TollenEngine &engine, common::Prompter &prompter)
    : e_(engine), prompter_(prompter) {}

// ---- Run ----

void Session::Start() { e_.InitEngine(); }

void Session::Finish() {
  e_.SaveSettings();
  e_.TimerRestore();
}

bool Session::SelectDevice(int row) {
  if (row < 0 || FindDevice(static_cast<std::uint16_t>(row)) == nullptr) {
    return false;
  }
  if (row != e_.DeviceIndex) {
    // The choices made for the last device mean something else on this one.
    e_.FuseLow = e_.FuseHigh = e_.FuseExtended = e_.LockByte = 0xFF;
    e_.LockBits = 0;
  }
  e_.DeviceIndex = static_cast<std::uint16_t>(row);
  e_.SelectDevice();
  if (hardware_) {
    hardware_->deviceSelected(e_.DeviceIndex);
  }
  return true;
}

bool Session::HasFuseBytes() const {
  const DeviceInfo *d = e_.CurrentDevice();
  return d != nullptr && d->record->HasFuseDialog();
}

bool Session::ThirdLockBitOffered() const {
  const DeviceInfo *d = e_.CurrentDevice();
  return d == nullptr || d->record->thirdLockBox.enabled;
}

// ---- Chip commands ----

class Session::Reporting {
public:
  Reporting(Session &session, common::Progress &progress) : e_(session.e_), progress_(progress) {
    e_.UpdateProgressBar = [this](int position) { progress_.advance(position); };
    e_.ProcessEvents = [this] { progress_.processEvents(); };
  }
  ~Reporting() {
    e_.UpdateProgressBar = {};
    e_.ProcessEvents = {};
  }
  Reporting(const Reporting &) = delete;
  Reporting &operator=(const Reporting &) = delete;

private:
  TollenEngine &e_;
  common::Progress &progress_;
};

template <class Operation>
bool Session::Run(common::Progress &progress, const QString &title, qint64 total,
                  Operation operation) {
  e_.CancelRequested = false;
  progress.begin(title, total);
  {
    Reporting reporting(*this, progress);
    operation();
  }
  if (hardware_) {
    hardware_->operationDone();
  }
  progress.end();
  return !e_.CancelRequested;
}

bool Session::DeviceChecked() {
  const DeviceInfo *d = e_.CurrentDevice();
  if (d == nullptr || d->kind == DeviceKind::At89ThreeByte) {
    return true;
  }
  e_.SignatureOnly = true;
  e_.ReadSignatureValue = 0; // a chip that does not answer has no signature
  e_.ReadSignature();
  e_.SignatureOnly = false;
  if (e_.ReadSignatureValue == e_.ExpectedSignature) {
    return true;
  }
  return prompter_.question(
      QStringLiteral("  Tollen"),
      QStringLiteral("Device Signature did not match.\rDo you want to continue ?"), Icon::Warning,
      false);
}

bool Session::TakeFuseBytes(const rindle::FuseBoxes::Bytes &fuses, const QString &caption) {
  e_.LockByte = fuses.lock;
  e_.FuseLow = fuses.low;
  e_.FuseHigh = fuses.high;
  e_.FuseExtended = fuses.extended;
  e_.ApplyDefaultFuses();
  const DeviceInfo *device = FindDevice(e_.DeviceIndex);
  return device == nullptr ||
         rindle::ConfirmFuseWrite(*device->record, e_.FuseChoices(), prompter_, caption);
}

Outcome Session::Read(common::Progress &progress) {
  if (!DeviceChecked()) {
    return Outcome::refused({});
  }
  const bool done = Run(progress, QStringLiteral("  Reading from uController . . ."), e_.TotalSize,
                        [this] { e_.ReadChip(); });
  // The buffer no longer holds the program file; its folder stays the one
  // the dialogs open.
  if (!e_.ProgramFileName.isEmpty()) {
    e_.LastDirectory = QFileInfo(e_.ProgramFileName).absolutePath();
  }
  e_.ProgramFileName.clear();
  if (!done) {
    return Outcome::cancelled();
  }
  if (!e_.ResultText.isEmpty()) {
    return Outcome::failed(Outcome::Cause::Chip, e_.ResultText);
  }
  return Outcome::ok(QStringLiteral("Data Reading Complete"));
}

Outcome Session::Write(const rindle::FuseBoxes::Bytes &fuses, common::Progress &progress) {
  if (!DeviceChecked() || !TakeFuseBytes(fuses, QStringLiteral("  Write"))) {
    return Outcome::refused({});
  }
  if (!Run(progress, QStringLiteral("  Programming the uController . . ."), e_.TotalSize,
           [this] { e_.ProgramChip(); })) {
    return Outcome::cancelled();
  }
  if (e_.ResultText != kOk) {
    return Outcome::failed(Outcome::Cause::Chip, e_.ResultText);
  }
  QString text = QStringLiteral("Programming/Verify OK");
  if (HasFuseBytes()) {
    text += QStringLiteral("\rLock & Fuse Bits Programmed");
  } else if (e_.LockBits != 0) {
    text += QStringLiteral("\rLock Bits Programmed");
  }
  return Outcome::ok(text);
}

Outcome Session::Verify(common::Progress &progress) {
  if (!DeviceChecked()) {
    return Outcome::refused({});
  }
  if (!Run(progress, QStringLiteral("  Verifying the uController with Buffer . . ."), e_.TotalSize,
           [this] { e_.VerifyChip(); })) {
    return Outcome::cancelled();
  }
  if (e_.ResultText != kOk) {
    return Outcome::failed(Outcome::Cause::Chip, e_.ResultText);
  }
  return Outcome::ok(QStringLiteral("Verify OK"));
}

bool Session::SignatureMatched() const {
  const DeviceInfo *d = e_.CurrentDevice();
  return e_.ChipResponded && d != nullptr && d->kind != DeviceKind::At89ThreeByte &&
         e_.ReadSignatureValue == e_.ExpectedSignature;
}

Outcome Session::Signature(common::Progress &progress) {
  Run(progress, QStringLiteral("  Signature"), 0, [this] {
    e_.ReadSignatureValue = 0;
    e_.ReadSignature();
  });
  const DeviceInfo *d = e_.CurrentDevice();
  const bool noSignature = d != nullptr && d->kind == DeviceKind::At89ThreeByte;
  if (SignatureMatched() || noSignature) {
    return Outcome::ok(e_.ResultText);
  }
  return Outcome::failed(Outcome::Cause::Chip, e_.ResultText);
}

Outcome Session::WriteLockBits(const rindle::FuseBoxes::Bytes &fuses, common::Progress &progress) {
  if (!DeviceChecked()) {
    return Outcome::refused({});
  }
  // Only the boxes the device offers count as chosen.
  const std::uint16_t offered = ThirdLockBitOffered() ? 0x07 : 0x03;
  if ((e_.LockBits & offered) == 0 && !HasFuseBytes()) {
    return Outcome::refused(QStringLiteral("No Lock Bit is Selected"));
  }
  if (!TakeFuseBytes(fuses, QStringLiteral("  Lock Bits"))) {
    return Outcome::refused({});
  }
  Run(progress, QStringLiteral("  Lock Bits"), 0, [this] { e_.WriteLockBits(); });
  if (e_.ResultText != kOk) {
    return Outcome::failed(Outcome::Cause::Chip, e_.ResultText);
  }
  return Outcome::ok(HasFuseBytes() ? QStringLiteral("Lock & Fuse Bits are Programmed")
                                    : QStringLiteral("Lock Bits are Programmed"));
}

} // namespace tollen
