#include "rindle/cli/CliRun.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "common/ConsoleOutput.h"
#include "common/DeviceGroup.h"
#include "common/HexText.h"
#include "common/SafeFile.h"
#include "common/TickTimer.h"
#include "isp/core/DeviceCatalogue.h"
#include "isp/hardware/IspHardware.h"
#include "rindle/app/IspSession.h"
#include "rindle/data/ElfFile.h"

namespace rindle::cli {

namespace {

using common::OnTerminal;
using common::Print;

using common::Outcome;
using Memory = MemoryOperation::Memory;
using Format = MemoryOperation::Format;
using Op = MemoryOperation::Op;

QString FromView(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Answers the session's questions by the command line's rules: a signature
// that does not match stops unless -F (a chip that did not answer at all goes
// on, so that the command reports why); a fuse write that ends serial
// programming goes on only when --allow-lockout names every bit at stake.
class RulePrompter : public common::DialoglessPrompter {
public:
  RulePrompter(const Request &request, std::FILE *err) : request_(request), err_(err) {}
  void attach(const IspSession *session) { session_ = session; }

  void message(const QString &caption, const QString &text, Icon) override {
    Print(err_, QStringLiteral("rindle-cli: %1: %2\n").arg(caption.trimmed(), OnTerminal(text)));
  }
  bool question(const QString &, const QString &, Icon, bool) override {
    if (session_ == nullptr)
      return false;
    const SessionQuestion &q = session_->Asking();
    switch (q.kind) {
    case SessionQuestion::Kind::ChipSignature: return request_.force || !q.chipResponded;
    case SessionQuestion::Kind::FileSignature: return request_.force;
    case SessionQuestion::Kind::Lockout:
      for (const QString &bit : q.lockoutBits)
        if (!request_.allowLockout.contains(bit.toUpper()))
          return false;
      return true;
    case SessionQuestion::Kind::None: break;
    }
    return false;
  }

private:
  const Request &request_;
  std::FILE *err_;
  const IspSession *session_ = nullptr;
};

FileFormat FileFormatOf(Format format) {
  switch (format) {
  case Format::Bin: return FileFormat::Bin;
  case Format::Rom: return FileFormat::Rom;
  case Format::Elf: return FileFormat::Elf;
  default: break;
  }
  return FileFormat::Hex;
}

// The fuse field a -U memory names.
std::optional<FuseField> FieldOf(Memory memory) {
  switch (memory) {
  case Memory::FuseLow: return FuseField::FuseLow;
  case Memory::FuseHigh: return FuseField::FuseHigh;
  case Memory::FuseExtended: return FuseField::FuseExtended;
  case Memory::Lock: return FuseField::LockByte;
  default: break;
  }
  return std::nullopt;
}

IspSession::Memory AreaOf(Memory memory) {
  return memory == Memory::Flash ? IspSession::Memory::Flash : IspSession::Memory::Eeprom;
}

// A flash and an EEPROM operation side by side, both writes or both
// verifies, from HEX, BIN or ROM files: they run as one.
bool IsPair(const MemoryOperation &a, const MemoryOperation &b) {
  const auto plain = [](const MemoryOperation &m) {
    return m.format != Format::Elf && (m.memory == Memory::Flash || m.memory == Memory::Eeprom) &&
           (m.op == Op::Write || m.op == Op::Verify);
  };
  return plain(a) && plain(b) && a.op == b.op && a.memory != b.memory;
}

QString ByteText(unsigned value, Format format) {
  switch (format) {
  case Format::DecimalText: return QString::number(value);
  case Format::BinaryText:
    return QStringLiteral("0b") + QString::number(value, 2).rightJustified(8, u'0');
  default: break;
  }
  return QStringLiteral("0x") + QString::number(value, 16).rightJustified(2, u'0').toUpper();
}

// The session's progress: the bar when there is one, and at each progress
// point a look for an interrupt, which stops the engine at its next block.
class RunProgress : public common::Progress {
public:
  RunProgress(common::TerminalProgress *bar, std::function<bool()> interrupted)
      : bar_(bar), interrupted_(std::move(interrupted)) {}
  void attach(IspEngine *engine) { engine_ = engine; }

  void begin(const QString &title, qint64 total) override {
    if (bar_ != nullptr)
      bar_->begin(title, total);
  }
  void advance(qint64 done) override {
    if (bar_ != nullptr)
      bar_->advance(done);
  }
  void end() override {
    if (bar_ != nullptr)
      bar_->end();
  }
  void processEvents() override {
    if (engine_ != nullptr && interrupted())
      engine_->CancelRequested = true;
  }
  bool interrupted() const { return interrupted_ && interrupted_(); }

private:
  common::TerminalProgress *bar_;
  std::function<bool()> interrupted_;
  IspEngine *engine_ = nullptr;
};

// One run: the session on its hardware and the steps.
class Runner {
public:
  Runner(const Request &request, const RunSetup &setup)
      : request_(request), setup_(setup), prompter_(request, setup.err), bar_(setup.err),
        progress_(setup.errIsTerminal && !request.quiet ? &bar_ : nullptr, setup.interrupted) {}

  int run();

private:
  struct Record {
    QString operation;
    QString memory;
    qint64 bytes = 0;
    Outcome outcome;
    // The message is data already printed on stdout.
    bool printed = false;
  };

  // Runs `body` as one reported operation; its exit status.
  template <class Body>
  int step(Body &&body);
  // A flash and an EEPROM write side by side: one erase, one program; a
  // flash and an EEPROM verify: one walk over the chip.
  Outcome both(const MemoryOperation &a, const MemoryOperation &b, Record &record);
  Outcome memoryStep(const MemoryOperation &m, Record &record);
  Outcome commandStep(const CommandStep &c, Record &record);
  Outcome writeMemory(const MemoryOperation &m);
  Outcome readFlashToKeep();
  Outcome readMemory(const MemoryOperation &m);
  Outcome verifyMemory(const MemoryOperation &m);
  Outcome writeFuseByte(const MemoryOperation &m);
  Outcome writeLockBits(std::uint8_t bits);
  Outcome readFuseByte(const MemoryOperation &m);
  Outcome writeElf(const QString &file, std::span<const files::ElfPart> parts);
  Outcome printSignature();
  // The file into the buffer's area of `memory`, cleared first.
  Outcome loadFile(IspSession::Memory memory, const QString &file, Format format);
  Outcome program();
  // Whether the flash area holds anything to write, once a file is loaded.
  Outcome programInFile(const QString &file);
  // What a write does under -n: the device checked, nothing written.
  Outcome dryRun();
  bool fuseByteExists(FuseField field) const;
  void report(const Record &record, double seconds);
  void say(const QString &text) const {
    if (!request_.quiet && !request_.json)
      Print(setup_.err, QStringLiteral("rindle-cli: ") + text + u'\n');
  }
  void tell(const QString &text) const {
    if (request_.verbose)
      Print(setup_.err, QStringLiteral("rindle-cli: ") + text + u'\n');
  }
  IspEngine &engine() { return session_->Engine(); }
  const DeviceEntry &device() { return *engine().CurrentDevice(); }

  const Request &request_;
  const RunSetup &setup_;
  RulePrompter prompter_;
  common::TerminalProgress bar_;
  RunProgress progress_;
  std::unique_ptr<IspSession> session_;
};

int Runner::run() {
  const DeviceEntry *entry = FindDevice(std::string_view(request_.device.toLatin1().constData()));
  if (entry == nullptr) {
    Print(setup_.err, QStringLiteral("rindle-cli: unknown device \"%1\"; \"rindle-cli devices\" "
                                     "lists them\n")
                          .arg(request_.device));
    return kExitUsage;
  }
  QString simulated;
  if (request_.simulate && !request_.simulatedDevice.isEmpty()) {
    const DeviceEntry *chip =
        FindDevice(std::string_view(request_.simulatedDevice.toLatin1().constData()));
    if (chip == nullptr) {
      Print(setup_.err, QStringLiteral("rindle-cli: unknown device \"%1\" for --simulate\n")
                            .arg(request_.simulatedDevice));
      return kExitUsage;
    }
    simulated = FromView(chip->Name());
  }
  std::optional<std::uint16_t> base;
  if (!request_.port.isEmpty() && !request_.simulate) {
    QString error;
    base = PortBase(request_.port, setup_.procRoot, error);
    if (!base) {
      Print(setup_.err, QStringLiteral("rindle-cli: the port cannot be opened: %1\n").arg(error));
      return kExitPort;
    }
  }
  session_ = std::make_unique<IspSession>(
      MakeHardware(request_.simulate, SimulationSetup{.keeping = ChipKeeping::FilePerChip,
                                                      .place = setup_.stateFolder,
                                                      .device = simulated,
                                                      .realDelays = !request_.noDelays}),
      prompter_, QStringLiteral("  Rindle"));
  prompter_.attach(session_.get());
  progress_.attach(&engine());
  session_->SetProgress(&progress_);
  const QString settings =
      request_.settingsFile.isEmpty() ? setup_.defaultSettingsFile : request_.settingsFile;
  tell(QStringLiteral("settings %1").arg(settings));
  if (request_.simulate)
    tell(QStringLiteral("simulated chips in %1").arg(setup_.stateFolder));
  const Outcome start = session_->Start(settings, base);
  if (!start.isOk()) {
    QString message = start.message;
    const common::PortReach reach = engine().ReachedPort();
    if (start.cause == Outcome::Cause::Port && !reach.deviceFile.empty() &&
        !message.contains(QStringLiteral("group"))) {
      const std::string group = common::DeviceGroup(reach.deviceFile);
      if (!group.empty())
        message += QStringLiteral(" The device belongs to group \"%1\"; a user of that group "
                                  "may use it.")
                       .arg(QString::fromStdString(group));
    }
    const QString what = start.cause == Outcome::Cause::Port
                             ? QStringLiteral("the port cannot be opened: ")
                             : QString();
    Print(setup_.err, QStringLiteral("rindle-cli: %1%2\n").arg(what, OnTerminal(message)));
    return ExitStatus(start);
  }
  session_->SelectDevice(static_cast<std::uint16_t>(entry - kDeviceList.data()));
  engine().AutoVerify = !request_.noVerify;
  tell(QStringLiteral("device %1, port %2%3")
           .arg(FromView(entry->Name()), common::hex::Text(engine().Port.PortBase, 4),
                request_.simulate ? QStringLiteral(" (simulated)") : QString()));
  int status = kExitOk;
  const std::vector<Step> &steps = request_.steps;
  for (std::size_t i = 0; i < steps.size() && status == kExitOk; ++i) {
    if (progress_.interrupted()) {
      Print(setup_.err, QStringLiteral("rindle-cli: interrupted; the steps still to come did not "
                                       "run\n"));
      status = kExitChip;
      break;
    }
    const auto *a = std::get_if<MemoryOperation>(&steps[i]);
    const auto *b = i + 1 < steps.size() ? std::get_if<MemoryOperation>(&steps[i + 1]) : nullptr;
    if (a != nullptr && b != nullptr && IsPair(*a, *b)) {
      status = step([&](Record &record) { return both(*a, *b, record); });
      ++i;
    } else if (a != nullptr) {
      status = step([&](Record &record) { return memoryStep(*a, record); });
    } else {
      status = step(
          [&](Record &record) { return commandStep(std::get<CommandStep>(steps[i]), record); });
    }
  }
  session_->Finish();
  if (auto *bench = dynamic_cast<SimulatedHardware *>(session_->Hardware()))
    tell(QStringLiteral("the simulated chip's own waits: %1 s")
             .arg(static_cast<double>(bench->bench().now()) / common::kTicksPerSecond, 0, 'f', 6));
  return status;
}

template <class Body>
int Runner::step(Body &&body) {
  Record record;
  QElapsedTimer clock;
  clock.start();
  record.outcome = body(record);
  if (record.outcome.kind == Outcome::Kind::Cancelled && record.outcome.message.isEmpty())
    record.outcome.message =
        QStringLiteral("interrupted; the operation stopped where it was and the target was "
                       "released");
  bar_.settle(record.outcome.isOk());
  report(record, static_cast<double>(clock.nsecsElapsed()) / 1e9);
  return ExitStatus(record.outcome);
}

void Runner::report(const Record &record, double seconds) {
  const Outcome &o = record.outcome;
  QString result;
  switch (o.kind) {
  case Outcome::Kind::Ok:
    result = request_.dryRun && o.message == u"dry run" ? QStringLiteral("skipped")
                                                        : QStringLiteral("ok");
    break;
  default: result = common::OutcomeWord(o.kind); break;
  }
  if (request_.json) {
    QJsonObject object{{QStringLiteral("operation"), record.operation},
                       {QStringLiteral("memory"), record.memory},
                       {QStringLiteral("bytes"), record.bytes},
                       {QStringLiteral("seconds"), seconds},
                       {QStringLiteral("result"), result},
                       {QStringLiteral("message"), OnTerminal(o.message)}};
    Print(setup_.out,
          QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + u'\n');
  }
  const QString what =
      record.memory.isEmpty() ? record.operation : record.memory + u' ' + record.operation;
  if (o.kind == Outcome::Kind::Ok) {
    say(QStringLiteral("%1: %2 bytes, %3 s%4")
            .arg(what)
            .arg(record.bytes)
            .arg(seconds, 0, 'f', 2)
            .arg(o.message.isEmpty() || record.printed
                     ? QString()
                     : QStringLiteral(": ") + OnTerminal(o.message)));
  } else {
    Print(setup_.err,
          QStringLiteral("rindle-cli: %1 %2: %3\n").arg(what, result, OnTerminal(o.message)));
  }
}

Outcome Runner::memoryStep(const MemoryOperation &m, Record &record) {
  record.memory = MemoryName(m.memory);
  record.operation = m.op == Op::Write  ? QStringLiteral("write")
                     : m.op == Op::Read ? QStringLiteral("read")
                                        : QStringLiteral("verify");
  if (const std::optional<FuseField> field = FieldOf(m.memory)) {
    record.bytes = 1;
    if (!fuseByteExists(*field))
      return Outcome::failed(
          Outcome::Cause::None,
          QStringLiteral("the %1 has no %2").arg(FromView(device().Name()), record.memory));
    if (m.memory == Memory::Lock && m.op == Op::Read &&
        device().readBack.kind == ReadBackKind::None)
      return Outcome::failed(
          Outcome::Cause::None,
          QStringLiteral("the %1 does not report its lock bits").arg(FromView(device().Name())));
    if (m.format == Format::Elf)
      return writeElf(m.file, std::array{m.memory == Memory::Lock ? files::ElfPart::Lock
                                                                  : files::ElfPart::Fuses});
    record.printed = m.op == Op::Read;
    return m.op == Op::Write ? writeFuseByte(m) : readFuseByte(m);
  }
  if (m.memory == Memory::Fuses) {
    record.bytes = engine().Device.FuseCount;
    return writeElf(m.file, std::array{files::ElfPart::Fuses});
  }
  record.bytes = m.memory == Memory::Flash ? engine().Device.FlashSize : engine().Device.EepromSize;
  if (m.memory == Memory::Eeprom && engine().Device.EepromSize == 0)
    return Outcome::failed(Outcome::Cause::None,
                           QStringLiteral("the %1 has no EEPROM").arg(FromView(device().Name())));
  switch (m.op) {
  case Op::Write: return writeMemory(m);
  case Op::Read: return readMemory(m);
  case Op::Verify: return verifyMemory(m);
  }
  return Outcome::ok();
}

bool Runner::fuseByteExists(FuseField field) const {
  const DeviceEntry *entry = session_->Engine().CurrentDevice();
  switch (field) {
  case FuseField::LockByte: return true;
  case FuseField::FuseLow: return entry->fuseCount >= 1;
  case FuseField::FuseHigh: return entry->fuseCount >= 2;
  case FuseField::FuseExtended: return entry->fuseCount >= 3;
  }
  return false;
}

Outcome Runner::loadFile(IspSession::Memory memory, const QString &file, Format format) {
  // An empty program file is what a build step that failed leaves behind;
  // read as one, it would erase the chip and report success. (An empty
  // EEPROM file is what a program without EEPROM data gives.)
  const bool flash = memory == IspSession::Memory::Flash;
  if (const QFileInfo info(file); flash && info.isFile() && info.size() == 0)
    return Outcome::failed(Outcome::Cause::File, QStringLiteral("%1: the file is empty").arg(file));
  IspEngine &e = engine();
  if (flash) {
    e.ClearFlashArea();
    e.ProgramFileName = file;
  } else {
    e.ClearEepromArea();
    e.EepromFileName = file;
  }
  session_->ForgetElf();
  // A file's data beyond its memory land in the buffer cells after it (a
  // program file's in those of the EEPROM): kept aside to see whether the
  // file reached them. Such a file does not fit the chip.
  const auto end = static_cast<std::size_t>(e.Device.FlashSize + (flash ? 0 : e.Device.EepromSize));
  const std::span<std::uint8_t> beyond = e.Buffer.all().subspan(end);
  const std::vector<std::uint8_t> before(beyond.begin(), beyond.end());
  const QString result = session_->LoadFile(memory, FileFormatOf(format));
  if (result != u"OK")
    return Outcome::failed(Outcome::Cause::File, QStringLiteral("%1: %2").arg(file, result));
  const auto [left, _] = std::ranges::mismatch(beyond, before);
  if (left != beyond.end()) {
    std::ranges::copy(before, beyond.begin());
    const auto at = static_cast<std::uint32_t>(end - (flash ? 0 : e.Device.FlashSize) +
                                               static_cast<std::size_t>(left - beyond.begin()));
    return Outcome::failed(
        Outcome::Cause::File,
        QStringLiteral("%1: data at 0x%2, beyond the %3's %4 bytes of %5")
            .arg(file, common::hex::Text(at, at > 0xFFFF ? 5 : 4), FromView(device().Name()))
            .arg(flash ? e.Device.FlashSize : e.Device.EepromSize)
            .arg(flash ? QStringLiteral("flash") : QStringLiteral("EEPROM")));
  }
  return Outcome::ok();
}

// A program file whose bytes are all blank writes nothing but an erase does:
// a file a build got wrong rather than a program.
Outcome Runner::programInFile(const QString &file) {
  const std::span<const std::uint8_t> area =
      engine().Buffer.all().first(static_cast<std::size_t>(engine().Device.FlashSize));
  if (std::ranges::all_of(area, [](std::uint8_t b) { return b == 0xFF; }))
    return Outcome::failed(Outcome::Cause::File,
                           QStringLiteral("%1: no program in the file, every byte of the flash "
                                          "is blank; nothing was written (\"erase\" erases the "
                                          "chip)")
                               .arg(file));
  return Outcome::ok();
}

Outcome Runner::dryRun() {
  if (!session_->CheckDevice())
    return Outcome::refused(SignatureRefusal(engine()));
  return Outcome::ok(QStringLiteral("dry run"));
}

Outcome Runner::program() {
  if (request_.dryRun)
    return dryRun();
  const Outcome outcome = session_->Program();
  if (outcome.isOk() && outcome.message.isEmpty())
    return Outcome::ok(QStringLiteral("Program OK (not verified)"));
  return outcome;
}

// The chip erase before an EEPROM write takes the flash too: it is read
// first and written back with the new EEPROM. A chip with lock bits
// programmed reads its flash as zeros, which would be written back in place
// of the program: refused, nothing erased.
Outcome Runner::readFlashToKeep() {
  if (session_->ChipLockBits() != 0)
    return Outcome::refused(
        QStringLiteral("Nothing written: the chip's lock bits keep its flash from being read "
                       "back, and writing the EEPROM alone erases the flash. Write flash and "
                       "EEPROM together."));
  return session_->Read();
}

Outcome Runner::writeMemory(const MemoryOperation &m) {
  const bool flash = m.memory == Memory::Flash;
  if (m.format == Format::Elf)
    return writeElf(m.file, std::array{flash ? files::ElfPart::Flash : files::ElfPart::Eeprom});
  const Outcome fuses = session_->TakeChipFuses();
  if (!fuses.isOk())
    return fuses;
  if (!flash) {
    if (Outcome kept = readFlashToKeep(); !kept.isOk())
      return kept;
  }
  // Without an EEPROM file beside it, the erase leaves the EEPROM blank,
  // whatever an earlier step read.
  if (flash)
    engine().ClearEepromArea();
  if (Outcome load = loadFile(AreaOf(m.memory), m.file, m.format); !load.isOk())
    return load;
  if (flash)
    if (Outcome has = programInFile(m.file); !has.isOk())
      return has;
  return program();
}

Outcome Runner::both(const MemoryOperation &a, const MemoryOperation &b, Record &record) {
  const MemoryOperation &flash = a.memory == Memory::Flash ? a : b;
  const MemoryOperation &eeprom = a.memory == Memory::Flash ? b : a;
  const bool write = a.op == Op::Write;
  record.operation = write ? QStringLiteral("write") : QStringLiteral("verify");
  record.memory = QStringLiteral("flash+eeprom");
  record.bytes = engine().Device.FlashSize + engine().Device.EepromSize;
  if (engine().Device.EepromSize == 0)
    return Outcome::failed(Outcome::Cause::None,
                           QStringLiteral("the %1 has no EEPROM").arg(FromView(device().Name())));
  if (Outcome load = loadFile(IspSession::Memory::Flash, flash.file, flash.format); !load.isOk())
    return load;
  if (Outcome load = loadFile(IspSession::Memory::Eeprom, eeprom.file, eeprom.format); !load.isOk())
    return load;
  // The chip is compared with the buffer as Program leaves it.
  if (!write)
    return session_->Verify(true);
  if (Outcome has = programInFile(flash.file); !has.isOk())
    return has;
  if (Outcome fuses = session_->TakeChipFuses(); !fuses.isOk())
    return fuses;
  return program();
}

Outcome Runner::writeElf(const QString &file, std::span<const files::ElfPart> parts) {
  const auto has = [&](files::ElfPart part) {
    return std::ranges::find(parts, part) != parts.end();
  };
  const bool memory = has(files::ElfPart::Flash) || has(files::ElfPart::Eeprom);
  if (Outcome fuses = session_->TakeChipFuses(); !fuses.isOk())
    return fuses;
  if (memory && !has(files::ElfPart::Flash)) {
    if (Outcome kept = readFlashToKeep(); !kept.isOk())
      return kept;
  }
  if (memory && has(files::ElfPart::Flash))
    engine().ClearEepromArea();
  if (Outcome take = session_->TakeElf(file, parts); !take.isOk())
    return take;
  if (memory)
    return program();
  return request_.dryRun ? dryRun() : session_->WriteFuses();
}

Outcome Runner::readMemory(const MemoryOperation &m) {
  const Outcome read = session_->Read();
  if (!read.isOk())
    return read;
  const IspSession::Memory memory = AreaOf(m.memory);
  const FileFormat format = FileFormatOf(m.format);
  if (const QString refusal = session_->SaveRefusal(memory, format); !refusal.isEmpty())
    return Outcome::failed(Outcome::Cause::File, refusal);
  if (memory == IspSession::Memory::Flash)
    engine().ProgramFileName = m.file;
  else
    engine().EepromFileName = m.file;
  const QString saved = session_->SaveFile(memory, format);
  if (saved != u"OK")
    return Outcome::failed(Outcome::Cause::File, QStringLiteral("%1: %2").arg(m.file, saved));
  return Outcome::ok(QStringLiteral("%1 written").arg(m.file));
}

Outcome Runner::verifyMemory(const MemoryOperation &m) {
  // The other memory is taken from the chip, so that only this one is
  // compared with its file.
  if (Outcome read = session_->Read(); !read.isOk())
    return read;
  if (Outcome load = loadFile(AreaOf(m.memory), m.file, m.format); !load.isOk())
    return load;
  return session_->Verify(true);
}

Outcome Runner::writeFuseByte(const MemoryOperation &m) {
  if (Outcome fuses = session_->TakeChipFuses(); !fuses.isOk())
    return fuses;
  const auto value = static_cast<std::uint8_t>(m.file.toUInt(nullptr, 0));
  if (*FieldOf(m.memory) == FuseField::LockByte && !device().readBack.keepLockByte)
    return writeLockBits(value);
  files::ElfImage bytes;
  switch (*FieldOf(m.memory)) {
  case FuseField::FuseLow: bytes.fuses[0] = value; break;
  case FuseField::FuseHigh: bytes.fuses[1] = value; break;
  case FuseField::FuseExtended: bytes.fuses[2] = value; break;
  case FuseField::LockByte: bytes.lock = value; break;
  }
  engine().TakeElfFuses(bytes);
  return request_.dryRun ? dryRun() : session_->WriteFuses();
}

// Chips that answer with lock bits rather than a lock byte take the value
// as `lock:r` prints it: a set bit programs LB1 (bit 0), LB2 (bit 1) and
// the third lock box's bit (bit 2) where the chip has one. Read as a lock
// byte, the same value would program the other bits.
Outcome Runner::writeLockBits(std::uint8_t bits) {
  const unsigned boxes = device().thirdLockBox.enabled ? 0x07u : 0x03u;
  if ((bits & ~boxes) != 0)
    return Outcome::failed(
        Outcome::Cause::None,
        QStringLiteral("the %1 takes lock bits 0x00 to 0x%2 (a set bit "
                       "programs LB1, LB2%3)")
            .arg(FromView(device().Name()))
            .arg(boxes, 2, 16, QLatin1Char('0'))
            .arg(boxes == 0x07u
                     ? QStringLiteral(", ") + FromView(device().thirdLockBox.caption).simplified()
                     : QString()));
  if (Outcome fuses = session_->TakeChipFuses(); !fuses.isOk())
    return fuses;
  FuseState &f = engine().Fuses;
  f.LockBits = bits;
  f = ApplyForcedFuses(device(), f);
  return request_.dryRun ? dryRun() : session_->WriteFuses();
}

Outcome Runner::readFuseByte(const MemoryOperation &m) {
  const Outcome read = session_->ReadSignature();
  if (!read.isOk())
    return read;
  const FuseState &f = engine().Fuses;
  const FuseField field = *FieldOf(m.memory);
  const unsigned value = field == FuseField::LockByte && !device().readBack.keepLockByte
                             ? f.LockBits
                             : FuseByte(f, field);
  const QString text = ByteText(value, m.format) + u'\n';
  if (m.file == u"-") {
    // With --json the value is the object's message: stdout holds JSON only.
    if (!request_.json)
      Print(setup_.out, text);
    return Outcome::ok(text.trimmed());
  }
  const common::SaveResult saved = common::SaveWholeFile(m.file, text.toLatin1());
  if (!saved.ok())
    return Outcome::failed(Outcome::Cause::File,
                           QStringLiteral("%1: %2").arg(m.file, saved.reason));
  return Outcome::ok();
}

Outcome Runner::printSignature() {
  const Outcome read = session_->ReadSignature();
  if (!read.isOk())
    return read;
  const IspEngine &e = engine();
  const DeviceEntry &entry = device();
  QString text;
  QStringList bytes;
  for (int k = 0; k < entry.signatureCount; ++k)
    bytes << common::hex::Text(e.SignatureBytes[static_cast<std::size_t>(k)], 2);
  text += QStringLiteral("signature    %1\n").arg(bytes.join(u' '));
  bytes.clear();
  for (int k = 0; k < std::min<int>(e.Device.CalibrationCount, 4); ++k)
    bytes << common::hex::Text(e.CalibrationBytes[static_cast<std::size_t>(k)], 2);
  if (!bytes.isEmpty())
    text += QStringLiteral("calibration  %1\n").arg(bytes.join(u' '));
  const std::array<std::pair<const char *, FuseField>, 3> fuses{
      {{"lfuse", FuseField::FuseLow},
       {"hfuse", FuseField::FuseHigh},
       {"efuse", FuseField::FuseExtended}}};
  const int read_ = entry.readBack.kind == ReadBackKind::PageMode ? entry.readBack.fuseBytes
                    : entry.readBack.kind == ReadBackKind::FuseByte ||
                            entry.readBack.kind == ReadBackKind::At89S8253
                        ? 1
                        : 0;
  for (int k = 0; k < read_ && k < 3; ++k)
    text += QStringLiteral("%1        %2\n")
                .arg(QLatin1String(fuses[static_cast<std::size_t>(k)].first),
                     ByteText(FuseByte(e.Fuses, fuses[static_cast<std::size_t>(k)].second),
                              Format::HexText));
  if (entry.readBack.keepLockByte)
    text += QStringLiteral("lock         %1\n").arg(ByteText(e.Fuses.LockByte, Format::HexText));
  else if (entry.readBack.kind != ReadBackKind::None)
    text += QStringLiteral("lock bits    %1\n").arg(ByteText(e.Fuses.LockBits, Format::HexText));
  if (!request_.json)
    Print(setup_.out, text);
  return Outcome::ok(OnTerminal(text).trimmed());
}

Outcome Runner::commandStep(const CommandStep &c, Record &record) {
  using Kind = CommandStep::Kind;
  switch (c.kind) {
  case Kind::Erase:
    record.operation = QStringLiteral("erase");
    return request_.dryRun ? dryRun() : session_->Erase();
  case Kind::BlankCheck:
    record.operation = QStringLiteral("blank-check");
    record.bytes = engine().Device.FlashSize + engine().Device.EepromSize;
    return session_->BlankCheck();
  case Kind::Signature:
    record.operation = QStringLiteral("signature");
    record.bytes = device().signatureCount;
    record.printed = true;
    return printSignature();
  case Kind::ResetHold:
    record.operation = QStringLiteral("reset hold");
    session_->HoldReset();
    return Outcome::ok();
  case Kind::ResetRelease:
    record.operation = QStringLiteral("reset release");
    session_->ReleaseReset();
    return Outcome::ok();
  case Kind::WriteAll: {
    record.operation = QStringLiteral("write");
    record.memory = QStringLiteral("elf");
    const files::ElfRead read = files::ReadElfFile(c.file);
    record.bytes = read.image.FlashBytes() + read.image.EepromBytes();
    return writeElf(c.file, files::kAllElfParts);
  }
  }
  return Outcome::ok();
}

} // namespace

QString DeviceTable() {
  QString text = QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                     .arg(QStringLiteral("name"), -12)
                     .arg(QStringLiteral("chip"), -14)
                     .arg(QStringLiteral("flash"), 7)
                     .arg(QStringLiteral("eeprom"), 7)
                     .arg(QStringLiteral("page"), 5)
                     .arg(QStringLiteral("signature"), -10)
                     .arg(QStringLiteral("fuses"));
  for (const DeviceEntry &entry : kDeviceList) {
    if (!entry.isDevice)
      continue;
    const QString signature = entry.expectedSignature == 0
                                  ? QStringLiteral("-")
                                  : files::SignatureBytesText(entry.expectedSignature);
    text += QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                .arg(FromView(entry.Name()), -12)
                .arg(FromView(entry.dataSheetName), -14)
                .arg(entry.flashSize, 7)
                .arg(entry.eepromSize, 7)
                .arg(entry.flashPageSize, 5)
                .arg(signature, -10)
                .arg(entry.fuseCount);
  }
  return text;
}

int Run(const Request &request, const RunSetup &setup) {
  if (request.listDevices) {
    Print(setup.out, DeviceTable());
    if (request.steps.empty())
      return kExitOk;
  }
  Runner runner(request, setup);
  return runner.run();
}

} // namespace rindle::cli
