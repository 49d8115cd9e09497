#include "tollen/engine/MainCommands.h"

#include <QFileInfo>
#include <utility>

#include "common/HexText.h"
#include "tollen/engine/ReportText.h"

namespace tollen {

using Icon = common::Prompter::Icon;
namespace hex = common::hex;

namespace {

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

// A long command in the progress window; Cancel closes the window itself.
class MainCommands::WindowProgress : public common::Progress {
public:
  WindowProgress(MainView &view, const TollenEngine &engine) : view_(view), e_(engine) {}
  void begin(const QString &title, qint64 total) override {
    view_.ShowProgress(title, static_cast<int>(total));
  }
  void advance(qint64 done) override { view_.SetProgress(static_cast<int>(done)); }
  void end() override {
    if (!e_.CancelRequested) {
      view_.CloseProgress();
    }
  }
  void processEvents() override { view_.ProcessEvents(); }

private:
  MainView &view_;
  const TollenEngine &e_;
};

// A short command under the hourglass.
class MainCommands::CursorProgress : public common::Progress {
public:
  explicit CursorProgress(MainView &view) : view_(view) {}
  void begin(const QString &, qint64) override { view_.SetBusyCursor(true); }
  void advance(qint64) override {}
  void end() override { view_.SetBusyCursor(false); }

private:
  MainView &view_;
};

MainCommands::MainCommands(Session &session, MainView &view)
    : session_(session), e_(session.Engine()), prompter_(session.Prompter()), view_(view),
      files_(*this, prompter_, ProgramFileTexts()) {
  SetupConfigInfo({});
}

MainCommands::MainCommands(TollenEngine &engine, common::Prompter &prompter, MainView &view)
    : ownSession_(std::in_place, engine, prompter), session_(*ownSession_), e_(engine),
      prompter_(prompter), view_(view), files_(*this, prompter_, ProgramFileTexts()) {
  SetupConfigInfo({});
}

// ---- Main window ----

void MainCommands::FormCreate() {
  session_.Start();
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

void MainCommands::FormClose() { session_.Finish(); }

int MainCommands::cboTypeChange(int row) {
  const bool other = row != e_.DeviceIndex;
  if (busy_ || !session_.SelectDevice(row)) {
    return e_.DeviceIndex;
  }
  if (other) {
    // Another device starts from a fresh fuse state, boxes included.
    RefreshConfigBits();
  }
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
  Lb3Enabled = session_.ThirdLockBitOffered();
  ConfigBitsEnabled = session_.HasFuseBytes();
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

template <class Body>
void MainCommands::ChipCommand(Body body) {
  if (busy_) {
    return;
  }
  BusyScope scope(busy_);
  body();
}

void MainCommands::CancelClick() {
  session_.Cancel();
  view_.CloseProgress();
}

void MainCommands::cmdReadClick() {
  ChipCommand([this] {
    WindowProgress progress(view_, e_);
    const common::Outcome outcome = session_.Read(progress);
    if (outcome.kind == common::Outcome::Kind::Refused) {
      return;
    }
    UpdateHexFilename();
    ShowChecksum();
    view_.Refresh();
    if (outcome.kind == common::Outcome::Kind::Cancelled) {
      return;
    }
    prompter_.message(QStringLiteral("  Read"), outcome.message, Icon::Information);
  });
}

void MainCommands::cmdWriteClick() {
  ChipCommand([this] {
    WindowProgress progress(view_, e_);
    const common::Outcome outcome = session_.Write(Fuses.Build(e_.LockBits), progress);
    switch (outcome.kind) {
    case common::Outcome::Kind::Ok:
      prompter_.message(QStringLiteral("  Write"), outcome.message, Icon::Information);
      break;
    case common::Outcome::Kind::Failed:
      prompter_.message(QStringLiteral("  Write"), outcome.message, Icon::Error);
      break;
    case common::Outcome::Kind::Refused:
    case common::Outcome::Kind::Cancelled: break;
    }
  });
}

void MainCommands::cmdVerifyClick() {
  ChipCommand([this] {
    WindowProgress progress(view_, e_);
    const common::Outcome outcome = session_.Verify(progress);
    if (outcome.kind == common::Outcome::Kind::Ok ||
        outcome.kind == common::Outcome::Kind::Failed) {
      prompter_.message(QStringLiteral("  Verify"), outcome.message, Icon::Information);
    }
  });
}

void MainCommands::cmdSignatureClick() {
  ChipCommand([this] {
    CursorProgress progress(view_);
    const common::Outcome outcome = session_.Signature(progress);
    UpdateLbDisp();
    const DeviceInfo *d = e_.CurrentDevice();
    if (!e_.ChipResponded) {
      // What the fields held came from an earlier chip.
      SigText = kNoSignature;
      CalibText = kNoCalibration;
    } else if (session_.SignatureMatched()) {
      const auto &b = e_.SignatureBytes;
      SigText = hex::Text(b[0], 2) + u' ' + hex::Text(b[1], 2) + u' ' + hex::Text(b[2], 2);
      if (d->kind == DeviceKind::AvrPaged) {
        const auto &c = e_.CalibrationBytes;
        CalibText = hex::Text(c[0], 2) + u' ' + hex::Text(c[1], 2) + u' ' + hex::Text(c[2], 2) +
                    u' ' + hex::Text(c[3], 2);
      }
    }
    view_.Refresh();
    prompter_.message(QStringLiteral("  Signature"), outcome.message, Icon::Information);
  });
}

void MainCommands::cmdLockBitsClick() {
  ChipCommand([this] {
    CursorProgress progress(view_);
    const common::Outcome outcome = session_.WriteLockBits(Fuses.Build(e_.LockBits), progress);
    // A refusal without a word: the user said No to the fuses.
    if (!outcome.message.isEmpty()) {
      prompter_.message(QStringLiteral("  Lock Bits"), outcome.message, Icon::Information);
    }
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
