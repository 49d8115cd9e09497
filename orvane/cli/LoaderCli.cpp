#include "orvane/cli/LoaderCli.h"

#include "common/ConsoleOutput.h"
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

using common::Print;
// Text on a stream at once.
void Write(std::FILE *stream, const QString &text) { Print(stream, text); }

// A message of the loader on a terminal: its CRs are line breaks.
QString Lines(const QString &text) { return common::OnTerminal(text); }

void Diagnose(const QString &text) { Write(stderr, kCliName + QStringLiteral(": ") + Lines(text) + u'\n'); }

// The loader's message boxes as lines on stderr; nobody is there to answer
// a question or pick a file.
class ConsolePrompter : public common::DialoglessPrompter {
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

private:
  QStringList said_;
};

// The status log as lines of text, as the window shows them: a result line
// indented by three blanks.
class ConsoleLog : public StatusLog {
public:
  // stream: nullptr writes nothing.
  // bar: the progress bar on the terminal, whose line a log line closes.
  ConsoleLog(std::FILE *stream, common::TerminalProgress *bar) : stream_(stream), bar_(bar) {}
  void AddStatus(const QString &text, bool result) override {
    if (!stream_)
      return;
    if (bar_)
      bar_->settle(true);
    Write(stream_, Lines(result ? QStringLiteral("   ") + text : text) + u'\n');
  }
  void ClearStatus() override {}

private:
  std::FILE *stream_;
  common::TerminalProgress *bar_;
};

const char *const kNames[] = {"erase",  "blank-check", "program",   "verify",
                              "lock",   "read",        "signature", "auto-program"};

bool TakesFile(int function) {
  return function == orvane::kProgram || function == kVerify || function == kAutoProgram ||
         function == kRead;
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
  o.insert(QStringLiteral("result"), common::OutcomeWord(outcome.kind));
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
  // A port that opened and then let the function down, like a failure
  // without a cause, is the function's failure.
  if (outcome.kind == common::Outcome::Kind::Failed &&
      (outcome.cause == common::Outcome::Cause::None ||
       (outcome.cause == common::Outcome::Cause::Port && !portNotOpened)))
    return kCliFailed;
  return common::ExitStatus(outcome);
}

namespace {

// What the command line asks for, checked whole before anything is opened.
struct CliRequest {
  int function = -1;
  QString file;
  QString port;
  QString model;
  QString device;
  QString settings;
  bool simulate = false;
  bool verify = false;
  bool lock = false;
  bool quiet = false;
  bool verbose = false;
  bool json = false;
  int tickMs = Sequencer::kTickMs;
};

// The options of orvane-cli on the common option parser.
class CliOptions {
public:
  CliOptions();
  // Fills request; the exit status when the program is to stop now (help,
  // version, a usage error).
  std::optional<int> read(const QStringList &arguments, CliRequest *request);
  int usageError(const QString &reason) const { return options_.usageError(reason); }

private:
  bool isSet(const QCommandLineOption &o) const { return options_.isSet(o.names().constFirst()); }
  QString valueOf(const QCommandLineOption &o) const {
    return options_.value(o.names().constFirst());
  }

  common::ProgramOptions options_;
  const QCommandLineOption port_{QStringLiteral("port"),
                                 QStringLiteral("the serial port of the programmer box (else the "
                                                "loader's)"),
                                 QStringLiteral("DEV")};
  const QCommandLineOption model_{
      QStringLiteral("model"), QStringLiteral("the hardware model (else the loader's current one)"),
      QStringLiteral("NAME")};
  const QCommandLineOption device_{
      QStringLiteral("device"),
      QStringLiteral("the chip expected in the socket; another one stops the\nfunction before "
                     "anything is done to it (exit status 5)"),
      QStringLiteral("NAME")};
  const QCommandLineOption simulate_{QStringLiteral("simulate"),
                                     QStringLiteral("dry run against the emulated programmer box")};
  const QCommandLineOption verify_{QStringLiteral("verify"),
                                   QStringLiteral("auto-program: read back and compare after "
                                                  "writing")};
  const QCommandLineOption lock_{QStringLiteral("lock"),
                                 QStringLiteral("auto-program: lock the chip at the end")};
  const QCommandLineOption settings_{
      QStringLiteral("settings"),
      QStringLiteral("folder of the loader's settings and recent lists (and of\nthe emulated "
                     "box's chip) instead of the loader's own"),
      QStringLiteral("DIR")};
  const QCommandLineOption tick_{QStringLiteral("tick"),
                                 QStringLiteral("the time the hardware has to answer a step, in "
                                                "ms\n(default %1)")
                                     .arg(Sequencer::kTickMs),
                                 QStringLiteral("MS")};
  const QCommandLineOption quiet_{{QStringLiteral("q"), QStringLiteral("quiet")},
                                  QStringLiteral("no status log, no progress bar")};
  const QCommandLineOption verbose_{{QStringLiteral("v"), QStringLiteral("verbose")},
                                    QStringLiteral("also tell the port, the model and the files "
                                                   "used (stderr)")};
  const QCommandLineOption json_{QStringLiteral("json"),
                                 QStringLiteral("one JSON object per operation on stdout "
                                                "(operation,\nbytes, seconds, result, message)")};
};

CliOptions::CliOptions()
    : options_(
          kCliName, LoaderSettings::GetVersionText(),
          QStringLiteral("[--port DEV] [--model NAME] [--device NAME] [options] FUNCTION [FILE]"),
          QStringLiteral(
              "Runs one chip function of the serial loader on the programmer box: erase,\n"
              "blank-check, program, verify, lock, read, signature or auto-program.")) {
  for (const QCommandLineOption *o : {&port_, &model_, &device_, &simulate_, &verify_, &lock_,
                                      &settings_, &tick_, &quiet_, &verbose_, &json_})
    options_.add(*o);
  options_.allowPositional();
  options_.setNotes(HelpNotes());
}

std::optional<int> CliOptions::read(const QStringList &arguments, CliRequest *r) {
  if (const std::optional<int> stop = options_.parse(arguments))
    return stop;
  const QStringList words = options_.positional();
  const QString functions = CliFunctionNames().join(QStringLiteral(", "));
  if (words.isEmpty())
    return usageError(QStringLiteral("no function given (one of: %1)").arg(functions));
  r->function = CliFunction(words.first());
  if (r->function < 0)
    return usageError(
        QStringLiteral("unknown function \"%1\" (one of: %2)").arg(words.first(), functions));
  const QString operation = CliFunctionNames().at(r->function);
  const bool takesFile = TakesFile(r->function);
  if (words.size() != (takesFile ? 2 : 1))
    return usageError(takesFile ? QStringLiteral("%1 takes one HEX file").arg(operation)
                                : QStringLiteral("%1 takes no file").arg(operation));
  r->file = takesFile ? words.at(1) : QString();
  r->port = valueOf(port_);
  r->model = valueOf(model_);
  r->device = valueOf(device_);
  r->settings = valueOf(settings_);
  r->simulate = isSet(simulate_);
  r->verify = isSet(verify_);
  r->lock = isSet(lock_);
  r->quiet = isSet(quiet_);
  r->verbose = isSet(verbose_);
  r->json = isSet(json_);
  if ((r->verify || r->lock) && r->function != kAutoProgram)
    return usageError(QStringLiteral("--verify and --lock belong to auto-program"));
  if (r->simulate && isSet(port_))
    return usageError(QStringLiteral("--simulate and --port exclude each other"));
  if (r->quiet && r->verbose)
    return usageError(QStringLiteral("-q and -v exclude each other"));
  if (isSet(tick_)) {
    bool ok = false;
    r->tickMs = valueOf(tick_).toInt(&ok);
    if (!ok || r->tickMs < 10 || r->tickMs > 600000)
      return usageError(QStringLiteral("--tick takes milliseconds from 10 to 600000, not \"%1\"")
                            .arg(valueOf(tick_)));
  }
  return std::nullopt;
}

// Runs a request on the loader's session: the status log on stdout (stderr
// with --json), the outcome's message on stderr, its JSON line.
int Execute(const CliRequest &r, const CliOptions &options, const QString &programDir) {
  const QString operation = CliFunctionNames().at(r.function);
  auto note = [&](const QString &text) {
    if (r.verbose)
      Diagnose(text);
  };
  QElapsedTimer clock;
  clock.start();
  qint64 bytes = 0;
  ConsolePrompter prompter;
  auto finish = [&](const common::Outcome &outcome, int status) {
    if (!outcome.isOk() && !outcome.message.isEmpty() && !prompter.said(outcome.message))
      Diagnose(outcome.message);
    if (r.json)
      PrintJson(operation, bytes, static_cast<double>(clock.elapsed()) / 1000.0, outcome);
    return status;
  };

  // The loader's own files, as the window names them, or the folder given.
  const QString loaderPath = QDir(programDir).filePath(QStringLiteral("orvane"));
  LoaderPaths paths = LoaderPaths::ForProgram(loaderPath);
  QString boxChip = LoaderSession::BoxChipFile(loaderPath);
  if (!r.settings.isEmpty()) {
    if (!QDir().mkpath(r.settings))
      return finish(common::Outcome::failed(
                        common::Outcome::Cause::File,
                        QStringLiteral("Cannot make the settings folder \"%1\"").arg(r.settings)),
                    kCliFile);
    paths = paths.WithSettingsIn(r.settings);
    boxChip = QDir(r.settings).filePath(QStringLiteral("box-chip.bin"));
  }
  LoaderSession session(paths, prompter);
  common::TerminalProgress bar(stderr);
  const bool barShown = !r.quiet && isatty(STDERR_FILENO);
  ConsoleLog log(r.quiet ? nullptr : r.json ? stderr : stdout, barShown ? &bar : nullptr);
  session.SetStatusLog(&log);
  if (barShown)
    session.SetProgress(&bar);
  session.sequencer().SetTickInterval(r.tickMs);

  // The function's own file, not the window's last one.
  session.StartUp(false);
  LoaderSettings &s = session.core().settings;
  // This run's choices; the loader's settings are not written.
  s.ReloadFile = 0;
  s.Verify = r.verify ? 1 : 0;
  s.Lock = r.lock ? 1 : 0;
  if (!r.model.isEmpty()) {
    const QString model = session.FindModel(r.model);
    if (model.isEmpty())
      return options.usageError(QStringLiteral("unknown hardware model \"%1\" (models: %2)")
                                    .arg(r.model, session.Models().join(QStringLiteral(", "))));
    session.ModelChange(model);
  }
  session.FirstActivation();
  if (!r.device.isEmpty()) {
    if (!session.core().LoadDevice(r.device))
      return options.usageError(QStringLiteral("the device database of \"%1\" has no device \"%2\"")
                                    .arg(s.programmerModel, r.device));
    session.sequencer().SetExpectedDevice(r.device);
  }
  if (!r.port.isEmpty())
    session.UsePort(r.port);
  if (r.simulate) {
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

  const common::Outcome outcome = session.RunWithFile(r.function, r.file);
  bar.settle(outcome.isOk());
  const LoaderBuffer &b = session.core().buffer;
  if (r.function == kRead)
    bytes = outcome.isOk() ? b.SaveCount() : 0;
  else if (TakesFile(r.function))
    bytes = outcome.cause == common::Outcome::Cause::File ? 0 : b.BytesLoaded;
  const bool portNotOpened = session.port().OpenErrorCode() != 0;
  if (outcome.cause == common::Outcome::Cause::Port && portNotOpened)
    return finish(common::Outcome::failed(
                      common::Outcome::Cause::Port,
                      PortDiagnosis(session.port().Port(), session.port().OpenErrorCode())),
                  kCliPort);
  if (outcome.isOk() && !r.file.isEmpty())
    note(QStringLiteral("%1: %2 bytes").arg(r.file).arg(bytes));
  return finish(outcome, CliExitStatus(outcome, portNotOpened));
}

} // namespace

int RunLoaderCli(const QStringList &arguments, const QString &programDir) {
  CliOptions options;
  CliRequest request;
  if (const std::optional<int> stop = options.read(arguments, &request))
    return *stop;
  return Execute(request, options, programDir);
}

} // namespace orvane
