#include "orvane/core/IniFile.h"

#include "common/HexText.h"
#include "common/SafeFile.h"
#include "orvane/core/TextLines.h"

#include <QFile>

namespace orvane {

namespace {

QString decode(const QByteArray &b) { return QString::fromUtf8(b); }

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The name of a "[Section]" line, or a null string for any other line.
QString sectionName(const QByteArray &line) {
  const QByteArray t = line.trimmed();
  if (!t.startsWith('['))
    return {};
  int end = t.indexOf(']');
  if (end < 0)
    end = t.size();
  QString name = decode(t.mid(1, end - 1)).trimmed();
  if (name.isNull())
    name = QStringLiteral("");
  return name;
}

bool isComment(const QByteArray &line) {
  const QByteArray t = line.trimmed();
  return t.startsWith(';');
}

QString lineKey(const QByteArray &line) {
  if (isComment(line))
    return {};
  const int eq = line.indexOf('=');
  if (eq < 0)
    return {};
  return decode(line.left(eq)).trimmed();
}

QByteArray oneLine(const QString &value) {
  QString v = value;
  v.replace(QLatin1Char('\r'), QLatin1Char(' '));
  v.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return v.toUtf8();
}

} // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {
  QFile f(path_);
  if (!f.exists())
    return;
  if (!f.open(QIODevice::ReadOnly)) {
    loadError_ = f.errorString();
    return;
  }
  parse(f.readAll());
}

IniFile::IniFile(QString path, const QByteArray &data) : path_(std::move(path)) { parse(data); }

void IniFile::parse(QByteArray data) {
  // Editors may start the file with a byte-order mark; it is kept, but it
  // must not hide the first section.
  if (data.startsWith("\xEF\xBB\xBF")) {
    bom_ = true;
    data.remove(0, 3);
  }
  if (data.isEmpty())
    return;
  const TextLines text = splitLines(data);
  for (qsizetype i = 0; i < text.lines.size(); ++i)
    lines_.push_back({text.lines[i], text.breaks[i]});
  if (!text.firstBreak.isEmpty())
    lineBreak_ = text.firstBreak;
  finalBreak_ = text.finalBreak;
}

int IniFile::findSection(const QString &section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const QString name = sectionName(lines_[i].text);
    if (!name.isNull() && sameName(name, section.trimmed()))
      return static_cast<int>(i);
  }
  return -1;
}

int IniFile::sectionEnd(int sectionLine) const {
  std::size_t i = static_cast<std::size_t>(sectionLine) + 1;
  while (i < lines_.size() && sectionName(lines_[i].text).isNull())
    ++i;
  return static_cast<int>(i);
}

int IniFile::findKey(int sectionLine, const QString &key) const {
  const int end = sectionEnd(sectionLine);
  for (int i = sectionLine + 1; i < end; ++i) {
    const QString k = lineKey(lines_[static_cast<std::size_t>(i)].text);
    if (!k.isNull() && sameName(k, key.trimmed()))
      return i;
  }
  return -1;
}

bool IniFile::sectionExists(const QString &section) const { return findSection(section) >= 0; }

bool IniFile::keyExists(const QString &section, const QString &key) const {
  const int s = findSection(section);
  return s >= 0 && findKey(s, key) >= 0;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const {
  const int s = findSection(section);
  if (s < 0)
    return def;
  const int k = findKey(s, key);
  if (k < 0)
    return def;
  const QByteArray &line = lines_[static_cast<std::size_t>(k)].text;
  return decode(line.mid(line.indexOf('=') + 1)).trimmed();
}

bool IniFile::parseInteger(const QString &text, int *value) {
  const QString t = text.trimmed();
  if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    const auto hex = common::hex::Parse(QStringView(t).mid(2));
    if (!hex)
      return false;
    *value = static_cast<int>(*hex);
    return true;
  }
  bool ok = false;
  const int v = t.toInt(&ok, 10);
  if (!ok)
    return false;
  *value = v;
  return true;
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const {
  int v = 0;
  return parseInteger(readString(section, key), &v) ? v : def;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value) {
  const QByteArray v = oneLine(value);
  int s = findSection(section);
  if (s >= 0) {
    const int k = findKey(s, key);
    if (k >= 0) {
      QByteArray &line = lines_[static_cast<std::size_t>(k)].text;
      line = line.left(line.indexOf('=')).trimmed() + '=' + v;
      return;
    }
    // After the section's last non-blank line, so the blank line that
    // separates it from the next section stays where it is.
    int at = sectionEnd(s);
    while (at - 1 > s && lines_[static_cast<std::size_t>(at - 1)].text.trimmed().isEmpty())
      --at;
    lines_.insert(lines_.begin() + at, {oneLine(key) + '=' + v});
    return;
  }
  if (!lines_.empty() && !lines_.back().text.trimmed().isEmpty())
    lines_.push_back({QByteArray()});
  lines_.push_back({'[' + oneLine(section) + ']'});
  lines_.push_back({oneLine(key) + '=' + v});
}

void IniFile::writeInteger(const QString &section, const QString &key, int value) {
  writeString(section, key, QString::number(value));
}

QByteArray IniFile::toBytes() const {
  QByteArray out = bom_ ? QByteArray("\xEF\xBB\xBF") : QByteArray();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i].text;
    // A line read from the file keeps its own break; a line the program
    // added, or a last line that is no longer last, takes the file's first.
    if (!lines_[i].end.isEmpty())
      out += lines_[i].end;
    else if (i + 1 < lines_.size() || finalBreak_)
      out += lineBreak_;
  }
  return out;
}

bool IniFile::save(QString *error) const {
  const common::SaveResult saved = common::SaveWholeFile(path_, toBytes());
  if (!saved.ok() && error)
    *error = saved.reason;
  return saved.ok();
}

} // namespace orvane
