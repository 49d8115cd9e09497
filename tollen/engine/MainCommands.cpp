#include "tollen/engine/MainCommands.h"

#include <QFileInfo>
#include <utility>

#include "common/HexText.h"
#include "isp/core/FuseGuard.h"
#include "tollen/engine/ReportText.h"

namespace tollen {

using Icon = common::Prompter::Icon;
namespace hex = common::hex;

namespace {

const QString kOk = QStringLiteral("OK");
const QString kNoSignature = QStringLiteral("00 00 00");
const QString kNoCalibration = QStringLiteral("00 00 00 00");

// One HEX filter that matters; a name typed without an extension is saved
// as HEX, and every file is read as HEX.
rindle::FileCommandTexts ProgramFileTexts() {
  const QString hexSuffix = QStringLiteral(".hex");
  rindle::FileDialogTexts program{
      QStringLiteral("Open Hex File"),
      QStringLiteral("Save Hex File"),
      {{QStringLiteral("Hex File (*.hex)"), hexSuffix, rindle::FileFormat::Hex},
       {QStringLiteral("All Files (*.*)"), hexSuffix, rindle::FileFormat::Hex}},
      QStringLiteral("Over-write exiting file")};
  return {std::move(program)};
}

} // namespace

// Marks an operation as running for as long as the scope lives.
class MainCommands::BusyScope {
public:
  explicit BusyScope(bool &busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope &) = delete;
  BusyScope &operator=(const BusyScope &) = delete;

private:
  bool &busy_;
};

MainCommands::MainCommands(TollenEngine &engine, common::Prompter &prompter, MainView &view)
    : e_(engine), prompter_(prompter), view_(view), files_(*this, prompter_, ProgramFileTexts()) {
  SetupConfigInfo({});
  e_.UpdateProgressBar = [this](int position) { view_.SetProgress(position); };
  e_.ProcessEvents = [this] { view_.ProcessEvents(); };
}

// ---- Main window ----

void MainCommands::FormCreate() {
  e_.InitEngine();
  InitForm1();
}

void MainCommands::InitForm1() {
  UpdateHexFilename();
  e_.SelectDevice();
  // The fuse dialog's boxes, which Write and Write LBs take the bytes from,
  // start with the bytes the settings file stored.
  RefreshConfigBits();
  UpdateLbDisp();
  GetFilePath();
  ShowChecksum();
  SigText = kNoSignature;
  CalibText = kNoCalibration;
  e_.SignatureOnly = false;
  view_.Refresh();
  // What start-up found wrong with the files it read by itself, once each.
  for (const QString &notice : std::exchange(e_.StoredFileNotices, {})) {
    prompter_.message(QString::fromLatin1(kTitle), notice, Icon::Warning);
  }
}

void MainCommands::FormClose() {
  e_.SaveSettings();
  e_.TimerRestore();
}

int MainCommands::cboTypeChange(int row) {
  if (busy_ || row < 0 || FindDevice(static_cast<std::uint16_t>(row)) == nullptr) {
    return e_.DeviceIndex;
  }
  if (row != e_.DeviceIndex) {
    // Another device starts from a fresh fuse state, boxes included: the
    // choices made for the last one mean something else on it.
    e_.FuseLow = e_.FuseHigh = e_.FuseExtended = e_.LockByte = 0xFF;
    e_.LockBits = 0;
    RefreshConfigBits();
  }
  e_.DeviceIndex = static_cast<std::uint16_t>(row);
  e_.SelectDevice();
  UpdateLbDisp();
  ShowChecksum();
  SigText = kNoSignature;
  CalibText = kNoCalibration;
  view_.Refresh();
  return row;
}

void MainCommands::chkLBClick(int bit, bool checked) {
  if (!busy_) {
    const auto mask = static_cast<std::uint16_t>(1u << bit);
    e_.LockBits = static_cast<std::uint16_t>(checked ? e_.LockBits | mask : e_.LockBits & ~mask);
  }
  UpdateLbDisp();
  view_.Refresh();
}

void MainCommands::UpdateLbDisp() {
  for (int bit = 0; bit < 3; ++bit) {
    LockBoxes[static_cast<std::size_t>(bit)] = (e_.LockBits & (1u << bit)) != 0;
  }
  // This edition's captions carry one leading blank.
  const DeviceInfo *d = e_.CurrentDevice();
  const std::string_view caption =
      d != nullptr ? d->record->thirdLockBox.caption : rindle::ThirdLockBox{}.caption;
  Lb3Caption = u' ' + QString::fromLatin1(caption.data(), qsizetype(caption.size())).trimmed();
  Lb3Enabled = d == nullptr || d->record->thirdLockBox.enabled;
  ConfigBitsEnabled = d != nullptr && d->record->HasFuseDialog();
}

void MainCommands::UpdateHexFilename() {
  StatusText =
      e_.ProgramFileName.isEmpty() ? QString::fromLatin1(kIdleStatus) : u' ' + e_.ProgramFileName;
}

void MainCommands::GetFilePath() {
  if (!e_.ProgramFileName.isEmpty()) {
    e_.LastDirectory = QFileInfo(e_.ProgramFileName).absolutePath();
  }
}

void MainCommands::ShowChecksum() {
  ShownChecksum = e_.BufferChecksum();
  ChecksumText = hex::AtLeast(static_cast<std::uint32_t>(ShownChecksum), 6);
}

void MainCommands::CheckDID() {
  ProceedFlag = true;
  const DeviceInfo *d = e_.CurrentDevice();
  if (d == nullptr || d->kind == DeviceKind::At89ThreeByte) {
    return;
  }
  e_.SignatureOnly = true;
  e_.ReadSignatureValue = 0; // a chip that does not answer has no signature
  e_.ReadSignature();
  e_.SignatureOnly = false;
  if (e_.ReadSignatureValue != e_.ExpectedSignature) {
    ProceedFlag = prompter_.question(
        QStringLiteral("  Tollen"),
        QStringLiteral("Device Signature did not match.\rDo you want to continue ?"), Icon::Warning,
        false);
  }
}

void MainCommands::ShowProgressForm(const QString &caption) {
  e_.CancelRequested = false;
  view_.ShowProgress(caption, e_.TotalSize);
}

template <class Body>
void MainCommands::ChipCommand(Body body) {
  if (busy_) {
    return;
  }
  BusyScope scope(busy_);
  CheckDID();
  if (ProceedFlag) {
    body();
  }
}

bool MainCommands::ProgressEnded() {
  if (e_.CancelRequested) {
    return false; // the progress window closed itself
  }
  view_.CloseProgress();
  return true;
}

void MainCommands::CancelClick() {
  e_.CancelRequested = true;
  view_.CloseProgress();
}

void MainCommands::cmdReadClick() {
  ChipCommand([this] {
    ShowProgressForm(QStringLiteral("  Reading from uController . . ."));
    e_.ReadChip();
    GetFilePath();
    e_.ProgramFileName.clear();
    UpdateHexFilename();
    ShowChecksum();
    view_.Refresh();
    if (!ProgressEnded()) {
      return;
    }
    prompter_.message(QStringLiteral("  Read"),
                      e_.ResultText.isEmpty() ? QStringLiteral("Data Reading Complete")
                                              : e_.ResultText,
                      Icon::Information);
  });
}

bool MainCommands::TakeFuseBytes(const QString &caption) {
  UpdateConfigFuseBytes();
  e_.ApplyDefaultFuses();
  const DeviceInfo *device = FindDevice(e_.DeviceIndex);
  return device == nullptr ||
         rindle::ConfirmFuseWrite(*device->record, e_.FuseChoices(), prompter_, caption);
}

void MainCommands::cmdWriteClick() {
  ChipCommand([this] {
    if (!TakeFuseBytes(QStringLiteral("  Write"))) {
      return;
    }
    ShowProgressForm(QStringLiteral("  Programming the uController . . ."));
    e_.ProgramChip();
    if (!ProgressEnded()) {
      return;
    }
    if (e_.ResultText != kOk) {
      prompter_.message(QStringLiteral("  Write"), e_.ResultText, Icon::Error);
      return;
    }
    QString text = QStringLiteral("Programming/Verify OK");
    if (ConfigBitsEnabled) {
      text += QStringLiteral("\rLock & Fuse Bits Programmed");
    } else if (e_.LockBits != 0) {
      text += QStringLiteral("\rLock Bits Programmed");
    }
    prompter_.message(QStringLiteral("  Write"), text, Icon::Information);
  });
}

void MainCommands::cmdVerifyClick() {
  ChipCommand([this] {
    ShowProgressForm(QStringLiteral("  Verifying the uController with Buffer . . ."));
    e_.VerifyChip();
    if (!ProgressEnded()) {
      return;
    }
    prompter_.message(QStringLiteral("  Verify"),
                      e_.ResultText != kOk ? e_.ResultText : QStringLiteral("Verify OK"),
                      Icon::Information);
  });
}

void MainCommands::cmdSignatureClick() {
  if (busy_) {
    return;
  }
  BusyScope scope(busy_);
  view_.SetBusyCursor(true);
  e_.ReadSignatureValue = 0;
  e_.ReadSignature();
  UpdateLbDisp();
  view_.SetBusyCursor(false);
  const DeviceInfo *d = e_.CurrentDevice();
  if (!e_.ChipResponded) {
    // What the fields held came from an earlier chip.
    SigText = kNoSignature;
    CalibText = kNoCalibration;
  } else if (d != nullptr && d->kind != DeviceKind::At89ThreeByte &&
             e_.ReadSignatureValue == e_.ExpectedSignature) {
    const auto &b = e_.SignatureBytes;
    SigText = hex::Text(b[0], 2) + u' ' + hex::Text(b[1], 2) + u' ' + hex::Text(b[2], 2);
    if (d->kind == DeviceKind::AvrPaged) {
      const auto &c = e_.CalibrationBytes;
      CalibText = hex::Text(c[0], 2) + u' ' + hex::Text(c[1], 2) + u' ' + hex::Text(c[2], 2) +
                  u' ' + hex::Text(c[3], 2);
    }
  }
  view_.Refresh();
  prompter_.message(QStringLiteral("  Signature"), e_.ResultText, Icon::Information);
}

void MainCommands::cmdLockBitsClick() {
  ChipCommand([this] {
    // Only the boxes the device offers count as chosen.
    const std::uint16_t offered = Lb3Enabled ? 0x07 : 0x03;
    if ((e_.LockBits & offered) == 0 && !ConfigBitsEnabled) {
      prompter_.message(QStringLiteral("  Lock Bits"), QStringLiteral("No Lock Bit is Selected"),
                        Icon::Information);
      return;
    }
    if (!TakeFuseBytes(QStringLiteral("  Lock Bits"))) {
      return;
    }
    view_.SetBusyCursor(true);
    e_.WriteLockBits();
    view_.SetBusyCursor(false);
    QString text = e_.ResultText;
    if (text == kOk) {
      text = ConfigBitsEnabled ? QStringLiteral("Lock & Fuse Bits are Programmed")
                               : QStringLiteral("Lock Bits are Programmed");
    }
    prompter_.message(QStringLiteral("  Lock Bits"), text, Icon::Information);
  });
}

QString MainCommands::LoadProgram(rindle::FileFormat) {
  e_.LoadHexFile();
  return e_.ResultText;
}

QString MainCommands::SaveProgram(rindle::FileFormat) {
  e_.SaveHexFile();
  return e_.ResultText;
}

void MainCommands::BlankLoadedCells() { rindle::FillBlank(e_.Cells.all(), 0, e_.TotalSize); }

void MainCommands::cmdOpenFileClick() {
  if (!busy_) {
    files_.OpenFile();
  }
}

void MainCommands::cmdReloadFileClick() {
  if (!busy_) {
    files_.ReloadFile();
  }
}

void MainCommands::cmdSaveFileClick() {
  if (!busy_) {
    files_.SaveFile();
  }
}

void MainCommands::cmdConfigBitsClick() {
  if (busy_) {
    return;
  }
  RefreshConfigBits();
  if (const DeviceInfo *d = e_.CurrentDevice(); d != nullptr && d->record->HasFuseDialog()) {
    SetupConfigInfo(d->record->fuseLayout);
  }
  view_.ShowFuseDialog();
  UpdateConfigFuseBytes();
}

void MainCommands::cmdDispBufferClick() {
  if (!busy_) {
    view_.ShowBufferDisplay();
  }
}

void MainCommands::cmdAboutClick() {
  if (!busy_) {
    view_.ShowAbout();
  }
}

// ---- Fuse dialog ----

void MainCommands::RefreshConfigBits() {
  Fuses.Refresh({e_.LockByte, e_.FuseExtended, e_.FuseHigh, e_.FuseLow});
}

void MainCommands::UpdateConfigFuseBytes() {
  const rindle::FuseBoxes::Bytes bytes = Fuses.Build(e_.LockBits);
  e_.LockByte = bytes.lock;
  e_.FuseLow = bytes.low;
  e_.FuseHigh = bytes.high;
  e_.FuseExtended = bytes.extended;
}

void MainCommands::SetupConfigInfo(const rindle::DeviceFuseLayout &layout) {
  Fuses.ShowLayout(layout);
}

// ---- Buffer display and fill dialog ----

int MainCommands::ScrollMaximum() const { return std::max(0, int(e_.TotalSize) - 256); }

void MainCommands::ClearBufferClick() {
  if (busy_) {
    return;
  }
  // The folder is kept while the name is known.
  GetFilePath();
  if (!rindle::ClearProgramCells(
          prompter_, {QStringLiteral("  Clear Buffer"), QStringLiteral("Clear Data Buffer"), false},
          rindle::CellRange(e_.Cells.all(), 0, e_.TotalSize), e_.ProgramFileName)) {
    return;
  }
  ShowChecksum();
  UpdateHexFilename();
  view_.Refresh();
}

void MainCommands::FillBufferClick() {
  if (busy_) {
    return;
  }
  BufferEdited = false;
  FillStart = QStringLiteral("0000");
  FillEnd = hex::AtLeast(e_.TotalSize - 1u, 4);
  FillData = QStringLiteral("FF");
  view_.ShowFillDialog();
  files_.BufferEdited(BufferEdited);
}

void MainCommands::FillOkClick(const QString &start, const QString &end, const QString &data) {
  if (rindle::FillCells(rindle::CellRange(e_.Cells.all(), 0, e_.TotalSize), start, end, data,
                        prompter_)) {
    BufferEdited = true;
  }
}

} // namespace tollen
