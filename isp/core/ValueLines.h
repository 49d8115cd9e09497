#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

// Files of one value per line: the programmers' settings files and the fuse
// database. A file's line order is written once, as a function template
// over a "lines" object, and run with ValueReader to read and with
// ValueWriter to write:
//
//   template <typename Lines, typename Record> void MyLines(Lines &l, Record &r) {
//     l.number(r.port);            // any integer field; the range is its type's
//     l.number(r.size, 0, 4096);   // or the one given
//     l.invert(r.sckInvert, r.sckMask); // 0 or the mask read before
//     l.text(r.fileName);
//     l.flag(r.verify);
//   }
namespace rindle::isp {

// A number as the files hold it: decimal, or hexadecimal after "$" or "0x",
// with an optional sign and blanks around it.
std::optional<std::int64_t> ParseInteger(const QByteArray &text);

// The first `count` lines of a file, a leading UTF-8 byte-order mark left
// out; nothing when the file cannot be read.
std::optional<std::vector<QByteArray>> ReadValueLines(const QString &path, int count);
// The same from a device open for reading (a file, or bytes in memory).
std::optional<std::vector<QByteArray>> ReadValueLines(QIODevice &device, int count);

// Reads the values of a file in order and says at which line and why it had
// to stop. After a failure it reads nothing more, so the record keeps what
// was read up to the bad line: read into a copy and take it only when ok().
class ValueReader {
public:
  // How much of a bad line a message repeats.
  static constexpr qsizetype kShownChars = 40;

  // `title` begins every error text ("Settings file error . . .").
  ValueReader(std::vector<QByteArray> lines, QString title);

  template <typename T>
  void number(T &out, std::int64_t min = std::numeric_limits<T>::min(),
              std::int64_t max = std::numeric_limits<T>::max()) {
    if (const auto value = nextNumber(min, max)) {
      out = T(*value);
    }
  }
  // An invert value: 0, or the mask of its line. Any other value would flip
  // pins that belong to other lines.
  template <typename T>
  void invert(T &out, std::uint16_t mask) {
    if (const auto value = nextNumber(0, std::numeric_limits<std::uint16_t>::max())) {
      if (*value != 0 && *value != mask) {
        failOutOfRange(*value);
      } else {
        out = T(*value);
      }
    }
  }
  // 0 is off, any other number on.
  void flag(bool &out);
  // A text line; a file that ends before it gives an empty text.
  void text(QString &out);

  bool ok() const { return error_.isEmpty(); }
  // The title, a line break ("\r") and what is wrong at which line.
  const QString &error() const { return error_; }

private:
  std::optional<std::int64_t> nextNumber(std::int64_t min, std::int64_t max);
  const QByteArray *nextLine();
  void failOutOfRange(std::int64_t value);
  void fail(const QString &why);

  std::vector<QByteArray> lines_;
  QString title_;
  QString error_;
  int line_ = 0;
};

// Writes values in decimal, one per CR LF line; a text that would split its
// line is written as an empty line.
class ValueWriter {
public:
  template <typename T>
  void number(const T &value, std::int64_t = 0, std::int64_t = 0) {
    text_ += QByteArray::number(value) + "\r\n";
  }
  template <typename T>
  void invert(const T &value, std::uint16_t) {
    number(value);
  }
  void flag(bool value) { number(int(value)); }
  void text(const QString &value);
  const QByteArray &content() const { return text_; }

private:
  QByteArray text_;
};

} // namespace rindle::isp
