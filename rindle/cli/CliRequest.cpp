#include "rindle/cli/CliRequest.h"

#include <array>
#include <fstream>
#include <memory>

#include <QFileInfo>
#include <QRegularExpression>

#include "common/ProgramOptions.h"

namespace rindle::cli {

namespace {

using Memory = MemoryOperation::Memory;
using Format = MemoryOperation::Format;
using Op = MemoryOperation::Op;

struct MemoryWord {
  const char *name;
  Memory memory;
};
constexpr std::array<MemoryWord, 7> kMemories{{{"flash", Memory::Flash},
                                               {"eeprom", Memory::Eeprom},
                                               {"lfuse", Memory::FuseLow},
                                               {"hfuse", Memory::FuseHigh},
                                               {"efuse", Memory::FuseExtended},
                                               {"lock", Memory::Lock},
                                               {"fuses", Memory::Fuses}}};

bool IsByteMemory(Memory memory) {
  return memory == Memory::FuseLow || memory == Memory::FuseHigh ||
         memory == Memory::FuseExtended || memory == Memory::Lock;
}

// The format a file name's extension stands for.
std::optional<Format> FormatOfName(const QString &file) {
  const QString ext = QFileInfo(file).suffix().toLower();
  if (ext == u"hex" || ext == u"eep" || ext == u"ihx")
    return Format::Hex;
  if (ext == u"bin")
    return Format::Bin;
  if (ext == u"rom")
    return Format::Rom;
  if (ext == u"elf")
    return Format::Elf;
  return std::nullopt;
}

std::optional<Format> FormatOfLetter(const QString &text) {
  const QString t = text.toLower();
  if (t == u"i" || t == u"hex" || t == u"eep")
    return Format::Hex;
  if (t == u"r" || t == u"bin")
    return Format::Bin;
  if (t == u"rom")
    return Format::Rom;
  if (t == u"e" || t == u"elf")
    return Format::Elf;
  if (t == u"m")
    return Format::Immediate;
  if (t == u"h")
    return Format::HexText;
  if (t == u"d")
    return Format::DecimalText;
  if (t == u"b")
    return Format::BinaryText;
  return std::nullopt;
}

// The options that take a value, for reading the order of the steps.
bool TakesValue(const QString &name) {
  static const QStringList kNames = {QStringLiteral("p"),
                                     QStringLiteral("part"),
                                     QStringLiteral("U"),
                                     QStringLiteral("memory"),
                                     QStringLiteral("port"),
                                     QStringLiteral("settings"),
                                     QStringLiteral("allow-lockout")};
  return kNames.contains(name);
}

// The -U values and the command words in the order they stand on the
// command line.
struct Ordered {
  QString text;
  bool memory = false;
};
std::vector<Ordered> InOrder(const QStringList &args) {
  std::vector<Ordered> out;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString &a = args[i];
    if (a == u"--") {
      for (++i; i < args.size(); ++i)
        out.push_back({args[i], false});
      break;
    }
    if (a.startsWith(u"--")) {
      const QString name = a.mid(2).section(u'=', 0, 0);
      const bool inline_ = a.contains(u'=');
      if ((name == u"memory") && inline_)
        out.push_back({a.section(u'=', 1), true});
      else if (name == u"memory" && i + 1 < args.size())
        out.push_back({args[++i], true});
      else if (TakesValue(name) && !inline_)
        ++i;
      continue;
    }
    if (a.startsWith(u'-') && a.size() > 1) {
      // Compacted short options: the first one that takes a value takes the
      // rest of the word, or the next word.
      for (qsizetype k = 1; k < a.size(); ++k) {
        const QString name(a[k]);
        if (!TakesValue(name))
          continue;
        const QString value =
            k + 1 < a.size() ? a.mid(k + 1) : (i + 1 < args.size() ? args[++i] : QString());
        if (name == u"U")
          out.push_back({value, true});
        break;
      }
      continue;
    }
    out.push_back({a, false});
  }
  return out;
}

QString Notes() {
  return QStringLiteral(
      "Commands (run in the order given, together with the -U operations):\n"
      "  devices               list the devices: name, flash, EEPROM, page size,\n"
      "                        signature, fuse bytes\n"
      "  erase                 erase the chip (it gets the device's default fuses)\n"
      "  blank-check           check that flash and EEPROM are blank\n"
      "  signature             print signature, calibration, fuse and lock bytes\n"
      "  reset hold|release    hold the target in reset, or let it run\n"
      "  write FILE.elf        write every part of an ELF file: erase, flash,\n"
      "                        EEPROM, verify, fuses, lock\n"
      "\n"
      "Memory operations, -U MEMORY:OP:FILE[:FORMAT]:\n"
      "  MEMORY  flash, eeprom, lfuse, hfuse, efuse, lock; fuses (ELF files only)\n"
      "  OP      w write (flash: erase, write, verify), r read, v verify\n"
      "  FORMAT  i Intel HEX (also EEP), r raw binary, rom, e ELF; for fuse bytes\n"
      "          m a literal (lfuse:w:0xE1:m), and h, d or b for a read printed\n"
      "          as hex, decimal or binary (FILE - is standard output).\n"
      "          Without FORMAT the file's extension chooses (.hex .eep .bin .rom\n"
      "          .elf); a fuse value written as 0xNN is a literal.\n"
      "  lock    the lock byte (0 = programmed); on chips that answer with lock\n"
      "          bits (AT89S, AT90S, ATtiny26, ATtiny2313) the value is as lock:r\n"
      "          prints it: 0x01 programs LB1, 0x02 LB2, 0x04 the third lock bit.\n"
      "\n"
      "The simulated chips are the window's: each keeps its memories in\n"
      "$XDG_DATA_HOME/rindle/ (~/.local/share/rindle/ by default).\n"
      "\n"
      "Exit status:\n"
      "  0  all done\n"
      "  1  a chip operation failed (verify difference, not blank, no response)\n"
      "  2  the command line cannot be used\n"
      "  3  a file could not be read or written\n"
      "  4  the port could not be opened\n"
      "  5  refused: signature mismatch (without -F), or a fuse write that ends\n"
      "     serial programming (without --allow-lockout)\n"
      "Ctrl+C (or SIGTERM) stops the operation at its next block, releases the\n"
      "target, skips the steps still to come and ends the program by the signal\n"
      "(status 130 in a shell); a second Ctrl+C ends it at once.\n");
}

void AddOptions(common::ProgramOptions &options) {
  options.add(QCommandLineOption({QStringLiteral("p"), QStringLiteral("part")},
                                 QStringLiteral("the device, by its list name or data-sheet\n"
                                                "name (MEGA8 or ATmega8), case-blind"),
                                 QStringLiteral("DEVICE")));
  options.add(QCommandLineOption({QStringLiteral("U"), QStringLiteral("memory")},
                                 QStringLiteral("a memory operation, MEMORY:OP:FILE[:FORMAT]"),
                                 QStringLiteral("OPERATION")));
  options.add(QCommandLineOption(QStringLiteral("port"),
                                 QStringLiteral("the parallel port, /dev/parportN or an address\n"
                                                "(else the settings file's)"),
                                 QStringLiteral("DEVICE")));
  options.add(QCommandLineOption(QStringLiteral("settings"),
                                 QStringLiteral("the settings file (else the window's own);\n"
                                                "it is read, never written"),
                                 QStringLiteral("FILE")));
  options.addOptionalValue(
      QCommandLineOption(QStringLiteral("simulate"),
                         QStringLiteral("a simulated cable and chip instead of the port;\n"
                                        "with DEVICE the socket holds that chip"),
                         QStringLiteral("DEVICE")));
  options.add(QCommandLineOption(QStringLiteral("no-delays"),
                                 QStringLiteral("with --simulate: no real waiting, the simulated\n"
                                                "chip answers at once")));
  options.add(QCommandLineOption(QStringLiteral("n"),
                                 QStringLiteral("read and check only: no write reaches the chip")));
  options.add(QCommandLineOption(QStringLiteral("F"),
                                 QStringLiteral("go on when the signature does not match")));
  options.add(
      QCommandLineOption(QStringLiteral("V"), QStringLiteral("no verify after writing flash")));
  options.add(QCommandLineOption(QStringLiteral("allow-lockout"),
                                 QStringLiteral("let a fuse write program these bits, which\n"
                                                "end serial programming (RSTDISBL,DWEN,SPIEN)"),
                                 QStringLiteral("NAME[,NAME]")));
  options.add(QCommandLineOption({QStringLiteral("q"), QStringLiteral("quiet")},
                                 QStringLiteral("errors only")));
  options.add(QCommandLineOption({QStringLiteral("v"), QStringLiteral("verbose")},
                                 QStringLiteral("say more")));
  options.add(QCommandLineOption(QStringLiteral("json"),
                                 QStringLiteral("one JSON object per operation on stdout")));
}

std::unique_ptr<common::ProgramOptions> MakeOptions() {
  auto options = std::make_unique<common::ProgramOptions>(
      QStringLiteral("rindle-cli"), QLatin1String(RINDLE_VERSION),
      QStringLiteral("[options] -p DEVICE COMMAND...|-U MEMORY:OP:FILE[:FORMAT]...\n"
                     "       rindle-cli devices"),
      QStringLiteral("Programs AT89S and AVR chips in circuit through an ISP cable on the "
                     "parallel port,\nwith the flows of the rindle window."));
  AddOptions(*options);
  options->setNotes(Notes());
  options->allowPositional();
  return options;
}

} // namespace

QString MemoryName(Memory memory) {
  for (const MemoryWord &w : kMemories)
    if (w.memory == memory)
      return QLatin1String(w.name);
  return {};
}

QString HelpText() { return MakeOptions()->helpText(); }

std::optional<MemoryOperation> ParseMemoryOperation(const QString &text, QString &error) {
  MemoryOperation m;
  m.text = text;
  // A file name may hold colons: the memory and operation come first, a
  // known format last.
  QStringList parts = text.split(u':');
  if (parts.size() < 3) {
    error = QStringLiteral("\"%1\": a memory operation is MEMORY:OP:FILE[:FORMAT]").arg(text);
    return std::nullopt;
  }
  const QString memory = parts.takeFirst().toLower();
  const auto word = std::ranges::find_if(
      kMemories, [&](const MemoryWord &w) { return memory == QLatin1String(w.name); });
  if (word == kMemories.end()) {
    error = QStringLiteral("\"%1\": unknown memory \"%2\" (flash, eeprom, lfuse, hfuse, efuse, "
                           "lock, fuses)")
                .arg(text, memory);
    return std::nullopt;
  }
  m.memory = word->memory;
  const QString op = parts.takeFirst().toLower();
  if (op == u"w")
    m.op = Op::Write;
  else if (op == u"r")
    m.op = Op::Read;
  else if (op == u"v")
    m.op = Op::Verify;
  else {
    error = QStringLiteral("\"%1\": unknown operation \"%2\" (w, r, v)").arg(text, op);
    return std::nullopt;
  }
  // The last field is the format when it names one; otherwise it belongs to
  // the file name (c:/dir/app.hex).
  std::optional<Format> format;
  if (parts.size() > 1) {
    format = FormatOfLetter(parts.last());
    if (format)
      parts.removeLast();
  }
  m.file = parts.join(u':');
  if (m.file.isEmpty()) {
    error = QStringLiteral("\"%1\": no file").arg(text);
    return std::nullopt;
  }
  if (!format && IsByteMemory(m.memory)) {
    static const QRegularExpression kLiteral(QStringLiteral("^(0x[0-9a-fA-F]{1,2}|[0-9]{1,3})$"));
    if (m.op == Op::Write && kLiteral.match(m.file).hasMatch())
      format = Format::Immediate;
    else if (m.op == Op::Read && m.file == u"-")
      format = Format::HexText;
  }
  if (!format)
    format = FormatOfName(m.file);
  if (!format) {
    // A last field that reads as a word rather than a file name was meant
    // as the format.
    static const QRegularExpression kWord(QStringLiteral("^[A-Za-z]{1,4}$"));
    if (parts.size() > 1 && kWord.match(parts.last()).hasMatch())
      error = QStringLiteral("\"%1\": unknown format \"%2\" (i, r, rom, e; m, h, d, b for a "
                             "byte)")
                  .arg(text, parts.last());
    else
      error = QStringLiteral("\"%1\": give the format (:i, :r, :rom, :e) for a file without a "
                             "known extension")
                  .arg(text);
    return std::nullopt;
  }
  m.format = *format;
  const bool textFormat = m.format == Format::Immediate || m.format == Format::HexText ||
                          m.format == Format::DecimalText || m.format == Format::BinaryText;
  if (IsByteMemory(m.memory) || m.memory == Memory::Fuses) {
    const bool fileOk = m.format == Format::Elf ? m.op == Op::Write : textFormat;
    if (!fileOk || (m.format == Format::Immediate && m.op != Op::Write) ||
        (m.op == Op::Write && m.format != Format::Immediate && m.format != Format::Elf) ||
        (m.memory == Memory::Fuses && m.format != Format::Elf)) {
      error = QStringLiteral("\"%1\": %2 is written from a literal (:w:0xNN:m) or an ELF file, "
                             "and read as text (:r:-:h)")
                  .arg(text, memory);
      return std::nullopt;
    }
    if (m.op == Op::Verify) {
      error = QStringLiteral("\"%1\": %2 is written or read, not verified").arg(text, memory);
      return std::nullopt;
    }
    if (m.format == Format::Immediate) {
      bool ok = false;
      const uint value = m.file.toUInt(&ok, 0);
      if (!ok || value > 0xFF) {
        error = QStringLiteral("\"%1\": \"%2\" is no byte value").arg(text, m.file);
        return std::nullopt;
      }
    }
  } else if (textFormat) {
    error =
        QStringLiteral("\"%1\": %2 is read and written as a file (i, r, rom, e)").arg(text, memory);
    return std::nullopt;
  } else if (m.format == Format::Elf && m.op != Op::Write) {
    error = QStringLiteral("\"%1\": ELF files are only written to the chip").arg(text);
    return std::nullopt;
  } else if (m.memory == Memory::Eeprom && m.format == Format::Rom) {
    error = QStringLiteral("\"%1\": EEPROM files are HEX, EEP or BIN").arg(text);
    return std::nullopt;
  }
  return m;
}

std::optional<std::uint16_t> PortBase(const QString &port, const QString &procRoot,
                                      QString &error) {
  bool isNumber = false;
  const uint address = port.toUInt(&isNumber, 0);
  if (isNumber) {
    if (address > 0xFFFF || address == 0) {
      error = QStringLiteral("\"%1\" is no port address").arg(port);
      return std::nullopt;
    }
    return static_cast<std::uint16_t>(address);
  }
  static const QRegularExpression kDevice(QStringLiteral("^(?:.*/)?parport([0-9]+)$"));
  const QRegularExpressionMatch match = kDevice.match(port);
  if (!match.hasMatch()) {
    error = QStringLiteral("\"%1\": give the port as /dev/parportN or as its address (0x378)")
                .arg(port);
    return std::nullopt;
  }
  const int number = match.captured(1).toInt();
  std::ifstream in((procRoot + QStringLiteral("/parport%1/base-addr").arg(number)).toStdString());
  long base = -1;
  if (in >> base && base > 0 && base <= 0xFFFF)
    return static_cast<std::uint16_t>(base);
  constexpr std::array<std::uint16_t, 3> kStandard{0x378, 0x278, 0x3BC};
  if (number < static_cast<int>(kStandard.size()))
    return kStandard[static_cast<std::size_t>(number)];
  error = QStringLiteral("%1: the system lists no such parallel port").arg(port);
  return std::nullopt;
}

Parsed ParseArguments(const QStringList &arguments) {
  const std::unique_ptr<common::ProgramOptions> made = MakeOptions();
  common::ProgramOptions &options = *made;
  if (const std::optional<int> stop = options.parse(arguments))
    return {std::nullopt, *stop};
  Request r;
  r.port = options.value(QStringLiteral("port"));
  r.settingsFile = options.value(QStringLiteral("settings"));
  r.simulate = options.isSet(QStringLiteral("simulate"));
  r.simulatedDevice = options.value(QStringLiteral("simulate"));
  r.dryRun = options.isSet(QStringLiteral("n"));
  r.noDelays = options.isSet(QStringLiteral("no-delays"));
  r.force = options.isSet(QStringLiteral("F"));
  r.noVerify = options.isSet(QStringLiteral("V"));
  r.quiet = options.isSet(QStringLiteral("q"));
  r.verbose = options.isSet(QStringLiteral("v"));
  r.json = options.isSet(QStringLiteral("json"));
  for (const QString &names : options.values(QStringLiteral("allow-lockout")))
    for (const QString &name : names.split(u',', Qt::SkipEmptyParts))
      r.allowLockout << name.trimmed().toUpper();
  const QStringList devices = options.values(QStringLiteral("p"));
  if (devices.size() > 1)
    return {std::nullopt, options.usageError(QStringLiteral("one device (-p) per run"))};
  if (!devices.isEmpty())
    r.device = devices.first();

  const std::vector<Ordered> words = InOrder(arguments);
  for (std::size_t i = 0; i < words.size(); ++i) {
    const QString &w = words[i].text;
    if (words[i].memory) {
      QString error;
      std::optional<MemoryOperation> m = ParseMemoryOperation(w, error);
      if (!m)
        return {std::nullopt, options.usageError(error)};
      r.steps.emplace_back(std::move(*m));
      continue;
    }
    const QString word = w.toLower();
    using Kind = CommandStep::Kind;
    const auto next = [&]() -> QString {
      return i + 1 < words.size() && !words[i + 1].memory ? words[++i].text : QString();
    };
    if (word == u"devices") {
      r.listDevices = true;
    } else if (word == u"erase") {
      r.steps.emplace_back(CommandStep{Kind::Erase, {}});
    } else if (word == u"blank-check") {
      r.steps.emplace_back(CommandStep{Kind::BlankCheck, {}});
    } else if (word == u"signature") {
      r.steps.emplace_back(CommandStep{Kind::Signature, {}});
    } else if (word == u"reset") {
      const QString how = next().toLower();
      if (how == u"hold")
        r.steps.emplace_back(CommandStep{Kind::ResetHold, {}});
      else if (how == u"release")
        r.steps.emplace_back(CommandStep{Kind::ResetRelease, {}});
      else
        return {std::nullopt, options.usageError(QStringLiteral("reset takes hold or release"))};
    } else if (word == u"write") {
      const QString file = next();
      if (file.isEmpty())
        return {std::nullopt, options.usageError(QStringLiteral("write takes an ELF file"))};
      r.steps.emplace_back(CommandStep{Kind::WriteAll, file});
    } else {
      return {std::nullopt, options.usageError(QStringLiteral("unknown command \"%1\"").arg(w))};
    }
  }
  if (!r.listDevices && r.steps.empty())
    return {std::nullopt,
            options.usageError(QStringLiteral("nothing to do: give a command or -U"))};
  if (!r.steps.empty() && r.device.isEmpty())
    return {std::nullopt, options.usageError(QStringLiteral("no device: give -p DEVICE"))};
  return {std::move(r), kExitOk};
}

} // namespace rindle::cli
