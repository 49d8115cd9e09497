#include "rindle/engine/Settings.h"

#include "rindle/data/DataFiles.h"
#include "rindle/data/SafeWrite.h"
#include "rindle/data/TextLines.h"
#include "rindle/engine/IspEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <utility>

namespace rindle::settings {

QString SettingsFilePath(const QString &programFolder) {
  if (programFolder.isEmpty())
    return {};
  return QDir(programFolder).filePath(kSettingsFileName);
}

QString FuseDatabaseName(const QString &programFileName) {
  const qsizetype nameStart = programFileName.lastIndexOf(u'/') + 1;
  const qsizetype dot = programFileName.lastIndexOf(u'.');
  const QString stem = dot >= nameStart ? programFileName.left(dot) : programFileName;
  return stem + QStringLiteral(".fdb");
}

std::optional<std::int64_t> ParseInteger(const QByteArray &text) {
  QByteArray t = text.trimmed();
  bool negative = false;
  if (t.startsWith('-') || t.startsWith('+')) {
    negative = t[0] == '-';
    t = t.mid(1);
  }
  int base = 10;
  if (t.startsWith('$')) {
    base = 16;
    t = t.mid(1);
  } else if (t.startsWith("0x") || t.startsWith("0X")) {
    base = 16;
    t = t.mid(2);
  }
  // toLongLong alone would accept blanks and signs inside the digits.
  const auto digit = [base](char c) {
    return (c >= '0' && c <= '9') ||
           (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
  };
  if (t.isEmpty() || !std::all_of(t.begin(), t.end(), digit))
    return std::nullopt;
  bool ok = false;
  const qlonglong value = t.toLongLong(&ok, base);
  if (!ok)
    return std::nullopt;
  return negative ? -value : value;
}

} // namespace rindle::settings

namespace rindle {

using namespace settings;

namespace {

// Reads the values of a file of one value per line, in order, and says at
// which line and why it had to stop.
class ValueLines {
public:
  // How much of a bad line a message repeats.
  static constexpr qsizetype kShownChars = 40;

  ValueLines(std::vector<QByteArray> lines, QString title)
      : lines_(std::move(lines)), title_(std::move(title)) {}

  template <typename T> void number(T &out, std::int64_t min = std::numeric_limits<T>::min(),
                                    std::int64_t max = std::numeric_limits<T>::max()) {
    const QByteArray *line = nextLine();
    if (!line)
      return;
    const auto value = ParseInteger(*line);
    if (!value)
      fail(QStringLiteral("Line %1: '%2' is not a valid integer value")
               .arg(line_)
               .arg(QString::fromUtf8(line->left(kShownChars))));
    else if (*value < min || *value > max)
      fail(QStringLiteral("Line %1: %2 is out of range").arg(line_).arg(*value));
    else
      out = T(*value);
  }

  // 0 is off, any other number on.
  void flag(bool &out) {
    std::int32_t value = out;
    number(value);
    out = value != 0;
  }

  // A text line; a file that ends before it gives an empty text.
  void text(QString &out) {
    if (!ok())
      return;
    ++line_;
    out = line_ <= int(lines_.size()) ? QString::fromUtf8(lines_[std::size_t(line_ - 1)])
                                      : QString();
  }

  bool ok() const { return error_.isEmpty(); }
  const QString &error() const { return error_; }

private:
  const QByteArray *nextLine() {
    if (!ok())
      return nullptr;
    ++line_;
    if (line_ > int(lines_.size())) {
      fail(QStringLiteral("The file ends before line %1").arg(line_));
      return nullptr;
    }
    return &lines_[std::size_t(line_ - 1)];
  }
  void fail(const QString &why) { error_ = title_ + QStringLiteral("\r") + why; }

  std::vector<QByteArray> lines_;
  QString title_;
  QString error_;
  int line_ = 0;
};

// The first `count` lines of a file; empty when it cannot be read.
std::optional<std::vector<QByteArray>> ReadLines(const QString &path, int count) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return std::nullopt;
  files::TextLines lines(file);
  std::vector<QByteArray> out;
  QByteArray line;
  while (int(out.size()) < count && lines.next(line))
    out.push_back(line);
  if (lines.failed())
    return std::nullopt;
  return out;
}

// Values are written in decimal, one per line; a file name that would split
// its line is not kept.
class ValueWriter {
public:
  template <typename T> void number(const T &value, std::int64_t = 0, std::int64_t = 0) {
    text_ += QByteArray::number(value) + "\r\n";
  }
  void flag(bool value) { number(int(value)); }
  void text(const QString &value) {
    const bool splits = value.contains(u'\r') || value.contains(u'\n');
    text_ += (splits ? QByteArray() : value.toUtf8()) + "\r\n";
  }
  const QByteArray &content() const { return text_; }

private:
  QByteArray text_;
};

// Everything the settings file holds.
struct SettingsRecord {
  PortSettings port;
  IspDevice device;
  FuseState fuses;
  QString program, eeprom;
  bool verify, oscFlash, oscEeprom;
};

// The settings file's lines in their order (SS before RST), for the reader
// and the writer alike.
template <typename Lines, typename Record> void SettingsFileLines(Lines &l, Record &r) {
  l.number(r.port.PortBase);
  l.number(r.port.DataPortValue);
  l.number(r.port.ControlPortValue);
  l.number(r.device.DeviceIndex);
  l.number(r.device.FlashSize, 0, std::int64_t(files::kMaxFlashBytes));
  l.number(r.device.EepromSize, 0, std::int64_t(files::kMaxEepromBytes));
  l.number(r.fuses.LockBits);
  l.text(r.program);
  l.text(r.eeprom);
  l.number(r.fuses.FuseLow);
  l.number(r.fuses.FuseHigh);
  l.number(r.fuses.FuseExtended);
  l.number(r.fuses.LockByte);
  l.number(r.port.BenMask);
  l.number(r.port.SckMask);
  l.number(r.port.MosiMask);
  l.number(r.port.SsMask);
  l.number(r.port.RstMask);
  l.number(r.port.MisoMask);
  l.number(r.port.BenInvert);
  l.number(r.port.SckInvert);
  l.number(r.port.MosiInvert);
  l.number(r.port.SsInvert);
  l.number(r.port.RstInvert);
  l.number(r.port.MisoInvert);
  l.flag(r.verify);
  l.flag(r.oscFlash);
  l.flag(r.oscEeprom);
}

// The fuse database's lines in their order.
template <typename Lines, typename Fuses, typename Text>
void FuseDatabaseLines(Lines &l, Fuses &fuses, Text &eeprom) {
  l.number(fuses.LockBits);
  l.number(fuses.FuseLow);
  l.number(fuses.FuseHigh);
  l.number(fuses.FuseExtended);
  l.number(fuses.LockByte);
  l.text(eeprom);
}

bool IsFile(const QString &name) { return !name.isEmpty() && QFileInfo(name).isFile(); }

QString Extension(const QString &name) { return QFileInfo(name).suffix().toLower(); }

// The EEPROM file is loaded by its extension; an EEP file is Intel HEX.
void LoadEepromByExtension(IspEngine &engine) {
  const QString ext = Extension(engine.EepromFileName);
  if (ext == u"hex" || ext == u"eep")
    engine.LoadEepromHexFile();
  else if (ext == u"bin")
    engine.LoadEepromBinFile();
}

} // namespace

void IspEngine::InitEngine() {
  std::ranges::fill(Buffer.cells, kBlankByte);
  Port = PortSettings{};
  Device = IspDevice{};
  Fuses = FuseState{};
  ProgramFileName.clear();
  EepromFileName.clear();
  AutoVerify = true;
  SaveOscCalToFlash = true;
  SaveOscCalToEeprom = false;
  ResultText.clear();
  LoadSettings();
  TimerSetup();
  ReleaseTarget();
}

void IspEngine::LoadSettings() {
  const QString path = SettingsFilePath(ProgramFolder);
  if (path.isEmpty() || !QFileInfo::exists(path))
    return;
  const auto lines = ReadLines(path, kSettingsLines);
  if (!lines) {
    ResultText = kSettingsError + QStringLiteral("\rThe file cannot be read");
    return;
  }

  // Everything is read into copies first: a damaged file changes nothing, so
  // the cable is never driven with half a pin map and the fuses never carry
  // half a stored state.
  SettingsRecord r{Port, Device, Fuses, {}, {}, AutoVerify, SaveOscCalToFlash,
                   SaveOscCalToEeprom};
  ValueLines in(*lines, kSettingsError);
  SettingsFileLines(in, r);
  if (!in.ok()) {
    ResultText = in.error();
    return;
  }
  Port = r.port;
  Device = r.device;
  Fuses = r.fuses;
  ProgramFileName = r.program;
  EepromFileName = r.eeprom;
  AutoVerify = r.verify;
  SaveOscCalToFlash = r.oscFlash;
  SaveOscCalToEeprom = r.oscEeprom;

  if (IsFile(ProgramFileName)) {
    const QString ext = Extension(ProgramFileName);
    if (ext == u"hex")
      LoadHexFile();
    else if (ext == u"bin")
      LoadBinFile();
    else if (ext == u"rom")
      LoadRomFile();
  } else {
    ProgramFileName.clear();
  }
  if (IsFile(EepromFileName))
    LoadEepromByExtension(*this);
  else
    EepromFileName.clear();
  LoadFuseDatabase();
}

void IspEngine::SaveSettings() {
  const QString path = SettingsFilePath(ProgramFolder);
  if (path.isEmpty())
    return;
  const SettingsRecord r{Port, Device, Fuses, ProgramFileName, EepromFileName, AutoVerify,
                         SaveOscCalToFlash, SaveOscCalToEeprom};
  ValueWriter out;
  SettingsFileLines(out, r);
  // A settings file that cannot be written is given up silently, with the
  // fuse database; the old settings file stays whole.
  if (files::WriteFileSafely(path, out.content()) != files::WriteOutcome::Ok)
    return;
  SaveFuseDatabase();
}

void IspEngine::LoadFuseDatabase() {
  if (ProgramFileName.isEmpty())
    return;
  const QString name = FuseDatabaseName(ProgramFileName);
  // A program file that itself ends in ".fdb" is not its own database.
  if (name == ProgramFileName || !IsFile(name))
    return;
  const auto lines = ReadLines(name, kFuseDatabaseLines);
  if (!lines)
    return;
  FuseState fuses = Fuses;
  QString eeprom;
  ValueLines in(*lines, kFuseDatabaseError);
  FuseDatabaseLines(in, fuses, eeprom);
  if (!in.ok()) {
    ResultText = in.error();
    return;
  }
  Fuses = fuses;
  EepromFileName = eeprom;
  // A stored name whose file is gone stays, as the database gave it.
  if (IsFile(EepromFileName))
    LoadEepromByExtension(*this);
}

void IspEngine::SaveFuseDatabase() {
  if (ProgramFileName.isEmpty())
    return;
  const QString name = FuseDatabaseName(ProgramFileName);
  if (name == ProgramFileName)
    return;
  ValueWriter out;
  FuseDatabaseLines(out, std::as_const(Fuses), std::as_const(EepromFileName));
  files::WriteFileSafely(name, out.content());
}

} // namespace rindle
