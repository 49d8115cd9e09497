#include "orvane/core/IniFile.h"

#include "common/HexText.h"
#include "common/SafeFile.h"
#include "common/Utf8Text.h"
#include "orvane/core/TextLines.h"

#include <QFile>
#include <QStringEncoder>
#include <QVarLengthArray>

#include <algorithm>

namespace orvane {

namespace {

bool allAscii(QByteArrayView b) { return QtPrivate::isAscii(QLatin1String(b.data(), b.size())); }

// Appends text as one line of UTF-8, where CR and LF can only stand for
// themselves.
void appendOneLine(QByteArray &out, const QString &text) {
  const qsizetype at = out.size();
  if (!QStringView(text).isValidUtf16()) {
    // QString::toUtf8 writes a lone surrogate as '?', the encoder as U+FFFD;
    // files written before keep reading back the same.
    out.append(text.toUtf8());
  } else {
    out.resize(at + text.size() * 3); // at most three bytes for each UTF-16 unit
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    out.truncate(encoder.appendToBuffer(out.data() + at, text) - out.constData());
  }
  if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
    std::replace_if(
        out.begin() + at, out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
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
  QByteArray data = f.readAll();
  if (f.error() != QFileDevice::NoError) {
    loadError_ = f.errorString();
    return;
  }
  parse(std::move(data));
}

IniFile::IniFile(QString path, const QByteArray &data) : path_(std::move(path)) { parse(data); }

// A "[Section]" line names the section between its brackets (or to its end
// without a closing one); a "key=value" line that is no "; comment" names
// the key before its first '='; any other line names nothing. Names are
// made ready for comparing here.
void IniFile::classify(Line &line, QByteArrayView text) {
  line.kind = Line::Kind::Other;
  const QByteArrayView t = text.trimmed();
  if (t.startsWith('[')) {
    qsizetype close = t.indexOf(']');
    if (close < 0)
      close = t.size();
    line.kind = Line::Kind::Section;
    QByteArrayView name = t.sliced(1, close - 1);
    line.plainName = allAscii(name);
    if (line.plainName) {
      name = name.trimmed();
    } else {
      const qsizetype from = decodedNames_.size();
      // Room at once for all the names the rest of the document can hold:
      // a byte gives one UTF-16 unit at the most.
      if (decodedNames_.capacity() < from + name.size())
        decodedNames_.reserve(from + (doc_.constData() + doc_.size() - name.data()));
      decodedNames_.resize(from + name.size());
      QChar *const start = decodedNames_.data() + from;
      const QStringView decoded(start, common::AppendTextFromUtf8(start, name));
      decodedNames_.resize(from + decoded.size());
      const QStringView trimmed = decoded.trimmed();
      line.nameFrom = from + (trimmed.data() - decoded.data());
      line.nameSize = trimmed.size();
      return;
    }
    line.nameFrom = name.data() - text.data();
    line.nameSize = name.size();
  } else if (!t.startsWith(';')) {
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
      return;
    line.kind = Line::Kind::Key;
    QByteArrayView name = text.first(eq);
    line.plainName = allAscii(name);
    if (line.plainName)
      name = name.trimmed();
    line.nameFrom = name.data() - text.data();
    line.nameSize = name.size();
  }
}

// The line's name, decoded and trimmed, against a name the program asks for,
// without regard to letter case. Plain ASCII, what the files hold, is
// compared where it stands, and character for character: a name of another
// length cannot match.
bool IniFile::nameMatches(const Line &line, const QString &wanted) const {
  if (line.plainName) {
    if (line.nameSize != wanted.size())
      return false;
    const char *const name = doc_.constData() + line.from + line.nameFrom;
    return QLatin1String(name, line.nameSize).compare(wanted, Qt::CaseInsensitive) == 0;
  }
  if (line.kind == Line::Kind::Section)
    return QStringView(decodedNames_)
               .sliced(line.nameFrom, line.nameSize)
               .compare(wanted, Qt::CaseInsensitive) == 0;
  const QByteArrayView name = text(line).sliced(line.nameFrom, line.nameSize);
  // A key name beyond ASCII, decoded on the stack when short.
  QVarLengthArray<QChar, 128> decoded(name.size());
  const QStringView text(decoded.data(), common::AppendTextFromUtf8(decoded.data(), name));
  return text.trimmed().compare(wanted, Qt::CaseInsensitive) == 0;
}

QByteArrayView IniFile::breakText(Line::Break lineBreak) {
  static constexpr QByteArrayView kText[] = {"", "\n", "\r\n", "\r"};
  return kText[static_cast<std::size_t>(lineBreak)];
}

QByteArrayView IniFile::text(const Line &line) const {
  return QByteArrayView(doc_).sliced(line.from, line.size);
}

void IniFile::parse(QByteArray data) {
  // Editors may start the file with a byte-order mark; it is kept, but it
  // must not hide the first section.
  if (data.startsWith("\xEF\xBB\xBF")) {
    bom_ = true;
    data.remove(0, 3);
  }
  if (data.isEmpty())
    return;
  doc_ = std::move(data);
  // Room for every line and a few the program may add.
  lines_.reserve(std::size_t(doc_.count('\n') + doc_.count('\r') + 16));
  sections_.reserve(std::size_t(doc_.count('[') + 4));
  Line::Break firstBreak = Line::Break::None;
  finalBreak_ = forEachLine(doc_, [&](QByteArrayView text, QByteArrayView lineBreak) {
    Line &line = lines_.emplace_back();
    line.from = text.data() - doc_.constData();
    line.size = text.size();
    line.lineBreak = lineBreak.isEmpty()         ? Line::Break::None
                     : lineBreak.size() == 2     ? Line::Break::CrLf
                     : lineBreak.front() == '\n' ? Line::Break::Lf
                                                 : Line::Break::Cr;
    if (firstBreak == Line::Break::None)
      firstBreak = line.lineBreak;
    classify(line, text);
    if (line.kind == Line::Kind::Section)
      sections_.push_back(lines_.size() - 1);
    return true;
  });
  readSize_ = doc_.size();
  if (firstBreak != Line::Break::None)
    lineBreak_ = firstBreak;
}

int IniFile::findSection(const QString &section) const {
  const QString wanted = section.trimmed();
  for (std::size_t i = 0; i < foundCount_; ++i)
    if (found_[i].name == wanted)
      return found_[i].line;
  int found = -1;
  for (const std::size_t i : sections_) {
    if (nameMatches(lines_[i], wanted)) {
      found = static_cast<int>(i);
      break;
    }
  }
  found_[foundNext_] = {wanted, found};
  foundNext_ = (foundNext_ + 1) % found_.size();
  foundCount_ = std::min(foundCount_ + 1, found_.size());
  return found;
}

int IniFile::sectionEnd(int sectionLine) const {
  const auto next =
      std::upper_bound(sections_.begin(), sections_.end(), static_cast<std::size_t>(sectionLine));
  return static_cast<int>(next == sections_.end() ? lines_.size() : *next);
}

int IniFile::findKey(int sectionLine, const QString &key) const {
  const QString wanted = key.trimmed();
  const int end = sectionEnd(sectionLine);
  for (int i = sectionLine + 1; i < end; ++i) {
    const Line &line = lines_[static_cast<std::size_t>(i)];
    if (line.kind == Line::Kind::Key && nameMatches(line, wanted))
      return i;
  }
  return -1;
}

void IniFile::insertLine(std::size_t at, Line line) {
  const bool section = line.kind == Line::Kind::Section;
  if (section) {
    // It may be the first of its name.
    foundCount_ = foundNext_ = 0;
  } else {
    for (std::size_t i = 0; i < foundCount_; ++i)
      if (found_[i].line >= static_cast<int>(at))
        ++found_[i].line;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  auto later = std::lower_bound(sections_.begin(), sections_.end(), at);
  for (auto i = later; i != sections_.end(); ++i)
    ++*i;
  if (section)
    sections_.insert(later, at);
}

void IniFile::indexSections() {
  foundCount_ = foundNext_ = 0;
  sections_.clear();
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Line::Kind::Section)
      sections_.push_back(i);
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
  const QByteArrayView line = text(lines_[static_cast<std::size_t>(k)]);
  return common::TextFromUtf8(line.sliced(line.indexOf('=') + 1)).trimmed();
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
  // A line's new text goes to the end of doc_, as write puts it there.
  const auto setLine = [&](Line &line, const auto &write) {
    line.from = doc_.size();
    write();
    line.size = doc_.size() - line.from;
    classify(line, text(line));
  };
  const auto writeValue = [&] {
    doc_.append('=');
    appendOneLine(doc_, value);
  };
  const auto writeKey = [&] {
    appendOneLine(doc_, key);
    writeValue();
  };
  const int s = findSection(section);
  if (s >= 0) {
    const int k = findKey(s, key);
    if (k >= 0) {
      Line &line = lines_[static_cast<std::size_t>(k)];
      const QByteArrayView old = text(line);
      const QByteArrayView name = old.first(old.indexOf('=')).trimmed();
      // A copy: the name lies in doc_, which may move as it grows.
      const QVarLengthArray<char, 128> kept(name.begin(), name.end());
      setLine(line, [&] {
        doc_.append(kept.data(), kept.size());
        writeValue();
      });
      // The key keeps its spelling, so the line stays a key line; should
      // that ever change, the index follows.
      if (line.kind != Line::Kind::Key)
        indexSections();
      return;
    }
    // After the section's last non-blank line, so the blank line that
    // separates it from the next section stays where it is.
    int at = sectionEnd(s);
    while (at - 1 > s && text(lines_[static_cast<std::size_t>(at - 1)]).trimmed().isEmpty())
      --at;
    Line added;
    setLine(added, writeKey);
    insertLine(static_cast<std::size_t>(at), std::move(added));
    return;
  }
  const auto add = [&](const auto &write) {
    Line added;
    setLine(added, write);
    insertLine(lines_.size(), std::move(added));
  };
  if (!lines_.empty() && !text(lines_.back()).trimmed().isEmpty())
    add([] {});
  add([&] {
    doc_.append('[');
    appendOneLine(doc_, section);
    doc_.append(']');
  });
  add(writeKey);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value) {
  writeString(section, key, QString::number(value));
}

QByteArray IniFile::toBytes() const {
  QByteArray out = bom_ ? QByteArray("\xEF\xBB\xBF") : QByteArray();
  out.reserve(out.size() + doc_.size() + qsizetype(lines_.size()) * 2);
  // Lines read from the file and left as they were are written as the
  // stretch of the file they came from, breaks and all: a run of them at once.
  qsizetype runFrom = 0, runEnd = -1;
  const auto endRun = [&] {
    if (runEnd > runFrom)
      out.append(doc_.constData() + runFrom, runEnd - runFrom);
    runEnd = -1;
  };
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line &line = lines_[i];
    if (line.from < readSize_ && line.lineBreak != Line::Break::None) {
      if (line.from != runEnd) {
        endRun();
        runFrom = line.from;
      }
      runEnd = line.from + line.size + breakText(line.lineBreak).size();
      continue;
    }
    endRun();
    out += text(line);
    // A changed line keeps the break it was read with; a line the program
    // added, or a last line that is no longer last, takes the file's first.
    if (line.lineBreak != Line::Break::None)
      out += breakText(line.lineBreak);
    else if (i + 1 < lines_.size() || finalBreak_)
      out += breakText(lineBreak_);
  }
  endRun();
  return out;
}

bool IniFile::save(QString *error) const {
  if (!loadError_.isEmpty()) {
    if (error)
      *error =
          QStringLiteral("It could not be read (%1), so it is not written over.").arg(loadError_);
    return false;
  }
  const common::SaveResult saved = common::SaveWholeFile(path_, toBytes());
  if (!saved.ok() && error)
    *error = saved.reason;
  return saved.ok();
}

} // namespace orvane
