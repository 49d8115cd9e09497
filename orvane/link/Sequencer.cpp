#include "orvane/link/Sequencer.h"

#include "orvane/core/LoaderCore.h"

#include "common/HexText.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <span>
#include <vector>

namespace orvane {

namespace {

const QByteArray kCR("\r");
constexpr char kDC1 = 0x11;
constexpr char kLF = 0x0A;

// The text with leading and trailing blanks and control characters removed.
QString trimmed(const QByteArray &bytes) {
  qsizetype from = 0;
  qsizetype to = bytes.size();
  while (from < to && static_cast<unsigned char>(bytes[from]) <= 0x20) {
    ++from;
  }
  while (to > from && static_cast<unsigned char>(bytes[to - 1]) <= 0x20) {
    --to;
  }
  return QString::fromLatin1(bytes.mid(from, to - from));
}

// Characters 1 to p - 2 of text, where p is the position of the first CR
// counted from 1: the text before the CR less its last character.
QByteArray beforeLineEnd(const QByteArray &text) {
  const qsizetype p = text.indexOf('\r') + 1;
  return p > 2 ? text.left(p - 2) : QByteArray();
}

QString notAnInteger(const QString &text) {
  return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

// A decimal number as the hardware writes it; the conversion error text when
// it is none.
std::optional<qint64> decimal(const QByteArray &field, QString *error) {
  bool ok = false;
  const qint64 n = field.trimmed().toLongLong(&ok, 10);
  if (!ok || n < INT32_MIN || n > INT32_MAX) {
    *error = notAnInteger(QString::fromLatin1(field));
    return std::nullopt;
  }
  return n;
}

// The functions that send the loaded image's bytes or its length.
bool sendsTheImage(int function) {
  return function == kProgram || function == kVerify || function == kAutoProgram;
}

// What a link does before its step starts.
enum class Before {
  Nothing,
  CountLoadedBytes, // the counter is the loaded image's length
  LongTick,         // the chip-size step is judged five ticks after "b"
  ShortTick,        // and the steps after it go back to one tick
  KeepImage         // the image is kept aside for the comparison
};

// Which Auto Program option a link depends on.
enum class When { Always, Verify, Lock };

// The comparison after a read-back: a link without a step of its own.
constexpr int kCompare = -1;

// The command a timer step sends when it starts; inline steps send their
// own.
QByteArray commandOf(int step) {
  switch (step) {
  case Step::DetectHardware: return kCR;
  case Step::BlankCheck: return QByteArrayLiteral("p");
  case Step::ChipSize: return QByteArrayLiteral("b");
  case Step::ReadData: return QByteArrayLiteral("r");
  case Step::WriteData: return QByteArrayLiteral("w");
  default: return {};
  }
}

} // namespace

struct Sequencer::Link {
  int step;
  // The progress line of the step; for the comparison the line shown before
  // comparing, if any.
  const char *message;
  Before before = Before::Nothing;
  When when = When::Always;
  // A closing report whose reply only informs: the function has done its
  // work whatever it says (the used bytes of a chip just written or locked).
  bool report = false;
};

namespace {

using Link = Sequencer::Link;

constexpr Link kDetectHardware{Step::DetectHardware, "Detecting Hardware..."};
constexpr Link kDetectChip{Step::DetectChip, "Detecting Chip..."};
constexpr Link kErasing{Step::Erase, "Erasing..."};
constexpr Link kBlankCheck{Step::BlankCheck, "Blank Check..."};
constexpr Link kLocking{Step::Lock, "Locking Chip..."};
constexpr Link kWriteCounter{Step::SetWriteCounter, "Setting Write Counter...",
                             Before::CountLoadedBytes};
constexpr Link kWriting{Step::WriteData, "Writing, Please wait..."};

constexpr Link kEraseChain[] = {kDetectHardware, kDetectChip, kErasing, kBlankCheck};
constexpr Link kBlankCheckChain[] = {kDetectHardware, kDetectChip, kBlankCheck};
constexpr Link kProgramChain[] = {kDetectHardware, kDetectChip,   kErasing,
                                  kBlankCheck,     kWriteCounter, kWriting};
constexpr Link kVerifyChain[] = {
    kDetectHardware,
    kDetectChip,
    {Step::SetReadCounter, "Setting Read Counter...", Before::CountLoadedBytes},
    {Step::ReadData, "Reading to Verify, Please wait...", Before::KeepImage},
    {kCompare, nullptr}};
constexpr Link kLockChain[] = {
    kDetectHardware, kLocking, {Step::BlankCheck, "Blank Check...", Before::Nothing, When::Always, true}};
constexpr Link kReadChain[] = {kDetectHardware,
                               kDetectChip,
                               {Step::ChipSize, "Chip Size...", Before::LongTick},
                               // The counter is the chip size the previous step reported.
                               {Step::SetReadCounter, "Setting Read Counter...", Before::ShortTick},
                               {Step::ReadData, "Reading, Please wait..."}};
constexpr Link kSignatureChain[] = {kDetectHardware, kDetectChip};
constexpr Link kAutoProgramChain[] = {
    kDetectHardware,
    kDetectChip,
    kErasing,
    {Step::BlankCheck, "Verifying Erase..."},
    kWriteCounter,
    kWriting,
    {Step::SetReadCounter, "Setting Read Counter...", Before::CountLoadedBytes, When::Verify},
    {Step::ReadData, "Reading to Verify, Please wait...", Before::KeepImage, When::Verify},
    {kCompare, "Verifying...", Before::Nothing, When::Verify},
    {Step::Lock, "Locking Chip...", Before::Nothing, When::Lock},
    {Step::BlankCheck, "Reading chip info...", Before::Nothing, When::Always, true}};

// Each function's chain, by its index in the function list.
constexpr std::span<const Link> kChains[] = {kEraseChain,     kBlankCheckChain, kProgramChain,
                                             kVerifyChain,    kLockChain,       kReadChain,
                                             kSignatureChain, kAutoProgramChain};

} // namespace

QStringList FunctionNames() {
  return {QStringLiteral("Erase"),     QStringLiteral("Blank Check"), QStringLiteral("Program"),
          QStringLiteral("Verify"),    QStringLiteral("Lock"),        QStringLiteral("Read"),
          QStringLiteral("Signature"), QStringLiteral("Auto Program")};
}

Sequencer::Sequencer(LoaderCore &core, ComPort &port, ComDataPacket &packets, SequencerHost &host,
                     common::Prompter &prompter, QObject *parent,
                     std::unique_ptr<StepTimer> stepTimer)
    : QObject(parent), core_(core), port_(port), packets_(packets), host_(host),
      prompter_(prompter),
      timer_(stepTimer ? std::move(stepTimer) : std::make_unique<QtStepTimer>()) {
  timer_->setInterval(tickMs_);
  timer_->SetOnTick([this] { Algo1_Timer1Timer(); });
  packets_.SetComPort(&port_);
  connect(&packets_, &ComDataPacket::Packet, this, &Sequencer::ComDataPacket1Packet);
  connect(&packets_, &ComDataPacket::Waiting, this, &Sequencer::readProgress);
  connect(&port_, &ComPort::LinkFailed, this, [this] {
    if (busy_) {
      linkLost();
    }
  });
}

void Sequencer::SetTickInterval(int ms) {
  tickMs_ = ms;
  timer_->setInterval(ms);
}

bool Sequencer::protocolOne() const {
  return core_.settings.ReadModelValue(QStringLiteral("Algorithm")) == QLatin1String("1");
}

bool Sequencer::ExecuteFunction(int function) {
  if (busy_) {
    return false;
  }
  if (core_.settings.ReloadFile != 0 && !reloadFile()) {
    // Programming the image of a file that failed to load would write
    // whatever the buffer holds: nothing goes to the chip.
    host_.ClearStatus();
    return false;
  }
  if (sendsTheImage(function) && !core_.ImageComplete()) {
    // Part of a file is no image to write or compare a chip with.
    host_.ClearStatus();
    const QString text = QStringLiteral("Only part of \"%1\" was loaded into the buffer. Nothing "
                                        "is sent to the chip until a file loads whole.")
                             .arg(core_.settings.LastFile);
    outcome_ = common::Outcome::failed(common::Outcome::Cause::File, text);
    prompter_.message(core_.caption, text, common::Prompter::Icon::Error);
    return false;
  }
  host_.ClearStatus();
  Function = function;
  lastResult_.clear();
  completed_ = false;
  failure_.reset();
  busy_ = true;
  host_.BusyChanged(true);
  if (protocolOne()) {
    Algo1_Init();
  } else {
    outcome_ = common::Outcome::refused(
        QStringLiteral("The hardware model \"%1\" speaks no protocol this loader knows")
            .arg(core_.settings.programmerModel));
    GlobalAlgoEnd();
  }
  return true;
}

bool Sequencer::reloadFile() {
  const QString path = core_.settings.LastFile;
  if (path.isEmpty()) {
    return true; // no file loaded: nothing to reload
  }
  // The load itself would only forget a path that is no file, leaving the
  // buffer as it was.
  if (const QString text = LoaderCore::FileProblem(path); !text.isEmpty()) {
    outcome_ = common::Outcome::failed(common::Outcome::Cause::File, text);
    prompter_.message(core_.caption, text, common::Prompter::Icon::Error);
    return false;
  }
  if (!core_.LoadFileToBuffer(path)) {
    outcome_ = common::Outcome::failed(common::Outcome::Cause::File,
                                       QStringLiteral("\"%1\" did not load whole").arg(path));
    return false;
  }
  return true;
}

void Sequencer::Algo1_Init() {
  packets_.SetStopString(QByteArrayLiteral(">"));
  if (!port_.Open()) {
    outcome_ = common::Outcome::failed(common::Outcome::Cause::Port, port_.OpenError());
    prompter_.message(core_.caption, port_.OpenError(), common::Prompter::Icon::Error);
    GlobalAlgoEnd();
    return;
  }
  Algo1_Lookup();
}

void Sequencer::Algo1_RxPacket(const QByteArray &packet) {
  ReplyText += packet;
  ++PacketCount;
  readProgress(0);
}

void Sequencer::readProgress(qsizetype waiting) {
  if (progressOpen_ && StepState == Step::ReadData) {
    // Two hex digits a byte, after the echoed "r"; the dump is one packet,
    // so the digits still waiting for its marker count too.
    progress_->advance(
        std::min<qint64>(core_.buffer.TransferCount, (ReplyText.size() + waiting) / 2));
  }
}

void Sequencer::ComDataPacket1Packet(const QByteArray &packet) {
  if (protocolOne()) {
    Algo1_RxPacket(packet);
  }
}

void Sequencer::Algo1_ResetBuffer() {
  if (port_.Connected()) {
    port_.ClearBuffer(true, true);
  }
  ReplyText.clear();
  PacketCount = 0;
  StepState = Step::None;
}

void Sequencer::Algo1_Start(const QByteArray &command, const QString &message, int resume,
                            int state) {
  ResumeIndex = resume;
  lastResult_.clear();
  Algo1_ResetBuffer();
  StepState = state;
  // Reset before the step runs: an inline step runs the rest of the chain
  // from within itself, and nothing may touch the state it leaves behind.
  TickCount = 0;
  StepSucceeded = false;
  host_.AddStatus(message, false);
  if (!command.isEmpty()) {
    if (!sent(command)) {
      return;
    }
    timer_->start(); // a running timer keeps its rhythm
  } else {
    timer_->stop();
    Algo1_Timer1Timer();
  }
}

void Sequencer::Algo1_End(const QString &message) {
  if (!message.isEmpty()) {
    resultLine(message);
    if (!completed_) {
      fail(common::Outcome::failed(common::Outcome::Cause::Chip, message));
    }
    finish();
    return;
  }
  if (ResumeIndex < 0 && busy_ && !failure_ && Function >= kErase && Function <= kAutoProgram) {
    // The chain's last step: its success, or a closing report, completes it.
    const std::span<const Link> chain = kChains[Function];
    if (StepSucceeded || (chainPos_ < chain.size() && chain[chainPos_].report)) {
      completed_ = true;
    }
  }
  if (ResumeIndex >= 0 && StepSucceeded) {
    if (port_.Connected()) {
      port_.ClearBuffer(true, true);
    }
    ReplyText.clear();
    host_.SelectFunction(ResumeIndex);
    Algo1_Lookup();
    return;
  }
  finish();
}

void Sequencer::resultLine(const QString &text) {
  lastResult_ = text;
  host_.AddStatus(text, true);
}

void Sequencer::fail(common::Outcome outcome) {
  if (!failure_) {
    failure_ = std::move(outcome);
  }
}

void Sequencer::beginProgress(const QString &title, qint64 total) {
  if (progress_) {
    progress_->begin(title, total);
    progressOpen_ = true;
  }
}

void Sequencer::endProgress() {
  if (progressOpen_) {
    progressOpen_ = false;
    progress_->end();
  }
}

void Sequencer::finish() {
  endProgress();
  if (completed_) {
    outcome_ = common::Outcome::ok(lastResult_);
  } else if (failure_) {
    outcome_ = *failure_;
  } else {
    // A step that did not succeed and said why in its result line, or said
    // nothing (a chip size of 0).
    outcome_ = common::Outcome::failed(
        common::Outcome::Cause::Chip,
        lastResult_.isEmpty() ? QStringLiteral("The hardware gave no usable answer")
                              : lastResult_);
  }
  StepState = Step::None;
  timer_->stop();
  // A Read that stopped at its chip-size step must not leave the long tick
  // to the next function.
  timer_->setInterval(tickMs_);
  port_.Close();
  GlobalAlgoEnd();
}

void Sequencer::GlobalAlgoEnd() {
  busy_ = false;
  host_.BusyChanged(false);
}

bool Sequencer::compareWithImage() {
  LoaderBuffer &b = core_.buffer;
  const int count = std::clamp(b.BytesLoaded, 0, kImageSize);
  for (int i = 0; i < count; ++i) {
    if (b.ImageArea[static_cast<std::size_t>(i)] != b.CopyArea[static_cast<std::size_t>(i)]) {
      b.ImageArea = b.CopyArea;
      Algo1_End(QStringLiteral("Verify Failed at address ") + QString::number(i + 1) +
                QStringLiteral("\r   Try re-inserting chip"));
      return false;
    }
  }
  return true;
}

bool Sequencer::applies(const Link &link) const {
  switch (link.when) {
  case When::Always: return true;
  case When::Verify: return core_.settings.Verify != 0;
  case When::Lock: return core_.settings.Lock != 0;
  }
  return false;
}

void Sequencer::Algo1_Lookup() {
  const int f = Function;
  if (f < kErase || f > kAutoProgram) {
    // No function selected: the loader must not stay busy with the port
    // open.
    fail(common::Outcome::refused(QStringLiteral("No function is selected")));
    finish();
    return;
  }
  const std::span<const Link> chain = kChains[f];
  if (StepState == Step::None) {
    continueChain(f, 0);
    return;
  }
  std::size_t at = chainPos_;
  if (at >= chain.size() || chain[at].step != StepState) {
    // A step not started from this chain: its first place in it.
    at = static_cast<std::size_t>(std::find_if(chain.begin(), chain.end(),
                                               [&](const Link &l) { return l.step == StepState; }) -
                                  chain.begin());
  }
  if (!StepSucceeded || at >= chain.size()) {
    finish();
    return;
  }
  continueChain(f, at + 1);
}

void Sequencer::continueChain(int function, std::size_t at) {
  const std::span<const Link> chain = kChains[function];
  while (at < chain.size() && !applies(chain[at])) {
    ++at;
  }
  if (at >= chain.size()) {
    completed_ = true;
    finish();
    return;
  }
  const Link &link = chain[at];
  const bool last = std::none_of(chain.begin() + static_cast<std::ptrdiff_t>(at) + 1, chain.end(),
                                 [this](const Link &l) { return applies(l); });
  if (link.step == kCompare) {
    if (link.message) {
      host_.AddStatus(QString::fromLatin1(link.message), false);
    }
    if (!compareWithImage()) {
      return;
    }
    if (last) {
      completed_ = true;
      Algo1_End(QStringLiteral("Verify Succesful"));
    } else {
      resultLine(QStringLiteral("Verify Succesful"));
      continueChain(function, at + 1);
    }
    return;
  }
  switch (link.before) {
  case Before::Nothing: break;
  case Before::CountLoadedBytes: core_.buffer.TransferCount = core_.buffer.BytesLoaded; break;
  case Before::LongTick: timer_->setInterval(5 * tickMs_); break;
  case Before::ShortTick: timer_->setInterval(tickMs_); break;
  case Before::KeepImage: core_.buffer.CopyArea = core_.buffer.ImageArea; break;
  }
  chainPos_ = at;
  if (link.step == Step::ReadData) {
    beginProgress(QStringLiteral("Reading"), core_.buffer.TransferCount);
  }
  Algo1_Start(commandOf(link.step), QString::fromLatin1(link.message), last ? -1 : function,
              link.step);
}

void Sequencer::Algo1_Timer1Timer() {
  ++TickCount;
  switch (StepState) {
  case Step::DetectHardware: stepDetectHardware(); break;
  case Step::DetectChip: stepDetectChip(); break;
  case Step::Erase: stepErase(); break;
  case Step::BlankCheck: stepBlankCheck(); break;
  case Step::Lock: stepLock(); break;
  case Step::ChipSize: stepChipSize(); break;
  case Step::SetReadCounter:
  case Step::SetWriteCounter: stepCounter(); break;
  case Step::ReadData: stepReadData(); break;
  case Step::WriteData: stepWriteData(); break;
  default: break;
  }
}

bool Sequencer::sent(const QByteArray &bytes) {
  if (port_.WriteStr(bytes)) {
    return true;
  }
  linkLost();
  return false;
}

bool Sequencer::awaited(ComPort::WaitResult result) {
  switch (result) {
  case ComPort::WaitResult::Found: return true;
  case ComPort::WaitResult::TimedOut:
    Algo1_End(QStringLiteral("Hardware Timeout, no reply for %1 s")
                  .arg(QString::number(inlineSilenceMs_ / 1000.0)));
    return false;
  case ComPort::WaitResult::LinkLost: linkLost(); return false;
  }
  return false;
}

void Sequencer::linkLost() {
  QString why = port_.LinkError();
  if (why.isEmpty()) {
    why = QStringLiteral("The serial link failed");
  }
  fail(common::Outcome::failed(common::Outcome::Cause::Port,
                               QStringLiteral("Communication Error: ") + why));
  Algo1_End(QStringLiteral("Communication Error: ") + why);
  prompter_.message(core_.caption, why, common::Prompter::Icon::Error);
}

void Sequencer::stepDetectHardware() {
  if (PacketCount > 0) {
    resultLine(trimmed(ReplyText));
    StepSucceeded = true;
    Algo1_End();
  } else {
    Algo1_End(QStringLiteral("Hardware Detect Timeout"));
  }
}

void Sequencer::stepDetectChip() {
  if (!sent("g") || !awaited(port_.ReadUntil('>', inlineSilenceMs_, &ReplyText))) {
    return;
  }
  QByteArray text = ReplyText.mid(4);
  const QString name = trimmed(beforeLineEnd(text));
  if (!name.isEmpty() && !expectedDevice_.isEmpty() &&
      name.compare(expectedDevice_, Qt::CaseInsensitive) != 0) {
    const QString why = QStringLiteral("The chip is %1, not %2: nothing is done to it")
                            .arg(name, expectedDevice_);
    fail(common::Outcome::refused(why));
    Algo1_End(why);
    return;
  }
  if (!name.isEmpty() && core_.LoadDevice(name)) {
    text.remove(0, text.indexOf('\r') + 1);
    const QString detail = trimmed(beforeLineEnd(text));
    resultLine(name + QStringLiteral(", ") + detail + QStringLiteral(" approx."));
    StepSucceeded = true;
    Algo1_End();
  } else {
    StepSucceeded = false;
    Algo1_End(QStringLiteral("Device Detect Timeout"));
  }
}

void Sequencer::stepErase() {
  if (!sent("e") || !awaited(port_.ReadUntil('>', inlineSilenceMs_))) {
    return;
  }
  resultLine(QStringLiteral("Erased, Chip should be blank now"));
  StepSucceeded = true;
  Algo1_End();
}

void Sequencer::stepBlankCheck() {
  if (PacketCount == 0) {
    if (TickCount > 50) {
      Algo1_End(QStringLiteral("Hardware Timeout"));
    }
    return;
  }
  // The used-byte count is the field between the first two commas.
  QByteArray text = ReplyText;
  text.remove(0, text.indexOf(',') + 1);
  const qsizetype comma = text.indexOf(',');
  QString error;
  const auto used = decimal(comma >= 0 ? text.left(comma) : QByteArray(), &error);
  if (!used) {
    Algo1_End(QStringLiteral("Unexpected reply from the hardware: ") + error);
    return;
  }
  if (*used < 1) {
    resultLine(QStringLiteral("OK"));
    StepSucceeded = true;
  } else {
    resultLine(QString::number(*used) + QStringLiteral(" Bytes Used Approximately"));
  }
  Algo1_End();
}

void Sequencer::stepLock() {
  host_.AddStatus(QStringLiteral("Locking..."), false);
  if (!sent("l") || !awaited(port_.ReadUntil('>', inlineSilenceMs_))) {
    return;
  }
  resultLine(QStringLiteral("Locked"));
  StepSucceeded = true;
  Algo1_End();
}

void Sequencer::stepChipSize() {
  if (PacketCount == 0) {
    Algo1_End(QStringLiteral("Hardware Detect Timeout"));
    return;
  }
  // The size stands between the echoed command and the first LF.
  const qsizetype p = ReplyText.indexOf(kLF) + 1;
  QString error;
  const auto size = decimal(p >= 3 ? ReplyText.mid(1, p - 2) : QByteArray(), &error);
  if (!size) {
    Algo1_End(QStringLiteral("Unexpected reply from the hardware: ") + error);
    return;
  }
  core_.buffer.TransferCount = static_cast<std::int32_t>(*size);
  if (*size > 0) {
    resultLine(QString::number(*size) + QStringLiteral(" Bytes"));
    StepSucceeded = true;
  }
  Algo1_End();
}

void Sequencer::stepCounter() {
  const QByteArray digits = QByteArray::number(core_.buffer.TransferCount);
  resultLine(QString::fromLatin1(digits) + QStringLiteral(" bytes"));
  if (!sent("s")) {
    return;
  }
  for (const char digit : digits) {
    if (!awaited(port_.ReadUntil(kDC1, inlineSilenceMs_)) || !sent(QByteArray(1, digit))) {
      return;
    }
  }
  if (!sent(QByteArray(1, kLF)) || !awaited(port_.ReadUntil('>', inlineSilenceMs_))) {
    return;
  }
  StepSucceeded = true;
  Algo1_End();
}

void Sequencer::stepReadData() {
  const std::int32_t count = core_.buffer.TransferCount;
  if (PacketCount > 0 && ReplyText.contains("ok")) {
    const QByteArray data = ReplyText.mid(ReplyText.indexOf('r') + 1);
    if (data.size() < count) {
      resultLine(
          QStringLiteral("Expected %1 Bytes, instead is %2").arg(count).arg(data.size()));
      StepSucceeded = false;
      Algo1_End();
      return;
    }
    // Decoded aside first, so that a reply that fails half-way leaves the
    // image as it was. The image holds 64 KiB, whatever the counter says.
    const int stored = std::clamp(count, 0, kImageSize);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stored));
    for (int k = 0; k < stored; ++k) {
      const std::optional<std::uint32_t> value = common::hex::Field(data, 2 * k, 2);
      if (!value) {
        const QByteArray pair = data.mid(2 * k, 2);
        // Waiting on cannot mend a reply that has come whole, so the
        // function ends here: one box, not one per tick.
        const QString error = notAnInteger(QStringLiteral("$") + QString::fromLatin1(pair));
        Algo1_End(QStringLiteral("Read reply not readable: ") + error);
        prompter_.message(core_.caption, error, common::Prompter::Icon::Error);
        return;
      }
      bytes[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(*value);
    }
    std::copy(bytes.begin(), bytes.end(), core_.buffer.ImageArea.begin());
    resultLine(QString::number(count) +
                        QStringLiteral(" Bytes read, Use File>Save Buffer as HEX to save the "
                                       "buffer content to HEX file."));
    StepSucceeded = true;
    Algo1_End();
    return;
  }
  if (TickCount > 50) {
    Algo1_End(QStringLiteral("Hardware Timeout"));
  }
}

void Sequencer::stepWriteData() {
  const LoaderBuffer &b = core_.buffer;
  const int count = std::clamp(b.BytesLoaded, 0, kImageSize);
  beginProgress(QStringLiteral("Writing"), count);
  for (int j = 0; j < count; ++j) {
    if (!sent(QByteArray(1, static_cast<char>(b.ImageArea[static_cast<std::size_t>(j)])))) {
      return;
    }
    if (j + 1 < count && !awaited(port_.ReadUntil(kDC1, inlineSilenceMs_))) {
      return;
    }
    if (progressOpen_ && ((j + 1) % 64 == 0 || j + 1 == count)) {
      progress_->advance(j + 1);
    }
  }
  endProgress();
  resultLine(QString::number(b.BytesLoaded) + QStringLiteral(" Bytes written, Verify Pending"));
  StepSucceeded = true;
  Algo1_End();
}

} // namespace orvane
