#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace orvane {

// An INI document read from one file, edited in memory and written back
// whole. Section and key names match without regard to letter case; every line
// the program does not change (comments, unknown keys, blank lines) is written
// back byte for byte, so a user's edits survive. A missing file reads as empty.
// One thread at a time: even a lookup notes the section it found.
class IniFile {
public:
  // Reads the file at once; a missing or unreadable file gives an empty
  // document (loadError() tells the two apart for callers that care).
  // A document whose file could not be read is never saved over it.
  explicit IniFile(QString path);
  // The document from bytes already in memory; save() writes it to path.
  IniFile(QString path, const QByteArray &data);

  const QString &path() const { return path_; }
  const QString &loadError() const { return loadError_; }

  bool sectionExists(const QString &section) const;
  bool keyExists(const QString &section, const QString &key) const;

  // The value of the first matching key, trimmed of blanks; def when absent.
  QString readString(const QString &section, const QString &key, const QString &def = {}) const;

  // Decimal (with an optional sign) or hexadecimal with a leading 0x; any
  // other text, or a number outside the 32-bit range, reads as def.
  int readInteger(const QString &section, const QString &key, int def) const;

  // Sets the key, creating the section and the key as needed. Line breaks in
  // the value are turned into blanks so that a value can never add lines.
  void writeString(const QString &section, const QString &key, const QString &value);
  void writeInteger(const QString &section, const QString &key, int value);

  // Writes the document through a temporary file that replaces the old one
  // only when it was written whole (in place where the folder allows no new
  // file). Returns false and sets error on failure, and when the file could
  // not be read: the empty document would replace what it holds.
  bool save(QString *error = nullptr) const;

  // The document as it would be written.
  QByteArray toBytes() const;

  // Parses integer text the way readInteger does; false when it is no number.
  static bool parseInteger(const QString &text, int *value);

private:
  // Every line is a stretch of doc_: a line the program changes or adds has
  // its new text appended there. Where the name a lookup matches lies is
  // worked out whenever the text is set, so that lookups build no strings.
  struct Line {
    enum class Kind : std::uint8_t { Other, Section, Key };
    // The line break as read; None for an added line and for a last line
    // without one.
    enum class Break : std::uint8_t { None, Lf, CrLf, Cr };
    qsizetype from = 0, size = 0; // the text in doc_
    // The name a lookup matches. A name in plain ASCII is the stretch from
    // nameFrom in the text, without its blanks; a section name beyond ASCII
    // is kept decoded and trimmed in decodedNames_ from nameFrom on; a key
    // name beyond ASCII is the stretch of the text, decoded when compared.
    qsizetype nameFrom = 0, nameSize = 0;
    Kind kind = Kind::Other;
    Break lineBreak = Break::None;
    bool plainName = false;
  };
  bool nameMatches(const Line &line, const QString &wanted) const;
  QByteArrayView text(const Line &line) const;
  static QByteArrayView breakText(Line::Break lineBreak);
  void classify(Line &line, QByteArrayView text);
  void parse(QByteArray data);
  int findSection(const QString &section) const;          // line index or -1
  int findKey(int sectionLine, const QString &key) const; // line index or -1
  int sectionEnd(int sectionLine) const;                  // first line after it
  void insertLine(std::size_t at, Line line);
  void indexSections();

  QString path_;
  QString loadError_;
  QByteArray doc_;         // the file as read, without its byte-order mark; then the texts set
  qsizetype readSize_ = 0; // the part of doc_ read from the file
  std::vector<Line> lines_;
  std::vector<std::size_t> sections_; // the section lines, in order
  QString decodedNames_;              // one after the other
  // The sections looked up, each with its line (-1: none), since the
  // settings and the recent lists read and write several keys of a few
  // sections; kept up to date as lines are added.
  struct FoundSection {
    QString name;
    int line = -1;
  };
  mutable std::array<FoundSection, 6> found_;
  mutable std::size_t foundCount_ = 0, foundNext_ = 0;
  Line::Break lineBreak_ = Line::Break::Lf; // the file's first, for the lines added
  bool finalBreak_ = true;
  bool bom_ = false;
};

} // namespace orvane
