#pragma once

#include <QByteArray>
#include <QIODevice>

namespace rindle::files {

// Reads a text file line by line whatever its line ends: CR LF, LF or a
// lone CR. A line longer than the cap keeps its first `cap` bytes; every
// reader of these files ignores what follows its last field, and the cap
// keeps a huge file without line ends from filling the memory.
class TextLines {
public:
  static constexpr qsizetype kDefaultCap = 4096;

  explicit TextLines(QIODevice &device, qsizetype cap = kDefaultCap);

  // The next line without its line end; false at the end of the file or
  // when reading failed (see failed()).
  bool next(QByteArray &line);
  bool failed() const { return failed_; }
  // 1-based number of the line last returned.
  int lineNumber() const { return lineNumber_; }

private:
  bool fill();
  qsizetype lineEnd();

  QIODevice &device_;
  qsizetype cap_;
  QByteArray chunk_;
  qsizetype pos_ = 0;
  qsizetype nextCr_ = -1, nextLf_ = -1; // in chunk_; -1 until looked for
  bool eof_ = false;
  bool failed_ = false;
  bool skipLf_ = false; // the last line ended in CR: a LF right after it belongs to it
  int lineNumber_ = 0;
};

// Lines written by the savers end with CR LF, as the files always have.
inline constexpr char kLineEnd[] = "\r\n";

} // namespace rindle::files
