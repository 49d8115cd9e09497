#include "orvane/cli/LoaderCli.h"

#include "common/DeviceGroup.h"
#include "common/ProgramOptions.h"
#include "orvane/core/LoaderSettings.h"
#include "orvane/link/Sequencer.h"
#include "orvane/session/LoaderSession.h"
#include "sim/box/ProgrammerBox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace orvane {

namespace {

const QString kCliName = QStringLiteral("orvane-cli");

void Write(std::FILE *stream, const QString &text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

// A message of the loader on a terminal: its CRs are line breaks.
QString Lines(const QString &text) {
  QString out = text;
  out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return out;
}

void Diagnose(const QString &text) { Write(stderr, kCliName + QStringLiteral(": ") + Lines(text) + u'\n'); }

// The loader's message boxes as lines on stderr; nobody is there to answer
// a question or pick a file.
class ConsolePrompter : public common::Prompter {
public:
  void message(const QString &, const QString &text, Icon) override {
    said_ << text;
    Diagnose(text);
  }
  // Whether text is on stderr already.
  bool said(const QString &text) const { return said_.contains(text); }
  bool question(const QString &, const QString &text, Icon, bool) override {
    Diagnose(text + QStringLiteral(" (answered No)"));
    return false;
  }
  QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
  QString saveFileName(const QString &, const QString &, const QString &,
                       const QString &) override {
    return {};
  }

private:
  QStringList said_;
};

// The status log as lines of text, as the window shows them: a result line
// indented by three blanks.
class ConsoleLog : public StatusLog {
public:
  // stream: nullptr writes nothing.
  explicit ConsoleLog(std::FILE *stream) : stream_(stream) {}
  void AddStatus(const QString &text, bool result) override {
    if (stream_)
      Write(stream_, Lines(result ? QStringLiteral("   ") + text : text) + u'\n');
  }
  void ClearStatus() override {}

private:
  std::FILE *stream_;
};

// A bar with percent, bytes and seconds on a terminal, redrawn in place.
class TerminalProgress : public common::Progress {
public:
  void begin(const QString &title, qint64 total) override {
    title_ = title;
    total_ = total;
    clock_.start();
    shown_ = -1;
    advance(0);
  }
  void advance(qint64 done) override {
    const int percent = total_ > 0 ? static_cast<int>(done * 100 / total_) : 100;
    if (percent == shown_)
      return;
    shown_ = percent;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    Write(stderr, QStringLiteral("\r%1 [%2%3] %4%  %5/%6 bytes  %7 s")
                      .arg(title_, -8)
                      .arg(QString(filled, u'#'), QString(kWidth - filled, u' '))
                      .arg(percent, 3)
                      .arg(done)
                      .arg(total_)
                      .arg(static_cast<double>(clock_.elapsed()) / 1000.0, 0, 'f', 1));
  }
  void end() override {
    if (shown_ >= 0)
      Write(stderr, QStringLiteral("\n"));
    shown_ = -1;
  }

private:
  QString title_;
  qint64 total_ = 0;
  int shown_ = -1;
  QElapsedTimer clock_;
};

const char *const kNames[] = {"erase",  "blank-check", "program",   "verify",
                              "lock",   "read",        "signature", "auto-program"};

bool TakesFile(int function) {
  return function == orvane::kProgram || function == kVerify || function == kAutoProgram ||
         function == kRead;
}

QString ResultWord(common::Outcome::Kind kind) {
  switch (kind) {
  case common::Outcome::Kind::Ok: return QStringLiteral("ok");
  case common::Outcome::Kind::Failed: return QStringLiteral("failed");
  case common::Outcome::Kind::Refused: return QStringLiteral("refused");
  case common::Outcome::Kind::Cancelled: return QStringLiteral("cancelled");
  }
  return {};
}

// Why the port did not open, for the user to act on: the device, the
// system's reason and, when access was refused, the group to join.
QString PortDiagnosis(const QString &portName, int code) {
  const QString file =
      portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
  QString line = QStringLiteral("cannot open the port %1: %2")
                     .arg(file, QString::fromLocal8Bit(std::strerror(code != 0 ? code : EIO)));
  const std::string group = common::DeviceGroup(file.toStdString());
  if (code == EACCES || code == EPERM) {
    if (!group.empty())
      line += QStringLiteral("; it belongs to group \"%1\", which your user must join "
                             "(sudo adduser $USER %1, then log in again)")
                  .arg(QString::fromStdString(group));
  } else if (code == ENOENT) {
    const QStringList ports = ComPort::PortList();
    line += ports.isEmpty() ? QStringLiteral("; no serial port is present")
                            : QStringLiteral("; ports present: ") + ports.join(QStringLiteral(", "));
  }
  return line;
}

QString HelpNotes() {
  const sim::ProgrammerBox::Chip chip;
  return QStringLiteral(
             "Functions (as in the loader's function list):\n"
             "  erase          erase the chip and check that it is blank\n"
             "  blank-check    check that the chip is blank\n"
             "  program FILE   erase, check blank and write the Intel HEX file\n"
             "  verify FILE    read the chip back and compare it with the file\n"
             "  lock           lock the chip\n"
             "  read FILE      read the whole chip and save it as Intel HEX\n"
             "  signature      detect the programmer and the chip\n"
             "  auto-program FILE  erase, write, then --verify and --lock as given\n"
             "\n"
             "The status log's lines are written to stdout (to stderr with --json);\n"
             "diagnostics go to stderr. The hardware model, the port and the device\n"
             "database are the loader window's own (its settings); --port and --model\n"
             "apply to this run only; the settings are not written, but the file and\n"
             "the chip detected join the recent lists as in the window.\n"
             "--simulate talks to an emulated programmer box with an %1 (%2 bytes of\n"
             "flash) that keeps its memory between runs, the same chip as\n"
             "'orvane --simulate'.\n"
             "\n"
             "Exit status:\n"
             "  0  the function succeeded\n"
             "  1  the function failed (the message is on stderr)\n"
             "  2  the command line cannot be used\n"
             "  3  a file could not be read or written\n"
             "  4  the port could not be opened (device, reason and group to join on stderr)\n"
             "  5  refused: another chip than --device, or a model the loader cannot drive\n"
             "\n"
             "Example:\n"
             "  orvane-cli --simulate program blink-at89s51.hex\n"
             "  orvane-cli --port /dev/ttyUSB0 --device AT89S51 auto-program --verify app.hex\n")
      .arg(QString::fromStdString(chip.name))
      .arg(chip.flashSize);
}

// The one JSON line of an operation.
void PrintJson(const QString &operation, qint64 bytes, double seconds,
               const common::Outcome &outcome) {
  QJsonObject o;
  o.insert(QStringLiteral("operation"), operation);
  o.insert(QStringLiteral("bytes"), bytes);
  o.insert(QStringLiteral("seconds"), seconds);
  o.insert(QStringLiteral("result"), ResultWord(outcome.kind));
  o.insert(QStringLiteral("message"), Lines(outcome.message));
  Write(stdout, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + u'\n');
}

} // namespace

QStringList CliFunctionNames() {
  QStringList names;
  for (const char *name : kNames)
    names << QString::fromLatin1(name);
  return names;
}

int CliFunction(const QString &name) {
  return static_cast<int>(CliFunctionNames().indexOf(name.toLower()));
}

int CliExitStatus(const common::Outcome &outcome, bool portNotOpened) {
  switch (outcome.kind) {
  case common::Outcome::Kind::Ok: return kCliDone;
  case common::Outcome::Kind::Refused: return kCliRefused;
  case common::Outcome::Kind::Cancelled: return kCliFailed;
  case common::Outcome::Kind::Failed: break;
  }
  switch (outcome.cause) {
  case common::Outcome::Cause::File: return kCliFile;
  case common::Outcome::Cause::Port: return portNotOpened ? kCliPort : kCliFailed;
  default: return kCliFailed;
  }
}

int RunLoaderCli(const QStringList &arguments, const QString &programDir) {
  common::ProgramOptions options(
      kCliName, LoaderSettings::GetVersionText(),
      QStringLiteral("[--port DEV] [--model NAME] [--device NAME] [options] FUNCTION [FILE]"),
      QStringLiteral("Runs one chip function of the serial loader on the programmer box: erase,\n"
                     "blank-check, program, verify, lock, read, signature or auto-program."));
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("the serial port of the programmer box (else the "
                                               "loader's)"),
                                QStringLiteral("DEV"));
  const QCommandLineOption model(
      QStringLiteral("model"), QStringLiteral("the hardware model (else the loader's current one)"),
      QStringLiteral("NAME"));
  const QCommandLineOption device(
      QStringLiteral("device"),
      QStringLiteral("the chip expected in the socket; another one stops the\nfunction before "
                     "anything is done to it (exit status 5)"),
      QStringLiteral("NAME"));
  const QCommandLineOption simulate(QStringLiteral("simulate"),
                                    QStringLiteral("dry run against the emulated programmer box"));
  const QCommandLineOption verify(QStringLiteral("verify"),
                                  QStringLiteral("auto-program: read back and compare after "
                                                 "writing"));
  const QCommandLineOption lock(QStringLiteral("lock"),
                                QStringLiteral("auto-program: lock the chip at the end"));
  const QCommandLineOption settings(
      QStringLiteral("settings"),
      QStringLiteral("folder of the loader's settings and recent lists (and of\nthe emulated "
                     "box's chip) instead of the loader's own"),
      QStringLiteral("DIR"));
  const QCommandLineOption tick(QStringLiteral("tick"),
                                QStringLiteral("the time the hardware has to answer a step, in ms "
                                               "(default %1)")
                                    .arg(Sequencer::kTickMs),
                                QStringLiteral("MS"));
  const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                 QStringLiteral("no status log, no progress bar"));
  const QCommandLineOption verbose({QStringLiteral("v"), QStringLiteral("verbose")},
                                   QStringLiteral("also tell the port, the model and the files "
                                                  "used (stderr)"));
  const QCommandLineOption json(QStringLiteral("json"),
                                QStringLiteral("one JSON object per operation on stdout "
                                               "(operation,\nbytes, seconds, result, message)"));
  for (const QCommandLineOption &o :
       {port, model, device, simulate, verify, lock, settings, tick, quiet, verbose, json})
    options.add(o);
  options.allowPositional();
  options.setNotes(HelpNotes());
  if (const std::optional<int> stop = options.parse(arguments))
    return *stop;
  auto isSet = [&](const QCommandLineOption &o) { return options.isSet(o.names().constFirst()); };
  auto valueOf = [&](const QCommandLineOption &o) { return options.value(o.names().constFirst()); };

  // The command line, checked whole before anything is opened.
  const QStringList words = options.positional();
  if (words.isEmpty())
    return options.usageError(QStringLiteral("no function given (one of: %1)")
                                  .arg(CliFunctionNames().join(QStringLiteral(", "))));
  const int function = CliFunction(words.first());
  if (function < 0)
    return options.usageError(QStringLiteral("unknown function \"%1\" (one of: %2)")
                                  .arg(words.first(), CliFunctionNames().join(QStringLiteral(", "))));
  const QString operation = CliFunctionNames().at(function);
  if (TakesFile(function) && words.size() != 2)
    return options.usageError(QStringLiteral("%1 takes one HEX file").arg(operation));
  if (!TakesFile(function) && words.size() != 1)
    return options.usageError(QStringLiteral("%1 takes no file").arg(operation));
  if ((isSet(verify) || isSet(lock)) && function != kAutoProgram)
    return options.usageError(QStringLiteral("--verify and --lock belong to auto-program"));
  if (isSet(simulate) && isSet(port))
    return options.usageError(QStringLiteral("--simulate and --port exclude each other"));
  if (isSet(quiet) && isSet(verbose))
    return options.usageError(QStringLiteral("-q and -v exclude each other"));
  int tickMs = Sequencer::kTickMs;
  if (isSet(tick)) {
    bool ok = false;
    tickMs = valueOf(tick).toInt(&ok);
    if (!ok || tickMs < 10 || tickMs > 600000)
      return options.usageError(
          QStringLiteral("--tick takes milliseconds from 10 to 600000, not \"%1\"")
              .arg(valueOf(tick)));
  }
  const QString file = TakesFile(function) ? words.at(1) : QString();
  const bool asJson = isSet(json);
  const bool isQuiet = isSet(quiet);
  const bool isVerbose = isSet(verbose);
  auto note = [&](const QString &text) {
    if (isVerbose)
      Diagnose(text);
  };

  QElapsedTimer clock;
  clock.start();
  qint64 bytes = 0;
  // Ends the run with an outcome: its message on stderr, its JSON line.
  ConsolePrompter prompter;
  auto finish = [&](const common::Outcome &outcome, int status) {
    if (!outcome.isOk() && !outcome.message.isEmpty() && !prompter.said(outcome.message))
      Diagnose(outcome.message);
    if (asJson)
      PrintJson(operation, bytes, static_cast<double>(clock.elapsed()) / 1000.0, outcome);
    return status;
  };
  auto fileProblem = [&](const QString &text) {
    return finish(common::Outcome::failed(common::Outcome::Cause::File, text), kCliFile);
  };

  // The loader's own files, as the window names them.
  const QString loaderPath = QDir(programDir).filePath(QStringLiteral("orvane"));
  LoaderPaths paths = LoaderPaths::ForProgram(loaderPath);
  QString boxChip = LoaderSession::BoxChipFile(loaderPath);
  if (isSet(settings)) {
    const QString dir = valueOf(settings);
    if (!QDir().mkpath(dir))
      return fileProblem(QStringLiteral("Cannot make the settings folder \"%1\"").arg(dir));
    paths = paths.WithSettingsIn(dir);
    boxChip = QDir(dir).filePath(QStringLiteral("box-chip.bin"));
  }
  LoaderSession session(paths, prompter);
  ConsoleLog log(isQuiet ? nullptr : asJson ? stderr : stdout);
  session.SetStatusLog(&log);
  TerminalProgress bar;
  if (!isQuiet && isatty(STDERR_FILENO))
    session.SetProgress(&bar);
  session.sequencer().SetTickInterval(tickMs);

  session.StartUp();
  LoaderSettings &s = session.core().settings;
  // This run's choices; the loader's settings are not written.
  s.ReloadFile = 0;
  s.Verify = isSet(verify) ? 1 : 0;
  s.Lock = isSet(lock) ? 1 : 0;
  if (isSet(model)) {
    const QStringList models = session.Models();
    const qsizetype at = models.indexOf(valueOf(model), 0);
    qsizetype found = at;
    for (qsizetype i = 0; found < 0 && i < models.size(); ++i)
      if (models[i].compare(valueOf(model), Qt::CaseInsensitive) == 0)
        found = i;
    if (found < 0)
      return options.usageError(QStringLiteral("unknown hardware model \"%1\" (models: %2)")
                                    .arg(valueOf(model), models.join(QStringLiteral(", "))));
    session.ModelChange(models[found]);
  }
  session.FirstActivation();
  if (isSet(device)) {
    if (!session.core().LoadDevice(valueOf(device)))
      return options.usageError(
          QStringLiteral("the device database of \"%1\" has no device \"%2\"")
              .arg(s.programmerModel, valueOf(device)));
    session.sequencer().SetExpectedDevice(valueOf(device));
  }
  if (isSet(port))
    session.UsePort(valueOf(port));
  if (isSet(simulate)) {
    QString why;
    if (!session.Simulate(boxChip, &why))
      return finish(common::Outcome::failed(
                        common::Outcome::Cause::Port,
                        QStringLiteral("the emulated programmer box did not start: ") + why),
                    kCliPort);
    note(QStringLiteral("dry run, the emulated programmer box is on %1, its chip kept in %2")
             .arg(session.SimulatedPort(), boxChip));
  }
  note(QStringLiteral("model %1, port %2 at %3 baud")
           .arg(s.programmerModel, session.port().Port())
           .arg(session.port().BaudRate()));

  const common::Outcome outcome = session.RunWithFile(function, file);
  const LoaderBuffer &b = session.core().buffer;
  if (function == kRead)
    bytes = outcome.isOk() ? b.SaveCount() : 0;
  else if (TakesFile(function))
    bytes = outcome.cause == common::Outcome::Cause::File ? 0 : b.BytesLoaded;
  const bool portNotOpened = session.port().OpenErrorCode() != 0;
  if (outcome.cause == common::Outcome::Cause::Port && portNotOpened) {
    const QString diagnosis =
        PortDiagnosis(session.port().Port(), session.port().OpenErrorCode());
    return finish(common::Outcome::failed(common::Outcome::Cause::Port, diagnosis), kCliPort);
  }
  if (outcome.isOk() && !file.isEmpty())
    note(QStringLiteral("%1: %2 bytes").arg(file).arg(bytes));
  return finish(outcome, CliExitStatus(outcome, portNotOpened));
}

} // namespace orvane
